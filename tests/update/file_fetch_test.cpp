#include "update/file_fetch.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "duskmere-publish/package_writer.h"
#include "update/file_manifest.h"
#include "update/inflate_file.h"
#include "update/support/engine_child.h"
#include "update/support/engine_host.h"

namespace duskmere {
namespace {

using test::readFile;
using test::writeFile;

bool present(const std::filesystem::path& path) {
  return std::filesystem::exists(path);
}

struct InflateCase {
  const char* name;
  std::function<std::string()> package;  // nullptr: there is no package
  bool targetIsFolder;
  bool inflated;
  std::string expectedTarget;  // when inflated
};

TEST(InflateFileTest, ReplacesTheTargetOnlyWithAWholeFile) {
  const std::string content = test::incompressibleBytes(200000, 1) + std::string(100000, 'z');
  const std::string gzip = publishing::gzipBytes(content);
  const InflateCase cases[] = {
      {"a gzip stream", [&] { return gzip; }, false, true, content},
      {"a file that is not gzip passes unchanged", [] { return std::string("plain text"); }, false,
       true, "plain text"},
      {"an empty gzip stream", [] { return publishing::gzipBytes(""); }, false, true, ""},
      {"a stream cut short", [&] { return gzip.substr(0, gzip.size() / 2); }, false, false, ""},
      {"a corrupt stream",
       [&] {
         std::string corrupt = gzip;
         for (std::size_t at = 20; at < 400; ++at)
           corrupt[at] = static_cast<char>(corrupt[at] ^ 0x5A);
         return corrupt;
       },
       false, false, ""},
      {"a stream with a wrong trailer",
       [&] {
         std::string corrupt = gzip;
         corrupt[corrupt.size() - 6] ^= 0x01;
         return corrupt;
       },
       false, false, ""},
      {"no package", nullptr, false, false, ""},
      {"a folder in the target's place", [&] { return gzip; }, true, false, ""},
  };
  for (const InflateCase& item : cases) {
    SCOPED_TRACE(item.name);
    test::TempFolder folder;
    const auto package = folder / "data" / "file.bin.gz";
    const auto target = folder / "data" / "file.bin";
    if (item.package)
      writeFile(package, item.package());
    if (item.targetIsFolder)
      std::filesystem::create_directories(target / "inside");
    else
      writeFile(target, "the previous version");

    EXPECT_EQ(inflateFile(package, target), item.inflated);
    if (item.inflated) {
      EXPECT_EQ(readFile(target), item.expectedTarget);
    } else if (!item.targetIsFolder) {
      EXPECT_EQ(readFile(target), "the previous version");
    }
    EXPECT_FALSE(present(folder / "data" / "file.bin.inflating"));
  }
}

TEST(PackageLocationTest, ListPathsBecomePackageAddressesAndFilesBesideTheirTargets) {
  const std::filesystem::path game = "/games/Duskmere";
  const std::tuple<std::string, std::string, std::filesystem::path> cases[] = {
      {"Duskmere.exe", "h/autopatcher/7/files/Duskmere.exe.gz", game / "Duskmere.exe.gz"},
      {"data\\items.pak", "h/autopatcher/7/files/data/items.pak.gz",
       game / "data" / "items.pak.gz"},
      {"data/sound bank #2.pak", "h/autopatcher/7/files/data/sound%20bank%20%232.pak.gz",
       game / "data" / "sound bank #2.pak.gz"},
      {"Ünïcode/100%.txt", "h/autopatcher/7/files/%C3%9Cn%C3%AFcode/100%25.txt.gz",
       game / "Ünïcode" / "100%.txt.gz"},
  };
  for (const auto& [listPath, url, package] : cases) {
    SCOPED_TRACE(listPath);
    EXPECT_EQ(packageUrlOf("h/autopatcher/7", listPath), url);
    EXPECT_EQ(packagePathOf(game, listPath), package);
  }
}

// One published version and a game folder that the tests shape file by file.
class FileFetchTest : public ::testing::Test {
 public:
  void SetUp() override {
    files = {{"Duskmere.exe", test::incompressibleBytes(30000, 2)},
             {"data/items.pak", test::incompressibleBytes(50000, 3)},
             {"data/sound bank.pak", test::incompressibleBytes(20000, 4)},
             {"readme.txt", std::string(40000, 'r')}};
    host.publishFiles(7, files);
  }

