// A small file of the program's own output (the metrics file) replaced
// whole: readers see the old content or the new, never a part, and no link
// planted at the path or at a temporary name is ever followed. Each
// platform has small_file_*.cpp.
#ifndef QUORVANE_STORE_SMALL_FILE_H_
#define QUORVANE_STORE_SMALL_FILE_H_

#include <string>
#include <string_view>

namespace quorvane {

// Writes `bytes` to a new file beside `path` (mode 0644 where modes exist),
// syncs it and renames it over `path`. 0, or the system's error number,
// with `path` as it was.
int ReplaceSmallFile(const std::string& path, std::string_view bytes);

// The content of the file at `path`, up to 1 MiB; empty when it cannot be
// read.
std::string ReadSmallFile(const std::string& path);

}  // namespace quorvane

#endif  // QUORVANE_STORE_SMALL_FILE_H_
