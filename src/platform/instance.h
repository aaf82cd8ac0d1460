// One running launcher per user: the first holds a lock named after the instance name, and a
// later start asks it, through a socket beside the lock, to bring its window to the front.
// Both live in $XDG_RUNTIME_DIR, else in the fallback folder given by the caller.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace duskmere::platform {

struct InstanceLock;
struct InstanceLockDeleter {
  void operator()(InstanceLock* lock) const;
};
// Destroying the handle releases the lock and removes the lock file and the socket.
using InstanceLockHandle = std::unique_ptr<InstanceLock, InstanceLockDeleter>;

// The folder holding the lock and the socket of `name`.
std::filesystem::path instanceFolder(const std::filesystem::path& fallbackFolder);

// True while another process holds the lock of `name`. Takes no lock that outlives the call.
bool anotherInstanceRunning(const std::string& name, const std::filesystem::path& fallbackFolder);

// Asks the holder of `name` to bring its window to the front. Does not wait for it; false
// when nobody listens.
bool requestInstanceRaise(const std::string& name, const std::filesystem::path& fallbackFolder);

// Takes the lock of `name` for this process and listens for raise requests, which call
// `raiseRequested` on the UI thread's loop. Nothing when the lock is held elsewhere or cannot
// be created; a socket that cannot be set up leaves the lock held but unreachable.
InstanceLockHandle holdInstanceLock(const std::string& name,
                                    const std::filesystem::path& fallbackFolder,
                                    std::function<void()> raiseRequested);

}  // namespace duskmere::platform
