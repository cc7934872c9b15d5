// Replays every file of one harness's corpus through its entry function, so
// inputs that once found a fault stay covered in the ordinary build.
#include "tests/fuzz/fuzz_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

// One suite name per harness (FUZZ_SUITE), so ctest tells the replays apart.
#define REPLAY_TEST(suite) TEST(suite, EveryFileReplaysCleanly)
REPLAY_TEST(FUZZ_SUITE) {
    namespace fs = std::filesystem;
    const fs::path dir = FUZZ_CORPUS_DIR;
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    std::size_t count = 0;
    for (const auto& item : fs::directory_iterator(dir)) {
        if (!item.is_regular_file()) continue;
        std::ifstream file(item.path(), std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
        SCOPED_TRACE(item.path().string());
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                         bytes.size()),
                  0);
        ++count;
    }
    EXPECT_GT(count, 0u) << "empty corpus " << dir;
}
