// The routes pid files name: ssh from PATH or exactly as the trusted sshlogin
// file gives it, harmless options or the trusted file's own, the tool's own
// options first; everything else unreadable.
#include "tools/campaign_route.hpp"

#include <sys/stat.h>

#include "tests/support/temp_dir.hpp"

namespace zentara {
namespace {

namespace fs = std::filesystem;
using testing::writeFile;

class CampaignRouteTest : public testing::TempDirTest {};

std::string joined(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
    return out;
}

TEST_F(CampaignRouteTest, APidFileNamesARouteNeverAProgramOrAnOptionNobodyChose) {
    const std::string own = "-o BatchMode=yes -o ConnectTimeout=10";
    // The user's own sshlogin file, which GNU parallel ran the campaign with.
    writeFile("nodes.txt", "# mine\n2/ssh -i /keys/id -o ForwardAgent=yes alice@node3\n"
                           "1//opt/ssh/bin/ssh -p 2222 node4\n:\n");
    ::chmod("nodes.txt", 0600);
    fs::create_directories("camp/instance-001");
    writeFile("camp/campaign.txt", "program: /bin/true\nsshloginfile: " + fs::absolute("nodes.txt").string() + "\n");
    const std::vector<SshLogin> trusted = trustedSshLogins("camp");
    ASSERT_EQ(trusted.size(), 2u);

    struct Case {
        std::string pidFile;
        std::string ssh;  // the command line up to the host; "unreadable" when refused
    };
    const std::vector<Case> cases{
        {"123 node1 :", "ssh " + own + " -- node1"},
        {"123 node1 slurm 7_2", "ssh " + own + " -- node1"},
        {"123 here :", "ssh " + own + " -- here"},
        {"123 :", ""},  // started here by an older campaign: no machine to reach
        {"123 elsewhere alice@node1:2200", "ssh " + own + " -p 2200 -l alice -- node1"},
        {"123 elsewhere ssh -p 2222 -l bob -4Cq node1", "ssh " + own + " -p 2222 -l bob -4 -C -q -- node1"},
        {"123 elsewhere ssh -o Port=22 -o 'User carol' node1", "ssh " + own + " -o Port=22 -o User carol -- node1"},
        {"123 elsewhere 4/ssh -i /keys/id alice@node3", "ssh " + own + " -i /keys/id -l alice -- node3"},
        {"123 elsewhere ssh -oForwardAgent=yes node3", "ssh " + own + " -o ForwardAgent=yes -- node3"},
        {"123 elsewhere /opt/ssh/bin/ssh -p 1 node4", "/opt/ssh/bin/ssh " + own + " -p 1 -- node4"},
        // A program of the campaign folder's, or any other path, is no ssh.
        {"123 elsewhere " + fs::absolute("camp").string() + "/ssh node1", "unreadable"},
        {"123 elsewhere /usr/bin/ssh node1", "unreadable"},
        {"123 elsewhere /opt/ssh/bin/ssh -p 1 node1", "unreadable"},  // the trusted file's for node4 only
        {"123 elsewhere ssh -i /keys/id node1", "unreadable"},
        {"123 elsewhere sh -c 'touch x' node1", "unreadable"},
        // Options nobody chose (for this machine): an agent, host keys, prompts, time-outs, keys, commands.
        {"123 elsewhere ssh -A node1", "unreadable"},
        {"123 elsewhere ssh -o ForwardAgent=yes node1", "unreadable"},
        {"123 elsewhere ssh -o StrictHostKeyChecking=no node1", "unreadable"},
        {"123 elsewhere ssh -o BatchMode=no node1", "unreadable"},
        {"123 elsewhere ssh -o ConnectTimeout=100000 node1", "unreadable"},
        {"123 elsewhere ssh -i /keys/other node1", "unreadable"},
        {"123 elsewhere ssh -o IdentityFile=/keys/id node1", "unreadable"},
        {"123 elsewhere ssh -F /tmp/config node1", "unreadable"},
        {"123 elsewhere ssh -o Port=22;touch node1", "unreadable"},
        {"123 elsewhere ssh -o 'ProxyCommand=touch x' node1", "unreadable"},
        {"123 elsewhere ssh -L 80:h:80 node1", "unreadable"},
        {"123 elsewhere ssh -o 'User=a b' node1", "unreadable"},
        {"123 elsewhere ssh -p 22x node1", "unreadable"},
        {"123 elsewhere ssh node1;touch x", "unreadable"},
        {"123 elsewhere ssh -oProxyCommand=x :", "unreadable"},
        {"123 -oProxyCommand=x :", "unreadable"},
        {"123 elsewhere ssh $(touch x) node1", "unreadable"},
        {"123 elsewhere ssh\x1b[2J node1", "unreadable"},
        {"0 node1 :", "unreadable"},
        {"12345678901 node1 :", "unreadable"},
        {"", "unreadable"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pidFile);
        writeFile("camp/instance-001/instance.pid", c.pidFile + "\n");
        InstanceRoute route;
        const PidFileRead read = readInstanceRoute("camp/instance-001", trusted, route);
        EXPECT_EQ(read == PidFileRead::Unreadable ? "unreadable" : joined(route.ssh), c.ssh);
        if (read == PidFileRead::Read) {
            EXPECT_EQ(route.pid, 123);
        }
    }

    // The same file is no longer trusted once others may change it, nor when it is a link.
    ::chmod("nodes.txt", 0620);
    EXPECT_EQ(trustedSshLogins("camp").size(), 0u);
    ::chmod("nodes.txt", 0600);
    fs::create_symlink(fs::absolute("nodes.txt"), "linked.txt");
    writeFile("camp/campaign.txt", "sshloginfile: " + fs::absolute("linked.txt").string() + "\n");
    EXPECT_EQ(trustedSshLogins("camp").size(), 0u);
    fs::remove("camp/instance-001/instance.pid");
    InstanceRoute route;
    EXPECT_EQ(readInstanceRoute("camp/instance-001", trusted, route), PidFileRead::Missing);
}

}  // namespace
}  // namespace zentara
