#include "core/piece_list.hpp"

#include <memory>

#include "core/user_file.hpp"

namespace zentara {

namespace {

const char* const SIDE_NAMES[4] = {"top", "right", "bottom", "left"};

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r'; }

// The words of a line (comment cut off), split at separators.
std::vector<std::string_view> wordsOf(std::string_view line) {
    const std::size_t hash = line.find('#');
    if (hash != std::string_view::npos) line = line.substr(0, hash);
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isSeparator(line[i])) ++i;
        const std::size_t begin = i;
        while (i < line.size() && !isSeparator(line[i])) ++i;
        if (i > begin) words.push_back(line.substr(begin, i - begin));
    }
    return words;
}

bool parseNumber(std::string_view word, ListColour& value) {
    if (word.empty() || word.size() > 6) return false;
    value = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return false;
        value = 10 * value + static_cast<ListColour>(c - '0');
    }
    return true;
}

// A word of the file as a message shows it: printable characters only, and not
// many of them (the message goes to a terminal).
std::string shown(std::string_view word) {
    std::string out;
    for (char c : word.substr(0, 24)) out += c >= ' ' && c <= '~' ? c : '?';
    return word.size() > 24 ? out + "..." : out;
}

std::string lineText(int line) { return "line " + std::to_string(line) + ": "; }

// "order top right bottom left": column k of a piece line holds side order[k].
bool parseOrder(const std::vector<std::string_view>& words, int line, std::array<int, 4>& order,
                std::string& error) {
    bool seen[4]{};
    bool ok = words.size() == 5;
    for (std::size_t k = 1; ok && k < 5; ++k) {
        int side = -1;
        for (int s = 0; s < 4; ++s)
            if (words[k] == SIDE_NAMES[s]) side = s;
        ok = side >= 0 && !seen[side];
        if (ok) {
            seen[side] = true;
            order[k - 1] = side;
        }
    }
    if (!ok) error = lineText(line) + "an order line names the four sides once each, for example "
                                      "\"order bottom left top right\"";
    return ok;
}

bool parseTopFirstColours(const std::vector<std::string_view>& words, int line, PieceList& list,
                          std::string& error) {
    for (std::size_t k = 1; k < words.size(); ++k) {
        const std::string_view w = words[k];
        const std::size_t colon = w.find(':');
        ListColour colour = 0, number = 0;
        if (colon == std::string_view::npos || !parseNumber(w.substr(0, colon), colour) ||
            !parseNumber(w.substr(colon + 1), number) || number > 255) {
            error = lineText(line) + "\"" + shown(w) + "\" is not a pair COLOUR:NUMBER of the top-first colour line";
            return false;
        }
        list.topFirstColours.emplace_back(colour, static_cast<int>(number));
    }
    return true;
}

// "fixed PIECE CELL ROTATION": three whole numbers. Whether the clue can be met is
// the importer's question, which knows the set.
bool parseFixed(const std::vector<std::string_view>& words, int line, PieceList& list, std::string& error) {
    ListColour numbers[3]{};
    bool ok = words.size() == 4;
    for (std::size_t k = 1; ok && k < 4; ++k) ok = parseNumber(words[k], numbers[k - 1]);
    if (!ok || numbers[2] > 3) {
        error = lineText(line) + "a fixed line gives a piece, a cell and a rotation 0-3, for example "
                                 "\"fixed 139 135 2\"";
        return false;
    }
    list.fixed.push_back(FixedLine{static_cast<int>(numbers[0]), static_cast<int>(numbers[1]),
                                   static_cast<int>(numbers[2]), line});
    return true;
}

}  // namespace

bool parsePieceList(std::string_view text, PieceList& list, std::string& error) {
    list = PieceList{};
    std::array<int, 4> order{0, 1, 2, 3};
    int orderLine = 0;  // the line of the order line, once read
    int line = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        ++line;
        const std::vector<std::string_view> words = wordsOf(raw);
        if (words.empty()) continue;
        const char first = words[0][0];
        if (first < '0' || first > '9') {
            if (words[0] == "order") {
                if (!list.pieces.empty()) {
                    error = lineText(line) + "the order line must come before the first piece";
                    return false;
                }
                // A second one would silently turn every piece: which of the two is meant?
                if (orderLine > 0) {
                    error = lineText(line) + "a second order line (the first is line " + std::to_string(orderLine) +
                            "); a list has at most one";
                    return false;
                }
                if (!parseOrder(words, line, order, error)) return false;
                orderLine = line;
            } else if (words[0] == "top-first-colours") {
                if (!parseTopFirstColours(words, line, list, error)) return false;
            } else if (words[0] == "fixed") {
                if (!parseFixed(words, line, list, error)) return false;
            } else {
                error = lineText(line) + "a piece line holds four colours (whole numbers 0 to 999999, 0 the border); "
                                         "found \"" + shown(words[0]) + "\"";
                return false;
            }
            continue;
        }
        ListPiece piece;
        piece.line = line;
        bool ok = words.size() == 4;
        for (std::size_t k = 0; ok && k < 4; ++k) ok = parseNumber(words[k], piece.sides[order[k]]);
        if (!ok) {
            error = lineText(line) + "a piece line holds four colours (whole numbers 0 to 999999, 0 the border)";
            return false;
        }
        if (static_cast<int>(list.pieces.size()) == MAX_LIST_PIECES) {
            error = lineText(line) + "more than " + std::to_string(MAX_LIST_PIECES) + " pieces";
            return false;
        }
        list.pieces.push_back(piece);
    }
    return true;
}

bool readPieceList(const char* path, PieceList& list, std::string& error) {
    const std::unique_ptr<char[]> buffer(new char[MAX_LIST_BYTES]);
    const FileRead read = readUserFile(path, buffer.get(), MAX_LIST_BYTES);
    if (!read.ok() || read.longer) {
        error = read.ok() ? "larger than a piece list can be" : fileErrorText(read.error);
        return false;
    }
    return parsePieceList(std::string_view(buffer.get(), read.size), list, error);
}

std::string formatPieceList(const std::vector<std::string>& comments,
                            const std::vector<std::array<ListColour, 4>>& topFirstPieces,
                            const std::vector<std::pair<ListColour, int>>& topFirstColours,
                            const std::vector<FixedLine>& fixed) {
    std::string text;
    for (const std::string& c : comments) text += (c.empty() ? "#" : "# " + c) + "\r\n";
    for (const auto& p : topFirstPieces)
        text += std::to_string(p[0]) + ' ' + std::to_string(p[1]) + ' ' + std::to_string(p[2]) + ' ' +
                std::to_string(p[3]) + "\r\n";
    if (!topFirstColours.empty()) {
        text += "top-first-colours";
        for (auto [colour, number] : topFirstColours)
            text += ' ' + std::to_string(colour) + ':' + std::to_string(number);
        text += "\r\n";
    }
    for (const FixedLine& f : fixed)
        text += "fixed " + std::to_string(f.piece) + ' ' + std::to_string(f.cell) + ' ' + std::to_string(f.rotation) +
                "\r\n";
    return text;
}

}  // namespace zentara
