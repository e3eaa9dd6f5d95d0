#include <gtest/gtest.h>

#include <set>

#include "core/random.hpp"

using namespace zentara;

TEST(Random, StepsFromStateOne) {
    Random r{1};
    EXPECT_EQ(r.step(), 2745024u);
    EXPECT_EQ(r.step(), 3357800067u);
    EXPECT_EQ(r.step(), 415139642u);
    Random h{1};
    EXPECT_EQ(h.highHalf(), 41u);
    EXPECT_EQ(h.highHalf(), 51235u);
    Random t{1};
    t.step();
    EXPECT_EQ(t.topByte(), 3357800067u >> 24);
    Random m{1};
    EXPECT_EQ(m.remainder(1000), 2745024u % 1000);
}

TEST(Random, TimeSeed) {
    EXPECT_EQ(timeSeed({1, 0, 0, 0}), 2963141910u);
    EXPECT_EQ(timeSeed({7, 13, 42, 999}), 1622660206u);
    // The hour never enters: the same minute, second and millisecond on the same day agree.
    EXPECT_EQ(timeSeed({31, 59, 59, 999}), timeSeed(LocalTime{31, 59, 59, 999}));
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
    EXPECT_EQ(randomUpTo(one, 1), 41u & 1u);
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

TEST(Random, UpToRejectsAboveN) {
    // n = 21 masks with 31: the state sequence from 1 gives high halves 41, 51235, 6334,
    // masked 9, 3, 30. The first (9) is accepted after one step.
    RandomState s = 1;
    EXPECT_EQ(randomUpTo(s, 21), 41u & 31u);
    // From state 2745024 the masked values are 3 (51235 & 31) and then 30: n = 2 rejects 3.
    RandomState t = 2745024;
    const std::uint32_t r = randomUpTo(t, 2);
    EXPECT_LE(r, 2u);
    EXPECT_NE(t, 3357800067u) << "3 > 2 must be rejected and drawn again";
}

TEST(Random, SameSeedSameSequence) {
    Random a{timeSeed({12, 34, 56, 789})}, b{timeSeed({12, 34, 56, 789})};
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(a.upTo(300), b.upTo(300));
        ASSERT_EQ(a.fullState(), b.fullState());
    }
}

TEST(Random, BlockGenerator) {
    BlockRandom r = BlockRandom::fromTime({7, 13, 42, 999});
    EXPECT_EQ(r.w0, 1622660206u);
    EXPECT_EQ(r.w1, 289u);
    EXPECT_EQ(r.next(), 800479609u);
    EXPECT_EQ(r.next(), 188532699u);
    EXPECT_EQ(r.next(), 3980379724u);
}
