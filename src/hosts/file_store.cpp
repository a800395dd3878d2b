#include "hosts/file_store.h"

#include <memory>

#include "front/report/console.h"
#include "front/report/messages.h"
#include "hosts/file_system.h"
#include "hosts/save_protocol.h"

namespace quorvane {

bool ReadFileBytes(const std::string& path, std::string* bytes) {
  std::unique_ptr<FileSystem> fs = OpenFileSystem(path);
  return fs && fs->Read(Place::kHosts, fs->HostsName(), false, bytes) ==
                   FsResult::kOk;
}

bool ReplaceFileBytes(const std::string& path,
                      const std::vector<std::string_view>& pieces,
                      std::string_view old_bytes) {
  std::unique_ptr<FileSystem> fs = OpenFileSystem(path);
  return fs && SaveFile(fs.get(), pieces, old_bytes);
}

bool RecoverInterruptedSave(const std::string& path) {
  std::unique_ptr<FileSystem> fs = OpenFileSystem(path);
  // A path that is refused is refused by the read that follows.
  if (!fs) return true;
  std::vector<std::string> kept;
  bool ok = RepairFile(fs.get(), &kept);
  for (const std::string& journal : kept) {
    WriteErr(Format(kJournalKeptAside, {journal}));
  }
  return ok;
}

void RemoveStrayTemporaryFiles(const std::string& path) {
  std::unique_ptr<FileSystem> fs = OpenFileSystem(path);
  if (fs) RemoveStrays(fs.get());
}

}  // namespace quorvane
