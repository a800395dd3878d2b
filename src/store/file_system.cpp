// What every FileSystem shares: bytes held in memory, and a Load that
// copies and a WriteAll that writes piece by piece, for systems (and fakes)
// that do no better.
#include "store/file_system.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quorvane {

namespace {

class Held : public FileBytes {
 public:
  explicit Held(std::string bytes) : bytes_(std::move(bytes)) {}
  std::string_view View() const override { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace

std::unique_ptr<FileBytes> HeldBytes(std::string bytes) {
  return std::make_unique<Held>(std::move(bytes));
}

size_t FileBytes::ReadAt(uint64_t offset, char* buffer, size_t size) const {
  std::string_view view = View();
  if (offset >= view.size()) return 0;
  size = std::min<size_t>(size, view.size() - offset);
  std::memcpy(buffer, view.data() + offset, size);
  return size;
}

bool WritableFile::WriteAll(uint64_t offset,
                            const std::vector<std::string_view>& pieces) {
  for (std::string_view piece : pieces) {
    if (!WriteAt(offset, piece)) return false;
    offset += piece.size();
  }
  return true;
}

FsResult FileSystem::Load(Place place, const std::string& name,
                          std::unique_ptr<FileBytes>* bytes) {
  std::string read;
  FsResult result = Read(place, name, Writer::kAnyone, &read);
  if (result == FsResult::kOk) *bytes = HeldBytes(std::move(read));
  return result;
}

}  // namespace quorvane
