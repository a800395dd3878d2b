#include "hosts/name_search.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>
#include <type_traits>
#include <utility>

#include "store/coding.h"

// SSE2 is part of every x86-64 processor; elsewhere the skip goes eight
// places at a time through a table.
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUORVANE_SKIP_SSE2 1
#endif
// Where the compiler can build code for a processor other than its target,
// the skip also has an AVX2 form, used when the processor running it has
// AVX2: twice the places a compare.
#if defined(QUORVANE_SKIP_SSE2) && defined(__GNUC__) && \
    (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define QUORVANE_SKIP_AVX2 1
#endif

namespace quorvane {

namespace {

bool IsLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
unsigned char Small(unsigned char c) { return IsLetter(c) ? c | 0x20 : c; }

// The byte and, for a letter, its other case.
std::array<unsigned char, 2> BothCases(unsigned char c) {
  return {c, IsLetter(c) ? static_cast<unsigned char>(c ^ 0x20) : c};
}

}  // namespace

NameSearch::NameSearch(const std::vector<std::string_view>& names, Skip skip) {
  Children children = BuildTrie(names);
  KeepEdges(&children);
  MarkStarts(names, skip);
  LinkFallbacks(children);
  FillMoves(children);
}

NameSearch::Children NameSearch::BuildTrie(
    const std::vector<std::string_view>& names) {
  Children children(1);
  name_.assign(1, kNone);
  for (size_t i = 0; i < names.size(); ++i) {
    assert(!names[i].empty());
    uint32_t s = 0;
    for (char ch : names[i]) {
      unsigned char c = Small(static_cast<unsigned char>(ch));
      auto& list = children[s];
      auto it = std::find_if(list.begin(), list.end(),
                             [c](const auto& edge) { return edge.first == c; });
      if (it != list.end()) {
        s = it->second;
        continue;
      }
      uint32_t next = children.size();
      list.emplace_back(c, next);
      children.emplace_back();
      name_.push_back(kNone);
      s = next;
    }
    assert(name_[s] == kNone);  // the names are distinct
    name_[s] = i;
  }
  return children;
}

// Every state's edges in one array, sorted by byte within a state, so that
// a step reads them in a row; state 0's also in a table of its own.
void NameSearch::KeepEdges(Children* children) {
  from_start_.fill(0);
  for (auto [c, to] : (*children)[0]) from_start_[c] = to;
  const size_t count = children->size();
  edges_begin_.resize(count + 1);
  for (size_t s = 0; s < count; ++s) {
    std::sort((*children)[s].begin(), (*children)[s].end());
    edges_begin_[s] = edge_to_.size();
    for (auto [c, to] : (*children)[s]) {
      edge_byte_.push_back(c);
      edge_to_.push_back(to);
    }
  }
  edges_begin_[count] = edge_to_.size();
}

void NameSearch::MarkStarts(const std::vector<std::string_view>& names,
                            Skip skip) {
  pair_starts_.assign(65536, 0);
  size_t shortest = 4;
  for (std::string_view name : names)
    shortest = std::min(shortest, name.size());
  if (shortest >= 3) {
    prefix_bytes_ = shortest;
    prefix_mask_ = shortest == 4 ? 0xffffffff : 0xffffff;
    prefix_starts_.assign(65536, 0);
    for (std::string_view name : names) {
      unsigned char first[4] = {};
      std::memcpy(first, name.data(), prefix_bytes_);
      prefix_starts_[PrefixKey(first, prefix_mask_)] = 1;
    }
  }
  for (std::string_view name : names) {
    unsigned char first = Small(static_cast<unsigned char>(name[0]));
    for (unsigned char f : BothCases(first)) {
      if (name.size() > 1) {
        for (unsigned char next :
             BothCases(static_cast<unsigned char>(name[1]))) {
          pair_starts_[PairKey(f, next)] = 1;
        }
      } else {
        for (int second = 0; second < 256; ++second) {
          pair_starts_[PairKey(f, second)] = 1;
        }
      }
    }
    if (skip != Skip::kPairTable) AddFewStart(name);
  }
  if (few_starts_.size() > kFewStarts) few_starts_.clear();
#ifdef QUORVANE_SKIP_AVX2
  avx2_ = skip == Skip::kWideWhereFew && __builtin_cpu_supports("avx2");
#endif
}

void NameSearch::AddFewStart(std::string_view name) {
  Start start = {Small(static_cast<unsigned char>(name[0])), 0,
                 name.size() == 1};
  if (!start.any_second) {
    start.second = Small(static_cast<unsigned char>(name[1]));
  }
  auto same = [&](const Start& s) {
    return s.first == start.first && s.second == start.second &&
           s.any_second == start.any_second;
  };
  // One more than kFewStarts is enough to know there are not few.
  if (few_starts_.size() <= kFewStarts &&
      std::none_of(few_starts_.begin(), few_starts_.end(), same)) {
    few_starts_.push_back(start);
  }
}

void NameSearch::LinkFallbacks(const Children& children) {
  // Breadth first, so that every shorter state is done before it is needed.
  fallback_.assign(children.size(), 0);
  ends_.assign(children.size(), kNone);
  std::vector<uint32_t> queue = {0};
  for (size_t q = 0; q < queue.size(); ++q) {
    uint32_t s = queue[q];
    for (auto [c, to] : children[s]) {
      fallback_[to] = s == 0 ? 0 : Step(fallback_[s], c);
      ends_[to] = name_[to] != kNone ? to : ends_[fallback_[to]];
      queue.push_back(to);
    }
  }
}

// Once the fallbacks are known, every state's move on every class of bytes,
// breadth first, so that a fallback's row is filled before it is copied.
void NameSearch::FillMoves(const Children& children) {
  constexpr size_t kMostMoves = 1 << 20;
  for (const auto& edges : children) {
    for (auto [c, to] : edges) {
      for (unsigned char b : BothCases(c)) {
        if (class_of_[b] == 0) class_of_[b] = classes_;
      }
      if (class_of_[c] == classes_) ++classes_;
    }
  }
  if (children.size() * classes_ > kMostMoves) {
    class_of_.fill(0);
    classes_ = 1;
    return;
  }
  std::vector<uint32_t> moves(children.size() * classes_, 0);
  std::vector<uint32_t> queue = {0};
  for (size_t q = 0; q < queue.size(); ++q) {
    const uint32_t s = queue[q];
    uint32_t* row = &moves[s * classes_];
    if (s != 0) {
      const uint32_t* fallback = &moves[fallback_[s] * classes_];
      std::copy(fallback, fallback + classes_, row);
    }
    for (auto [c, to] : children[s]) {
      row[class_of_[c]] = to;
      queue.push_back(to);
    }
  }
  moves_ = std::move(moves);
}

uint32_t NameSearch::StepByEdges(uint32_t s, unsigned char c) const {
  c = Small(c);
  for (;;) {
    if (s == 0) return from_start_[c];
    const unsigned char* bytes = edge_byte_.data();
    for (uint32_t e = edges_begin_[s], stop = edges_begin_[s + 1]; e < stop;
         ++e) {
      if (bytes[e] == c) return edge_to_[e];
      if (bytes[e] > c) break;
    }
    s = fallback_[s];
  }
}

size_t NameSearch::PairKey(unsigned char first, unsigned char second) {
  return first | second << 8;
}

// The first bytes with 0x20 set, as the wide skip compares them, hashed to
// 16 bits; the same bytes in memory give the same key on every machine.
size_t NameSearch::PrefixKey(const unsigned char* p, uint32_t mask) {
  uint32_t word;
  std::memcpy(&word, p, 4);
  return ((word | 0x20202020u) & mask) * 0x9e3779b1u >> 16;
}

bool NameSearch::MayStart(const unsigned char* p,
                          const unsigned char* end) const {
  if (prefix_starts_.empty() || end - p < 4) return true;
  return prefix_starts_[PrefixKey(p, prefix_mask_)] != 0;
}

const unsigned char* NameSearch::SkipFromStart(const unsigned char* p,
                                               const unsigned char* end) const {
  const unsigned char* table = pair_starts_.data();
  for (;;) {
    if (!few_starts_.empty()) p = SkipFewStarts(p, end);
    // Most places in a hosts file start no name: look up the pairs at
    // eight places at a time, taken from one load, independently of one
    // another.
    while (end - p >= 9) {
      uint64_t w = DecodeFixed64(p);
      if ((table[w & 0xffff] | table[(w >> 8) & 0xffff] |
           table[(w >> 16) & 0xffff] | table[(w >> 24) & 0xffff] |
           table[(w >> 32) & 0xffff] | table[(w >> 40) & 0xffff] |
           table[(w >> 48) & 0xffff] | table[PairKey(w >> 56, p[8])]) != 0) {
        break;
      }
      p += 8;
    }
    // Then each of those eight places, or the text's last ones, in turn.
    const unsigned char* stop = end - p >= 9 ? p + 8 : end - 1;
    for (; p < stop; ++p) {
      if (table[PairKey(p[0], p[1])] && MayStart(p, end)) return p;
    }
    // The last byte has no pair: let the automaton look at it.
    if (end - p < 2) return p;
  }
}

#ifdef QUORVANE_SKIP_SSE2
namespace {

// Each start's first and second byte (0x20 set) in every lane, and whether
// any second byte will do (a name of one byte).
template <size_t kMost>
struct StartVectors {
  template <typename Starts>
  explicit StartVectors(const Starts& starts) {
    for (size_t i = 0; i < starts.size(); ++i) {
      first[i] = _mm_set1_epi8(static_cast<char>(starts[i].first | 0x20));
      second[i] = _mm_set1_epi8(static_cast<char>(starts[i].second | 0x20));
      any_second[i] = _mm_set1_epi8(starts[i].any_second ? -1 : 0);
    }
  }
  __m128i first[kMost];
  __m128i second[kMost];
  __m128i any_second[kMost];
};

// The places from `p` on where one of the first kCount starts may begin,
// 32 places a step; four bytes past the last place looked at, for the
// filter of prefixes. A letter matches in either case: bytes are compared
// with 0x20 set, which makes a capital small. A byte that is no letter then
// also stands for the one 0x20 below it (a control byte, mostly); the
// automaton that looks at every place found turns such a place down.
template <size_t kCount, bool kOneByteNames, size_t kMost, typename MayStart>
const unsigned char* SkipWith(const StartVectors<kMost>& v,
                              const unsigned char* p, const unsigned char* end,
                              const MayStart& may_start) {
  const __m128i small = _mm_set1_epi8(0x20);
  auto hits_at = [&](const unsigned char* at) {
    __m128i here = _mm_or_si128(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), small);
    __m128i next = _mm_or_si128(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1)), small);
    __m128i hits = _mm_setzero_si128();
    for (size_t i = 0; i < kCount; ++i) {
      __m128i second_hits = _mm_cmpeq_epi8(next, v.second[i]);
      if constexpr (kOneByteNames) {
        second_hits = _mm_or_si128(second_hits, v.any_second[i]);
      }
      hits = _mm_or_si128(
          hits, _mm_and_si128(_mm_cmpeq_epi8(here, v.first[i]), second_hits));
    }
    return static_cast<uint32_t>(_mm_movemask_epi8(hits));
  };
  while (end - p >= 35) {
    uint32_t bits = hits_at(p) | hits_at(p + 16) << 16;
    // A line that holds a pair that starts a name rarely holds the name:
    // the filter of prefixes turns most such places down here.
    for (; bits != 0; bits &= bits - 1) {
      const unsigned char* at = p + std::countr_zero(bits);
      if (may_start(at)) return at;
    }
    p += 32;
  }
  return p;
}

}  // namespace
#endif