  // The folder holds every file but `missing`; the list scanned against it.
  FileManifest scannedList(const std::vector<std::string>& missing) {
    for (const auto& [path, contents] : files) {
      if (std::find(missing.begin(), missing.end(), path) == missing.end())
        writeFile(game / path, contents);
    }
    FileManifest manifest = fetchFileManifest(host.listBaseUrl(7), engine.progress());
    EXPECT_EQ(manifest.size(), files.size());
    scan = scanLocalFiles(manifest, game.path(), engine.progress());
    return manifest;
  }

  FetchResult fetch(FileManifest& manifest) {
    return fetchFiles(engine, host.listBaseUrl(7), game.path(), manifest, scan.needCount,
                      scan.needBytes);
  }

  const FileEntry& entryOf(const FileManifest& manifest, const std::string& path) {
    for (const FileEntry& entry : manifest) {
      if (entry.path == path)
        return entry;
    }
    ADD_FAILURE() << "not listed: " << path;
    return manifest.front();
  }

  std::string servedPackage(const std::string& path) { return readFile(host.packageFile(7, path)); }

  std::vector<test::RecordedRequest> packageRequests() { return host.requestsFor("/files/"); }

  test::EngineHost host;
  test::TempFolder game;
  UpdateEngine engine{host.host()};
  test::GameFiles files;
  ScanResult scan;
};

TEST_F(FileFetchTest, FetchesOnlyMarkedFilesAndRemovesTheirPackages) {
  writeFile(game / "readme.txt", "an older readme");
  auto manifest = scannedList({"data/items.pak", "data/sound bank.pak", "readme.txt"});
  ASSERT_EQ(scan.needCount, 3);

  const FetchResult result = fetch(manifest);
  EXPECT_TRUE(result.finished);
  EXPECT_EQ(result.failedDownloads, 0);
  EXPECT_EQ(result.failedWrites, 0);
  for (const auto& [path, contents] : files) {
    EXPECT_EQ(readFile(game / path), contents) << path;
    EXPECT_FALSE(present(packagePathOf(game.path(), path))) << path;
  }
  std::vector<std::string> requested;
  for (const test::RecordedRequest& request : packageRequests()) {
    requested.push_back(request.path);
    EXPECT_EQ(request.status, 200);
  }
  EXPECT_EQ(requested, (std::vector<std::string>{"/autopatcher/7/files/data/items.pak.gz",
                                                 "/autopatcher/7/files/data/sound%20bank.pak.gz",
                                                 "/autopatcher/7/files/readme.txt.gz"}));
  const auto snapshot = engine.snapshot();
  EXPECT_EQ(snapshot.state, kStateDownloading);
  EXPECT_EQ(snapshot.filesDone, 3);
  EXPECT_EQ(snapshot.filesTotal, 3);
  EXPECT_EQ(snapshot.downloadedBytes, scan.needBytes);
  EXPECT_EQ(snapshot.totalBytes, scan.needBytes);
}

TEST_F(FileFetchTest, PackagesOnDiskAreUsedResumedOrDiscardedByTheirSize) {
  struct PackageCase {
    const char* name;
    std::function<std::string(const std::string& served)> onDisk;
    std::string expectedRange;  // of the one request; "-" for no request at all
  };
  const PackageCase cases[] = {
      {"a complete package needs no request", [](const std::string& served) { return served; },
       "-"},
      {"a partial package is resumed from its size",
       [](const std::string& served) { return served.substr(0, 12345); }, "bytes=12345-"},
      {"a package longer than listed is fetched again from 0",
       [](const std::string& served) { return served + "trailing bytes"; }, ""},
  };
  for (const PackageCase& item : cases) {
    SCOPED_TRACE(item.name);
    test::TempFolder folder;
    test::EngineHost caseHost;
    caseHost.publishFiles(7, {{"data/items.pak", files["data/items.pak"]}});
    UpdateEngine caseEngine(caseHost.host());
    const std::string served = readFile(caseHost.packageFile(7, "data/items.pak"));
    writeFile(packagePathOf(folder.path(), "data/items.pak"), item.onDisk(served));

    auto manifest = fetchFileManifest(caseHost.listBaseUrl(7), caseEngine.progress());
    const auto caseScan = scanLocalFiles(manifest, folder.path(), caseEngine.progress());
    const FetchResult result = fetchFiles(caseEngine, caseHost.listBaseUrl(7), folder.path(),
                                          manifest, caseScan.needCount, caseScan.needBytes);
    EXPECT_EQ(result.failedDownloads, 0);
    EXPECT_EQ(readFile(folder / "data/items.pak"), files["data/items.pak"]);
    EXPECT_FALSE(present(packagePathOf(folder.path(), "data/items.pak")));

    const auto requests = caseHost.requestsFor("/files/");
    if (item.expectedRange == "-") {
      EXPECT_TRUE(requests.empty());
    } else {
      ASSERT_EQ(requests.size(), 1u);
      EXPECT_EQ(requests[0].range, item.expectedRange);
      EXPECT_EQ(requests[0].status, item.expectedRange.empty() ? 200 : 206);
      EXPECT_EQ(caseEngine.snapshot().downloadedBytes, static_cast<std::int64_t>(served.size()));
    }
  }
}

TEST_F(FileFetchTest, AResumeAnsweredWithTheWholeFileIsDiscardedAndFetchedFromZero) {
  auto manifest = scannedList({"data/items.pak"});
  const std::string served = servedPackage("data/items.pak");
  writeFile(packagePathOf(game.path(), "data/items.pak"), served.substr(0, 1000));
  host.server().ignoreRange(host.packageRequestPath(7, "data/items.pak"));

  const FetchResult result = fetch(manifest);
  EXPECT_EQ(result.failedDownloads, 0);
  EXPECT_EQ(readFile(game / "data/items.pak"), files["data/items.pak"]);
  const auto requests = packageRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].range, "bytes=1000-");
  EXPECT_EQ(requests[0].status, 200);
  EXPECT_EQ(requests[1].range, "");
  // The refused resume is taken back completely: only the package itself is counted.
  EXPECT_EQ(engine.snapshot().downloadedBytes, static_cast<std::int64_t>(served.size()));
}

