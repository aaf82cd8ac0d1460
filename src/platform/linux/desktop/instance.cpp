#include "platform/instance.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <gio/gunixsocketaddress.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

namespace duskmere::platform {

struct InstanceLock {
  int descriptor = -1;
  std::filesystem::path lockFile;
  std::filesystem::path socketFile;
  GSocketService* service = nullptr;
  std::function<void()> raiseRequested;
};

namespace {

std::filesystem::path lockFileOf(const std::string& name, const std::filesystem::path& folder) {
  return instanceFolder(folder) / (name + ".lock");
}

std::filesystem::path socketFileOf(const std::string& name, const std::filesystem::path& folder) {
  return instanceFolder(folder) / (name + ".socket");
}

bool fitsSocketAddress(const std::filesystem::path& path) {
  return path.native().size() < sizeof(sockaddr_un::sun_path);
}

// A connection is the request itself: nothing is read, so a silent client cannot stall us.
gboolean onIncoming(GSocketService*, GSocketConnection*, GObject*, gpointer data) {
  const auto raise = static_cast<InstanceLock*>(data)->raiseRequested;
  if (raise)
    raise();
  return FALSE;
}

// Locks the file at `path`, making sure the lock is on the file that the path names now: a
// holder that was ending may have removed it between our open and our lock.
int lockInstanceFile(const std::filesystem::path& path) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    const int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor < 0)
      return -1;
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
      close(descriptor);
      return -1;
    }
    struct stat opened {};
    struct stat named {};
    if (fstat(descriptor, &opened) == 0 && stat(path.c_str(), &named) == 0 &&
        opened.st_dev == named.st_dev && opened.st_ino == named.st_ino)
      return descriptor;
    close(descriptor);
  }
  return -1;
}

void recordOwner(int descriptor) {
  const std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(descriptor, 0) == 0 && write(descriptor, pid.data(), pid.size()) < 0) {
    // The pid is only a hint for people; the lock is what counts.
  }
}

GSocketService* listenForRaise(const std::filesystem::path& socketFile, InstanceLock* lock) {
  if (!fitsSocketAddress(socketFile))
    return nullptr;
  // We hold the lock, so a socket file left here belongs to an instance that is gone.
  unlink(socketFile.c_str());
  GSocketService* service = g_socket_service_new();
  GSocketAddress* address = g_unix_socket_address_new(socketFile.c_str());
  const bool listening =
      g_socket_listener_add_address(G_SOCKET_LISTENER(service), address, G_SOCKET_TYPE_STREAM,
                                    G_SOCKET_PROTOCOL_DEFAULT, nullptr, nullptr, nullptr);
  g_object_unref(address);
  if (!listening) {
    g_object_unref(service);
    return nullptr;
  }
  chmod(socketFile.c_str(), 0600);
  g_signal_connect(service, "incoming", G_CALLBACK(onIncoming), lock);
  g_socket_service_start(service);
  return service;
}

}  // namespace

void InstanceLockDeleter::operator()(InstanceLock* lock) const {
  if (lock == nullptr)
    return;
  if (lock->service != nullptr) {
    g_signal_handlers_disconnect_by_data(lock->service, lock);
    g_socket_service_stop(lock->service);
    g_socket_listener_close(G_SOCKET_LISTENER(lock->service));
    g_object_unref(lock->service);
    unlink(lock->socketFile.c_str());
  }
  // Removed while still locked, so that nobody locks a file that is about to go.
  unlink(lock->lockFile.c_str());
  close(lock->descriptor);
  delete lock;
}

std::filesystem::path instanceFolder(const std::filesystem::path& fallbackFolder) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::error_code error;
  if (runtime != nullptr && runtime[0] == '/' && std::filesystem::is_directory(runtime, error))
    return runtime;
  return fallbackFolder;
}

bool anotherInstanceRunning(const std::string& name, const std::filesystem::path& fallbackFolder) {
  const auto lockFile = lockFileOf(name, fallbackFolder);
  const int descriptor = open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0)
    return false;
  // A shared lock is refused only while someone holds the instance lock.
  const bool held = flock(descriptor, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(descriptor);  // also drops a shared lock we got
  return held;
}

bool requestInstanceRaise(const std::string& name, const std::filesystem::path& fallbackFolder) {
  const auto socketFile = socketFileOf(name, fallbackFolder);
  if (!fitsSocketAddress(socketFile))
    return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socketFile.native().copy(address.sun_path, sizeof(address.sun_path) - 1);
  // Non-blocking: a holder that stopped accepting must not hang the second start.
  const int descriptor = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (descriptor < 0)
    return false;
  const bool connected =
      connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  close(descriptor);
  return connected;
}

InstanceLockHandle holdInstanceLock(const std::string& name,
                                    const std::filesystem::path& fallbackFolder,
                                    std::function<void()> raiseRequested) {
  std::error_code error;
  std::filesystem::create_directories(instanceFolder(fallbackFolder), error);
  const auto lockFile = lockFileOf(name, fallbackFolder);
  const int descriptor = lockInstanceFile(lockFile);
  if (descriptor < 0)
    return nullptr;
  recordOwner(descriptor);
  InstanceLockHandle lock(new InstanceLock);
  lock->descriptor = descriptor;
  lock->lockFile = lockFile;
  lock->socketFile = socketFileOf(name, fallbackFolder);
  lock->raiseRequested = std::move(raiseRequested);
  lock->service = listenForRaise(lock->socketFile, lock.get());
  return lock;
}

}  // namespace duskmere::platform
