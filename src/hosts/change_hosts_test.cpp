// The order of a whole run over the fault-injecting file system: an update,
// a second one that finds nothing to do, a check and a restore, one after
// another; and a check that reports a killed save's journal and leaves it
// to the next run, which repairs the file before it reads it.
#include "hosts/change_hosts.h"

#include <gtest/gtest.h>

#include <string>

#include "hosts/kept_line.h"
#include "hosts/restore_hosts.h"
#include "hosts/update_hosts.h"
#include "store/hosts_path.h"
#include "support/fault_file_system.h"

namespace quorvane {
namespace {

const std::string kLocal = "127.0.0.1\tlocalhost\n";
const std::string kEntry = "10.0.0.5 nas\n";
const std::string kNas = "192.0.2.7\tnas\t##Quorvane##\n";

LinesChanged ToNas(HostsFile* hosts) {
  return UpdateLines(hosts, {{"192.0.2.7", "nas"}});
}

LinesChanged Restore(HostsFile* hosts) { return RestoreLines(hosts); }

// A run on the system's hosts file, or on a DNS server's file at `path`.
RunOutcome RunOn(FileSystem* fs, const Scan& scan, Writing writing,
                 const std::string& path = HostsPath()) {
  return ChangeLockedHostsFile(fs, path, scan, kLinesAdded, writing);
}

TEST(RunTest, UpdateCheckAndRestoreInOrder) {
  FakeDisk disk;
  disk.Put(Place::kHosts, "hosts", kLocal + kEntry);
  FaultFileSystem fs(&disk, {});
  const std::string updated = kLocal + kNas + KeptLine(kEntry, {"nas"});

  RunOutcome outcome = RunOn(&fs, ToNas, Writing::kSave);
  EXPECT_FALSE(outcome.failure);
  EXPECT_EQ(outcome.changed, 2);
  EXPECT_EQ(*disk.Find(Place::kHosts, "hosts"), updated);

  // Nothing left to change: nothing written.
  const long writes = fs.writes();
  EXPECT_EQ(RunOn(&fs, ToNas, Writing::kSave).changed, 0);
  // A check of the restore counts what it would change, and writes nothing.
  EXPECT_EQ(RunOn(&fs, Restore, Writing::kCheck).changed, 2);
  EXPECT_EQ(fs.writes(), writes);
  EXPECT_EQ(*disk.Find(Place::kHosts, "hosts"), updated);

  EXPECT_EQ(RunOn(&fs, Restore, Writing::kSave).changed, 2);
  EXPECT_EQ(*disk.Find(Place::kHosts, "hosts"), kLocal + "#" + kNas + kEntry);
}

TEST(RunTest, ACheckLeavesAKilledSaveToTheNextRun) {
  std::string old_bytes = kLocal + kEntry;
  for (int i = 0; i < 400; ++i) old_bytes += "10.1.0.1\tother.example\n";
  const std::string new_bytes = kLocal + kNas + KeptLine(kEntry, {"nas"}) +
                                old_bytes.substr(kLocal.size() + kEntry.size());
  // An in-place save (a mount point) killed part way through its write.
  FakeDisk disk;
  disk.Put(Place::kHosts, "hosts", old_bytes);
  for (long step = 0;; ++step) {
    FakeDisk trial = disk;
    FaultFileSystem fs(&trial, {.mount_point = true, .crash_at = step});
    try {
      RunOn(&fs, ToNas, Writing::kSave);
      FAIL() << "no step tore the file";
    } catch (const Crash&) {
      const std::string now = *trial.Find(Place::kHosts, "hosts");
      if (now == old_bytes || now == new_bytes) continue;
      disk = trial;
      break;
    }
  }
  const std::string left = *disk.Find(Place::kHosts, "hosts");
  FaultFileSystem fs(&disk, {.mount_point = true});
  // A check cannot judge a torn file: it says so, and leaves it.
  std::optional<Failure> failure = RunOn(&fs, ToNas, Writing::kCheck).failure;
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->code, kErrorHostsOpen);
  EXPECT_EQ(*disk.Find(Place::kHosts, "hosts"), left);
  // The next run puts the old bytes back before it reads, then updates.
  EXPECT_EQ(RunOn(&fs, ToNas, Writing::kSave).changed, 2);
  EXPECT_EQ(*disk.Find(Place::kHosts, "hosts"), new_bytes);
}

// The system's file must be there; a DNS server's file is made by the
// first run that changes a line, and a check or a restore makes nothing.
TEST(RunTest, AMissingFile) {
  FakeDisk disk;
  FaultFileSystem fs(&disk, {});
  RunOutcome outcome = RunOn(&fs, ToNas, Writing::kSave);
  ASSERT_TRUE(outcome.failure);
  EXPECT_EQ(outcome.failure->code, kErrorHostsOpen);
  EXPECT_FALSE(disk.Find(Place::kHosts, "hosts"));
  EXPECT_TRUE(RunOn(nullptr, ToNas, Writing::kCheck).failure);

  const std::string dns = "/srv/dns/hosts";
  EXPECT_FALSE(RunOn(&fs, Restore, Writing::kSave, dns).failure);
  EXPECT_EQ(RunOn(&fs, ToNas, Writing::kCheck, dns).changed, 1);
  EXPECT_FALSE(disk.Find(Place::kHosts, "hosts"));
  outcome = RunOn(&fs, ToNas, Writing::kSave, dns);
  EXPECT_FALSE(outcome.failure);
  EXPECT_TRUE(outcome.saved);
  EXPECT_EQ(*disk.Find(Place::kHosts, "hosts"),
            "192.0.2.7\tnas\t##Quorvane##" + std::string(NewFileLineBreak()));
}

}  // namespace
}  // namespace quorvane
