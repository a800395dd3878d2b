// HostsFile: the system's hosts file held in memory as an ordered list of
// entries. An entry is one whole physical line with its terminator ("\r\n",
// "\n", or nothing on a last line that lacks one), every byte kept: NUL
// bytes, bytes outside ASCII and lines of any length included. No entry is
// empty, and the entries put together are the file again.
//
// The bytes are held once, as read (a mapping of the file, or one buffer);
// a run's changes (loaded
// lines replaced in place, entries appended at the end) are kept beside
// them, so that a file of hundreds of thousands of lines costs little more
// than its own size. The scans of a run find the lines they change by
// searching that buffer and address them by place.
//
// A model of bytes only: reading the file and saving it are ChangeHostsFile's
// (change_hosts.h), over the safe-file machinery of src/store.
#ifndef QUORVANE_HOSTS_HOSTS_FILE_H_
#define QUORVANE_HOSTS_HOSTS_FILE_H_

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "store/file_system.h"

namespace quorvane {

class HostsFile {
 public:
  // The file whose content is `bytes`, unchanged. `new_file_break` is the
  // line break of lines written into a file that has none yet (empty, or
  // one line without its break): the platform's own.
  explicit HostsFile(std::string bytes,
                     std::string_view new_file_break = "\r\n")
      : HostsFile(HeldBytes(std::move(bytes)), new_file_break) {}
  // The file as a run loaded it.
  explicit HostsFile(std::unique_ptr<FileBytes> loaded,
                     std::string_view new_file_break = "\r\n")
      : loaded_(std::move(loaded)),
        bytes_(loaded_->View()),
        new_file_break_(new_file_break) {}

  // The line break of the lines the file holds: that of its first loaded
  // line that has one ("\r\n" or "\n"), else the new file's. Lines a run
  // writes end in it, so a file keeps the line ends it has.
  std::string_view FileLineBreak() const;

  // The bytes as loaded, before any change.
  std::string_view Original() const { return bytes_; }

  // Runs `find` over the loaded bytes from offset `from` of Original() on,
  // and gives what it found as an offset of Original(), or npos. `find`
  // takes a text and the offset to start at, and gives an offset in that
  // text or npos; what it finds (its start or its end) lies within a match
  // at most `longest` bytes long, found in the order of the text. The
  // bytes are read a window at a time where that is cheaper (ReadsBetter),
  // each window overlapping the next by `longest` bytes.
  using Finder = std::function<size_t(std::string_view text, size_t from)>;
  size_t Search(size_t from, size_t longest, const Finder& find) const;

  // Calls `line` with each loaded line that holds `pattern` (which holds no
  // line break), in file order, once each.
  void ForEachLineWith(std::string_view pattern,
                       const std::function<void(std::string_view)>& line) const;

  // The loaded line that holds byte `offset` of Original(), terminator
  // included, as loaded: a view into Original(), or, where Search reads the
  // bytes a window at a time, into a copy that lives as long as this
  // object. Where it starts:
  std::string_view LoadedLine(size_t offset) const;
  size_t LoadedLineStart(size_t offset) const { return LineStart(offset); }

  // Replaces the loaded line that starts at byte `start` of Original() by
  // `lines`: one line, several (managed lines put before a line that is
  // kept), each with its line break but for a last one that had none, or
  // none at all (what was left of a shared entry, which goes when a restore
  // puts the entry back). Append and the save take them as they are.
  void ReplaceLoaded(size_t start, std::string lines);

  // Adds a line at the end. When the last line lacks its line break, it first
  // gets the one this file's lines use, so the two lines stay apart.
  void Append(std::string line);

  // The content in order, as views into this object: concatenated, they are
  // the file as it is to be saved.
  std::vector<std::string_view> Pieces() const;

 private:
  size_t LineStart(size_t offset) const;
  size_t LineEnd(size_t offset) const;
  // `size` bytes of Original() from `from` on: from the search's window
  // when it holds them, else read into `buffer` (fewer: cut short).
  std::string_view Peek(size_t from, size_t size, char* buffer) const;
  // The loaded line starting at `start`, or what replaced it.
  std::string_view EntryAt(size_t start) const;
  std::string_view LineBreak() const;

  std::unique_ptr<FileBytes> loaded_;
  std::string_view bytes_;  // loaded_'s
  // Search's window: bytes of Original() from window_start_ on, read with
  // an overlap of window_longest_.
  mutable std::string window_;
  mutable size_t window_start_ = 0, window_longest_ = 0;
  // The loaded lines copied by LoadedLine, by start.
  mutable std::unordered_map<size_t, std::string> lines_;
  std::string_view new_file_break_;
  std::map<size_t, std::string> replaced_;  // changed loaded lines, by start
  std::vector<std::string> appended_;
};

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_HOSTS_FILE_H_
