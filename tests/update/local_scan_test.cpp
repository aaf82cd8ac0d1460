#include <sys/resource.h>

#include <gtest/gtest.h>

#include <thread>

#include "support/temp_folder.h"
#include "update/file_manifest.h"

namespace duskmere {
namespace {

const std::string kDigest(64, 'd');

std::string line(const std::string& path, std::int64_t size, std::int64_t compressedSize,
                 const std::string& crc) {
  return path + "\t" + std::to_string(size) + "\t" + std::to_string(compressedSize) + "\t" + crc +
         "\t" + kDigest + "\n";
}

class LocalScanTest : public ::testing::Test {
 protected:
  std::filesystem::path game() const { return root / "Duskmere"; }
  test::TempFolder root;
  RunProgress progress;
};

TEST_F(LocalScanTest, MarksMissingAndDifferingFilesAndCountsTheirPackageBytes) {
  // CRC-32 check values: "123456789" is CBF43926, "file 1" is 00FB3D30.
  test::writeFile(game() / "current.txt", "123456789");
  test::writeFile(game() / "lower.txt", "123456789");
  test::writeFile(game() / "data" / "zero.txt", "file 1");
  test::writeFile(game() / "data" / "seven.txt", "file 1");
  test::writeFile(game() / "empty.txt", "");
  test::writeFile(game() / "longer.txt", "1234567890");
  test::writeFile(game() / "changed.txt", "123456780");
  std::filesystem::create_directories(game() / "folder.txt");
  test::writeFile(game() / "not-listed.txt", "left alone");
  auto manifest = parseFileManifest(
      line("current.txt", 9, 1, "CBF43926") + line("lower.txt", 9, 2, "cbf43926") +
      line("data\\zero.txt", 6, 4, "00FB3D30") + line("data/seven.txt", 6, 8, "0FB3D30") +
      line("empty.txt", 0, 16, "00000000") + line("longer.txt", 9, 32, "CBF43926") +
      line("changed.txt", 9, 64, "CBF43926") + line("missing.txt", 1000, 128, "CBF43926") +
      line("folder.txt", 9, 256, "CBF43926"));
  ASSERT_EQ(manifest.size(), 9u);

  const auto result = scanLocalFiles(manifest, game(), progress);

  const std::pair<std::string, bool> expected[] = {
      {"current.txt", false},   {"lower.txt", false}, {"data\\zero.txt", false},
      {"data/seven.txt", true},  // a CRC without its leading zero never matches
      {"empty.txt", false},     {"longer.txt", true}, {"changed.txt", true},
      {"missing.txt", true},    {"folder.txt", true},  // a folder is not the file
  };
  for (std::size_t i = 0; i < manifest.size(); ++i) {
    EXPECT_EQ(manifest[i].path, expected[i].first);
    EXPECT_EQ(manifest[i].needsDownload, expected[i].second) << manifest[i].path;
    EXPECT_FALSE(manifest[i].failed) << manifest[i].path;
  }
  EXPECT_EQ(result.needCount, 5);
  EXPECT_EQ(result.needBytes, 8 + 32 + 64 + 128 + 256);  // compressed sizes, not sizes
  EXPECT_EQ(result.lockedCount, 0);
  EXPECT_EQ(progress.filesDone.load(), 9);
  EXPECT_EQ(progress.filesTotal.load(), 9);
  EXPECT_EQ(progress.currentItem, "folder.txt");
  EXPECT_EQ(test::readFile(game() / "not-listed.txt"), "left alone");
}

TEST_F(LocalScanTest, NeverLooksOutsideTheGameFolder) {
  // A file beside the game folder that a "../" path would reach, with its true size and CRC.
  test::writeFile(root / "outside.txt", "123456789");
  test::writeFile(game() / "inside.txt", "123456789");
  auto manifest = parseFileManifest(line("../outside.txt", 9, 1, "CBF43926") +
                                    line("/" + (root / "outside.txt").string(), 9, 1, "CBF43926") +
                                    line("C:\\outside.txt", 9, 1, "CBF43926") +
                                    line("inside.txt", 9, 1, "CBF43926"));
  ASSERT_EQ(manifest.size(), 1u);
  // Even an entry that did not come through the parser is not looked at.
  FileEntry unsafe;
  unsafe.path = "../outside.txt";
  unsafe.size = 9;
  unsafe.crc = "CBF43926";
  manifest.push_back(unsafe);
  const auto result = scanLocalFiles(manifest, game(), progress);
  EXPECT_EQ(result.needCount, 0);
  EXPECT_EQ(result.lockedCount, 0);
  EXPECT_FALSE(manifest[1].needsDownload || manifest[1].failed);
  EXPECT_EQ(test::readFile(root / "outside.txt"), "123456789");
}

// Lowers the process's descriptor limit to nothing for its lifetime: then opening any file
// fails, for root as well, while the file still exists. This is a real way a listed file
// cannot be opened (a process that has run out of descriptors).
class NoFileDescriptors {
 public:
  NoFileDescriptors() {
    ::getrlimit(RLIMIT_NOFILE, &saved_);
    rlimit none = saved_;
    none.rlim_cur = 0;
    ok_ = ::setrlimit(RLIMIT_NOFILE, &none) == 0;
  }
  ~NoFileDescriptors() { ::setrlimit(RLIMIT_NOFILE, &saved_); }
  bool ok() const { return ok_; }

