// Writing a file whole or not at all, anywhere (not only in the current
// directory), and telling whether two names are the same file.
#pragma once

#include <string>
#include <string_view>

namespace zentara {

// Writes the bytes under a temporary name in the target's own directory, flushes
// them to the disk and renames the result over `path`, so that a reader sees the
// old file or the new one, never a part. On failure the old file is untouched,
// no temporary file is left behind and `reason` says why.
bool writeWholeFile(const std::string& path, std::string_view bytes, std::string& reason);

// True when both names exist and are the same file (links included).
bool sameFile(const std::string& a, const std::string& b);

}  // namespace zentara
