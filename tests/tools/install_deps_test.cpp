// tools/install-deps against a stand-in package tool and systemd: what each
// command asks apt-get for, and that no service the test packages bring is left
// enabled or running. Nothing is installed on this machine.
#include <sys/wait.h>

#include <cstdlib>

#include "core/version.hpp"
#include "tests/support/temp_dir.hpp"

namespace zentara {
namespace {

using testing::readFile;
using testing::sourcePath;
using testing::writeFile;
namespace fs = std::filesystem;

constexpr const char* APT_GET = R"STUB(#!/bin/bash
# Records the call, with what policy-rc.d answers a service start at that moment.
policy=$ZENTARA_INSTALL_ROOT/usr/sbin/policy-rc.d
if [ -x "$policy" ]; then "$policy" ssh start; answer=$?; else answer=none; fi
echo "apt-get $* (policy-rc.d: $answer)" >> "$STUB/log"
[ "$1" = install ] || exit 0
command() { printf '#!/bin/sh\n' > "$STUB/bin/$1"; chmod +x "$STUB/bin/$1"; }
service() {  # a package's postinst: enables its unit, starts it unless policy-rc.d refuses
    grep -qx "$1" "$STUB/enabled" || echo "$1" >> "$STUB/enabled"
    [ "$answer" = 101 ] || echo "$1" >> "$STUB/active"
}
for package; do
    case $package in
        cmake | g++ | chromium | lintian) command "$package" ;;
        # GNU parallel depends on sysstat, whose service and timers Debian enables.
        parallel) command parallel; service sysstat.service; service sysstat-collect.timer; service sysstat-summary.timer ;;
        ninja-build) command ninja ;;
        libgtest-dev) mkdir -p "$ZENTARA_INSTALL_ROOT/usr/include/gtest" && touch "$ZENTARA_INSTALL_ROOT/usr/include/gtest/gtest.h" ;;
        munge) command munged; service munge.service ;;
        slurm-wlm) command slurmctld; command slurmd; command sbatch; service slurmctld.service; service slurmd.service ;;
        openssh-server)
            service ssh.service
            # A failed installation may still have configured a package.
            [ -n "${STUB_FAIL:-}" ] && exit 100
            mkdir -p "$ZENTARA_INSTALL_ROOT/usr/sbin" && printf '#!/bin/sh\n' > "$ZENTARA_INSTALL_ROOT/usr/sbin/sshd" &&
                chmod +x "$ZENTARA_INSTALL_ROOT/usr/sbin/sshd" ;;
    esac
done
)STUB";

constexpr const char* SYSTEMCTL = R"STUB(#!/bin/bash
touch "$STUB/enabled" "$STUB/active"
case $1 in
    list-unit-files) while read -r unit; do echo "$unit enabled enabled"; done < "$STUB/enabled" ;;
    list-units) while read -r unit; do echo "$unit loaded active running"; done < "$STUB/active" ;;
    disable | stop)
        echo "systemctl $*" >> "$STUB/log"
        file=$STUB/enabled; [ "$1" = stop ] && file=$STUB/active
        grep -vx -- "${@: -1}" "$file" > "$file.new"; mv "$file.new" "$file" ;;
esac
)STUB";

class InstallDepsTest : public testing::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        fs::create_directories("stub/bin");
        fs::create_directories("root/usr/sbin");
        writeFile("stub/bin/apt-get", APT_GET);
        writeFile("stub/bin/systemctl", SYSTEMCTL);
        writeFile("stub/bin/sudo", "#!/bin/sh\nexec \"$@\"\n");
        for (const char* name : {"apt-get", "systemctl", "sudo"}) fs::permissions(fs::path("stub/bin") / name, fs::perms::owner_all);
        // Only the basic tools: what install-deps installs is missing until the stand-in "installs" it.
        for (const char* tool : {"bash", "sh", "id", "rm", "mv", "chmod", "mkdir", "tee", "comm", "sort", "grep", "touch", "cat"}) {
            for (const char* dir : {"/usr/bin/", "/bin/"}) {
                if (!fs::exists(std::string(dir) + tool)) continue;
                fs::create_symlink(std::string(dir) + tool, fs::path("stub/bin") / tool);
                break;
            }
        }
        writeFile("stub/enabled", "");
        writeFile("stub/active", "");
    }
    int run(const std::string& args, const std::string& env = "") {
        const std::string command = "env -i PATH=" + (dir() / "stub/bin").string() + " STUB=" + (dir() / "stub").string() +
                                    " ZENTARA_INSTALL_ROOT=" + (dir() / "root").string() + " " + env + " /bin/bash " +
                                    sourcePath("tools/install-deps").string() + " " + args + " > out.txt 2> err.txt";
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
};