#ifdef QUORVANE_SKIP_AVX2
namespace {

// As SkipWith, with 256-bit compares, 64 places a step. Everything that
// touches a 256-bit value is built for AVX2 and called only where the
// processor has it; the lambdas of SkipWith would not be.
template <size_t kCount>
struct WideStarts {
  __m256i first[kCount], second[kCount], any_second[kCount];
};

template <size_t kCount, bool kOneByteNames>
__attribute__((target("avx2"))) inline uint32_t WideHits(
    const WideStarts<kCount>& v, const unsigned char* at) {
  const __m256i small = _mm256_set1_epi8(0x20);
  __m256i here = _mm256_or_si256(
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)), small);
  __m256i next = _mm256_or_si256(
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 1)), small);
  __m256i hits = _mm256_setzero_si256();
  for (size_t i = 0; i < kCount; ++i) {
    __m256i second_hits = _mm256_cmpeq_epi8(next, v.second[i]);
    if constexpr (kOneByteNames) {
      second_hits = _mm256_or_si256(second_hits, v.any_second[i]);
    }
    hits = _mm256_or_si256(
        hits,
        _mm256_and_si256(_mm256_cmpeq_epi8(here, v.first[i]), second_hits));
  }
  return static_cast<uint32_t>(_mm256_movemask_epi8(hits));
}

