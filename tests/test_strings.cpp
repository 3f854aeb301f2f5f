// Growable strings and numerals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tovrin.h"

namespace {

TEST(Itoa, NumbersInRangeAndPlaceholder) {
    const struct {
        int in;
        const char *want;
    } cases[] = {{0, "?!?"}, {-5, "?!?"}, {1000, "?!?"}, {1, "1"},     {7, "7"},
                 {10, "10"}, {40, "40"},  {100, "100"},  {305, "305"}, {999, "999"}};
    for (const auto &c : cases)
        EXPECT_STREQ(itoa(c.in), c.want) << c.in;
}

TEST(Itoa, SecondCallOverwritesTheBuffer) {
    char *first = itoa(42);
    itoa(7);
    EXPECT_STREQ(first, "7");
}

TEST(Strings, AppendBuildsText) {
    char *s = stradd(nullptr, "ab");
    s = strac(s, 'c');
    s = stradd(s, "");
    s = strac(s, '\0');
    EXPECT_STREQ(s, "abc");
    std::free(s);
}

} // namespace
