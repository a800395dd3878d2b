// The file primitives the save protocol (save_protocol.h) is written over:
// what a system must offer to read the hosts file, replace it durably, and
// keep a journal. Each platform has file_system_*.cpp, which holds these
// steps and no protocol; a test can put a fake in their place that records
// what is durable and stops the protocol at any step.
//
// A FileSystem serves one hosts file. Its files lie in two places: the
// hosts file's own directory, and the program's state directory, where a
// journal goes when the hosts file's directory cannot take one. Names are
// names within a place. Every call reports failure by its result only; the
// protocol decides what a failure means.
#ifndef QUORVANE_STORE_FILE_SYSTEM_H_
#define QUORVANE_STORE_FILE_SYSTEM_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

enum class Place { kHosts, kState };

// Who may have written a file that is read.
enum class Writer {
  kAnyone,
  kRootWrites,  // a file root owns and only root may change, others may
                // read it; on Windows, as SYSTEM, a file and folder that
                // only the administrators may change
  kRootOnly,    // a file only root (the administrators) could have written
};

// Whose files a listing names.
enum class Owner { kAnyone, kRoot };

enum class FsResult {
  kOk,
  kMissing,    // no such file
  kExists,     // the name is taken
  kRefused,    // this place or file does not allow it: read-only, a mount
               // point, attributes that cannot be given; the save can still
               // go in place
  kUntrusted,  // a private file that someone other than root (the
               // administrators) could have made or changed
  kFailed,     // anything else
};

// A file's bytes as a run reads them: a mapping of the file where the
// system offers one, else a copy in memory. Valid while the object lives.
class FileBytes {
 public:
  virtual ~FileBytes() = default;
  virtual std::string_view View() const = 0;
  // Whether a search over all of View() is better made through ReadAt, a
  // window at a time: a mapped file, where the first touch of each page
  // costs more than a read of the same bytes into a buffer kept warm.
  virtual bool ReadsBetter() const { return false; }
  // Copies up to `size` bytes of View() from `offset` into `buffer`; how
  // many. Fewer than asked (within View()) only for a file cut short.
  virtual size_t ReadAt(uint64_t offset, char* buffer, size_t size) const;
};

// Bytes held in memory, for files read whole and for tests.
std::unique_ptr<FileBytes> HeldBytes(std::string bytes);

// A file opened for writing. Closed when it goes.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Writes all of `bytes` at `offset`. A crash may leave any blocks of
  // journal.h's kJournalBlock written and others not.
  virtual bool WriteAt(uint64_t offset, std::string_view bytes) = 0;
  // Writes the concatenation of `pieces` at `offset`, as WriteAt on each
  // in turn would, in as few calls as the system allows; a system may start
  // sending them to the disk as it goes.
  virtual bool WriteAll(uint64_t offset,
                        const std::vector<std::string_view>& pieces);
  virtual bool Truncate(uint64_t size) = 0;
  // Makes what was written durable.
  virtual bool Sync() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The hosts file's name in Place::kHosts, and the name that stands for
  // it in Place::kState (one state directory serves every hosts file).
  virtual std::string HostsName() const = 0;
  virtual std::string StateName() const = 0;

  // Whether only root (the system's administrators) can make or change
  // files in `place`: a journal is written and read only there. For
  // kState, false while it does not exist.
  virtual bool Trusted(Place place) = 0;

  // Reads a whole regular file. kMissing when there is none of that name;
  // kFailed when it cannot be read in full, or was not written by `writer`
  // (Windows says kUntrusted then, judged on the open file).
  virtual FsResult Read(Place place, const std::string& name, Writer writer,
                        std::string* bytes) = 0;

  // Reads a whole regular file as Read with Writer::kAnyone does, but may
  // leave a large one mapped instead of copying it.
  virtual FsResult Load(Place place, const std::string& name,
                        std::unique_ptr<FileBytes>* bytes);

  // False once a file Load mapped was cut short by another program: its
  // lost bytes then read as zeros, never as a crash, and nothing made from
  // them may be saved.
  virtual bool LoadsWhole() { return true; }

  // Makes a new empty file, never opening one that exists (kExists).
  // kRefused when the place takes no new files. The state directory is
  // made, durably and closed to others, when missing.
  virtual FsResult Create(Place place, const std::string& name,
                          std::unique_ptr<WritableFile>* file) = 0;

  // Opens an existing regular file to change it where it stands.
  virtual std::unique_ptr<WritableFile> OpenForWrite(
      Place place, const std::string& name) = 0;

  // Gives `file`, new in kHosts, what the file `name` there has besides
  // its bytes (owner, mode, extended attributes; a default mode when there
  // is no such file). kRefused when something cannot be given: the file
  // must then be written in place, where it keeps its own.
  virtual FsResult CopyAttributes(const std::string& name,
                                  WritableFile* file) = 0;

  // Puts the file `from` in the place of `to` (which may be missing), in
  // one step as far as other programs see.
  virtual FsResult Rename(Place place, const std::string& from,
                          const std::string& to) = 0;

  // Puts the new file `from` in the place of the hosts file `to`, as
  // Rename, keeping what the old file has besides its bytes where the
  // system does that itself. A system that must move the old file away
  // first puts it under `backup`, so that the old content always has a
  // name: a crash part way leaves `to` missing and `backup` holding it.
  // kRefused when `to` cannot be replaced so (a mount point): it must be
  // written in place.
  virtual FsResult Replace(const std::string& from, const std::string& to,
                           const std::string& backup) = 0;

  // Removes a file; true when it is gone (or was never there).
  virtual bool Remove(Place place, const std::string& name) = 0;

  // Makes the names in `place` durable (what was made, renamed, removed).
  virtual bool SyncPlace(Place place) = 0;

  // The names of the regular files in `place`; of `owner`'s only, with
  // Owner::kRoot: those this program's account (root, the administrators)
  // owns.
  virtual std::vector<std::string> List(Place place, Owner owner) = 0;

  // A number for a temporary file's name; names are made with kExists in
  // mind, so it need not be secret.
  virtual uint64_t Random() = 0;

  // Holds back an ordinary stop (SIGTERM, SIGINT, SIGHUP; console events)
  // from the first HoldStops until as many ReleaseStops.
  virtual void HoldStops() = 0;
  virtual void ReleaseStops() = 0;
};

// The system's file primitives for the hosts file at `path`, opened once per
// run (the path is walked and checked here, and every later call works
// from what was checked); null when the path is refused (on POSIX: a directory
// or link on the way that someone other than root could change, or a hosts
// directory others may write).
std::unique_ptr<FileSystem> OpenFileSystem(const std::string& path);

}  // namespace quorvane

#endif  // QUORVANE_STORE_FILE_SYSTEM_H_