template <size_t kCount, bool kOneByteNames, typename Starts, typename MayStart>
__attribute__((target("avx2"))) const unsigned char* SkipWithAvx2(
    const Starts& starts, const unsigned char* p, const unsigned char* end,
    const MayStart& may_start) {
  WideStarts<kCount> v;
  for (size_t i = 0; i < kCount; ++i) {
    const size_t s = std::min(i, starts.size() - 1);  // repeats: no harm
    v.first[i] = _mm256_set1_epi8(static_cast<char>(starts[s].first | 0x20));
    v.second[i] = _mm256_set1_epi8(static_cast<char>(starts[s].second | 0x20));
    v.any_second[i] = _mm256_set1_epi8(starts[s].any_second ? -1 : 0);
  }
  while (end - p >= 67) {
    uint64_t bits = WideHits<kCount, kOneByteNames>(v, p) |
                    uint64_t{WideHits<kCount, kOneByteNames>(v, p + 32)} << 32;
    for (; bits != 0; bits &= bits - 1) {
      const unsigned char* at = p + std::countr_zero(bits);
      if (may_start(at)) return at;
    }
    p += 64;
  }
  return p;
}

}  // namespace
#endif

namespace {

// Calls skip(count, one_byte_names) with the number of `starts` and whether
// one of them is a whole name of one byte as constants, so that each copy
// of a skip loop keeps every start in a register.
template <size_t kMost, typename Starts, typename Skip>
const unsigned char* WithFixedStarts(const Starts& starts, const Skip& skip) {
  auto with_count = [&](auto one_byte_names) {
    switch (starts.size()) {
      case 1:
        return skip(std::integral_constant<size_t, 1>(), one_byte_names);
      case 2:
        return skip(std::integral_constant<size_t, 2>(), one_byte_names);
      case 3:
        return skip(std::integral_constant<size_t, 3>(), one_byte_names);
      default:
        return skip(std::integral_constant<size_t, kMost>(), one_byte_names);
    }
  };
  bool one_byte_names =
      std::any_of(starts.begin(), starts.end(),
                  [](const auto& start) { return start.any_second; });
  return one_byte_names ? with_count(std::true_type())
                        : with_count(std::false_type());
}

}  // namespace

