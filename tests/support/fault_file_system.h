// A FileSystem in memory for the save protocol's tests. Every change to the
// disk (a name, each kJournalBlock of a write, a cut, a sync) is a step;
// asked to crash at step N, it throws Crash before it. PowerLoss then drops
// each unsynced change of names and, of the unsynced bytes, what its Loss
// says. `windows`: names durable at once, and a Replace with a backup is two
// steps (the old file to the backup, then the new one into place).
#ifndef QUORVANE_TESTS_SUPPORT_FAULT_FILE_SYSTEM_H_
#define QUORVANE_TESTS_SUPPORT_FAULT_FILE_SYSTEM_H_

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "store/file_system.h"
#include "store/journal.h"

namespace quorvane {

struct Crash {};

// What a power loss keeps of the unsynced bytes (written back block by
// block, in any order).
enum class Loss {
  kAllBytes,    // none written back
  kNoBytes,     // every one written back
  kMadeFiles,   // lost by the files the run made, kept by the others
  kEvenBlocks,  // of every file, only blocks 0, 2, 4... written back
  kOddBlocks,   // of every file, only blocks 1, 3, 5... written back
};

struct FakeDisk {
  struct Inode {
    std::string data, synced;
    bool made = false;  // by the run, not there before it
  };
  struct Dir {
    std::map<std::string, int> names, synced;
  };
  std::vector<Inode> inodes;
  Dir dirs[2];  // by Place

  Dir& In(Place place) { return dirs[static_cast<int>(place)]; }
  std::string* Find(Place place, const std::string& name) {
    auto& names = In(place).names;
    return names.count(name) ? &inodes[names[name]].data : nullptr;
  }
  void Put(Place place, const std::string& name, std::string bytes) {
    inodes.push_back({bytes, bytes});
    In(place).names[name] = In(place).synced[name] = inodes.size() - 1;
  }
  void PowerLoss(Loss loss) {
    for (Dir& dir : dirs) dir.names = dir.synced;
    for (Inode& inode : inodes) {
      inode.data = inode.synced = AfterLoss(inode, loss);
    }
  }

 private:
  static std::string AfterLoss(const Inode& inode, Loss loss) {
    if (loss == Loss::kAllBytes || (loss == Loss::kMadeFiles && inode.made)) {
      return inode.synced;
    }
    if (loss != Loss::kEvenBlocks && loss != Loss::kOddBlocks) {
      return inode.data;
    }
    // Each block both versions hold whole from one; the rest from one.
    const size_t whole =
        std::min(inode.data.size(), inode.synced.size()) / kJournalBlock;
    std::string bytes;
    for (size_t block = 0; block <= whole; ++block) {
      const std::string& from =
          block % 2 == (loss == Loss::kOddBlocks) ? inode.data : inode.synced;
      bytes += from.substr(std::min<size_t>(from.size(), block * kJournalBlock),
                           block < whole ? kJournalBlock : std::string::npos);
    }
    return bytes;
  }
};

class FaultFileSystem : public FileSystem {
 public:
  struct Options {
    bool windows = false;
    bool hosts_read_only = false;  // the hosts directory takes no change
    bool mount_point = false;      // the hosts file cannot be renamed over
    long crash_at = -1;
    // A DNS server's file, say, and its journal's name in the state place.
    const char* hosts_name = "hosts";
    const char* state_name = "hosts";
  };

  FaultFileSystem(FakeDisk* disk, Options options)
      : disk_(disk), options_(options) {}
  long steps() const { return steps_; }
  long writes() const { return writes_; }

  std::string HostsName() const override { return options_.hosts_name; }
  std::string StateName() const override { return options_.state_name; }
  bool Trusted(Place) override { return true; }

  FsResult Read(Place place, const std::string& name, Writer,
                std::string* bytes) override {
    std::string* data = disk_->Find(place, name);
    if (data != nullptr) *bytes = *data;
    return data ? FsResult::kOk : FsResult::kMissing;
  }

