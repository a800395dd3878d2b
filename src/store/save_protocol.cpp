#include "store/save_protocol.h"

#include <algorithm>
#include <memory>

#include "store/journal.h"

namespace quorvane {

namespace {

// A save's temporary file is the hosts file's name, hidden, then
// ".Quorvane-" and six characters of this alphabet.
constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr size_t kSuffix = 6;

std::string Prefix(const std::string& name) {
  return "." + name + ".Quorvane-";
}

std::string Backup(const FileSystem& fs) {
  return Prefix(fs.HostsName()) + "backup";
}

std::string JournalName(const FileSystem& fs, Place place) {
  return "." + (place == Place::kHosts ? fs.HostsName() : fs.StateName()) +
         ".Quorvane-journal";
}

bool IsTemporaryName(std::string_view entry, const std::string& prefix) {
  return entry.size() == prefix.size() + kSuffix &&
         entry.substr(0, prefix.size()) == prefix &&
         entry.find_first_not_of(kAlphabet, prefix.size()) ==
             std::string_view::npos;
}

class StopsHeld {
 public:
  explicit StopsHeld(FileSystem* fs) : fs_(fs) { fs_->HoldStops(); }
  ~StopsHeld() { fs_->ReleaseStops(); }

 private:
  FileSystem* fs_;
};

bool WritePieces(WritableFile* file,
                 const std::vector<std::string_view>& pieces) {
  uint64_t size = 0;
  for (std::string_view piece : pieces) size += piece.size();
  return file->WriteAll(0, pieces) && file->Truncate(size);
}

// Writes `pieces` as a new file `name` in `place`, synced with its name.
bool WriteDurably(FileSystem* fs, Place place, const std::string& name,
                  const std::vector<std::string_view>& pieces) {
  std::unique_ptr<WritableFile> file;
  if (fs->Create(place, name, &file) != FsResult::kOk) return false;
  bool ok = WritePieces(file.get(), pieces) && file->Sync();
  file.reset();
  if (ok && fs->SyncPlace(place)) return true;
  fs->Remove(place, name);
  return false;
}

// Overwrites the hosts file from its first changed byte on, under a journal.
bool SaveInPlace(FileSystem* fs, const std::vector<std::string_view>& pieces,
                 std::string_view old_bytes) {
  const std::string name = fs->HostsName();
  std::unique_ptr<WritableFile> file = fs->OpenForWrite(Place::kHosts, name);
  if (!file) return false;
  Journal journal = MakeJournal(old_bytes, pieces);
  // The old bytes may be a mapping of this very file: what the journal
  // keeps, and the unchanged stretches written after a change, are taken
  // from a copy made before the first byte is overwritten.
  const std::string old_copy(journal.old_bytes);
  journal.old_bytes = old_copy;
  std::vector<std::string_view> new_pieces = pieces;
  const char* const old_from = old_bytes.data() + journal.offset;
  const char* const old_end = old_bytes.data() + old_bytes.size();
  for (std::string_view& piece : new_pieces) {
    if (piece.data() >= old_from && piece.data() + piece.size() <= old_end &&
        !piece.empty()) {
      piece = std::string_view(old_copy).substr(piece.data() - old_from,
                                                piece.size());
    }
  }
  if (!fs->LoadsWhole()) return false;
  const std::string head = JournalHead(journal);
  const std::string hashes = JournalHashes(journal);
  const std::vector<std::string_view> record = {head, journal.old_bytes,
                                                hashes};
  Place place = Place::kHosts;
  if (!(fs->Trusted(Place::kHosts) &&
        WriteDurably(fs, Place::kHosts, JournalName(*fs, Place::kHosts),
                     record))) {
    place = Place::kState;
    if (!WriteDurably(fs, Place::kState, JournalName(*fs, Place::kState),
                      record)) {
      return false;
    }
  }
  // Written in runs that end at a block's edge: a crash leaves whole
  // blocks old or new, never a piece's end inside a block.
  bool ok = true;
  ForEachRun(new_pieces, journal.offset,
             [&](uint64_t at, std::string_view run) {
               ok = ok && file->WriteAt(at, run);
             });
  ok = ok && file->Truncate(journal.new_size) && file->Sync();
  if (!ok && !(file->WriteAt(journal.offset, journal.old_bytes) &&
               file->Truncate(journal.old_size) && file->Sync())) {
    return false;  // the journal stays: the next run puts the old bytes back
  }
  file.reset();
  // With the new bytes synced the save is done; a journal left behind
  // judges the file new and is dropped by the next run.
  if (fs->Remove(place, JournalName(*fs, place))) fs->SyncPlace(place);
  return ok;
}

}  // namespace

bool SaveFile(FileSystem* fs, const std::vector<std::string_view>& pieces,
              std::string_view old_bytes) {
  const std::string name = fs->HostsName();
  StopsHeld held(fs);
  std::string temp;
  std::unique_ptr<WritableFile> file;
  FsResult made = FsResult::kExists;
  for (int attempt = 0; made == FsResult::kExists && attempt < 100; ++attempt) {
    temp = Prefix(name);
    uint64_t random = fs->Random();
    for (size_t i = 0; i < kSuffix; ++i, random /= kAlphabet.size()) {
      temp += kAlphabet[random % kAlphabet.size()];
    }
    made = fs->Create(Place::kHosts, temp, &file);
  }
  if (made == FsResult::kRefused) return SaveInPlace(fs, pieces, old_bytes);
  if (made != FsResult::kOk) return false;
  bool ok = WritePieces(file.get(), pieces);
  FsResult attributes =
      ok ? fs->CopyAttributes(name, file.get()) : FsResult::kFailed;
  ok = attributes == FsResult::kOk && file->Sync();
  file.reset();
  // A file cut short under its mapping gave zeros for the bytes it lost.
  ok = ok && fs->LoadsWhole();
  FsResult replaced =
      ok ? fs->Replace(temp, name, Backup(*fs)) : FsResult::kFailed;
  if (replaced == FsResult::kOk) {
    // The new file is in place: a lost directory sync or backup cannot
    // make the save a failure.
    fs->SyncPlace(Place::kHosts);
    fs->Remove(Place::kHosts, Backup(*fs));
    return true;
  }
  fs->Remove(Place::kHosts, temp);
  if (attributes == FsResult::kRefused || replaced == FsResult::kRefused) {
    return SaveInPlace(fs, pieces, old_bytes);
  }
  return false;
}

bool RepairFile(FileSystem* fs, std::vector<std::string>* kept) {
  const std::string name = fs->HostsName();
  StopsHeld held(fs);
  std::vector<std::string> names = fs->List(Place::kHosts, Owner::kAnyone);
  bool have_hosts = std::find(names.begin(), names.end(), name) != names.end();
  if (std::find(names.begin(), names.end(), Backup(*fs)) != names.end()) {
    if (!have_hosts) {
      // A Replace stopped between its steps: the old file goes back.
      if (fs->Rename(Place::kHosts, Backup(*fs), name) != FsResult::kOk ||
          !fs->SyncPlace(Place::kHosts)) {
        return false;
      }
      have_hosts = true;
    } else {
      fs->Remove(Place::kHosts, Backup(*fs));
    }
  }
  std::string content;
  bool content_read = false;
  for (Place place : {Place::kHosts, Place::kState}) {
    if (!fs->Trusted(place)) continue;
    const std::string journal_name = JournalName(*fs, place);
    std::string bytes;
    FsResult found = fs->Read(place, journal_name, Writer::kRootOnly, &bytes);
    if (found == FsResult::kMissing) continue;
    if (found != FsResult::kOk && found != FsResult::kUntrusted) return false;
    // A journal an ordinary account could have made (planted before the
    // place was closed to it) is judged like one of an edited file: never
    // applied, and set aside, so that it blocks no run either.
    const bool ours = found == FsResult::kOk;
    Journal journal;
    if (ours && !ParseJournal(bytes, &journal)) {
      // Never complete, so the file was never written under it.
      if (fs->Remove(place, journal_name)) fs->SyncPlace(place);
      continue;
    }
    if (ours && have_hosts && !content_read) {
      if (fs->Read(Place::kHosts, name, Writer::kAnyone, &content) !=
          FsResult::kOk) {
        return false;
      }
      content_read = true;
    }
    FileState state =
        ours && have_hosts ? JudgeFile(journal, content) : FileState::kChanged;
    if (state == FileState::kTorn) {
      std::unique_ptr<WritableFile> file =
          fs->OpenForWrite(Place::kHosts, name);
      if (!file || !file->WriteAt(journal.offset, journal.old_bytes) ||
          !file->Truncate(journal.old_size) || !file->Sync()) {
        return false;
      }
      content.resize(journal.offset);
      content.append(journal.old_bytes);
    }
    if (state == FileState::kChanged) {
      // Not the file this journal's save left: it is not ours to touch, and
      // the journal must never be applied to it later.
      const std::string aside = journal_name + "-kept";
      bool moved = fs->Rename(place, journal_name, aside) == FsResult::kOk;
      if (moved) fs->SyncPlace(place);
      kept->push_back(moved ? aside : journal_name);
    } else if (fs->Remove(place, journal_name)) {
      fs->SyncPlace(place);
    }
  }
  return true;
}

bool RepairWaits(FileSystem* fs) {
  for (Place place : {Place::kHosts, Place::kState}) {
    std::vector<std::string> names = fs->List(place, Owner::kAnyone);
    auto has = [&names](const std::string& name) {
      return std::find(names.begin(), names.end(), name) != names.end();
    };
    if (has(JournalName(*fs, place))) return true;
    if (place == Place::kHosts && has(Backup(*fs)) && !has(fs->HostsName())) {
      return true;
    }
  }
  return false;
}

void RemoveStrays(FileSystem* fs) {
  const std::string name = fs->HostsName(), prefix = Prefix(name);
  std::vector<std::string> names = fs->List(Place::kHosts, Owner::kAnyone);
  if (std::find(names.begin(), names.end(), name) == names.end() ||
      std::none_of(names.begin(), names.end(),
                   [&prefix](const std::string& entry) {
                     return IsTemporaryName(entry, prefix);
                   })) {
    return;
  }
  for (const std::string& entry : fs->List(Place::kHosts, Owner::kRoot)) {
    if (IsTemporaryName(entry, prefix)) fs->Remove(Place::kHosts, entry);
  }
}

}  // namespace quorvane
