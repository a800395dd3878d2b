// NameSearch: finds where any of a fixed set of host names occurs in a text,
// all names at once, in one pass over the text (an Aho-Corasick automaton).
// The update uses it so that its cost does not grow with the number of
// pairs: a hosts file of hundreds of thousands of lines is read once, not
// once per name.
//
// Names are byte strings compared as resolvers compare host names: ASCII
// letters in either case, every other byte exactly. They must be distinct in
// that sense ("nas" and "NAS" are one name) and not empty. Memory is 128 KiB
// plus a few dozen bytes per byte of the names, and for the table of moves
// 4 bytes per prefix of a name and distinct byte of the names, up to 4 MiB
// (beyond that the moves are looked up in lists), whatever the text.
#ifndef QUORVANE_HOSTS_NAME_SEARCH_H_
#define QUORVANE_HOSTS_NAME_SEARCH_H_

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvane {

class NameSearch {
 public:
  // How the search passes over places where no name starts. kWideWhereFew:
  // 64 places at a time where the processor has AVX2, 32 where it has
  // SSE2, when the names start in at most a few ways; kSse2WhereFew: never
  // more than 32; else as kPairTable: eight at a time through the table of
  // byte pairs, as on every processor. All find the same places.
  enum class Skip { kWideWhereFew, kSse2WhereFew, kPairTable };

  explicit NameSearch(const std::vector<std::string_view>& names,
                      Skip skip = Skip::kWideWhereFew);

  // Where the first occurrence of a name in `text` at or after `from` ends
  // (the offset just past its last byte), taking the occurrence that ends
  // first; npos when no name occurs there.
  size_t FindEnd(std::string_view text, size_t from) const;

  // Calls found(i) for every occurrence in `text` of names[i], in the order
  // the occurrences end (several names ending at one place: longest first).
  template <typename Found>
  void ForEach(std::string_view text, Found found) const;

 private:
  // Runs the automaton over text[from, end), calling reached(state, offset
  // just past the byte) after every step; stops early when it returns true.
  // Returns that offset, or npos when it ran to the end.
  template <typename Reached>
  size_t Walk(std::string_view text, size_t from, Reached reached) const;

  static constexpr uint32_t kNone = UINT32_MAX;

  // The trie of the names while it grows: per state, its (byte, state)
  // edges, unsorted.
  using Children = std::vector<std::vector<std::pair<unsigned char, uint32_t>>>;

  // The steps of the constructor, in order.
  Children BuildTrie(const std::vector<std::string_view>& names);
  void KeepEdges(Children* children);
  void MarkStarts(const std::vector<std::string_view>& names, Skip skip);
  void AddFewStart(std::string_view name);
  void LinkFallbacks(const Children& children);
  void FillMoves(const Children& children);

  // The state after reading byte `c` in state `s`: from the table of moves
  // where there is one, else through the edges and fallbacks.
  uint32_t Step(uint32_t s, unsigned char c) const {
    if (!moves_.empty()) return moves_[s * classes_ + class_of_[c]];
    return StepByEdges(s, c);
  }
  // Edges are kept for small letters only; a capital steps as its small
  // letter.
  uint32_t StepByEdges(uint32_t s, unsigned char c) const;
  // Whether a name may start at `p`, judged on its first bytes (up to four)
  // by the filter of prefixes: false only where none does.
  bool MayStart(const unsigned char* p, const unsigned char* end) const;
  static size_t PrefixKey(const unsigned char* p, uint32_t mask);
  // The first position from `p` on where a name could start, or `end`. In
  // state 0, a byte pair that starts no name leaves the automaton in state 0
  // after its first byte, so such places can be skipped without a step.
  const unsigned char* SkipFromStart(const unsigned char* p,
                                     const unsigned char* end) const;
  // The same, 32 places at a time, where the processor can and the
  // names start in few ways; it may stop early, up to 35 bytes before `end`.
  const unsigned char* SkipFewStarts(const unsigned char* p,
                                     const unsigned char* end) const;
  // Its AVX2 part: 64 places at a time, up to 67 bytes before `end`.
  const unsigned char* SkipFewStartsAvx2(const unsigned char* p,
                                         const unsigned char* end) const;
  static size_t PairKey(unsigned char first, unsigned char second);

  // State 0 is the empty prefix; every other state is a prefix of a name.
  std::array<uint32_t, 256> from_start_;  // state 0's moves, 0 when none
  // By PairKey: 1 where a name starts with the two bytes (or with the first
  // one, for a name of one byte).
  std::vector<unsigned char> pair_starts_;
  // The distinct ways the names start, when there are at most kFewStarts.
  struct Start {
    unsigned char first;  // small letters for letters
    unsigned char second;
    bool any_second;  // a name of one byte
  };
  static constexpr size_t kFewStarts = 4;
  std::vector<Start> few_starts_;
  bool avx2_ = false;  // SkipFewStarts may use SkipFewStartsAvx2
  // By PrefixKey of a place's first bytes (prefix_bytes_ of them, with 0x20
  // set): 1 where a name's start may hash. Empty when a name is shorter
  // than three bytes, where the pair of bytes already says all.
  std::vector<unsigned char> prefix_starts_;
  uint32_t prefix_bytes_ = 0, prefix_mask_ = 0;
  // The table of moves: per state, the next state for each class of bytes;
  // a class per distinct byte of the names (both cases of a letter one),
  // class 0 for every other byte. Empty when it would be too large.
  std::array<unsigned char, 256> class_of_{};
  uint32_t classes_ = 1;
  std::vector<uint32_t> moves_;
  std::vector<uint32_t> edges_begin_;     // a state's children: edge range
  std::vector<unsigned char> edge_byte_;  // sorted by byte within a state
  std::vector<uint32_t> edge_to_;
  std::vector<uint32_t> fallback_;  // longest proper suffix that is a state
  std::vector<uint32_t> name_;      // the name this state spells, or kNone
  // The state itself when it spells a name, else the nearest fallback that
  // does, or kNone: the chain of names ending wherever this state is reached.
  std::vector<uint32_t> ends_;
};

template <typename Reached>
size_t NameSearch::Walk(std::string_view text, size_t from,
                        Reached reached) const {
  auto begin = reinterpret_cast<const unsigned char*>(text.data());
  auto p = begin + (from < text.size() ? from : text.size());
  auto end = begin + text.size();
  uint32_t s = 0;
  while (p < end) {
    if (s == 0) {
      p = SkipFromStart(p, end);
      if (p == end) break;
    }
    s = Step(s, *p++);
    if (reached(s, static_cast<size_t>(p - begin))) return p - begin;
  }
  return std::string_view::npos;
}

template <typename Found>
void NameSearch::ForEach(std::string_view text, Found found) const {
  Walk(text, 0, [&](uint32_t s, size_t) {
    for (uint32_t e = ends_[s]; e != kNone; e = ends_[fallback_[e]]) {
      found(name_[e]);
    }
    return false;
  });
}

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_NAME_SEARCH_H_
