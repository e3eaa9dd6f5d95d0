// Test support: every test that touches files runs in its own fresh directory.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace zentara::testing {

// Makes a fresh directory under the system's temporary folder, enters it, and
// leaves and removes it at the end of the test.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "zentara-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    const std::filesystem::path& dir() const { return dir_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path dir_;
};

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::filesystem::path sourcePath(const std::string& relative) {
    return std::filesystem::path(ZENTARA_SOURCE_DIR) / relative;
}

inline std::filesystem::path programPath(const std::string& name) {
    return std::filesystem::path(ZENTARA_BIN_DIR) / name;
}

}  // namespace zentara::testing
