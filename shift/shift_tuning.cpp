// The periodic step: level average, hill climbing of OK and RE, stagnation reset,
// fall-back to the snapshot and the status line.
#include <algorithm>
#include <cstdlib>
#include <ostream>

#include "core/checks.hpp"
#include "core/console.hpp"
#include "shift/shift_search.hpp"

namespace zentara::shift {

namespace {

constexpr int OK_LOW = 20, OK_HIGH = 90;
constexpr int RE_LOW = 1, RE_HIGH = 100;
constexpr int PERIOD_STEPS = 200;
constexpr int SWITCH_PERIODS = 10;
constexpr int STAGNATION_PERIODS = 50;
constexpr int UNDO_STEPS = 5000;
constexpr int STATUS_STEPS = 10;
constexpr int MARKED_STATUSES = 20;
constexpr int RESET_REMOVALS = 50;
constexpr int UNDO_REMOVALS = 30;

}  // namespace

void tuneParameters(ShiftSearch& s) {
    Tuning& t = s.tuning;
    const bool tuningOk = t.tuned == Tuned::Ok;
    int& value = tuningOk ? t.ok : t.re;
    int& step = tuningOk ? t.okStep : t.reStep;
    int& saved = tuningOk ? t.savedOk : t.savedRe;
    const int low = tuningOk ? OK_LOW : RE_LOW;
    const int high = tuningOk ? OK_HIGH : RE_HIGH;

    // The first period is only 100 steps long but is still divided by 200.
    const int average = (t.levelSum + PERIOD_STEPS / 2) / PERIOD_STEPS;

    // Step 1. A worse period undoes the last move and turns round; a better one keeps it.
    if (average < t.previousAverage) {
        value = saved;
        step = -step;
    } else if (average > t.previousAverage) {
        saved = value;
    }
    // Step 2. Move on, within the parameter's range; the last period before a switch only saves.
    if (t.switchCountdown <= 1) {
        saved = value;
    } else {
        value += step;
        if (value > high) {
            value = high;
            step = -1;
        } else if (value < low) {
            value = low;
            step = 1;
        }
    }
    // Step 3. Every ten periods a coin decides which parameter is tuned next.
    if (--t.switchCountdown == 0) {
        t.switchCountdown = SWITCH_PERIODS;
        s.random = nextRandomState(s.random);
        t.tuned = ((s.random >> 16) & 1u) == 0 ? Tuned::Ok : Tuned::Re;
    }
    // Step 4. A long run of nearly equal averages triggers a big removal.
    if (std::abs(average - t.previousAverage) <= 1) {
        if (--t.stagnationCountdown == 0) {
            t.stagnationCountdown = STAGNATION_PERIODS;
            t.removalCount = RESET_REMOVALS;
            t.resetDisplay = MARKED_STATUSES;
            t.savedOk = t.ok;
            t.savedRe = t.re;
        }
    } else {
        t.stagnationCountdown = STAGNATION_PERIODS;
    }
    // Step 5. This period's average is the next one's yardstick.
    t.previousAverage = average;
    t.levelSum = 1;
}

bool periodicStep(ShiftSearch& s, std::ostream& out) {
    Tuning& t = s.tuning;
    // Step 1. Sum the levels for the period's average.
    t.levelSum += s.level;
    ++t.shifts;
    // Step 2. Retune at the end of every period.
    if (--t.periodCountdown == 0) {
        t.periodCountdown = PERIOD_STEPS;
        tuneParameters(s);
    }
    // Step 3. Too long below the best board: back to it, with a burst to shake it up.
    if (s.level < s.maxLevel) {
        if (--t.undoCountdown == 0) {
            t.undoCountdown = UNDO_STEPS;
            fallBack(s);
            t.removalCount = UNDO_REMOVALS;
            t.undoDisplay = MARKED_STATUSES;
        }
    } else {
        t.undoCountdown = UNDO_STEPS;
    }
    // Step 4. The status line (UNDO before RESET) and the current board.
    if (--t.statusCountdown != 0) return false;
    t.statusCountdown = STATUS_STEPS;
    const char* ending = "        ";
    if (t.undoDisplay > 0) {
        --t.undoDisplay;
        ending = " UNDO  ";
    } else if (t.resetDisplay > 0) {
        --t.resetDisplay;
        ending = " RESET  ";
    }
    // This step runs before the search compares a new height with max.: the line
    // shows that height as max. at once rather than one above it.
    printTo(out, "\rLevel %d, max. %d, shifts %lld K, config OK=%d,RE=%d%s", s.level, std::max(s.level, s.maxLevel),
            static_cast<long long>(t.shifts), t.ok, t.re, ending);
    writeBoard(s, "Result.csv");
    ZENTARA_RECOUNT(checkSearchState(s));
    ++s.statusReports;
    return s.limits.reports != 0 && static_cast<std::int64_t>(s.statusReports) >= s.limits.reports;
}

}  // namespace zentara::shift
