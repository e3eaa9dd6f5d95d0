#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "path/settings.hpp"
#include "tests/support/temp_dir.hpp"

namespace zentara::path {
namespace {

TEST(Settings, UsualFormsAreRead) {
    EXPECT_EQ(parsePathMode("[Global]\r\nPathMode=3\r\n"), 3);
    EXPECT_EQ(parsePathMode("[Global]\nPathMode=5"), 5);  // no line end at the end
    EXPECT_EQ(parsePathMode("  [ global ]  \n  pathmode  =  6   ; the column path\n"), 6);
    EXPECT_EQ(parsePathMode("\xEF\xBB\xBF[Global]\r\nPathMode = 2\r\n"), 2);
    EXPECT_EQ(parsePathMode("; settings\r\n# more\r\n[Other]\r\nPathMode=5\r\n[Global]\r\nOther=1\r\n"
                            "; PathMode=1\r\nPathMode=4\r\nPathMode=2\r\n[Other]\r\nPathMode=6\r\n"),
              4);
    EXPECT_EQ(parsePathMode("[Global]\r\nPathMode=+1\r\n"), 1);
    EXPECT_EQ(parsePathMode("[Global]\r\nPathMode=3x\r\n"), 3);
}

TEST(Settings, AnythingElseGivesTheFirstPath) {
    EXPECT_EQ(parsePathMode(""), 0);
    EXPECT_EQ(parsePathMode("PathMode=3\n"), 0);                  // outside any section
    EXPECT_EQ(parsePathMode("[Other]\nPathMode=3\n"), 0);
    EXPECT_EQ(parsePathMode("[Global]\nPathMode=7\n"), 0);
    EXPECT_EQ(parsePathMode("[Global]\nPathMode=-1\n"), 0);
    EXPECT_EQ(parsePathMode("[Global]\nPathMode=\n"), 0);
    EXPECT_EQ(parsePathMode("[Global]\nPathMode=three\n"), 0);
    EXPECT_EQ(parsePathMode("[Global]\nPathMode=99999999999999999999999\n"), 0);
    EXPECT_EQ(parsePathMode("[Global\nPathMode=3\n"), 0);          // broken header
    EXPECT_EQ(parsePathMode("[Global]\nPathMode 3\n"), 0);
    EXPECT_EQ(parsePathMode("[Global]\nPathModeX=3\n"), 0);
    EXPECT_EQ(parsePathMode("[]\n=\n[\n]\n=3\n[Global]\n=3\n"), 0);
    EXPECT_EQ(parsePathMode(std::string("[Global]\0PathMode=3\n", 20)), 0);
    std::string noise;
    for (int i = 0; i < 5000; ++i) noise += static_cast<char>((i * 131 + 7) % 256);
    EXPECT_GE(parsePathMode(noise), 0);
    EXPECT_LE(parsePathMode(noise), 6);
}

class SettingsFile : public zentara::testing::TempDirTest {};

TEST_F(SettingsFile, ReadFromTheWorkingDirectory) {
    EXPECT_EQ(readPathMode(), 0);  // no file
    zentara::testing::writeFile("ZentaraRnd.ini", "[Global]\r\nPathMode=5\r\n");
    EXPECT_EQ(readPathMode(), 5);
    zentara::testing::writeFile("ZentaraRnd.ini", "");
    EXPECT_EQ(readPathMode(), 0);
    std::filesystem::remove("ZentaraRnd.ini");
    std::filesystem::create_directory("ZentaraRnd.ini");  // unreadable as a file
    EXPECT_EQ(readPathMode(), 0);
    std::filesystem::remove("ZentaraRnd.ini");
    ASSERT_EQ(::mkfifo("ZentaraRnd.ini", 0644), 0);  // read at once as no file, never waited on
    EXPECT_EQ(readPathMode(), 0);
}

}  // namespace
}  // namespace zentara::path