const std::string INSTALL = "apt-get install -y -q -o DPkg::Lock::Timeout=300 ";

// What the main job's install leaves in the log: guarded, and sysstat's units disabled again.
const std::string MAIN_JOB_LOG = INSTALL + "cmake ninja-build g++ parallel (policy-rc.d: 101)\n"
                                 "systemctl disable --quiet sysstat-collect.timer\n"
                                 "systemctl disable --quiet sysstat-summary.timer\n"
                                 "systemctl disable --quiet sysstat.service\n";

TEST_F(InstallDepsTest, TheMainJobGetsWhatBuildingAndRunningNeedAndNoService) {
    ASSERT_EQ(run(""), 0) << readFile("err.txt");
    EXPECT_EQ(readFile("out.txt"), "install-deps: installing cmake ninja-build g++ parallel\n");
    EXPECT_EQ(readFile("err.txt"), "");
    EXPECT_EQ(readFile("stub/log"), MAIN_JOB_LOG);
    EXPECT_EQ(readFile("stub/enabled"), "");
    EXPECT_EQ(readFile("stub/active"), "");
    EXPECT_FALSE(fs::exists("root/usr/sbin/policy-rc.d"));
    // All there now: nothing more to do.
    ASSERT_EQ(run(""), 0);
    EXPECT_EQ(readFile("out.txt"), "");
    EXPECT_EQ(readFile("stub/log"), MAIN_JOB_LOG);

    EXPECT_EQ(run("--test"), 2);
    EXPECT_EQ(readFile("err.txt"), "install-deps: unknown argument '--test'\nusage: tools/install-deps [--tests]\n"
                                   "Installs what building and running Zentara needs; --tests adds what only its tests need.\n");
    EXPECT_EQ(run("--help"), 0);
    EXPECT_TRUE(readFile("out.txt").starts_with("usage: tools/install-deps [--tests]\n"));
    EXPECT_EQ(run("--version"), 0);
    EXPECT_EQ(readFile("out.txt"), "install-deps (Zentara) " + std::string(VERSION) + "\n");
    EXPECT_EQ(readFile("stub/log"), MAIN_JOB_LOG);
}

TEST_F(InstallDepsTest, TheTestsDaemonsAreInstalledWithNoServiceLeftEnabledOrRunning) {
    // The machine's own policy (here one that allows every start) and a unit that was enabled before.
    const std::string own = "#!/bin/sh\nexit 0\n";
    writeFile("root/usr/sbin/policy-rc.d", own);
    fs::permissions("root/usr/sbin/policy-rc.d", fs::perms::owner_all);
    writeFile("stub/enabled", "munge.service\n");
    ASSERT_EQ(run("--tests"), 0) << readFile("err.txt");
    EXPECT_EQ(readFile("out.txt"),
              "install-deps: installing cmake ninja-build g++ parallel libgtest-dev chromium slurm-wlm munge openssh-server lintian\n");
    EXPECT_EQ(readFile("stub/log"),
              INSTALL + "cmake ninja-build g++ parallel libgtest-dev (policy-rc.d: 101)\n" + INSTALL +
                  "--no-install-recommends chromium slurm-wlm munge openssh-server lintian (policy-rc.d: 101)\n"
                  "systemctl disable --quiet slurmctld.service\n"
                  "systemctl disable --quiet slurmd.service\n"
                  "systemctl disable --quiet ssh.service\n"
                  "systemctl disable --quiet sysstat-collect.timer\n"
                  "systemctl disable --quiet sysstat-summary.timer\n"
                  "systemctl disable --quiet sysstat.service\n");
    EXPECT_EQ(readFile("stub/enabled"), "munge.service\n");
    EXPECT_EQ(readFile("stub/active"), "");
    EXPECT_EQ(readFile("root/usr/sbin/policy-rc.d"), own);
    EXPECT_EQ(std::distance(fs::directory_iterator("root/usr/sbin"), fs::directory_iterator()), 2);  // and sshd
}

