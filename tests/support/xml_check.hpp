// A small XML well-formedness check for the pictures the tools write: only XML
// characters, one root element, tags that nest and close, quoted attributes, no
// stray '<' or '&'.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zentara::testing {

inline bool validEntityAt(std::string_view s, std::size_t i) {
    for (std::string_view e : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"})
        if (s.substr(i, e.size()) == e) return true;
    return false;
}

// Where the text holds something that is no XML 1.0 character (Char: tab, line
// ends, U+0020 to U+D7FF, U+E000 to U+FFFD, U+10000 to U+10FFFF, in well-formed
// UTF-8), or npos. The C1 controls are allowed but refused here too: no tool
// has reason to write one.
inline std::size_t notXmlCharAt(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
        const unsigned char b = byte(i);
        if (b < 0x80) {
            if (b < 0x20 && b != '\t' && b != '\n' && b != '\r') return i;
            if (b == 0x7F) return i;
            ++i;
            continue;
        }
        std::size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        if (n == 0 || b > 0xF4 || i + n > s.size()) return i;
        unsigned code = b & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80) return i;
            code = code << 6 | (byte(i + k) & 0x3F);
        }
        const unsigned least[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE ||
            code == 0xFFFF || (code >= 0x80 && code < 0xA0))
            return i;
        i += n;
    }
    return std::string_view::npos;
}

// Returns an empty string when well-formed, else what is wrong and where.
inline std::string xmlProblem(std::string_view s) {
    if (const std::size_t bad = notXmlCharAt(s); bad != std::string_view::npos)
        return "no XML character at " + std::to_string(bad);
    std::size_t i = 0;
    if (s.starts_with("<?xml")) {
        i = s.find("?>");
        if (i == std::string_view::npos) return "unterminated declaration";
        i += 2;
    }
    std::vector<std::string> open;
    int roots = 0;
    const auto nameChar = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
               c == ':' || c == '.';
    };
    while (i < s.size()) {
        if (s[i] == '&') {
            if (!validEntityAt(s, i)) return "bad entity at " + std::to_string(i);
            ++i;
            continue;
        }
        if (s[i] == '>') return "stray '>' at " + std::to_string(i);
        if (s[i] != '<') {
            if (open.empty() && s[i] != '\n' && s[i] != ' ') return "text outside the root at " + std::to_string(i);
            ++i;
            continue;
        }
        ++i;
        const bool closing = i < s.size() && s[i] == '/';
        if (closing) ++i;
        std::size_t start = i;
        while (i < s.size() && nameChar(s[i])) ++i;
        const std::string name(s.substr(start, i - start));
        if (name.empty()) return "tag without a name at " + std::to_string(start);
        if (closing) {
            if (i >= s.size() || s[i] != '>') return "bad closing tag " + name;
            ++i;
            if (open.empty() || open.back() != name) return "closing " + name + " does not match";
            open.pop_back();
            continue;
        }
        // Attributes.
        while (true) {
            while (i < s.size() && s[i] == ' ') ++i;
            if (i >= s.size()) return "unterminated tag " + name;
            if (s[i] == '>' || (s[i] == '/' && i + 1 < s.size() && s[i + 1] == '>')) break;
            start = i;
            while (i < s.size() && nameChar(s[i])) ++i;
            if (i == start || i + 1 >= s.size() || s[i] != '=' || s[i + 1] != '"')
                return "bad attribute in " + name + " at " + std::to_string(i);
            i += 2;
            while (i < s.size() && s[i] != '"') {
                if (s[i] == '<') return "'<' in an attribute of " + name;
                if (s[i] == '&' && !validEntityAt(s, i)) return "bad entity in an attribute of " + name;
                ++i;
            }
            if (i >= s.size()) return "unterminated attribute in " + name;
            ++i;
        }
        if (open.empty() && ++roots > 1) return "second root element " + name;
        if (s[i] == '/') {
            i += 2;
        } else {
            ++i;
            open.push_back(name);
        }
    }
    if (!open.empty()) return "unclosed " + open.back();
    if (roots != 1) return "no root element";
    return {};
}

inline int countOf(std::string_view text, std::string_view needle) {
    int n = 0;
    for (std::size_t i = text.find(needle); i != std::string_view::npos; i = text.find(needle, i + 1)) ++n;
    return n;
}

}  // namespace zentara::testing
