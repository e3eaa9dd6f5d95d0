#include "bench/fresh_units.hpp"

#include <cstdio>
#include <unordered_set>

namespace zentara::bench {

UnitFreshness measureFreshness(const std::vector<std::uint64_t>& series, const std::vector<std::uint64_t>& other,
                               std::size_t lateFrom) {
    const std::unordered_set<std::uint64_t> mine(series.begin(), series.end());
    const std::unordered_set<std::uint64_t> theirs(other.begin(), other.end());
    UnitFreshness f{series.size(), mine.size(), 0, 0};
    for (const std::uint64_t unit : mine) f.shared += theirs.count(unit);
    for (std::size_t k = lateFrom; k < series.size(); ++k) f.sharedLate += theirs.count(series[k]);
    return f;
}

void printFreshness(const char* name, const char* units, std::uint32_t seed, std::uint32_t otherSeed,
                    const UnitFreshness& now, const UnitFreshness& plain) {
    std::printf("%s: %zu %s from seeds %u and %u: %zu distinct, %zu shared, %zu of them from the first repeat on "
                "(the plain draws: %zu distinct",
                name, now.units, units, seed, otherSeed, now.distinct, now.shared, now.sharedLate, plain.distinct);
    if (plain.shared != NOT_MEASURED) std::printf(", %zu shared", plain.shared);
    std::printf(")\n");
}

}  // namespace zentara::bench