  FsResult Create(Place place, const std::string& name,
                  std::unique_ptr<WritableFile>* file) override {
    if (ReadOnly(place)) return FsResult::kRefused;
    if (disk_->Find(place, name)) return FsResult::kExists;
    Step();
    disk_->inodes.push_back({"", "", true});
    Name(place, name, disk_->inodes.size() - 1);
    *file = OpenForWrite(place, name);
    return FsResult::kOk;
  }

  std::unique_ptr<WritableFile> OpenForWrite(Place place,
                                             const std::string& name) override {
    auto& names = disk_->In(place).names;
    if (!names.count(name)) return nullptr;
    return std::make_unique<File>(this, names[name]);
  }

  FsResult CopyAttributes(const std::string&, WritableFile*) override {
    return FsResult::kOk;
  }

  FsResult Rename(Place place, const std::string& from,
                  const std::string& to) override {
    auto& names = disk_->In(place).names;
    if (ReadOnly(place)) return FsResult::kRefused;
    if (!names.count(from)) return FsResult::kFailed;
    Step();
    Name(place, to, names[from]);
    Unname(place, from);
    return FsResult::kOk;
  }

  FsResult Replace(const std::string& from, const std::string& to,
                   const std::string& backup) override {
    auto& names = disk_->In(Place::kHosts).names;
    if (options_.mount_point) return FsResult::kRefused;
    if (options_.windows && !ReadOnly(Place::kHosts) && names.count(from) &&
        names.count(to)) {
      Step();
      Name(Place::kHosts, backup, names[to]);
      Unname(Place::kHosts, to);
    }
    return Rename(Place::kHosts, from, to);
  }

  bool Remove(Place place, const std::string& name) override {
    if (!disk_->In(place).names.count(name)) return true;
    if (ReadOnly(place)) return false;
    Step();
    Unname(place, name);
    return true;
  }

  bool SyncPlace(Place place) override {
    Step();
    disk_->In(place).synced = disk_->In(place).names;
    return true;
  }

  std::vector<std::string> List(Place place, Owner) override {
    std::vector<std::string> names;
    for (const auto& [name, inode] : disk_->In(place).names) {
      names.push_back(name);
    }
    return names;
  }

  uint64_t Random() override { return ++random_; }
  void HoldStops() override {}
  void ReleaseStops() override {}

 private:
  class File : public WritableFile {
   public:
    File(FaultFileSystem* fs, int inode) : fs_(fs), inode_(inode) {}
    bool WriteAt(uint64_t offset, std::string_view bytes) override {
      ++fs_->writes_;
      while (!bytes.empty()) {
        uint64_t block_end = (offset / kJournalBlock + 1) * kJournalBlock;
        size_t part = std::min<uint64_t>(bytes.size(), block_end - offset);
        fs_->Step();
        std::string& data = fs_->disk_->inodes[inode_].data;
        if (data.size() < offset + part) data.resize(offset + part);
        data.replace(offset, part, bytes.substr(0, part));
        bytes.remove_prefix(part);
        offset += part;
      }
      return true;
    }
    bool Truncate(uint64_t size) override {
      fs_->Step();
      fs_->disk_->inodes[inode_].data.resize(size);
      return true;
    }
    bool Sync() override {
      fs_->Step();
      FakeDisk::Inode& inode = fs_->disk_->inodes[inode_];
      inode.synced = inode.data;
      return true;
    }

   private:
    FaultFileSystem* fs_;
    int inode_;
  };

  bool ReadOnly(Place place) const {
    return options_.hosts_read_only && place == Place::kHosts;
  }
  void Step() {
    if (steps_++ == options_.crash_at) throw Crash();
  }
  void Name(Place place, const std::string& name, int inode) {
    FakeDisk::Dir& dir = disk_->In(place);
    dir.names[name] = inode;
    if (options_.windows) dir.synced[name] = inode;
  }
  void Unname(Place place, const std::string& name) {
    FakeDisk::Dir& dir = disk_->In(place);
    dir.names.erase(name);
    if (options_.windows) dir.synced.erase(name);
  }

  FakeDisk* disk_;
  Options options_;
  long steps_ = 0, writes_ = 0;
  uint64_t random_ = 0;
};

}  // namespace quorvane

#endif  // QUORVANE_TESTS_SUPPORT_FAULT_FILE_SYSTEM_H_
