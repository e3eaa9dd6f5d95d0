// Routes to a campaign's instances, read from files anybody may have written.
//
// Words: an instance is one program in DIR/instance-NNN; its pid file
// (instance.pid, one line "PID HOST ROUTE") names the process and the route to
// its machine: ":" (GNU parallel started it here, without ssh), "slurm JOB_TASK"
// (a Slurm array task) or an sshlogin as GNU parallel gives it. An sshlogin is
//   [@GROUPS/][N/][SSHCOMMAND [OPTIONS] ][USER[:PASSWORD]@]HOST[:PORT]
// A campaign directory may be shared and written by others, so a pid file names
// a route, never a program: the ssh run is `ssh` from the user's PATH, or exactly
// the command a line of the campaign's trusted sshlogin file names, and its
// options are harmless ones (a port, a user name, a few plain flags) or exactly
// ones the trusted file gives. Anything else makes the pid file unreadable. The
// trusted file is the one campaign.txt names, when it is the user's own (or
// root's) regular file that nobody else may change.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace zentara {

struct SshOption {
    char letter = 0;    // as ssh's getopt reads it: 'p', 'o', 'A', ...
    std::string value;  // empty for a flag
    bool operator==(const SshOption&) const = default;
};

struct SshLogin {
    std::string command;              // "ssh", a path ending in "/ssh", or empty when the login names none
    std::vector<SshOption> options;
    std::string user, host, port;     // port from HOST:PORT; empty when not given
};

// Parses one sshlogin; false for anything else, and for any word a shell would
// expand or act on (GNU parallel hands an sshlogin's command to a shell).
bool parseSshLogin(std::string_view text, SshLogin& login);

// Whether ssh may take `option` from an sshlogin nobody vouches for: it runs no
// command, forwards nothing, writes no file and changes no time-out or prompt.
bool harmlessSshOption(const SshOption& option);

// The sshlogins of a file's lines that are neither blank, comments nor ":" (this
// machine), with their line numbers; the file is read up to 1 MiB.
struct SshLoginLine {
    int number = 0;
    std::string text;
};
std::vector<SshLoginLine> sshLoginLines(const std::string& text);

// The sshlogins of the campaign's trusted sshlogin file (none when campaign.txt
// names none, or the file is not trusted).
std::vector<SshLogin> trustedSshLogins(const std::string& campaignDir);

// What an instance's pid file says, checked. `ssh` is the command line that
// reaches the instance's machine, up to and including its host (the remote
// command follows); empty when no machine is named.
struct InstanceRoute {
    long pid = 0;
    std::string host;
    std::string route;              // ":", "slurm JOB_TASK", or "ssh"
    std::vector<std::string> ssh;
};

enum class PidFileRead { Read, Missing, Unreadable };

// The options the tool itself gives ssh, first on its command line (ssh keeps
// the first value of an option).
inline constexpr const char* SSH_OWN_OPTIONS[] = {"-o", "BatchMode=yes", "-o", "ConnectTimeout=10"};

PidFileRead readInstanceRoute(const std::string& instanceDir, const std::vector<SshLogin>& trusted, InstanceRoute& route);

// campaign-report --route INSTANCE_DIR...: one line per instance on `out`, its
// fields apart by RS (0x1E): 0 (read), 1 (no pid file) or 3 (unreadable), then
// pid, host, route and the ssh words apart by US (0x1F). No field holds either
// separator or a line break: every word is checked free of control characters.
// campaign-report --sshlogins FILE: exit 0 when every line is an sshlogin, else
// 1 with the first one that is not named on `out`.
int runCampaignRoute(int argc, const char* const* argv, std::ostream& out);

}  // namespace zentara
