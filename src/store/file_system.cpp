// What every FileSystem shares: bytes held in memory, and a Load that
// copies, for systems (and fakes) that map nothing.
#include "store/file_system.h"

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

FsResult FileSystem::Load(Place place, const std::string& name,
                          std::unique_ptr<FileBytes>* bytes) {
  std::string read;
  FsResult result = Read(place, name, Writer::kAnyone, &read);
  if (result == FsResult::kOk) *bytes = HeldBytes(std::move(read));
  return result;
}

}  // namespace quorvane