 private:
  rlimit saved_{};
  bool ok_ = false;
};

TEST_F(LocalScanTest, CountsAFileThatCannotBeOpenedAsLockedWithoutMarkingIt) {
  test::writeFile(game() / "held.pak", "123456789");
  auto manifest =
      parseFileManifest(line("held.pak", 9, 1, "CBF43926") + line("missing.pak", 9, 2, "CBF43926"));
  // First with descriptors: the file is current. (This also lets the sanitizers learn the
  // stream types beforehand; their checks open a pipe, which would fail below.)
  auto result = scanLocalFiles(manifest, game(), progress);
  EXPECT_EQ(result.lockedCount, 0);
  EXPECT_FALSE(manifest[0].needsDownload);
  {
    NoFileDescriptors limit;
    ASSERT_TRUE(limit.ok());
    result = scanLocalFiles(manifest, game(), progress);
  }
  EXPECT_EQ(result.lockedCount, 1);
  EXPECT_TRUE(manifest[0].failed);
  EXPECT_EQ(manifest[0].errorText, "could not open for verification");
  EXPECT_FALSE(manifest[0].needsDownload);
  // Whether a file exists needs no descriptor: the missing one is still marked.
  EXPECT_TRUE(manifest[1].needsDownload);
  EXPECT_EQ(result.needCount, 1);
  EXPECT_EQ(result.needBytes, 2);

  // With descriptors back, the same entry is checked afresh.
  result = scanLocalFiles(manifest, game(), progress);
  EXPECT_EQ(result.lockedCount, 0);
  EXPECT_FALSE(manifest[0].failed);
  EXPECT_TRUE(manifest[0].errorText.empty());
}

TEST_F(LocalScanTest, StopsAtTheCancelFlagWithTheCountsSoFar) {
  auto manifest = parseFileManifest(line("a", 1, 10, "00000000") + line("b", 1, 20, "00000000") +
                                    line("c", 1, 40, "00000000"));
  progress.cancelRequested = true;
  auto result = scanLocalFiles(manifest, game(), progress);
  EXPECT_EQ(result.needCount, 0);
  EXPECT_EQ(progress.filesDone.load(), 0);
  EXPECT_EQ(progress.filesTotal.load(), 3);

  // Cancelled while the first entry is being checked: the scan is held at the status lock,
  // the flag is set, and the scan may finish at most that entry.
  progress.cancelRequested = false;
  {
    std::unique_lock lock(progress.statusLock);
    std::thread scan([&] { result = scanLocalFiles(manifest, game(), progress); });
    progress.cancelRequested = true;
    lock.unlock();
    scan.join();
  }
  const auto done = progress.filesDone.load();
  EXPECT_LE(done, 1);
  EXPECT_EQ(result.needCount, done);
  EXPECT_EQ(result.needBytes, done * 10);
  EXPECT_FALSE(manifest[1].needsDownload || manifest[2].needsDownload);
}

}  // namespace
}  // namespace duskmere