const unsigned char* NameSearch::SkipFewStarts(const unsigned char* p,
                                               const unsigned char* end) const {
  if (avx2_) {
    p = SkipFewStartsAvx2(p, end);
    if (end - p >= 67) return p;  // a place found; else the last places
  }
#ifdef QUORVANE_SKIP_SSE2
  const StartVectors<kFewStarts> vectors(few_starts_);
  auto may_start = [this, end](const unsigned char* at) {
    return MayStart(at, end);
  };
  return WithFixedStarts<kFewStarts>(few_starts_, [&](auto count,
                                                      auto one_byte_names) {
    return SkipWith<decltype(count)::value, decltype(one_byte_names)::value>(
        vectors, p, end, may_start);
  });
#else
  (void)end;
  return p;
#endif
}

const unsigned char* NameSearch::SkipFewStartsAvx2(
    const unsigned char* p, const unsigned char* end) const {
#ifdef QUORVANE_SKIP_AVX2
  auto may_start = [this, end](const unsigned char* at) {
    return MayStart(at, end);
  };
  return WithFixedStarts<kFewStarts>(
      few_starts_, [&](auto count, auto one_byte_names) {
        return SkipWithAvx2<decltype(count)::value,
                            decltype(one_byte_names)::value>(few_starts_, p,
                                                             end, may_start);
      });
#else
  (void)end;
  return p;
#endif
}

size_t NameSearch::FindEnd(std::string_view text, size_t from) const {
  return Walk(text, from,
              [&](uint32_t s, size_t) { return ends_[s] != kNone; });
}

}  // namespace quorvane
