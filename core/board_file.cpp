#include "core/board_file.hpp"

#include "core/pieces.hpp"
#include "core/user_file.hpp"

#include <algorithm>
#include <climits>
#include <ostream>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace zentara {

namespace {

void putNumber(char* at, int value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
        if (value == 0) {
            for (int j = i - 1; j >= 0; --j) at[j] = ' ';
            return;
        }
    }
}

}  // namespace

PlacedCell listCellOf(PlacedCell c) {
    if (!pieceSet().listNumbersDiffer() || c.piece < 0 || c.piece >= PIECE_COUNT || c.rotation > 3) return c;
    return {static_cast<std::int16_t>(listPieceOf(c.piece)), static_cast<std::uint8_t>(listRotationOf(c.piece, c.rotation))};
}

PlacedCell tableCellOf(PlacedCell c) {
    if (!pieceSet().listNumbersDiffer() || c.piece < 0 || c.piece >= PIECE_COUNT || c.rotation > 3) return c;
    const int piece = tablePieceOf(c.piece);
    return {static_cast<std::int16_t>(piece), static_cast<std::uint8_t>(tableRotationOf(piece, c.rotation))};
}

void formatBoard(const PlacedCell* cells, const BoardLayout& layout, BoardText& out, PieceNumbers numbers) {
    char* p = out.bytes.data();
    const int cellBytes = layout.pieceDigits + 2;
    const bool mapped = pieceSet().listNumbersDiffer() && numbers == PieceNumbers::List && layout.width == BOARD_WIDTH &&
                        layout.height == BOARD_HEIGHT;
    for (int cell = 0; cell < layout.cells(); ++cell) {
        const PlacedCell c = mapped ? listCellOf(cells[cell]) : cells[cell];
        const int number = c.empty() ? 0 : c.piece + 1;
        putNumber(p, number, layout.pieceDigits);
        p[layout.pieceDigits] = ',';
        p[layout.pieceDigits + 1] = static_cast<char>('0' + (c.empty() ? 0 : c.rotation));
        p += cellBytes;
        if (cell % layout.width == layout.width - 1) {
            *p++ = '\r';
            *p++ = '\n';
        } else {
            *p++ = ';';
        }
    }
    out.size = static_cast<std::size_t>(p - out.bytes.data());
}

bool writeFileAtomically(const char* path, std::string_view bytes, bool durable) {
    const int error = replaceFile(path, bytes, durable);
    errno = error > 0 ? error : EINVAL;
    return error == 0;
}

namespace {

BoardWriteWatch watch;

// Straight to the stream and flushed, so that the line shows at once (this file
// is also built into the puzzle generator, without the console module).
void say(std::ostream& console, const char* text, std::size_t size) {
    console.write(text, static_cast<std::streamsize>(size));
    console.flush();
}

}  // namespace

BoardWriteConsole::BoardWriteConsole(std::ostream& console) : previous_(watch.console) {
    watch.console = &console;
    watch.failing = watch.failedRewritten = false;
}

BoardWriteConsole::~BoardWriteConsole() {
    watch.console = previous_;
    watch.failing = watch.failedRewritten = false;
}

std::uint64_t boardWriteFailures() { return watch.failures; }

bool tryBoardFile(const char* name, const PlacedCell* cells, const BoardLayout& layout) {
    BoardText text;
    formatBoard(cells, layout, text);
    return writeFileAtomically(name, text.view());
}