TEST_F(FileFetchTest, APackageWithAWrongDigestIsNeverInflated) {
  writeFile(game / "readme.txt", "the readme as it was");
  auto manifest = scannedList({"readme.txt"});
  std::string tampered = servedPackage("readme.txt");
  tampered[tampered.size() / 2] ^= 0x01;
  writeFile(host.packageFile(7, "readme.txt"), tampered);

  const FetchResult result = fetch(manifest);
  EXPECT_TRUE(result.finished);
  EXPECT_EQ(result.failedDownloads, 1);
  EXPECT_EQ(result.failedWrites, 0);
  EXPECT_EQ(entryOf(manifest, "readme.txt").errorText, "verification failed");
  EXPECT_EQ(readFile(game / "readme.txt"), "the readme as it was");
  EXPECT_FALSE(present(packagePathOf(game.path(), "readme.txt")));
  EXPECT_EQ(packageRequests().size(), 1u);
  EXPECT_EQ(engine.snapshot().downloadedBytes, 0);
}

TEST_F(FileFetchTest, AResumedPackageWithAStaleBeginningIsFetchedOnceMoreFromZero) {
  auto manifest = scannedList({"data/items.pak"});
  writeFile(packagePathOf(game.path(), "data/items.pak"), std::string(4000, 'x'));

  const FetchResult result = fetch(manifest);
  EXPECT_EQ(result.failedDownloads, 0);
  EXPECT_EQ(readFile(game / "data/items.pak"), files["data/items.pak"]);
  const auto requests = packageRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].range, "bytes=4000-");
  EXPECT_EQ(requests[1].range, "");
}

