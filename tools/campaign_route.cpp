#include "tools/campaign_route.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <regex>
#include <sstream>

#include "core/user_file.hpp"

namespace zentara {
namespace {

// ssh's options as its getopt reads them; a letter before ':' takes a value.
constexpr std::string_view SSH_LETTERS = "1246ab:c:e:fgi:kl:m:no:p:qstvxAB:CD:E:F:GI:J:KL:MNO:P:Q:R:S:TVw:W:XYy";
// Flags that change nothing but the address family, compression, verbosity,
// terminal and X11 (off): -A (forward the agent) and the like are not among them.
constexpr std::string_view HARMLESS_FLAGS = "46CTqvx";

// Compiled when first needed: campaign-report's other jobs never pay for them.
bool isHost(const std::string& text) {
    static const std::regex pattern(R"(^([A-Za-z0-9_][-A-Za-z0-9._]*|\[[0-9A-Fa-f:.]+\]|[0-9A-Fa-f:.]*:[0-9A-Fa-f:.]*)$)");
    return std::regex_match(text, pattern);
}
bool isName(const std::string& text) {
    static const std::regex pattern(R"(^[A-Za-z0-9_][-A-Za-z0-9_.]*$)");
    return std::regex_match(text, pattern);
}
bool isPort(const std::string& text) {
    static const std::regex pattern(R"(^[0-9]{1,5}$)");
    return std::regex_match(text, pattern);
}

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }

// Words as a shell splits them, quotes honoured and nothing expanded; false for
// anything a shell would expand or act on, and for any control character.
bool splitWords(std::string_view text, std::vector<std::string>& words) {
    words.clear();
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (const char c : text) {
        if (isControl(c) && c != '\t') return false;
        if (quote == '\'') {
            if (c == '\'') quote = 0;
            else word += c;
        } else if (quote == '"') {
            if (c == '"') quote = 0;
            else if (c == '$' || c == '`' || c == '\\' || c == '!') return false;
            else word += c;
        } else if (c == ' ' || c == '\t') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (std::isalnum(static_cast<unsigned char>(c)) || std::string_view("-_.,:=@%+/~^[]").find(c) != std::string_view::npos) {
            word += c;
            inWord = true;
        } else {
            return false;
        }
    }
    if (quote != 0) return false;
    if (inWord) words.push_back(word);
    return true;
}

// The key of an -o value ("Port=22", "Port 22"), lower case.
std::string optionKey(const std::string& value) {
    std::string key = value.substr(0, value.find_first_of("= \t"));
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

std::string optionValue(const std::string& value) {
    const std::size_t at = value.find_first_of("= \t");
    if (at == std::string::npos) return {};
    const std::size_t from = value.find_first_not_of("= \t", at);
    return from == std::string::npos ? std::string() : value.substr(from);
}

bool parseOptions(const std::vector<std::string>& words, std::size_t end, SshLogin& login) {
    for (std::size_t i = 1; i < end; ++i) {
        std::string_view w = words[i];
        if (w.size() < 2 || w[0] != '-' || !std::isalnum(static_cast<unsigned char>(w[1]))) return false;
        w.remove_prefix(1);
        while (!w.empty()) {
            const char letter = w[0];
            w.remove_prefix(1);
            const std::size_t at = SSH_LETTERS.find(letter);
            if (letter == ':' || at == std::string_view::npos) return false;
            SshOption option{letter, {}};
            if (at + 1 < SSH_LETTERS.size() && SSH_LETTERS[at + 1] == ':') {
                if (!w.empty()) {
                    option.value = std::string(w);
                    w = {};
                } else if (++i < end) {
                    option.value = words[i];
                } else {
                    return false;
                }
                if (letter == 'p' && !isPort(option.value)) return false;
                if (letter == 'l' && !isName(option.value)) return false;
                if (letter == 'o' && !std::regex_match(optionKey(option.value), std::regex("^[a-z]+$"))) return false;
            }
            login.options.push_back(option);
        }
    }
    return true;
}

bool readBounded(const std::string& path, std::size_t limit, std::string& text) {
    text.resize(limit);
    const FileRead read = readUserFile(path.c_str(), text.data(), text.size());
    text.resize(read.ok() ? read.size : 0);
    return read.ok();
}

// Whether `path` is a regular file (no link) of this user or root that nobody
// else may change.
bool trustedFile(const std::string& path) {
    struct stat info {};
    if (path.empty() || path[0] != '/' || ::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    return (info.st_uid == ::geteuid() || info.st_uid == 0) && (info.st_mode & 022) == 0;
}

}  // namespace

bool parseSshLogin(std::string_view text, SshLogin& login) {
    login = SshLogin{};
    std::string rest(text);
    std::smatch m;
    if (std::regex_match(rest, m, std::regex("^@[^/]*/([^]*)$"))) rest = m[1];
    if (std::regex_match(rest, m, std::regex("^[0-9]+/([^]*)$"))) rest = m[1];
    std::vector<std::string> words;
    if (!splitWords(rest, words) || words.empty()) return false;
    if (words.size() > 1) {
        login.command = words[0];
        if (login.command != "ssh" && !std::regex_match(login.command, std::regex("^/[-A-Za-z0-9_./]*/ssh$")))
            return false;
        if (!parseOptions(words, words.size() - 1, login)) return false;
    }
    std::string target = words.back();
    if (const std::size_t at = target.find('@'); at != std::string::npos) {
        login.user = target.substr(0, at);
        target.erase(0, at + 1);
        login.user = login.user.substr(0, login.user.find(':'));  // a password needs sshpass, never run here
        if (!isName(login.user)) return false;
    }
    if (std::regex_match(target, m, std::regex(R"(^\[(.*)\]:([0-9]+)$)")) ||
        std::regex_match(target, m, std::regex(R"(^([^:]+):([0-9]+)$)"))) {
        login.port = m[2];
        target = m[1];
        if (!isPort(login.port)) return false;
    }
    if (target == ":" || !isHost(target)) return false;
    login.host = target;
    return true;
}

bool harmlessSshOption(const SshOption& option) {
    if (option.value.empty() && option.letter != 'o') return HARMLESS_FLAGS.find(option.letter) != std::string_view::npos;
    switch (option.letter) {
        case 'p': return isPort(option.value);
        case 'l': return isName(option.value);
        case 'o': {
            const std::string key = optionKey(option.value), value = optionValue(option.value);
            if (key == "port") return isPort(value);
            if (key == "user") return isName(value);
            return false;
        }
        default: return false;
    }
}

std::vector<SshLoginLine> sshLoginLines(const std::string& text) {
    std::vector<SshLoginLine> lines;
    std::istringstream in(text);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line.erase(0, std::min(line.size(), line.find_first_not_of(" \t\v\f")));
        if (line.empty() || line[0] == '#' || std::regex_match(line, std::regex("^([0-9]+/)?:$"))) continue;
        lines.push_back({number, line});
    }
    return lines;
}

std::vector<SshLogin> trustedSshLogins(const std::string& campaignDir) {
    std::vector<SshLogin> logins;
    std::string text;
    if (!readBounded(campaignDir + "/campaign.txt", 64 * 1024, text)) return logins;
    std::istringstream in(text);
    std::string file;
    for (std::string line; std::getline(in, line);)
        if (line.starts_with("sshloginfile: ")) {
            file = line.substr(14);
            break;
        }
    if (!trustedFile(file) || !readBounded(file, 1 << 20, text)) return logins;
    for (const SshLoginLine& line : sshLoginLines(text)) {
        SshLogin login;
        if (parseSshLogin(line.text, login)) logins.push_back(login);
    }
    return logins;
}

PidFileRead readInstanceRoute(const std::string& instanceDir, const std::vector<SshLogin>& trusted, InstanceRoute& route) {
    route = InstanceRoute{};
    std::string text(4096, '\0');
    const FileRead read = readUserFile((instanceDir + "/instance.pid").c_str(), text.data(), text.size());
    if (read.missing()) return PidFileRead::Missing;
    if (!read.ok()) return PidFileRead::Unreadable;
    text.resize(read.size);
    text = text.substr(0, text.find('\n'));
    std::smatch m;
    // "PID HOST ROUTE"; an instance started by an older campaign wrote "PID SSHLOGIN".
    if (!std::regex_match(text, m, std::regex("^[ \t]*([1-9][0-9]{0,9})(?:[ \t]+([^ \t]+))?(?:[ \t]+(.*?))?[ \t]*$")))
        return PidFileRead::Unreadable;
    route.pid = std::stol(m[1]);
    route.host = m[2];
    route.route = m[3];
    if (route.route.empty()) {
        route.route = route.host.empty() ? ":" : route.host;
        route.host.clear();
    }
    if (!route.host.empty() && !isHost(route.host)) return PidFileRead::Unreadable;
    SshLogin login;
    if (route.route == ":" || std::regex_match(route.route, std::regex("^slurm [0-9]+_[0-9]+$"))) {
        // Only the machine's name is known: ssh as plainly as it comes.
        if (route.host.empty()) return PidFileRead::Read;
        login.host = route.host;
    } else {
        if (!parseSshLogin(route.route, login)) return PidFileRead::Unreadable;
        route.route = "ssh";
        // What is not harmless the user chose for this machine in the trusted
        // file: its command and options on a line for the same host.
        const bool harmlessCommand = login.command.empty() || login.command == "ssh";
        bool harmless = harmlessCommand;
        for (const SshOption& option : login.options) harmless = harmless && harmlessSshOption(option);
        const auto chosen = [&](const SshLogin& t) {
            if (t.host != login.host || (!harmlessCommand && t.command != login.command)) return false;
            for (const SshOption& option : login.options)
                if (!harmlessSshOption(option) && std::find(t.options.begin(), t.options.end(), option) == t.options.end())
                    return false;
            return true;
        };
        if (!harmless && std::none_of(trusted.begin(), trusted.end(), chosen)) return PidFileRead::Unreadable;
    }
    route.ssh.push_back(login.command.empty() ? "ssh" : login.command);
    route.ssh.insert(route.ssh.end(), std::begin(SSH_OWN_OPTIONS), std::end(SSH_OWN_OPTIONS));
    for (const SshOption& option : login.options) {
        route.ssh.push_back(std::string("-") + option.letter);
        if (!option.value.empty() || option.letter == 'o') route.ssh.push_back(option.value);
    }
    if (!login.port.empty()) route.ssh.insert(route.ssh.end(), {"-p", login.port});
    if (!login.user.empty()) route.ssh.insert(route.ssh.end(), {"-l", login.user});
    route.ssh.insert(route.ssh.end(), {"--", login.host});
    return PidFileRead::Read;
}

int runCampaignRoute(int argc, const char* const* argv, std::ostream& out) {
    if (argc < 3) return 2;
    const std::string mode = argv[1];
    if (mode == "--sshlogins") {
        if (argc != 3) return 2;
        const std::string path = argv[2];
        std::string text;
        if (!readBounded(path, 1 << 20, text)) {
            out << "cannot read the sshlogin file " << path << '\n';
            return 1;
        }
        for (const SshLoginLine& line : sshLoginLines(text)) {
            SshLogin login;
            if (!parseSshLogin(line.text, login)) {
                out << path << ", line " << line.number
                    << ": not an sshlogin ([N/][ssh [OPTIONS] ][USER@]HOST[:PORT], nothing a shell would expand): "
                    << line.text << '\n';
                return 1;
            }
        }
        return 0;
    }
    if (mode != "--route") return 2;
    // The campaign's trusted logins, read once for all its instances.
    std::string campaignDir;
    std::vector<SshLogin> trusted;
    for (int i = 2; i < argc; ++i) {
        const std::string path = argv[i];
        const std::size_t slash = path.find_last_of('/');
        const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
        if (i == 2 || parent != campaignDir) trusted = trustedSshLogins(campaignDir = parent);
        InstanceRoute route;
        const PidFileRead read = readInstanceRoute(path, trusted, route);
        if (read != PidFileRead::Read) {
            out << (read == PidFileRead::Missing ? "1" : "3") << "\x1e\x1e\x1e\x1e\n";
            continue;
        }
        out << "0\x1e" << route.pid << '\x1e' << route.host << '\x1e' << route.route << '\x1e';
        for (std::size_t w = 0; w < route.ssh.size(); ++w) out << (w ? "\x1f" : "") << route.ssh[w];
        out << '\n';
    }
    return 0;
}

}  // namespace zentara
