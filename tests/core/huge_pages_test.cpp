#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "core/huge_pages.hpp"

namespace {

int destroyed = 0;

// Larger than a huge page, with a member initialiser and arrays left to
// value-initialisation, as the solvers' records are.
struct Large {
    int marker = 7;
    std::array<std::uint32_t, (3u << 20) / 4> words;
    std::array<bool, 257> flags;
    ~Large() { ++destroyed; }
};

}  // namespace

TEST(HugePages, ObjectIsAlignedZeroedInitialisedAndDestroyed) {
    destroyed = 0;
    {
        const zentara::OnHugePages<Large> large = zentara::makeOnHugePages<Large>();
        ASSERT_NE(large, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(large.get()) % zentara::HUGE_PAGE_BYTES, 0u);
        EXPECT_EQ(large->marker, 7);
        for (const std::uint32_t word : large->words) ASSERT_EQ(word, 0u);
        for (const bool flag : large->flags) ASSERT_FALSE(flag);
        large->words.back() = 1;  // the whole object is writable
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}
