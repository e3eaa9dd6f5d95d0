// The periodic step: hill climbing of OK and RE, the parameter switch, the
// stagnation reset, the fall-back countdown and the status line.
#include <gtest/gtest.h>

#include <sstream>

#include "shift/shift_search.hpp"
#include "shift_test_support.hpp"

using namespace zentara;
using namespace zentara::shift;
using zentara::shift::testing::checkedFile;
using zentara::shift::testing::freshSearch;
using zentara::shift::testing::plantedWithHoles;

namespace {

// Sets the level sum so that the period's average comes out as `average`.
void periodWithAverage(ShiftSearch& s, int average) { s.tuning.levelSum = average * 200 - 100; }

}  // namespace

class ShiftTuning : public zentara::testing::TempDirTest {};

TEST_F(ShiftTuning, FirstPeriodEndsAfter100StepsButDividesBy200) {
    auto s = freshSearch();
    std::ostringstream out;
    resumeFromCells(*s, plantedWithHoles(6, 4), "Best250.csv", out);
    ASSERT_EQ(s->level, 250);
    for (int step = 0; step < 99; ++step) periodicStep(*s, out);
    EXPECT_EQ(s->tuning.ok, 50);
    EXPECT_EQ(s->tuning.periodCountdown, 1);
    periodicStep(*s, out);
    // (1 + 100 * 250 + 100) / 200 = 125, above the initial 1: OK is saved and stepped.
    EXPECT_EQ(s->tuning.previousAverage, 125);
    EXPECT_EQ(s->tuning.savedOk, 50);
    EXPECT_EQ(s->tuning.ok, 51);
    EXPECT_EQ(s->tuning.levelSum, 1);
    EXPECT_EQ(s->tuning.periodCountdown, 200);
    EXPECT_EQ(s->tuning.stagnationCountdown, 50);
    EXPECT_EQ(s->tuning.switchCountdown, 9);
    EXPECT_EQ(s->tuning.shifts, 100);
}

TEST(ShiftTuningRules, ClampsTurnTheStep) {
    auto s = freshSearch();
    Tuning& t = s->tuning;
    // OK at 90 with step +1 and an unchanged average stays 90 and turns the step.
    t.ok = 90;
    t.savedOk = 70;
    t.previousAverage = 200;
    periodWithAverage(*s, 200);
    tuneParameters(*s);
    EXPECT_EQ(t.ok, 90);
    EXPECT_EQ(t.okStep, -1);
    EXPECT_EQ(t.savedOk, 70);
    // OK at 20 going down turns up.
    t.ok = 20;
    periodWithAverage(*s, 200);
    tuneParameters(*s);
    EXPECT_EQ(t.ok, 20);
    EXPECT_EQ(t.okStep, 1);

    t.tuned = Tuned::Re;
    t.re = 100;
    periodWithAverage(*s, 200);
    tuneParameters(*s);
    EXPECT_EQ(t.re, 100);
    EXPECT_EQ(t.reStep, -1);
    t.re = 1;
    periodWithAverage(*s, 200);
    tuneParameters(*s);
    EXPECT_EQ(t.re, 1);
    EXPECT_EQ(t.reStep, 1);
    EXPECT_EQ(t.ok, 20);  // the other parameter is left alone
}

TEST(ShiftTuningRules, WorseAverageUndoesAndTurnsBetterOneSaves) {
    auto s = freshSearch();
    Tuning& t = s->tuning;
    t.ok = 60;
    t.savedOk = 55;
    t.previousAverage = 210;
    periodWithAverage(*s, 205);
    tuneParameters(*s);
    EXPECT_EQ(t.okStep, -1);
    EXPECT_EQ(t.ok, 54);  // back to 55, then one step the other way
    EXPECT_EQ(t.previousAverage, 205);

    periodWithAverage(*s, 230);
    tuneParameters(*s);
    EXPECT_EQ(t.savedOk, 54);
    EXPECT_EQ(t.ok, 53);
}

TEST(ShiftTuningRules, LastPeriodBeforeASwitchOnlySavesThenDrawsTheParameter) {
    for (RandomState seed : {1u, 2u, 3u, 4u, 12345u}) {
        auto s = freshSearch(seed);
        Tuning& t = s->tuning;
        t.switchCountdown = 1;
        t.ok = 64;
        t.previousAverage = 220;
        periodWithAverage(*s, 220);
        tuneParameters(*s);
        EXPECT_EQ(t.ok, 64);
        EXPECT_EQ(t.savedOk, 64);
        EXPECT_EQ(t.switchCountdown, 10);
        const RandomState next = seed * 214013u + 2531011u;
        EXPECT_EQ(s->random, next);
        EXPECT_EQ(t.tuned, ((next >> 16) & 1u) ? Tuned::Re : Tuned::Ok) << seed;
    }
}

