#include "tools/whole_file.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "core/board_file.hpp"

namespace zentara {

bool writeWholeFile(const std::string& path, std::string_view bytes, std::string& reason) {
    // The tools' outputs are written once and kept: flush them to the disk too.
    if (writeFileAtomically(path.c_str(), bytes, true)) return true;
    reason = errno != 0 ? std::strerror(errno) : "write failed";
    return false;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace zentara
