// Every expected value below was worked out by hand from the generator's
// definition (state * 214013 + 2531011 mod 2^32) and the seed formulas; the
// working is in the comments, so a wrong constant or a wrong draw form fails.
#include <gtest/gtest.h>

#include <set>

#include "core/random.hpp"

using namespace zentara;

// From state 1: 1 * 214013 + 2531011 = 2745024; high half 2745024 >> 16 = 41,
// top byte 0. Then 3357800067 (high half 51235, top byte 200), then 415139642
// (high half 6334).
TEST(Random, StepsFromStateOne) {
    Random r{1};
    EXPECT_EQ(r.step(), 2745024u);
    EXPECT_EQ(r.step(), 3357800067u);
    EXPECT_EQ(r.step(), 415139642u);
    Random h{1};
    EXPECT_EQ(h.highHalf(), 41u);
    EXPECT_EQ(h.highHalf(), 51235u);
    Random t{1};
    EXPECT_EQ(t.topByte(), 0u);
    EXPECT_EQ(t.topByte(), 200u);
    Random m{1};
    EXPECT_EQ(m.remainder(1000), 24u);  // 2745024 mod 1000
    EXPECT_EQ(m.fullState(), 3357800067u);
}

// seed = (minute * 2567 + second * 137 + millisecond) * 486875 - day * 1331825386 mod 2^32.
TEST(Random, TimeSeedOfKnownDatesAndTimes) {
    // a = 0: 2^32 - 1331825386.
    EXPECT_EQ(timeSeed({1, 0, 0, 0}), 2963141910u);
    // a = 33371 + 5754 + 999 = 40124; 40124 * 486875 = 19535372500; 7 * 1331825386 =
    // 9322777702; 10212594798 - 2 * 2^32 = 1622660206.
    EXPECT_EQ(timeSeed({7, 13, 42, 999}), 1622660206u);
    // The largest fields: a = 151453 + 8083 + 999 = 160535; 160535 * 486875 =
    // 78160478125; 31 * 1331825386 = 41286586966; 36873891159 - 8 * 2^32 = 2514152791.
    EXPECT_EQ(timeSeed({31, 59, 59, 999}), 2514152791u);
    // The difference below zero wraps: 486875 - 41286586966 + 10 * 2^32 = 1663572869.
    EXPECT_EQ(timeSeed({31, 0, 0, 1}), 1663572869u);
    const LocalTime now = readLocalTime();
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.day, 31);
    EXPECT_LE(now.millisecond, 999);
}

TEST(Random, UpToZeroAndOne) {
    RandomState s = 12345;
    EXPECT_EQ(randomUpTo(s, 0), 0u);
    EXPECT_EQ(s, 12345u) << "a draw over 0..0 must not step the generator";

    RandomState one = 1;
    EXPECT_EQ(randomUpTo(one, 1), 1u);  // 41 & 1
    EXPECT_EQ(one, 2745024u) << "n = 1 has mask 1: every draw is accepted, one step";
}

TEST(Random, UpToCoversZeroToNInclusive) {
    for (std::uint16_t n : {2, 21, 80, 255, 256, 1000}) {
        RandomState s = 99;
        std::set<std::uint32_t> seen;
        for (int i = 0; i < 200000; ++i) {
            const std::uint32_t r = randomUpTo(s, n);
            ASSERT_LE(r, n);
            seen.insert(r);
        }
        EXPECT_EQ(seen.size(), n + 1u) << "n = " << n;
    }
}

TEST(Random, UpToMasksAndRejectsAboveN) {
    // n = 21 masks with 31: 41 & 31 = 9 is accepted after one step.
    RandomState s = 1;
    EXPECT_EQ(randomUpTo(s, 21), 9u);
    EXPECT_EQ(s, 2745024u);
    // n = 2 masks with 3: from 2745024 the high halves are 51235 (& 3 = 3, rejected)
    // and 6334 (& 3 = 2, accepted): two steps.
    RandomState t = 2745024;
    EXPECT_EQ(randomUpTo(t, 2), 2u);
    EXPECT_EQ(t, 415139642u);
    // n = 300 masks with 511: 41, 51235 & 511 = 35, 6334 & 511 = 190, each accepted.
    Random u{1};
    EXPECT_EQ(u.upTo(300), 41u);
    EXPECT_EQ(u.upTo(300), 35u);
    EXPECT_EQ(u.upTo(300), 190u);
}

// a = day * 358946 + minute * 2567 + second * 137 + millisecond, times 486875 as a
// 64-bit product; W0 its low word, W1 its high word. Since 358946 * 486875 =
// -1331825386 mod 2^32, W0 is always the plain time seed of the same moment.
TEST(Random, BlockGenerator) {
    // a = 2512622 + 40124 = 2552746; 2552746 * 486875 = 1242868208750 = 289 * 2^32 + 1622660206.
    BlockRandom r = BlockRandom::fromTime({7, 13, 42, 999});
    EXPECT_EQ(r.w0, 1622660206u);
    EXPECT_EQ(r.w1, 289u);
    // 1622660206 * 214013 + 2531011 = 347270381197689 = 80855 * 2^32 + 800479609:
    // W1 becomes 800479609 (returned), W0 becomes 80855 + 289.
    EXPECT_EQ(r.next(), 800479609u);
    EXPECT_EQ(r.w0, 81144u);
    EXPECT_EQ(r.next(), 188532699u);
    EXPECT_EQ(r.next(), 3980379724u);
    // a = 11127326 + 160535 = 11287861; * 486875 = 5495777324375 = 1279 * 2^32 + 2514152791.
    const BlockRandom last = BlockRandom::fromTime({31, 59, 59, 999});
    EXPECT_EQ(last.w0, 2514152791u);
    EXPECT_EQ(last.w1, 1279u);
}
