#include "tools/stat_merge.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/usage.hpp"
#include "tools/whole_file.hpp"

namespace zentara {

namespace {

std::uint32_t readLittleEndian(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The same checks without the order: limits in one sequential pass, symmetry
// tile by tile, so that the transposed reads stay in the cache (a plain
// column walk strides 4 KiB per read and is several times slower).
bool statTableValid(const StatTable& t) {
    std::uint32_t largest = 0;
    for (std::uint32_t v : t) largest = v > largest ? v : largest;
    if (largest > STAT_COUNT_LIMIT) return false;
    constexpr int TILE = 32;
    for (int bi = 0; bi < STAT_EDGE_CODES; bi += TILE)
        for (int bj = bi; bj < STAT_EDGE_CODES; bj += TILE)
            for (int i = bi; i < bi + TILE; ++i)
                for (int j = bj; j < bj + TILE; ++j)
                    if (t[static_cast<std::size_t>(i) * STAT_EDGE_CODES + j] !=
                        t[static_cast<std::size_t>(j) * STAT_EDGE_CODES + i])
                        return false;
    return true;
}

}  // namespace

bool checkStatBytes(std::string_view bytes, StatTable& table, std::string& reason) {
    if (bytes.size() < STAT_FILE_BYTES) {
        reason = "invalid size: " + std::to_string(bytes.size()) + " bytes, a statistics file holds " +
                 std::to_string(STAT_FILE_BYTES);
        return false;
    }
    table.assign(STAT_COUNTERS, 0);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < STAT_COUNTERS; ++i) table[i] = readLittleEndian(p + 4 * i);
    if (statTableValid(table)) return true;
    // Some cell fails: find the first one in the order the frequency solver checks.
    for (int i = 0; i < STAT_EDGE_CODES; ++i) {
        for (int j = 0; j < STAT_EDGE_CODES; ++j) {
            const std::uint32_t v = table[static_cast<std::size_t>(i) * STAT_EDGE_CODES + j];
            const std::uint32_t w = table[static_cast<std::size_t>(j) * STAT_EDGE_CODES + i];
            if (v <= STAT_COUNT_LIMIT && v == w) continue;
            char line[160];
            if (v > STAT_COUNT_LIMIT)
                std::snprintf(line, sizeof line, "invalid content: count %u at [%d][%d] is above %u", v, i, j,
                              STAT_COUNT_LIMIT);
            else
                std::snprintf(line, sizeof line, "invalid content: count %u at [%d][%d] but %u at [%d][%d]", v, i, j,
                              w, j, i);
            reason = line;
            return false;
        }
    }
    return true;
}

bool loadStatFile(const std::string& path, StatTable& table, std::string& reason) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        reason = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    // Only the first 4,194,304 bytes count, as for the frequency solver; one more
    // byte is never needed.
    std::string bytes(STAT_FILE_BYTES, '\0');
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    const bool readError = std::ferror(f) != 0;
    const int saved = errno;
    std::fclose(f);
    if (readError) {
        reason = std::string("cannot read: ") + std::strerror(saved);
        return false;
    }
    bytes.resize(got);
    return checkStatBytes(bytes, table, reason);
}

void addSaturating(StatTable& total, const StatTable& add) {
    for (std::size_t i = 0; i < STAT_COUNTERS; ++i) {
        // Both are at most the limit, so the sum fits in 32 bits before it is cut.
        const std::uint32_t sum = total[i] + add[i];
        total[i] = sum > STAT_COUNT_LIMIT ? STAT_COUNT_LIMIT : sum;
    }
}

std::string statBytes(const StatTable& table) {
    std::string bytes(STAT_FILE_BYTES, '\0');
    for (std::size_t i = 0; i < STAT_COUNTERS; ++i) {
        const std::uint32_t v = table[i];
        for (int b = 0; b < 4; ++b) bytes[4 * i + b] = static_cast<char>((v >> (8 * b)) & 0xFF);
    }
    return bytes;
}

int runStatMerge(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    static constexpr const char* USAGE =
        "usage: stat-merge OUT IN...\n"
        "Adds the neighbour statistics of several Stat.bin files into OUT, for frequency-solver;\n"
        "counts stop at 10,000,000. An input frequency-solver would refuse is refused, and\n"
        "nothing is written. Exit 0: OUT written; 1: refused or not written; 2: usage.\n";
    const int answered = answerHelpOrUnknownOption(argc, argv, {}, USAGE, out, err);
    if (answered >= 0) return answered;
    if (argc < 3) {
        err << USAGE;
        return EXIT_USAGE;
    }
    const std::string outPath = argv[1];
    std::vector<std::string> inputs(argv + 2, argv + argc);
    // OUT replaces its file whole, so naming an input as OUT would modify that input;
    // and one file given twice would count its boards twice.
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        if (sameFile(outPath, inputs[k])) {
            err << "stat-merge: " << inputs[k] << ": refused: it is also OUT, and inputs are never modified\n";
            return 1;
        }
        for (std::size_t m = 0; m < k; ++m) {
            if (sameFile(inputs[m], inputs[k])) {
                err << "stat-merge: " << inputs[k] << ": refused: the same file as " << inputs[m]
                    << ", its counts would be added twice\n";
                return 1;
            }
        }
    }

    StatTable total(STAT_COUNTERS, 0), table;
    std::string reason;
    for (const std::string& input : inputs) {
        if (!loadStatFile(input, table, reason)) {
            err << "stat-merge: " << input << ": " << reason << '\n';
            return 1;
        }
        addSaturating(total, table);
    }
    std::size_t saturated = 0;
    for (std::uint32_t v : total) saturated += (v == STAT_COUNT_LIMIT);

    if (!writeWholeFile(outPath, statBytes(total), reason)) {
        err << "stat-merge: cannot write " << outPath << ": " << reason << '\n';
        return 1;
    }
    out << "stat-merge: wrote " << outPath << " from " << inputs.size() << (inputs.size() == 1 ? " file" : " files");
    if (saturated > 0) out << ", " << saturated << " counts stopped at " << STAT_COUNT_LIMIT;
    out << '\n';
    return 0;
}

}  // namespace zentara