TEST(ShiftTuningRules, StagnationResets) {
    auto s = freshSearch();
    Tuning& t = s->tuning;
    t.ok = 71;
    t.re = 12;
    t.stagnationCountdown = 2;
    t.previousAverage = 230;
    periodWithAverage(*s, 231);  // within 1
    tuneParameters(*s);
    EXPECT_EQ(t.stagnationCountdown, 1);
    periodWithAverage(*s, 233);  // differs by 2: countdown starts again
    tuneParameters(*s);
    EXPECT_EQ(t.stagnationCountdown, 50);
    EXPECT_EQ(t.removalCount, 1);

    t.stagnationCountdown = 1;
    periodWithAverage(*s, 232);
    tuneParameters(*s);
    EXPECT_EQ(t.stagnationCountdown, 50);
    EXPECT_EQ(t.removalCount, 50);
    EXPECT_EQ(t.resetDisplay, 20);
    EXPECT_EQ(t.savedOk, t.ok);
    EXPECT_EQ(t.savedRe, t.re);
}

TEST_F(ShiftTuning, UndoFallsBackAndMarksStatuses) {
    auto s = freshSearch();
    std::ostringstream out;
    resumeFromCells(*s, plantedWithHoles(10, 8), "Best246.csv", out);
    s->tuning.removalCount = 4;
    removalBurst(*s);
    ASSERT_EQ(s->level, 242);
    // Below the best: the countdown runs.
    s->tuning.undoCountdown = 3;
    s->tuning.statusCountdown = 100;
    periodicStep(*s, out);
    EXPECT_EQ(s->tuning.undoCountdown, 2);
    s->tuning.undoCountdown = 1;
    s->tuning.ok = 88;
    periodicStep(*s, out);
    EXPECT_EQ(s->level, 246);
    EXPECT_EQ(s->tuning.ok, 50);
    EXPECT_EQ(s->tuning.undoCountdown, 5000);
    EXPECT_EQ(s->tuning.removalCount, 30);
    EXPECT_EQ(s->tuning.undoDisplay, 20);
    // At the best level the countdown is held full.
    s->tuning.undoCountdown = 17;
    periodicStep(*s, out);
    EXPECT_EQ(s->tuning.undoCountdown, 5000);
}

TEST_F(ShiftTuning, StatusEndingsUndoBeforeResetAndTheCurrentBoard) {
    auto s = freshSearch();
    std::ostringstream out;
    Tuning& t = s->tuning;
    t.undoDisplay = 1;
    t.resetDisplay = 2;
    auto status = [&] {
        out.str("");
        t.statusCountdown = 1;
        periodicStep(*s, out);
        EXPECT_EQ(t.statusCountdown, 10);
        return out.str();
    };
    EXPECT_EQ(status(), "\rLevel 3, max. 1, shifts 1 K, config OK=50,RE=50 UNDO  ");
    EXPECT_EQ(t.resetDisplay, 2);
    EXPECT_EQ(status(), "\rLevel 3, max. 1, shifts 2 K, config OK=50,RE=50 RESET  ");
    EXPECT_EQ(status(), "\rLevel 3, max. 1, shifts 3 K, config OK=50,RE=50 RESET  ");
    t.ok = 21;
    t.re = 100;
    EXPECT_EQ(status(), "\rLevel 3, max. 1, shifts 4 K, config OK=21,RE=100        ");
    const BoardCheck check = checkedFile("Result.csv");
    EXPECT_EQ(check.piecesPlaced, 3);
    // No status line on the other nine steps.
    out.str("");
    for (int i = 0; i < 9; ++i) periodicStep(*s, out);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(s->statusReports, 4u);
}

TEST_F(ShiftTuning, StatusLimitStopsTheSearch) {
    auto s = freshSearch(99);
    s->statusLimit = 3;
    std::ostringstream out;
    EXPECT_EQ(runSearch(*s, out), SearchEnd::StatusLimit);
    EXPECT_EQ(s->statusReports, 3u);
    EXPECT_EQ(s->iterations, 30000u);
    EXPECT_EQ(s->tuning.shifts, 30);
}
