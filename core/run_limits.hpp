// How far a run goes: the one record every engine takes from its caller. The
// programs run with the defaults (the time seed, no limit, their own periods and
// levels); tests and benchmarks fix the seed and end a run early.
#pragma once

#include <cstdint>
#include <optional>

#include "core/random.hpp"

namespace zentara {

struct RunLimits {
    std::optional<RandomState> seed;  // none: the time seed, taken where the program takes it
    std::int64_t reports = 0;         // stop after this many progress or status reports; 0: never
    std::int64_t variants = 0;        // block-set solvers: stop after this many variants; 0: never
    std::int64_t solutions = 0;       // small block-set boards: stop after this many full boards; 0: never
    std::uint32_t workPerReport = 0;  // score solver: tests per report; 0: the program's own
    std::uint32_t runBudget = 0;      // random solver: backtracking steps per run; 0: the program's own
    int bestLevel = 0;                // first level whose boards are written; 0: the program's own
};

// A limit as set, or the program's own value where the caller left it at 0.
template <class T>
constexpr T orOwn(T limit, T own) {
    return limit != 0 ? limit : own;
}

}  // namespace zentara
