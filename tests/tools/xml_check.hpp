// A small XML well-formedness check for the pictures the tools write: one root
// element, tags that nest and close, quoted attributes, no stray '<' or '&'.
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

// Returns an empty string when well-formed, else what is wrong and where.
inline std::string xmlProblem(std::string_view s) {
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
