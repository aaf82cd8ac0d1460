// Test scaffolding: an HTTP server on loopback that serves a folder (and in-memory bodies),
// answers byte ranges, records every request, counts connections and, on demand per path,
// misbehaves the way a real update host or network can.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace duskmere::test {

struct RecordedRequest {
  std::string method;
  std::string path;   // the request target exactly as received (query included, not decoded)
  std::string range;  // the Range header, empty when there was none
  int status = 0;     // the status the server chose for the answer
};

// Starts listening on 127.0.0.1 at an ephemeral port in the constructor and stops in the
// destructor; stalled or slow answers are released then, so teardown never hangs.
// A path given to a fault or to serveBody is compared with the decoded request path
// ("/autopatcher/a.bin") and with the raw target.
class TestHttpServer {
 public:
  explicit TestHttpServer(std::filesystem::path rootFolder = {});
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  // "127.0.0.1:PORT": a scheme-less address prefix, e.g. server.host() + "/a.bin".
  std::string host() const;
  int port() const;

  std::vector<RecordedRequest> requests() const;
  std::vector<std::string> requestedPaths() const;
  // TCP connections accepted so far.
  int connectionCount() const;

  // Sends the headers and `bytes` bytes of the body, then nothing until the fault is cleared
  // (the rest follows) or the server stops. 0 stalls right after the headers.
  void stallAfter(const std::string& path, std::int64_t bytes);
  // Announces the full length, sends `bytes` bytes of the body and closes the connection.
  void cutAfter(const std::string& path, std::int64_t bytes);
  // Answers a range request with the whole body and status 200.
  void ignoreRange(const std::string& path);
  void notFound(const std::string& path);
  void sendSlowly(const std::string& path, std::int64_t bytesPerSecond);
  // Answers with a redirect (302) to `location`, a full URL or a path on this server.
  void redirect(const std::string& path, const std::string& location);
  // Forgets every fault and releases stalled answers; bodies and endless paths stay.
  void clearFaults();

  // Serves `body` for `path` in place of (or in addition to) the folder's files.
  void serveBody(const std::string& path, const std::string& body);
  // Serves a chunked body that never ends (until the client goes away or the server stops).
  void serveEndless(const std::string& path);

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace duskmere::test