bool writeBoardFile(const char* name, const PlacedCell* cells, const BoardLayout& layout) {
    BoardText text;
    formatBoard(cells, layout, text);
    const int error = replaceFile(name, text.view());
    errno = error > 0 ? error : EINVAL;
    bool change = (error != 0) != watch.failing;
    if (error != 0) {
        ++watch.failures;
        // A name without a number is written again and again; one with a number
        // (a level) once. Only the former can keep failing while others are written.
        const std::size_t length = std::strlen(name);
        const char* base = std::strrchr(name, '/');
        base = base == nullptr ? name : base + 1;
        if (!watch.failedRewritten && length < watch.failedName.size() && std::strpbrk(base, "0123456789") == nullptr) {
            std::memcpy(watch.failedName.data(), name, length + 1);
            watch.failedRewritten = true;
        }
    } else if (change && watch.failedRewritten) {
        change = std::strcmp(name, watch.failedName.data()) == 0;
    }
    if (change) {
        watch.failing = error != 0;
        if (!watch.failing) watch.failedRewritten = false;
        // The line ends the status line that stood on the console.
        char line[PATH_MAX + 160];
        const int size = error != 0 ? std::snprintf(line, sizeof line,
                                                    "\nBoard not written: %s: %s; trying again with the next board\n",
                                                    name, fileErrorText(error))
                                    : std::snprintf(line, sizeof line, "\nBoard files written again\n");
        if (watch.console) say(*watch.console, line, std::min<std::size_t>(static_cast<std::size_t>(size), sizeof line - 1));
    }
    return error == 0;
}

int endWithFullBoard(std::ostream& console, const PlacedCell* cells, const BoardLayout& layout,
                     std::uint64_t failuresBefore) {
    if (watch.failures == failuresBefore) return 0;
    BoardText text;
    formatBoard(cells, layout, text);
    static constexpr char HEAD[] = "\nThe full board could not be written to its file; here it is:\n";
    say(console, HEAD, sizeof HEAD - 1);
    say(console, text.bytes.data(), text.size);
    return 1;
}

std::string_view withoutByteOrderMark(std::string_view text) {
    return text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text;
}

bool nextBoardLine(std::string_view text, std::size_t& at, std::string_view& line) {
    if (at >= text.size()) return false;
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = text.size();
    line = text.substr(at, end - at);
    at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    return true;
}

void parseBoardBytes(std::string_view data, Board16& out) {
    std::size_t i = 0;
    const std::size_t end = data.size();
    auto isDigit = [](char ch) { return ch >= '0' && ch <= '9'; };
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        out[cell] = PlacedCell{};
        // Step 1. Skip to the next digit.
        while (i < end && !isDigit(data[i])) ++i;
        if (i >= end) continue;  // data ended: this and every later cell stay empty
        // Step 2. The run of digits; the byte that ends it is consumed with it.
        long number = 0;
        while (i < end && isDigit(data[i])) {
            if (number < 100000) number = number * 10 + (data[i] - '0');
            ++i;
        }
        if (i < end) ++i;
        // Step 3. Piece index; numbers above 256 read as piece index 0.
        int piece = number > PIECE_COUNT ? 0 : static_cast<int>(number) - 1;
        // Step 4. The rotation byte.
        int rotation = 0;
        if (i < end) {
            const char r = data[i++];
            if (r >= '0' && r <= '3') rotation = r - '0';
        }
        if (piece >= 0) out[cell] = PlacedCell{static_cast<std::int16_t>(piece), static_cast<std::uint8_t>(rotation)};
        out[cell] = tableCellOf(out[cell]);
    }
}

bool readBestBoardFile(const char* path, Board16& cells, FileRead& read) {
    char buffer[BEST_READ_LIMIT];
    read = readUserFile(path, buffer, sizeof buffer);
    cells = Board16{};
    if (!read.ok() || read.size < static_cast<std::size_t>(BEST_MIN_BYTES)) return false;
    parseBoardBytes(std::string_view(buffer, read.size), cells);
    return true;
}

BestBoard readBestBoard() {
    BestBoard best;
    for (int level = BEST_FIRST_LEVEL; level >= BEST_LAST_LEVEL; --level) {
        std::snprintf(best.name.data(), best.name.size(), "Best%d.csv", level);
        // A name that is not a readable regular file is passed over like a missing one.
        FileRead read;
        if (!readBestBoardFile(best.name.data(), best.cells, read)) continue;
        best.found = true;
        best.level = level;
        return best;
    }
    best.name = {};
    return best;
}

}  // namespace zentara
