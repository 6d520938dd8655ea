// Replays what the fuzzers found (tests/crashers/<target>/) through the fuzz targets, built here with
// the ordinary compiler and sanitizers; the writers and thumbnail targets also take every image crasher
// and seed. A
// target that meets a broken promise aborts, which fails this test as loudly as it failed the fuzzer.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int Fuzz_update_records(const uint8_t* data, size_t size);
extern "C" int Fuzz_writers(const uint8_t* data, size_t size);
extern "C" int Fuzz_thumbnail(const uint8_t* data, size_t size);
extern "C" int Fuzz_statements(const uint8_t* data, size_t size);
extern "C" int Fuzz_file_description(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

// Every regular file directly in the folders, through the target; the count of files replayed.
int Replay(int (*target)(const uint8_t*, size_t), std::vector<fs::path> folders) {
  int files = 0;
  for (const fs::path& folder : folders) {
    if (!fs::is_directory(folder)) continue;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (!entry.is_regular_file()) continue;
      SCOPED_TRACE(entry.path().string());
      std::ifstream in(entry.path(), std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      target(bytes.data(), bytes.size());
      ++files;
    }
  }
  return files;
}

}  // namespace

TEST(FuzzReplay, EveryFindingOfEveryTargetStaysFixed) {
  const fs::path crashers = CRASHERS_DIR;
  struct Case {
    const char* name;
    int (*target)(const uint8_t*, size_t);
  } cases[] = {
      {"update_records", &Fuzz_update_records},
      {"statements", &Fuzz_statements},
      {"file_description", &Fuzz_file_description},
      {"writers", &Fuzz_writers},
      {"thumbnail", &Fuzz_thumbnail},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<fs::path> folders = {crashers / c.name};
    if (c.target == &Fuzz_writers || c.target == &Fuzz_thumbnail)
      folders.insert(folders.end(), {crashers, fs::path(FUZZ_DIR) / "seeds"});
    const int files = Replay(c.target, folders);
    // The image targets have the image files to replay, and there are always some.
    if (c.target == &Fuzz_writers || c.target == &Fuzz_thumbnail) EXPECT_GT(files, 20);
  }
}
