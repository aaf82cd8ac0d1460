#include "support/http_server.h"

#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "support/temp_folder.h"

namespace duskmere::test {

namespace {

// The request's Range header is moved here before the library sees it, so that ranges are
// answered by this server alone (and can be ignored on demand).
const char* const kOriginalRangeHeader = "X-Test-Original-Range";
constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr std::size_t kEndlessBlockBytes = 1024 * 1024;
// An endless answer is cut off here after all, so that a client without a size limit makes
// its test fail instead of running out of memory.
constexpr std::size_t kEndlessGiveUpBytes = 256 * 1024 * 1024;
constexpr auto kSlowTick = std::chrono::milliseconds(50);

struct Fault {
  std::optional<std::int64_t> stallAfter;
  std::optional<std::int64_t> cutAfter;
  bool ignoreRange = false;
  bool notFound = false;
  std::int64_t bytesPerSecond = 0;
  std::optional<std::string> redirectTo;
};

// Blocking socket I/O for one accepted connection. Waits have no time-out of their own: the
// server shuts every open socket down when it stops, which ends them.
class ConnectionStream : public httplib::Stream {
 public:
  explicit ConnectionStream(int socket) : socket_(socket) {}

  bool is_readable() const override { return waitFor(POLLIN); }
  bool is_writable() const override { return waitFor(POLLOUT); }

  ssize_t read(char* data, size_t size) override {
    for (;;) {
      ssize_t received = ::recv(socket_, data, size, 0);
      if (received >= 0 || errno != EINTR) {
        return received;
      }
    }
  }

  using httplib::Stream::write;
  ssize_t write(const char* data, size_t size) override {
    size_t sent = 0;
    while (sent < size) {
      ssize_t count = ::send(socket_, data + sent, size - sent, MSG_NOSIGNAL);
      if (count < 0) {
        if (errno == EINTR) {
          continue;
        }
        return -1;
      }
      sent += static_cast<size_t>(count);
    }
    return static_cast<ssize_t>(size);
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    addressOf(::getpeername, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    addressOf(::getsockname, ip, port);
  }
  socket_t socket() const override { return socket_; }

 private:
  bool waitFor(short events) const {
    pollfd entry{socket_, events, 0};
    for (;;) {
      int ready = ::poll(&entry, 1, -1);
      if (ready > 0) {
        return (entry.revents & events) != 0 && (entry.revents & (POLLERR | POLLNVAL)) == 0;
      }
      if (ready < 0 && errno != EINTR) {
        return false;
      }
    }
  }

  template <typename Query>
  void addressOf(Query query, std::string& ip, int& port) const {
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    ip.clear();
    port = -1;
    if (query(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof(text));
    ip = text;
    port = ntohs(address.sin_port);
  }

  int socket_;
};

std::string withoutQuery(const std::string& target) {
  return target.substr(0, target.find('?'));
}

// "bytes=a-b", "bytes=a-" or "bytes=-n" against a body of `size` bytes. nullopt: not a single
// byte range (answered with the whole body); an empty range: unsatisfiable.
struct ByteRange {
  std::int64_t first = 0;
  std::int64_t last = -1;
};
std::optional<ByteRange> parseRange(const std::string& header, std::int64_t size) {
  const std::string prefix = "bytes=";
  if (header.rfind(prefix, 0) != 0 || header.find(',') != std::string::npos) {
    return std::nullopt;
  }
  std::string rangeText = header.substr(prefix.size());
  std::size_t dash = rangeText.find('-');
  if (dash == std::string::npos) {
    return std::nullopt;
  }
  std::string from = rangeText.substr(0, dash);
  std::string to = rangeText.substr(dash + 1);
  auto number = [](const std::string& text) -> std::optional<std::int64_t> {
    if (text.empty() || !std::all_of(text.begin(), text.end(),
                                     [](unsigned char c) { return c >= '0' && c <= '9'; })) {
      return std::nullopt;
    }
    return std::stoll(text);
  };
  ByteRange range;
  if (from.empty()) {
    auto suffix = number(to);
    if (!suffix) {
      return std::nullopt;
    }
    range.first = std::max<std::int64_t>(0, size - *suffix);
    range.last = *suffix == 0 ? range.first - 1 : size - 1;
    return range;
  }
  auto first = number(from);
  if (!first) {
    return std::nullopt;
  }
  range.first = *first;
  if (to.empty()) {
    range.last = size - 1;
  } else {
    auto last = number(to);
    if (!last || *last < *first) {
      return std::nullopt;
    }
    range.last = std::min(*last, size - 1);
  }
  if (range.first >= size) {
    range.last = range.first - 1;
  }
  return range;
}

}  // namespace

class FaultyServer;

struct TestHttpServer::State {
  std::filesystem::path root;
  int port = 0;

