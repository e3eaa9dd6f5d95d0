#include "path/settings.hpp"

#include <cstdio>
#include <string>

#include "core/user_file.hpp"
#include "path/paths.hpp"

namespace zentara::path {

namespace {

// Settings files are a few lines long; anything beyond this is not one.
constexpr std::size_t MAX_SETTINGS_BYTES = 1 << 20;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The leading decimal number of a value; false when there is none or it is too
// large to be a path number anyway.
bool leadingNumber(std::string_view value, long& out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
    if (i >= value.size() || value[i] < '0' || value[i] > '9') return false;
    long n = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        n = n * 10 + (value[i] - '0');
        if (n > 1000000) return false;
    }
    out = negative ? -n : n;
    return true;
}

}  // namespace

int parsePathMode(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // UTF-8 byte order mark
    bool inGlobal = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            inGlobal = close != std::string_view::npos && equalNoCase(trim(line.substr(1, close - 1)), "Global");
            continue;
        }
        if (!inGlobal) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || !equalNoCase(trim(line.substr(0, equals)), "PathMode")) continue;
        // The first PathMode of the section is the one that counts.
        long value = 0;
        if (!leadingNumber(trim(line.substr(equals + 1)), value)) return 0;
        return normalisedPathMode(static_cast<int>(value));
    }
    return 0;
}

int readPathMode(const char* fileName) {
    // Read without blocking (a FIFO or device under the name reads as no file)
    // and without bound: only the first MAX_SETTINGS_BYTES count.
    std::string bytes(MAX_SETTINGS_BYTES, '\0');
    const FileRead read = readUserFile(fileName, bytes.data(), bytes.size());
    if (!read.ok()) return 0;
    bytes.resize(read.size);
    return parsePathMode(bytes);
}

}  // namespace zentara::path
