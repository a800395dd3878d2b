#include "hosts/hosts_file.h"

#include <cstring>

namespace quorvane {

namespace {
constexpr size_t kPeek = 4096;  // what LineStart and LineEnd read at a time
}  // namespace

std::string_view HostsFile::Peek(size_t from, size_t size, char* buffer) const {
  if (from >= window_start_ && from + size <= window_start_ + window_.size()) {
    return std::string_view(window_).substr(from - window_start_, size);
  }
  return std::string_view(buffer, loaded_->ReadAt(from, buffer, size));
}

size_t HostsFile::LineStart(size_t offset) const {
  if (!loaded_->ReadsBetter()) {
    return offset == 0 ? 0
                       : std::string_view(bytes_).rfind('\n', offset - 1) + 1;
  }
  // A line read before starts there: no need to read back to its break.
  if (lines_.count(offset) != 0) return offset;
  char buffer[kPeek];
  const size_t window_end = window_start_ + window_.size();
  for (size_t end = offset; end > 0;) {
    size_t from = end > kPeek ? end - kPeek : 0;
    // Within the window as far as it goes: no read.
    if (end > window_start_ && end <= window_end && from < window_start_) {
      from = window_start_;
    }
    std::string_view bytes = Peek(from, end - from, buffer);
    size_t lf = bytes.rfind('\n');
    if (lf != std::string_view::npos) return from + lf + 1;
    if (bytes.size() < end - from) return end;  // cut short
    end = from;
  }
  return 0;
}

size_t HostsFile::LineEnd(size_t offset) const {
  if (!loaded_->ReadsBetter()) {
    const void* lf =
        memchr(bytes_.data() + offset, '\n', bytes_.size() - offset);
    return lf ? static_cast<const char*>(lf) - bytes_.data() + 1
              : bytes_.size();
  }
  if (auto copied = lines_.find(offset); copied != lines_.end()) {
    return offset + copied->second.size();  // a line read before
  }
  char buffer[kPeek];
  const size_t window_end = window_start_ + window_.size();
  for (size_t from = offset; from < bytes_.size();) {
    size_t size = std::min(kPeek, bytes_.size() - from);
    if (from >= window_start_ && from < window_end) {
      size = std::min(size, window_end - from);
    }
    std::string_view bytes = Peek(from, size, buffer);
    size_t lf = bytes.find('\n');
    if (lf != std::string_view::npos) return from + lf + 1;
    if (bytes.empty()) return from;  // cut short
    from += bytes.size();
  }
  return bytes_.size();
}

size_t HostsFile::Search(size_t from, size_t longest,
                         const Finder& find) const {
  if (!loaded_->ReadsBetter()) {
    size_t found = find(bytes_, from);
    return found;
  }
  constexpr size_t kWindow = 256 << 10;
  const size_t size = bytes_.size();
  while (from < size) {
    // Every match that starts before the window's last `longest` bytes
    // lies in it whole; one that starts after is met in the next window.
    const size_t end = window_start_ + window_.size();
    const size_t trusted = end == size ? end : end - window_longest_;
    if (window_.empty() || from < window_start_ || from >= trusted ||
        longest > window_longest_) {
      const size_t want = std::min(kWindow + longest, size - from);
      window_.resize(want);
      window_.resize(loaded_->ReadAt(from, window_.data(), want));
      window_start_ = from;
      window_longest_ = longest;
      if (window_.size() < want) {  // cut short: what there is
        size_t found = find(window_, 0);
        return found == std::string_view::npos ? found : from + found;
      }
      continue;
    }
    size_t found = find(window_, from - window_start_);
    if (found != std::string_view::npos) return window_start_ + found;
    from = trusted;
  }
  return std::string_view::npos;
}

void HostsFile::ForEachLineWith(
    std::string_view pattern,
    const std::function<void(std::string_view)>& line) const {
  auto find = [pattern](std::string_view text, size_t from) {
    return text.find(pattern, from);
  };
  for (size_t at = Search(0, pattern.size(), find);
       at != std::string_view::npos;) {
    std::string_view loaded = LoadedLine(at);
    line(loaded);
    at = Search(LineStart(at) + loaded.size(), pattern.size(), find);
  }
}

std::string_view HostsFile::LoadedLine(size_t offset) const {
  size_t start = LineStart(offset);
  if (!loaded_->ReadsBetter()) {
    return std::string_view(bytes_).substr(start, LineEnd(offset) - start);
  }
  // A copy, read once: the file's own pages stay untouched.
  auto it = lines_.find(start);
  if (it == lines_.end()) {
    const size_t size = LineEnd(start) - start;
    it = lines_.try_emplace(start, size, '\0').first;
    char buffer[kPeek];
    for (size_t done = 0; done < it->second.size();) {
      std::string_view bytes =
          Peek(start + done, std::min(kPeek, it->second.size() - done), buffer);
      if (bytes.empty()) break;  // cut short: the run fails on it
      it->second.replace(done, bytes.size(), bytes);
      done += bytes.size();
    }
  }
  return it->second;
}

void HostsFile::ReplaceLoaded(size_t start, std::string lines) {
  replaced_[start] = std::move(lines);
}

std::string_view HostsFile::EntryAt(size_t start) const {
  auto changed = replaced_.find(start);
  if (changed != replaced_.end()) return changed->second;
  return LoadedLine(start);
}

std::string_view HostsFile::LineBreak() const {
  // An entry an update replaced may hold several lines: the first counts.
  auto ending = [](std::string_view entry) -> std::string_view {
    size_t lf = entry.find('\n');
    if (lf == std::string_view::npos) return "";
    return lf > 0 && entry[lf - 1] == '\r' ? "\r\n" : "\n";
  };
  // Every loaded line but the last ends in a line break, so this loop
  // rarely goes past the first line.
  for (size_t start = 0; start < bytes_.size(); start = LineEnd(start)) {
    std::string_view found = ending(EntryAt(start));
    if (!found.empty()) return found;
  }
  for (const std::string& entry : appended_) {
    std::string_view found = ending(entry);
    if (!found.empty()) return found;
  }
  return new_file_break_;
}

std::string_view HostsFile::FileLineBreak() const {
  size_t lf = bytes_.find('\n');
  if (lf == std::string::npos) return new_file_break_;
  return lf > 0 && bytes_[lf - 1] == '\r' ? "\r\n" : "\n";
}

void HostsFile::Append(std::string line) {
  std::string* last_appended = appended_.empty() ? nullptr : &appended_.back();
  size_t last_start = bytes_.empty() ? 0 : LineStart(bytes_.size() - 1);
  std::string_view last = last_appended    ? std::string_view(*last_appended)
                          : bytes_.empty() ? std::string_view()
                                           : EntryAt(last_start);
  if (!last.empty() && last.back() != '\n') {
    // A last line ending in a bare CR needs only the LF to be whole.
    std::string ended(last);
    ended += last.back() == '\r' ? std::string_view("\n") : LineBreak();
    if (last_appended) {
      *last_appended = std::move(ended);
    } else {
      ReplaceLoaded(last_start, std::move(ended));
    }
  }
  appended_.push_back(std::move(line));
}

std::vector<std::string_view> HostsFile::Pieces() const {
  std::vector<std::string_view> pieces;
  std::string_view bytes(bytes_);
  size_t done = 0;
  for (const auto& [start, line] : replaced_) {
    if (start > done) pieces.push_back(bytes.substr(done, start - done));
    if (!line.empty()) pieces.push_back(line);
    done = LineEnd(start);
  }
  if (done < bytes.size()) pieces.push_back(bytes.substr(done));
  for (const std::string& line : appended_) pieces.push_back(line);
  return pieces;
}

}  // namespace quorvane
