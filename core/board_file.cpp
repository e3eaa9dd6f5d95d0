#include "core/board_file.hpp"

#include "core/user_file.hpp"

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

void formatBoard(const PlacedCell* cells, const BoardLayout& layout, BoardText& out) {
    char* p = out.bytes.data();
    const int cellBytes = layout.pieceDigits + 2;
    for (int cell = 0; cell < layout.cells(); ++cell) {
        const PlacedCell& c = cells[cell];
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

bool writeBoardFile(const char* name, const PlacedCell* cells, const BoardLayout& layout) {
    BoardText text;
    formatBoard(cells, layout, text);
    return writeFileAtomically(name, text.view());
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
    }
}

BestBoard readBestBoard() {
    BestBoard best;
    char buffer[BEST_READ_LIMIT];
    for (int level = BEST_FIRST_LEVEL; level >= BEST_LAST_LEVEL; --level) {
        std::snprintf(best.name.data(), best.name.size(), "Best%d.csv", level);
        // A name that is not a readable regular file is passed over like a missing one.
        const FileRead read = readUserFile(best.name.data(), buffer, sizeof buffer);
        if (!read.ok()) continue;
        const std::size_t got = read.size;
        if (got < static_cast<std::size_t>(BEST_MIN_BYTES)) continue;
        best.found = true;
        best.level = level;
        parseBoardBytes(std::string_view(buffer, got), best.cells);
        return best;
    }
    best.name = {};
    return best;
}

}  // namespace zentara