TEST_F(InstallDepsTest, AFailedInstallationStillLeavesNoServiceAndThePolicyAsItWas) {
    // Everything for building is there; the test packages fail after one was configured.
    for (const char* tool : {"cmake", "ninja", "g++", "parallel"}) {
        writeFile(fs::path("stub/bin") / tool, "#!/bin/sh\n");
        fs::permissions(fs::path("stub/bin") / tool, fs::perms::owner_all);
    }
    fs::create_directories("root/usr/include/gtest");
    writeFile("root/usr/include/gtest/gtest.h", "");
    EXPECT_EQ(run("--tests", "STUB_FAIL=1"), 1);
    EXPECT_EQ(readFile("err.txt"), "install-deps: cannot install chromium slurm-wlm munge openssh-server lintian\n");
    EXPECT_FALSE(fs::exists("root/usr/sbin/policy-rc.d"));
    EXPECT_EQ(readFile("stub/enabled"), "");
    EXPECT_EQ(readFile("stub/active"), "");
    const std::string log = readFile("stub/log");
    EXPECT_EQ(log.find("(policy-rc.d: none)"), std::string::npos) << log;  // every install guarded
    EXPECT_NE(log.find("systemctl disable --quiet ssh.service\n"), std::string::npos) << log;
}

// A run killed outright (SIGKILL: no trap runs) leaves its own refusing policy,
// and the machine's own one aside if there was one. The next run tells its own
// policy from the machine's: it never keeps it, and it gives the original back.
TEST_F(InstallDepsTest, ARunAfterOneKilledOutrightLeavesThePolicyAsTheMachineHadIt) {
    const std::string left = "#!/bin/sh\n# tools/install-deps: no service starts while it installs\nexit 101\n";
    const std::string own = "#!/bin/sh\nexit 0\n";
    struct Case {
        const char* what;
        std::string policy, saved;  // what the killed run left as policy-rc.d and beside it ("": none)
        std::string after;          // policy-rc.d after the next run ("": none)
    };
    const Case cases[] = {
        {"no policy of the machine's", left, "", ""},
        {"the machine's own aside", left, own, own},
        {"a policy of the machine's that looks much like ours", left + "# kept\n", "", left + "# kept\n"},
        {"the machine's own, no run killed", own, "", own},
    };
    for (const Case& c : cases) {
        fs::remove_all("root");
        fs::create_directories("root/usr/sbin");
        for (const auto& [name, text] : {std::pair{"policy-rc.d", c.policy}, {"policy-rc.d.install-deps-saved", c.saved}}) {
            if (text.empty()) continue;
            writeFile(fs::path("root/usr/sbin") / name, text);
            fs::permissions(fs::path("root/usr/sbin") / name, fs::perms::owner_all);
        }
        writeFile("stub/log", "");
        fs::remove("stub/bin/parallel");  // something to install
        ASSERT_EQ(run(""), 0) << c.what << ": " << readFile("err.txt");
        EXPECT_NE(readFile("stub/log").find("parallel (policy-rc.d: 101)"), std::string::npos) << c.what;
        EXPECT_FALSE(fs::exists("root/usr/sbin/policy-rc.d.install-deps-saved")) << c.what;
        if (!c.after.empty())
            EXPECT_EQ(readFile("root/usr/sbin/policy-rc.d"), c.after) << c.what;
        else
            EXPECT_FALSE(fs::exists("root/usr/sbin/policy-rc.d")) << c.what;
    }
}

}  // namespace
}  // namespace zentara
