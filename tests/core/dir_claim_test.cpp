// The claim on a working directory: one holder, named to the refused; lock files
// that are links, FIFOs or directories refused without waiting; a directory the
// user may not write refused with the reason, and its holder still named.
#include "core/dir_claim.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/user_file.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/support/unprivileged.hpp"

namespace zentara {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;

std::string hostName() {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    return host;
}

class DirClaimTest : public testing::TempDirTest {};

// flock belongs to the open file, so a second claim from this same process is
// refused as another process's would be.
TEST_F(DirClaimTest, OneHolderNamedToTheRefusedUntilReleased) {
    DirClaim first, second;
    std::string message;
    ASSERT_EQ(claimDirectory(".", "score-solver", first, message), ClaimResult::Claimed);
    EXPECT_EQ(message, "");
    const std::string holder = std::to_string(::getpid()) + " on " + hostName() + ": score-solver";
    EXPECT_EQ(readFile(CLAIM_FILE_NAME), holder + "\r\n");
    EXPECT_EQ(claimDirectory(".", "brute-solver", second, message), ClaimResult::Held);
    EXPECT_EQ(message, "brute-solver: this directory is in use by " + holder);
    EXPECT_EQ(second.fd, -1);
    EXPECT_EQ(removeStaleTemporaries("."), 0);  // the lock file is no leftover

    // Whatever the file holds is shown harmlessly and only its start is read.
    const std::string crafted = "\x1b]0;owned\x07" + std::string(100000, 'x');
    ASSERT_EQ(::pwrite(first.fd, crafted.data(), crafted.size(), 0), static_cast<ssize_t>(crafted.size()));
    EXPECT_EQ(claimDirectory(".", "brute-solver", second, message), ClaimResult::Held);
    EXPECT_EQ(message, "brute-solver: this directory is in use by \\x1B]0;owned\\x07" + std::string(256 - 10, 'x'));

    releaseDirectory(first);
    EXPECT_FALSE(fs::exists(CLAIM_FILE_NAME));
    ASSERT_EQ(claimDirectory(".", "brute-solver", second, message), ClaimResult::Claimed);
    releaseDirectory(second);

    // A file left by a killed holder is taken over, whatever it said.
    writeFile(CLAIM_FILE_NAME, "4242 on elsewhere: shift-solver\r\n");
    ASSERT_EQ(claimDirectory(".", "path-solver", first, message), ClaimResult::Claimed);
    EXPECT_EQ(readFile(CLAIM_FILE_NAME), std::to_string(::getpid()) + " on " + hostName() + ": path-solver\r\n");
    releaseDirectory(first);
}

// A claim handed down on the descriptor ZENTARA_CLAIM_FD names is taken over only
// when that descriptor holds the lock of this directory's lock file; any other
// descriptor (another opening of the same file, another file, no number) gains
// nothing, and the program is refused as usual while the starter holds the claim.
TEST_F(DirClaimTest, AClaimHandedDownIsTakenOverOnlyOnItsOwnDescriptor) {
    DirClaim starter;
    std::string message;
    ASSERT_EQ(claimDirectory(".", "campaign", starter, message), ClaimResult::Claimed);
    writeFile("other.txt", "other");
    const int sameFileOtherOpening = ::open(CLAIM_FILE_NAME, O_RDWR | O_CLOEXEC);
    const int otherFile = ::open("other.txt", O_RDWR | O_CLOEXEC);
    const std::pair<std::string, bool> cases[] = {
        {std::to_string(sameFileOtherOpening), false},
        {std::to_string(otherFile), false},
        {"0", false},
        {"-" + std::to_string(starter.fd), false},
        {std::to_string(starter.fd) + "x", false},
        {std::to_string(starter.fd), true},  // last: it renames the holder
    };
    for (const auto& [fd, taken] : cases) {
        SCOPED_TRACE(fd);
        ::setenv("ZENTARA_CLAIM_FD", fd.c_str(), 1);
        const int result = testing::runInChild(
            [] {
                const bool claimed = claimWorkingDirectory("score-solver");
                const bool cleared = std::getenv("ZENTARA_CLAIM_FD") == nullptr;  // not passed on
                ::_exit(cleared ? (claimed ? 10 : 20) : 1);
                return 1;
            },
            false, 20);
        ::unsetenv("ZENTARA_CLAIM_FD");
        EXPECT_EQ(result, taken ? 10 : 20);
        // Taken over, the file names the program; refused, the starter still. The file stays either way.
        const std::string named = readFile(CLAIM_FILE_NAME), here = " on " + hostName();
        if (taken) EXPECT_EQ(named.substr(named.find(" on ")), here + ": score-solver\r\n");
        else EXPECT_EQ(named, std::to_string(::getpid()) + here + ": campaign\r\n");
    }
    ::close(sameFileOtherOpening);
    ::close(otherFile);
    releaseDirectory(starter);
    EXPECT_FALSE(fs::exists(CLAIM_FILE_NAME));
}

TEST_F(DirClaimTest, RefusesLockFilesThatAreNoPlainFile) {
    writeFile("elsewhere", "kept");
    fs::create_directory("link");
    fs::create_symlink("../elsewhere", fs::path("link") / CLAIM_FILE_NAME);
    fs::create_directories(fs::path("directory") / CLAIM_FILE_NAME);
    fs::create_directory("fifo");
    ASSERT_EQ(::mkfifo((fs::path("fifo") / CLAIM_FILE_NAME).c_str(), 0644), 0);
    fs::create_directory("hardlink");
    fs::create_hard_link("elsewhere", fs::path("hardlink") / CLAIM_FILE_NAME);
    const std::pair<const char*, const char*> cases[] = {
        {"hardlink", "block-solver: cannot claim this directory: .zentara.lock has 2 links; a lock file is a file of its own"},
        {"link", "block-solver: cannot claim this directory: .zentara.lock is a symbolic link"},
        {"directory", "block-solver: cannot claim this directory: .zentara.lock is not a regular file"},
        {"fifo", "block-solver: cannot claim this directory: .zentara.lock is not a regular file"},
    };
    for (const auto& [dir, expected] : cases) {
        SCOPED_TRACE(dir);
        // In a child: a claim that waited on the FIFO would fail the test, not hang it.
        const int result = testing::runInChild(
            [dir = dir, expected = expected] {
                DirClaim claim;
                std::string message;
                return claimDirectory(dir, "block-solver", claim, message) == ClaimResult::Refused &&
                               message == expected && claim.fd == -1
                           ? 0
                           : 1;
            },
            false, 20);
        EXPECT_EQ(result, 0);
    }
    EXPECT_EQ(readFile("elsewhere"), "kept");
}

// Run as an unprivileged user: a directory it may not write is refused with the
// reason; when another user's solver holds it, the holder is named all the same.
TEST_F(DirClaimTest, UnwritableDirectoryRefusedAndItsHolderNamed) {
    ASSERT_EQ(::chmod(".", 0755), 0);
    fs::create_directory("free");
    fs::create_directory("held");
    ASSERT_EQ(::chmod("free", 0755), 0);
    ASSERT_EQ(::chmod("held", 0755), 0);
    // Shared directories with the lock file another user's killed solver left:
    // taken over where the directory lets the claimant remove it, else named stale.
    const std::string stale = "4242 on elsewhere: score-solver";
    for (const char* shared : {"shared", "sticky"}) {
        fs::create_directory(shared);
        writeFile(fs::path(shared) / CLAIM_FILE_NAME, stale + "\r\n");
        ASSERT_EQ(::chmod((fs::path(shared) / CLAIM_FILE_NAME).c_str(), 0644), 0);
    }
    ASSERT_EQ(::chmod("shared", 0777), 0);
    ASSERT_EQ(::chmod("sticky", 01777), 0);
    DirClaim mine;
    std::string message;
    ASSERT_EQ(claimDirectory("held", "score-solver", mine, message), ClaimResult::Claimed);
    const std::string holder = std::to_string(::getpid()) + " on " + hostName() + ": score-solver";
    if (::geteuid() != 0) {
        // An ordinary user owns both: they are writable to it. Nothing to see here.
        releaseDirectory(mine);
        GTEST_SKIP() << "needs root to run the claimant as another user";
    }
    const int result = testing::runUnprivileged([&] {
        DirClaim claim;
        std::string text;
        if (claimDirectory("free", "shift-solver", claim, text) != ClaimResult::Refused ||
            text != "shift-solver: cannot claim this directory: it is not writable (Permission denied)")
            return 1;
        if (claimDirectory("held", "shift-solver", claim, text) != ClaimResult::Held ||
            text != "shift-solver: this directory is in use by " + holder)
            return 2;
        if (claimDirectory("sticky", "shift-solver", claim, text) != ClaimResult::Refused ||
            text != "shift-solver: cannot claim this directory: .zentara.lock is stale (its holder, " + stale +
                        ", is gone) but cannot be taken over: Operation not permitted")
            return 3;
        if (claimDirectory("shared", "shift-solver", claim, text) != ClaimResult::Claimed) return 4;
        return readClaimHolder("shared") == std::to_string(::getpid()) + " on " + hostName() + ": shift-solver" ? 0 : 5;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(testing::readFile(fs::path("sticky") / CLAIM_FILE_NAME), stale + "\r\n");
    EXPECT_EQ(testing::readFile(fs::path("held") / CLAIM_FILE_NAME), holder + "\r\n");
    EXPECT_FALSE(fs::exists(fs::path("free") / CLAIM_FILE_NAME));
    releaseDirectory(mine);
}

// Stat.bin links of two directories to one file: the run that writes through the
// second link is refused while the first holds the file's directory; a link
// within its own directory, or no link, asks no more than the directory's claim.
TEST_F(DirClaimTest, AFileWrittenThroughALinkClaimsItsDirectory) {
    for (const char* d : {"a", "b", "c", "dangling", "own", "plain", "solver", "into-solver"}) fs::create_directory(d);
    writeFile("c/Stat.bin", "counts");
    fs::create_symlink("../c/Stat.bin", "a/Stat.bin");
    fs::create_symlink("../c/Stat.bin", "b/Stat.bin");
    fs::create_symlink("../c/new.bin", "dangling/Stat.bin");
    writeFile("own/Stat.real", "counts");
    fs::create_symlink("Stat.real", "own/Stat.bin");
    writeFile("plain/Stat.bin", "counts");
    writeFile("solver/Stat.bin", "counts");
    fs::create_symlink(fs::absolute("solver/Stat.bin"), "into-solver/Stat.bin");

    DirClaim first, solver;
    std::string message;
    ASSERT_EQ(claimLinkedFile("a", "Stat.bin", "score-solver", first, message), ClaimResult::Claimed) << message;
    ASSERT_GE(first.fd, 0);
    ASSERT_EQ(claimDirectory("solver", "score-solver", solver, message), ClaimResult::Claimed);
    const std::string holder = std::to_string(::getpid()) + " on " + hostName() + ": score-solver";
    const fs::path here = fs::canonical(".");
    struct Case {
        const char* dir;
        ClaimResult result;
        std::string message;
    };
    const Case cases[] = {
        {"b", ClaimResult::Held, "score-solver: Stat.bin is a link to " + (here / "c/Stat.bin").string() +
                                     ", whose directory is in use by " + holder},
        {"dangling", ClaimResult::Held, "score-solver: Stat.bin is a link to " + (here / "c/new.bin").string() +
                                            ", whose directory is in use by " + holder},
        {"into-solver", ClaimResult::Held, "score-solver: Stat.bin is a link to " + (here / "solver/Stat.bin").string() +
                                               ", whose directory is in use by " + holder},
        {"own", ClaimResult::Claimed, ""},
        {"plain", ClaimResult::Claimed, ""},
    };
    for (const Case& c : cases) {
        DirClaim claim;
        EXPECT_EQ(claimLinkedFile(c.dir, "Stat.bin", "score-solver", claim, message), c.result) << c.dir;
        EXPECT_EQ(message, c.message) << c.dir;
        EXPECT_EQ(claim.fd, -1) << c.dir;
    }
    releaseDirectory(first);
    DirClaim second;
    EXPECT_EQ(claimLinkedFile("b", "Stat.bin", "score-solver", second, message), ClaimResult::Claimed) << message;
    EXPECT_GE(second.fd, 0);
    releaseDirectory(second);
    releaseDirectory(solver);
    EXPECT_EQ(readFile("c/Stat.bin"), "counts");
}

}  // namespace
}  // namespace zentara
