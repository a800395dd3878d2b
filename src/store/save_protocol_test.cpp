// The save walked through every crash point of both systems' primitives
// over the fault-injecting fake, and the repair against an administrator's
// edits after a crash.
#include "store/save_protocol.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "store/journal.h"
#include "support/fault_file_system.h"

namespace quorvane {
namespace {

// A hosts file of `lines` lines of about 40 bytes: several journal blocks.
std::string Lines(int lines, const std::string& tag = "") {
  std::string bytes;
  for (int i = 0; i < lines; ++i) {
    bytes += "10.0.0." + std::to_string(i) + "\thost" + std::to_string(i) +
             tag + ".example\t# some words\r\n";
  }
  return bytes;
}

const std::string kManaged = "192.0.2.7\tnas\t##Quorvane##\r\n";

struct Change {
  const char* what;
  std::string old_bytes, new_bytes;
};

const Change kChanges[] = {
    {"grows", kManaged + Lines(40), "#" + kManaged + Lines(40)},
    {"shrinks", Lines(2) + kManaged + Lines(40, "x"),
     Lines(2) + "192.0.2.8\tnas\t##Quorvane##\r\n" + Lines(39, "x")},
    {"appends", Lines(40), Lines(40) + kManaged},
};

struct Way {
  const char* what;
  FaultFileSystem::Options options;
};

const Way kWays[] = {
    {"POSIX, by rename", {}},
    {"POSIX, in place, journal beside", {.mount_point = true}},
    {"POSIX, in place, state directory", {.hosts_read_only = true}},
    {"Windows, by replace", {.windows = true}},
    {"Windows, in place", {.windows = true, .mount_point = true}},
    {"Windows, in place, state", {.windows = true, .hosts_read_only = true}},
};

// Killed (nothing lost), or the power lost, in each way.
const std::optional<Loss> kCrashes[] = {
    std::nullopt,     Loss::kAllBytes,   Loss::kNoBytes,
    Loss::kMadeFiles, Loss::kEvenBlocks, Loss::kOddBlocks,
};

FakeDisk Start(const std::string& bytes) {
  FakeDisk disk;
  disk.Put(Place::kHosts, "hosts", bytes);
  return disk;
}

// Uneven pieces, as a HostsFile gives them.
std::vector<std::string_view> Pieces(std::string_view bytes) {
  return {bytes.substr(0, 7), bytes.substr(7)};
}

// Nothing of a save left beside the hosts file or in the state directory.
void ExpectOnlyHosts(FaultFileSystem& fs) {
  EXPECT_EQ(fs.List(Place::kHosts, Owner::kAnyone),
            std::vector<std::string>{"hosts"});
  EXPECT_TRUE(fs.List(Place::kState, Owner::kAnyone).empty());
}

// The next run's repair, itself crashed at each of its steps and run again,
// leaves exactly the old or the new bytes.
void ExpectRepaired(const FakeDisk& crashed, FaultFileSystem::Options options,
                    const Change& change, Loss loss) {
  for (long step = 0;; ++step) {
    SCOPED_TRACE("repair crashed at step " + std::to_string(step));
    FakeDisk disk = crashed;
    std::vector<std::string> kept;
    options.crash_at = step;
    bool finished = true;
    try {
      FaultFileSystem fs(&disk, options);
      EXPECT_TRUE(RepairFile(&fs, &kept));
    } catch (Crash) {
      finished = false;
      disk.PowerLoss(loss);
    }
    options.crash_at = -1;
    FaultFileSystem fs(&disk, options);
    // Strays go only beside the hosts file: without it, they (the backup
    // too) may hold the only copy. Which names are strays: end to end.
    RemoveStrays(&fs);
    EXPECT_TRUE(RepairFile(&fs, &kept));
    RemoveStrays(&fs);
    EXPECT_TRUE(kept.empty()) << "a torn file taken for a changed one";
    std::string* hosts = disk.Find(Place::kHosts, "hosts");
    ASSERT_NE(hosts, nullptr);
    EXPECT_TRUE(*hosts == change.old_bytes || *hosts == change.new_bytes);
    ExpectOnlyHosts(fs);
    if (finished) return;
  }
}

TEST(SaveProtocolTest, EveryCrashIsRepairedToTheOldOrTheNewBytes) {
  for (const Way& way : kWays) {
    for (const Change& change : kChanges) {
      SCOPED_TRACE(std::string(way.what) + ", " + change.what);
      FakeDisk done = Start(change.old_bytes);
      FaultFileSystem clean(&done, way.options);
      ASSERT_TRUE(SaveFile(&clean, Pieces(change.new_bytes), change.old_bytes));
      EXPECT_EQ(*done.Find(Place::kHosts, "hosts"), change.new_bytes);
      ExpectOnlyHosts(clean);
      for (long step = 0; step < clean.steps(); ++step) {
        for (std::optional<Loss> crash : kCrashes) {
          SCOPED_TRACE("crash " + std::to_string(crash ? int(*crash) + 1 : 0) +
                       " at step " + std::to_string(step));
          FakeDisk disk = Start(change.old_bytes);
          FaultFileSystem::Options options = way.options;
          options.crash_at = step;
          FaultFileSystem fs(&disk, options);
          EXPECT_THROW(
              SaveFile(&fs, Pieces(change.new_bytes), change.old_bytes), Crash);
          if (crash) disk.PowerLoss(*crash);
          // Block losses stop at the save: after one that kept a grown
          // file's last block, a repair cut short leaves no torn file.
          bool blocks = crash == Loss::kEvenBlocks || crash == Loss::kOddBlocks;
          ExpectRepaired(
              disk, way.options, change,
              blocks ? Loss::kAllBytes : crash.value_or(Loss::kAllBytes));
        }
      }
    }
  }
}

// A torn in-place save, then the administrator acts before the next run
// (the file put back or finished is a state of the crash walk).
TEST(SaveProtocolTest, RepairPutsBackOnlyWhatTheSaveTore) {
  const Change& change = kChanges[1];
  const size_t cut = 2 * kJournalBlock;  // two blocks written, no more
  const std::string torn =
      change.new_bytes.substr(0, cut) + change.old_bytes.substr(cut);
  const std::string edited = torn + "10.1.1.1\tmine\r\n";
  std::string late = torn;  // the first blocks as the save left them
  late[3 * kJournalBlock + 5] ^= 1;
  const std::string early = "#" + torn.substr(1);
  const struct {
    const char* what;
    std::string file;   // what the administrator left
    bool read_only;     // the journal's directory (the hosts one)
    std::string after;  // the hosts file after the repair
    bool kept;          // the journal reported as kept aside
  } cases[] = {
      {"nothing changed: put back", torn, false, change.old_bytes, false},
      {"a line added", edited, false, edited, true},
      {"a byte in a later block", late, false, late, true},
      {"a byte before the first change", early, false, early, true},
      {"read-only: put back", torn, true, change.old_bytes, false},
      {"read-only, a line added", edited, true, edited, true},
  };
  const Journal journal = MakeJournal(change.old_bytes, {change.new_bytes});
  const std::string record = JournalHead(journal) +
                             std::string(journal.old_bytes) +
                             JournalHashes(journal);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDisk disk = Start(c.file);
    disk.Put(Place::kHosts, ".hosts.Quorvane-journal", record);
    FaultFileSystem::Options options;
    options.hosts_read_only = c.read_only;
    std::vector<std::string> kept;
    FaultFileSystem first(&disk, options);
    EXPECT_TRUE(RepairFile(&first, &kept));
    EXPECT_EQ(*disk.Find(Place::kHosts, "hosts"), c.after);
    EXPECT_EQ(kept.size(), c.kept ? 1u : 0u);
    EXPECT_EQ(disk.Find(Place::kHosts, ".hosts.Quorvane-journal") != nullptr,
              c.read_only);
    EXPECT_EQ(
        disk.Find(Place::kHosts, ".hosts.Quorvane-journal-kept") != nullptr,
        c.kept && !c.read_only);
    // A journal left behind is never applied again, whatever the file holds.
    for (const std::string& later : {c.after, c.after + "# more\r\n"}) {
      *disk.Find(Place::kHosts, "hosts") = later;
      FaultFileSystem fs(&disk, options);
      kept.clear();
      EXPECT_TRUE(RepairFile(&fs, &kept));
      EXPECT_EQ(fs.writes(), 0);
      EXPECT_EQ(*disk.Find(Place::kHosts, "hosts"), later);
    }
  }
}

// One state directory serves every file: a journal there is applied only
// to the file whose state name it bears, never to another of the same name
// in another folder.
TEST(SaveProtocolTest, AStateJournalServesOnlyItsOwnFile) {
  const Change& change = kChanges[1];
  const std::string torn = change.new_bytes.substr(0, kJournalBlock) +
                           change.old_bytes.substr(kJournalBlock);
  const Journal journal = MakeJournal(change.old_bytes, {change.new_bytes});
  FakeDisk disk;
  disk.Put(Place::kHosts, "custom.list", torn);
  disk.Put(Place::kState, ".custom.list-a.Quorvane-journal",
           JournalHead(journal) + std::string(journal.old_bytes) +
               JournalHashes(journal));
  for (const char* state_name : {"custom.list-b", "custom.list-a"}) {
    SCOPED_TRACE(state_name);
    FaultFileSystem fs(&disk, {.hosts_read_only = true,
                               .hosts_name = "custom.list",
                               .state_name = state_name});
    std::vector<std::string> kept;
    EXPECT_TRUE(RepairFile(&fs, &kept));
    EXPECT_TRUE(kept.empty());
    const bool own = state_name == std::string("custom.list-a");
    EXPECT_EQ(*disk.Find(Place::kHosts, "custom.list"),
              own ? change.old_bytes : torn);
    EXPECT_EQ(fs.List(Place::kState, Owner::kAnyone).empty(), own);
  }
}

}  // namespace
}  // namespace quorvane
