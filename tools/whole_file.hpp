// Writing a tool's output file whole or not at all, with a reason on failure,
// and telling whether two names are the same file.
#pragma once

#include <string>
#include <string_view>

namespace zentara {

// Writes `path` through the one writer of core/user_file.hpp, flushed to the disk
// before the rename, after removing the temporaries killed runs left beside it.
// On failure the old file is untouched, no temporary file is left behind and
// `reason` says why.
bool writeWholeFile(const std::string& path, std::string_view bytes, std::string& reason);

// True when both names exist and are the same file (links included).
bool sameFile(const std::string& a, const std::string& b);

}  // namespace zentara
