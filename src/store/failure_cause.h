// Why a file could not be used: the cause line that follows the fixed text
// of errors 147, 198 and 208, naming the path and what is wrong with it.
// The file machinery reports failure by its result alone, so the cause is
// found afterwards, by looking at the path as the machinery would have
// seen it; each platform has failure_cause_*.cpp.
#ifndef QUORVANE_STORE_FAILURE_CAUSE_H_
#define QUORVANE_STORE_FAILURE_CAUSE_H_

#include <optional>
#include <string>

#include "report/message.h"

namespace quorvane {

// The cause when this run lacks the rights to change the hosts file at
// `path` at all (not root; on Windows, not elevated), which any other
// cause of error 198 or 208 would follow from; nothing when it has them.
std::optional<Message> PrivilegeCause(const std::string& path);

// Why the hosts file at `path` could not be read (error 198).
Message HostsReadCause(const std::string& path);

// Why the hosts file at `path` could not be saved (error 208).
Message HostsWriteCause(const std::string& path);

// Why a save of the hosts file at `path` would fail as the file stands,
// when that can be told without trying (a check writes nothing): the
// Windows read-only attribute; nothing elsewhere.
std::optional<Message> UnwritableCause(const std::string& path);

// Why the list file at `path` could not be opened or read (error 147).
Message ListReadCause(const std::string& path);

}  // namespace quorvane

#endif  // QUORVANE_STORE_FAILURE_CAUSE_H_