  mutable std::mutex mutex;
  std::condition_variable changed;  // faults cleared or the server stopping
  bool stopping = false;
  std::map<std::string, Fault> faults;
  std::map<std::string, std::shared_ptr<const std::string>> bodies;
  std::set<std::string> endless;
  std::vector<RecordedRequest> log;
  std::set<int> openSockets;
  int connections = 0;

  std::unique_ptr<FaultyServer> server;
  std::thread listener;

  // The fault for the decoded path, else for the raw target. Call with the mutex held.
  const Fault* faultFor(const std::string& path, const std::string& target) const {
    auto found = faults.find(path);
    if (found == faults.end()) {
      found = faults.find(target);
    }
    return found == faults.end() ? nullptr : &found->second;
  }

  // Writes the next piece of body[begin + offset ...], obeying the path's faults as they are
  // now. False aborts the answer and closes the connection.
  bool provide(const std::string& path, const std::string& target,
               const std::shared_ptr<const std::string>& body, std::size_t begin,
               std::size_t offset, std::size_t length, httplib::DataSink& sink) {
    std::size_t chunk = std::min(length, kChunkBytes);
    std::int64_t bytesPerSecond = 0;
    {
      std::unique_lock lock(mutex);
      for (;;) {
        if (stopping) {
          return false;
        }
        const Fault* fault = faultFor(path, target);
        if (fault == nullptr) {
          break;
        }
        auto sent = static_cast<std::int64_t>(offset);
        if (fault->cutAfter && sent >= *fault->cutAfter) {
          return false;
        }
        if (fault->stallAfter && sent >= *fault->stallAfter) {
          changed.wait(lock);
          continue;
        }
        if (fault->cutAfter) {
          chunk = std::min<std::size_t>(chunk, *fault->cutAfter - sent);
        }
        if (fault->stallAfter) {
          chunk = std::min<std::size_t>(chunk, *fault->stallAfter - sent);
        }
        bytesPerSecond = fault->bytesPerSecond;
        if (bytesPerSecond > 0) {
          chunk = std::min<std::size_t>(chunk, std::max<std::int64_t>(1, bytesPerSecond / 20));
        }
        break;
      }
    }
    if (!sink.write(body->data() + begin + offset, chunk)) {
      return false;
    }
    if (bytesPerSecond > 0) {
      std::unique_lock lock(mutex);
      changed.wait_for(lock, kSlowTick, [this] { return stopping; });
      return !stopping;
    }
    return true;
  }

  void record(const httplib::Request& request, const std::string& range, int status) {
    std::lock_guard lock(mutex);
    log.push_back(
        {request.method, request.target.empty() ? request.path : request.target, range, status});
  }

  void handle(const std::shared_ptr<State>& self, const httplib::Request& request,
              httplib::Response& response);

  std::shared_ptr<const std::string> bodyFor(const std::string& path, const std::string& target) {
    {
      std::lock_guard lock(mutex);
      for (const std::string* key : {&path, &target}) {
        auto found = bodies.find(*key);
        if (found != bodies.end()) {
          return found->second;
        }
      }
    }
    if (root.empty()) {
      return nullptr;
    }
    std::filesystem::path relative = std::filesystem::path(path).relative_path();
    for (const auto& part : relative) {
      if (part == "..") {
        return nullptr;
      }
    }
    std::filesystem::path file = root / relative;
    std::error_code error;
    if (relative.empty() || !std::filesystem::is_regular_file(file, error)) {
      return nullptr;
    }
    return std::make_shared<const std::string>(readFile(file));
  }
};

// The library's server with its connection loop replaced: it counts and tracks accepted
// sockets (so stopping can end them at once) and keeps a connection open for any number of
// requests, as a patch host's keep-alive does.
class FaultyServer : public httplib::Server {
 public:
  explicit FaultyServer(TestHttpServer::State& state) : state_(state) {}