TEST_F(FileFetchTest, FailuresAreCountedPerFileAndTheOtherFilesStillCome) {
  struct FailureCase {
    const char* name;
    std::function<void(FileFetchTest&, FileManifest&)> arrange;
    std::string expectedText;
    bool localDisk;
    std::optional<bool> packageLeft;  // a package file is still there afterwards
  };
  const FailureCase cases[] = {
      {"the host does not have the package",
       [](FileFetchTest& t, FileManifest&) {
         t.host.server().notFound(t.host.packageRequestPath(7, "data/items.pak"));
       },
       "download failed", false, std::nullopt},
      {"a resumed package that stays wrong after one fresh download",
       [](FileFetchTest& t, FileManifest&) {
         writeFile(packagePathOf(t.game.path(), "data/items.pak"), std::string(100, 'x'));
         std::string tampered = t.servedPackage("data/items.pak");
         tampered[200] ^= 0x01;
         writeFile(t.host.packageFile(7, "data/items.pak"), tampered);
       },
       "verification failed", false, false},
      {"a listed digest shorter than 64 characters",
       [](FileFetchTest&, FileManifest& manifest) {
         for (FileEntry& entry : manifest) {
           if (entry.path == "data/items.pak")
             entry.packageSha256.pop_back();
         }
       },
       "verification failed", false, false},
      {"the package cannot be written",
       [](FileFetchTest& t, FileManifest&) {
         std::filesystem::create_directories(packagePathOf(t.game.path(), "data/items.pak") /
                                             "in the way");
       },
       "could not write file", true, std::nullopt},
      {"the target cannot be replaced",
       [](FileFetchTest& t, FileManifest&) {
         std::filesystem::create_directories(t.game / "data/items.pak" / "in the way");
       },
       "decompression failed", true, true},
  };
  for (const FailureCase& item : cases) {
    SCOPED_TRACE(item.name);
    std::filesystem::remove_all(game.path());
    std::filesystem::create_directories(game.path());
    host.server().clearFaults();
    host.publishFiles(7, files);
    auto manifest = scannedList({"data/items.pak", "readme.txt"});
    item.arrange(*this, manifest);
    scan = scanLocalFiles(manifest, game.path(), engine.progress());

    const FetchResult result = fetch(manifest);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.failedDownloads, 1);
    EXPECT_EQ(result.failedWrites, item.localDisk ? 1 : 0);
    const FileEntry& failed = entryOf(manifest, "data/items.pak");
    EXPECT_TRUE(failed.failed);
    EXPECT_EQ(failed.errorText, item.expectedText);
    if (item.packageLeft) {
      EXPECT_EQ(std::filesystem::is_regular_file(packagePathOf(game.path(), "data/items.pak")),
                *item.packageLeft);
    }
    EXPECT_FALSE(entryOf(manifest, "readme.txt").failed);
    EXPECT_EQ(readFile(game / "readme.txt"), files["readme.txt"]);
    EXPECT_EQ(engine.snapshot().filesDone, 1);
    EXPECT_GE(engine.snapshot().downloadedBytes, 0);
  }
}

TEST_F(FileFetchTest, AVerifiedPackageThatCouldNotBeInflatedIsInflatedNextTimeWithoutARequest) {
  auto manifest = scannedList({"data/items.pak"});
  std::filesystem::create_directories(game / "data/items.pak" / "in the way");
  scan = scanLocalFiles(manifest, game.path(), engine.progress());
  EXPECT_EQ(fetch(manifest).failedWrites, 1);
  ASSERT_EQ(packageRequests().size(), 1u);

  std::filesystem::remove_all(game / "data/items.pak");
  scan = scanLocalFiles(manifest, game.path(), engine.progress());
  const FetchResult again = fetch(manifest);
  EXPECT_EQ(again.failedDownloads, 0);
  EXPECT_EQ(readFile(game / "data/items.pak"), files["data/items.pak"]);
  EXPECT_EQ(packageRequests().size(), 1u);
}

TEST_F(FileFetchTest, APackageThatCannotBeReadBackFailsVerificationAsALocalFault) {
  auto manifest = scannedList({"data/items.pak"});
  const auto package = packagePathOf(game.path(), "data/items.pak");
  writeFile(package, servedPackage("data/items.pak"));
  ASSERT_EQ(::chmod(package.c_str(), 0), 0);

  // Root reads any file; the child gives up that override so the permission bits count.
  const auto outcome = test::runInChild([&] {
    test::dropFileAccessOverride();
    const FetchResult result = fetch(manifest);
    return std::to_string(result.failedDownloads) + " " + std::to_string(result.failedWrites) +
           " " + entryOf(manifest, "data/items.pak").errorText;
  });
  EXPECT_EQ(outcome.report, "1 1 could not open for verification");
  EXPECT_TRUE(packageRequests().empty());
}

TEST_F(FileFetchTest, AStopBeforeAFileEndsTheFetchWithoutARequest) {
  auto manifest = scannedList({"data/items.pak", "readme.txt"});
  engine.progress().cancelRequested = true;
  const FetchResult result = fetch(manifest);
  EXPECT_FALSE(result.finished);
  EXPECT_TRUE(packageRequests().empty());
}

}  // namespace
}  // namespace duskmere
