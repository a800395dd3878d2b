#include "hosts/hosts_file.h"

#include <cstring>

#include "front/console.h"
#include "front/fatal_error.h"
#include "front/messages.h"
#include "hosts/file_store.h"
#include "hosts/hosts_path.h"

namespace quorvane {

void HostsFile::Load() {
  std::string path = HostsPath();
  WriteOut(Format(kReading, {path}));
  std::string bytes;
  if (!ReadFileBytes(path, &bytes))
    FatalError(kErrorHostsOpen, kCannotOpenHosts);
  SetBytes(std::move(bytes));
}

void HostsFile::Save() {
  std::string path = HostsPath();
  WriteOut(Format(kWriting, {path}));
  if (!ReplaceFileBytes(path, Pieces(), bytes_)) {
    FatalError(kErrorHostsWrite, kCannotWriteHosts);
  }
}

void HostsFile::SetBytes(std::string bytes) {
  bytes_ = std::move(bytes);
  starts_.clear();
  replaced_.clear();
  appended_.clear();
  const char* begin = bytes_.data();
  const char* end = begin + bytes_.size();
  for (const char* p = begin; p < end;) {
    starts_.push_back(p - begin);
    const void* lf = memchr(p, '\n', end - p);
    p = lf ? static_cast<const char*>(lf) + 1 : end;
  }
}

std::string_view HostsFile::Entry(size_t i) const {
  if (i >= starts_.size()) return appended_[i - starts_.size()];
  auto changed = replaced_.find(i);
  if (changed != replaced_.end()) return changed->second;
  return std::string_view(bytes_).substr(starts_[i], End(i) - starts_[i]);
}

void HostsFile::Replace(size_t i, std::string line) {
  if (i >= starts_.size()) {
    appended_[i - starts_.size()] = std::move(line);
  } else {
    replaced_[i] = std::move(line);
  }
}

std::string_view HostsFile::LineBreak() const {
  for (size_t i = 0; i < Count(); ++i) {
    std::string_view entry = Entry(i);
    if (!entry.empty() && entry.back() == '\n') {
      return entry.size() >= 2 && entry[entry.size() - 2] == '\r' ? "\r\n"
                                                                  : "\n";
    }
  }
  return "\r\n";
}

void HostsFile::Append(std::string line) {
  if (Count() > 0) {
    size_t last = Count() - 1;
    std::string_view entry = Entry(last);
    if (entry.back() != '\n') {
      // A last line ending in a bare CR needs only the LF to be whole.
      std::string ended(entry);
      ended += entry.back() == '\r' ? std::string_view("\n") : LineBreak();
      Replace(last, std::move(ended));
    }
  }
  appended_.push_back(std::move(line));
}

std::vector<std::string_view> HostsFile::Pieces() const {
  std::vector<std::string_view> pieces;
  std::string_view bytes(bytes_);
  size_t done = 0;
  for (const auto& [i, line] : replaced_) {
    if (starts_[i] > done)
      pieces.push_back(bytes.substr(done, starts_[i] - done));
    pieces.push_back(line);
    done = End(i);
  }
  if (done < bytes.size()) pieces.push_back(bytes.substr(done));
  for (const std::string& line : appended_) pieces.push_back(line);
  return pieces;
}

std::string HostsFile::Content() const {
  std::string content;
  for (std::string_view piece : Pieces()) content += piece;
  return content;
}

}  // namespace quorvane