 private:
  bool process_and_close_socket(socket_t socket) override {
    {
      std::lock_guard lock(state_.mutex);
      ++state_.connections;
      if (state_.stopping) {
        ::close(socket);
        return false;
      }
      state_.openSockets.insert(socket);
    }
    // Headers, chunk framing and body go out in separate writes; without this, Nagle's
    // algorithm and delayed acknowledgements add 40 ms to many answers.
    int noDelay = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
    ConnectionStream stream(socket);
    bool ok = true;
    while (stream.is_readable()) {
      bool closed = false;
      ok = process_request(stream, false, closed, [](httplib::Request& request) {
        auto range = request.headers.find("Range");
        if (range != request.headers.end()) {
          std::string value = range->second;
          request.headers.erase(range);
          request.headers.emplace(kOriginalRangeHeader, value);
        }
        request.ranges.clear();
      });
      if (!ok || closed) {
        break;
      }
    }
    {
      std::lock_guard lock(state_.mutex);
      state_.openSockets.erase(socket);
    }
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
    return ok;
  }

  TestHttpServer::State& state_;
};

void TestHttpServer::State::handle(const std::shared_ptr<State>& self,
                                   const httplib::Request& request, httplib::Response& response) {
  const std::string target = withoutQuery(request.target.empty() ? request.path : request.target);
  const std::string& path = request.path;
  const std::string rangeHeader = request.get_header_value(kOriginalRangeHeader);

  Fault fault;
  bool isEndless = false;
  {
    std::lock_guard lock(mutex);
    if (const Fault* found = faultFor(path, target)) {
      fault = *found;
    }
    isEndless = endless.count(path) > 0 || endless.count(target) > 0;
  }

  if (fault.notFound) {
    response.status = 404;
    response.set_content("Not Found", "text/plain");
    record(request, rangeHeader, 404);
    return;
  }
  if (fault.redirectTo) {
    response.set_redirect(*fault.redirectTo, 302);
    record(request, rangeHeader, 302);
    return;
  }
  if (isEndless) {
    response.status = 200;
    response.set_chunked_content_provider("application/octet-stream",
                                          [self](std::size_t offset, httplib::DataSink& sink) {
                                            static const std::string block(kEndlessBlockBytes, 'x');
                                            {
                                              std::lock_guard lock(self->mutex);
                                              if (self->stopping || offset >= kEndlessGiveUpBytes) {
                                                return false;
                                              }
                                            }
                                            return sink.write(block.data(), block.size());
                                          });
    record(request, rangeHeader, 200);
    return;
  }

  std::shared_ptr<const std::string> body = bodyFor(path, target);
  if (!body) {
    response.status = 404;
    response.set_content("Not Found", "text/plain");
    record(request, rangeHeader, 404);
    return;
  }

  const auto size = static_cast<std::int64_t>(body->size());
  std::int64_t first = 0;
  std::int64_t last = size - 1;
  response.status = 200;
  if (!rangeHeader.empty() && !fault.ignoreRange) {
    if (auto range = parseRange(rangeHeader, size)) {
      if (range->last < range->first) {
        response.status = 416;
        response.set_header("Content-Range", "bytes */" + std::to_string(size));
        response.set_content("Range Not Satisfiable", "text/plain");
        record(request, rangeHeader, 416);
        return;
      }
      first = range->first;
      last = range->last;
      response.status = 206;
      response.set_header("Content-Range", "bytes " + std::to_string(first) + "-" +
                                               std::to_string(last) + "/" + std::to_string(size));
    }
  }
  response.set_header("Accept-Ranges", "bytes");
  const auto begin = static_cast<std::size_t>(first);
  response.set_content_provider(
      static_cast<std::size_t>(last - first + 1), "application/octet-stream",
      [self, path, target, body, begin](std::size_t offset, std::size_t length,
                                        httplib::DataSink& sink) {
        return self->provide(path, target, body, begin, offset, length, sink);
      });
  record(request, rangeHeader, response.status);
}

TestHttpServer::TestHttpServer(std::filesystem::path rootFolder)
    : state_(std::make_shared<State>()) {
  state_->root = std::move(rootFolder);
  state_->server = std::make_unique<FaultyServer>(*state_);
  FaultyServer& server = *state_->server;
  server.new_task_queue = [] { return new httplib::ThreadPool(16); };
  // Only announced in the Keep-Alive header; connections stay open until either side closes.
  server.set_keep_alive_max_count(1000000);
  server.set_keep_alive_timeout(3600);
  std::weak_ptr<State> weak = state_;
  server.Get(".*", [weak](const httplib::Request& request, httplib::Response& response) {
    if (auto state = weak.lock()) {
      state->handle(state, request, response);
    }
  });
  state_->port = server.bind_to_any_port("127.0.0.1");
  state_->listener = std::thread([&server] { server.listen_after_bind(); });
  // stop() only takes effect once the accept loop runs.
  while (state_->port > 0 && !server.is_running()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

TestHttpServer::~TestHttpServer() {
  {
    std::lock_guard lock(state_->mutex);
    state_->stopping = true;
    for (int socket : state_->openSockets) {
      ::shutdown(socket, SHUT_RDWR);
    }
  }
  state_->changed.notify_all();
  state_->server->stop();
  if (state_->listener.joinable()) {
    state_->listener.join();
  }
}

std::string TestHttpServer::host() const {
  return "127.0.0.1:" + std::to_string(state_->port);
}

int TestHttpServer::port() const {
  return state_->port;
}

std::vector<RecordedRequest> TestHttpServer::requests() const {
  std::lock_guard lock(state_->mutex);
  return state_->log;
}

std::vector<std::string> TestHttpServer::requestedPaths() const {
  std::vector<std::string> paths;
  for (const RecordedRequest& request : requests()) {
    paths.push_back(request.path);
  }
  return paths;
}

int TestHttpServer::connectionCount() const {
  std::lock_guard lock(state_->mutex);
  return state_->connections;
}

void TestHttpServer::stallAfter(const std::string& path, std::int64_t bytes) {
  std::lock_guard lock(state_->mutex);
  state_->faults[path].stallAfter = bytes;
}

void TestHttpServer::cutAfter(const std::string& path, std::int64_t bytes) {
  std::lock_guard lock(state_->mutex);
  state_->faults[path].cutAfter = bytes;
}

void TestHttpServer::ignoreRange(const std::string& path) {
  std::lock_guard lock(state_->mutex);
  state_->faults[path].ignoreRange = true;
}

void TestHttpServer::notFound(const std::string& path) {
  std::lock_guard lock(state_->mutex);
  state_->faults[path].notFound = true;
}

void TestHttpServer::sendSlowly(const std::string& path, std::int64_t bytesPerSecond) {
  std::lock_guard lock(state_->mutex);
  state_->faults[path].bytesPerSecond = bytesPerSecond;
}

void TestHttpServer::redirect(const std::string& path, const std::string& location) {
  std::lock_guard lock(state_->mutex);
  state_->faults[path].redirectTo = location;
}

void TestHttpServer::clearFaults() {
  {
    std::lock_guard lock(state_->mutex);
    state_->faults.clear();
  }
  state_->changed.notify_all();
}

void TestHttpServer::serveBody(const std::string& path, const std::string& body) {
  std::lock_guard lock(state_->mutex);
  state_->bodies[path] = std::make_shared<const std::string>(body);
}

void TestHttpServer::serveEndless(const std::string& path) {
  std::lock_guard lock(state_->mutex);
  state_->endless.insert(path);
}

}  // namespace duskmere::test
