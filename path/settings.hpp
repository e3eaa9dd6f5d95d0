// The one hand-edited input of the suite: the random solver's settings file.
#pragma once

#include <string_view>

namespace zentara::path {

inline constexpr const char* SETTINGS_FILE = "ZentaraRnd.ini";

// Reads the integer under [Global] PathMode the way initialisation files are
// usually read: section and key names ignore case and surrounding blanks, lines
// starting with ';' or '#' are comments, CR LF or LF line ends, the value is the
// leading (optionally signed) number. A missing file, section, key or number, or
// a value outside 0..6, gives 0.
int readPathMode(const char* fileName = SETTINGS_FILE);

// The same, over the bytes of a settings file.
int parsePathMode(std::string_view text);

}  // namespace zentara::path
