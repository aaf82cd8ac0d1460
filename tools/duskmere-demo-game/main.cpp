// Writes a synthetic game folder for the demo service and the benchmarks: the same options
// always give the same bytes, and a later --version changes a fixed share of the files.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Options {
  std::filesystem::path out;
  int version = 50;
  int baseVersion = 50;
  int files = 300;
  std::uint64_t totalBytes = 200ull * 1024 * 1024;
};

// splitmix64: a tiny generator whose stream depends only on its seed.
struct Random {
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
};

const char* const kFolders[] = {"", "data/", "data/maps/", "data/models/", "lib/", "sound/",
                                "sound/music/", "textures/", "ui/"};
const char* const kWords[] = {"hollow", "crown",  "ember", "warden", "mire", "ash",   "keep",
                              "lantern", "raven", "oath",  "shade",  "rune", "barrow", "dusk"};

void printUsage() {
  std::cout << "usage: duskmere-demo-game --out DIR [--version N] [--base-version N]\n"
               "                          [--files N] [--total-mb N]\n"
               "Writes a deterministic synthetic game folder. Files that --version changes\n"
               "relative to --base-version (about one in eight) get new contents.\n";
}

bool parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--help") {
      printUsage();
      std::exit(0);
    }
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (name == "--out") {
      options.out = value;
    } else if (name == "--version") {
      options.version = std::atoi(value.c_str());
    } else if (name == "--base-version") {
      options.baseVersion = std::atoi(value.c_str());
    } else if (name == "--files") {
      options.files = std::atoi(value.c_str());
    } else if (name == "--total-mb") {
      options.totalBytes = std::strtoull(value.c_str(), nullptr, 10) * 1024 * 1024;
    } else {
      return false;
    }
  }
  return !options.out.empty() && options.files > 0;
}

// Text-like data compresses well, noise does not; a real game has both.
void writeContents(std::ofstream& file, Random& random, std::uint64_t size, bool compressible) {
  std::vector<char> block(64 * 1024);
  while (size > 0) {
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(size, block.size()));
    for (std::size_t i = 0; i < length;) {
      if (compressible) {
        const std::string_view word = kWords[random.next() % std::size(kWords)];
        for (char c : word) {
          if (i < length) block[i++] = c;
        }
        if (i < length) block[i++] = (random.next() % 9 == 0) ? '\n' : ' ';
      } else {
        std::uint64_t bits = random.next();
        for (int b = 0; b < 8 && i < length; ++b, bits >>= 8) block[i++] = char(bits & 0xFF);
      }
    }
    file.write(block.data(), static_cast<std::streamsize>(length));
    size -= length;
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    printUsage();
    return 2;
  }
  // Sizes follow a skewed spread (many small files, a few large ones) scaled to the total.
  Random sizing{0x5EED};
  std::vector<double> weights(options.files);
  double weightSum = 0;
  for (auto& weight : weights) {
    const double u = double(sizing.next() % 1000000) / 1000000.0;
    weight = u * u * u * u + 0.0005;
    weightSum += weight;
  }
  std::uint64_t written = 0;
  for (int index = 0; index < options.files; ++index) {
    const std::string folder = kFolders[index % std::size(kFolders)];
    const std::string name = index == 0 ? "Duskmere.exe"
                                        : folder + kWords[index % std::size(kWords)] + "_" +
                                              std::to_string(index) + (index % 3 ? ".pak" : ".dat");
    const auto size =
        static_cast<std::uint64_t>(double(options.totalBytes) * weights[index] / weightSum);
    const bool changed = options.version != options.baseVersion && index % 8 == 3;
    Random contents{0xD05C0000ull + std::uint64_t(index) * 7919 +
                    (changed ? std::uint64_t(options.version) << 32 : 0)};
    const auto path = options.out / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    writeContents(file, contents, size, index % 2 == 0);
    if (!file) {
      std::cerr << "duskmere-demo-game: cannot write " << path << "\n";
      return 1;
    }
    written += size;
  }
  std::cout << "duskmere-demo-game: " << options.files << " files, " << written << " bytes in "
            << options.out << "\n";
  return 0;
}
