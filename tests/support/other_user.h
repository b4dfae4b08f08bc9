#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace vantora::test {

// Another local user for tests of what such a user could plant: nobody.
inline constexpr uid_t kOtherUid = 65534;
inline constexpr gid_t kOtherGid = 65534;

// Whether this process can act as the other user (it runs as root). Tests
// that need it skip themselves otherwise.
bool CanActAsOtherUser();

// Runs `step` in a child process that first enters `folder` and then becomes
// the other user (no supplementary groups, setgid, setuid). Paths relative
// to `folder` reach it even when its parents are closed to that user, and
// descriptors opened before the call are shared: a socket bound and listening
// in `step` stays served by the other user for as long as this process keeps
// its descriptor. True when the child became the other user and `step`
// returned true.
bool AsOtherUser(const std::string& folder, const std::function<bool()>& step);

// A Unix stream socket bound at `folder`/`name` and listening as the other
// user (`folder` must be open to that user; the socket file can be moved
// elsewhere afterwards). Returns the listening descriptor, kept by this
// process: connections wait in its backlog and may be accepted here, and
// their peer is the other user. -1 when it cannot be had.
int ListenAsOtherUser(const std::string& folder, const std::string& name);

}  // namespace vantora::test
