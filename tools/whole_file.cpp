#include "tools/whole_file.hpp"

#include <sys/stat.h>

#include "core/user_file.hpp"

namespace zentara {

bool writeWholeFile(const std::string& path, std::string_view bytes, std::string& reason) {
    // What a killed earlier run left beside the output goes first.
    const std::size_t slash = path.rfind('/');
    removeStaleTemporaries(slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash).c_str());
    // The tools' outputs are written once and kept: flush them to the disk too.
    const int error = replaceFile(path.c_str(), bytes, true);
    if (error == 0) return true;
    reason = fileErrorText(error);
    return false;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace zentara
