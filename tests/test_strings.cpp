// Growable strings and numerals.
//
// The block sizes that stradd()/strac() request are part of their contract
// (the lexer and the services build texts one character at a time and rely
// on one reallocation per 100 bytes). The test program is linked with
// --wrap=malloc,--wrap=realloc (tests/CMakeLists.txt), so every malloc and
// realloc call of the library lands in the wrappers below, which note the
// requested size while a watch is running.
#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tovrin.h"

extern "C" void *__real_malloc(std::size_t size);
extern "C" void *__real_realloc(void *block, std::size_t size);

namespace {

// What the library asked of the heap during one watch.
struct HeapLog {
    bool on = false;
    int mallocs = 0;
    int reallocs = 0;
    std::size_t size = 0; // requested size of the latest call
};
HeapLog heap_log;

} // namespace

extern "C" void *__wrap_malloc(std::size_t size) {
    if (heap_log.on) {
        ++heap_log.mallocs;
        heap_log.size = size;
    }
    return __real_malloc(size);
}

extern "C" void *__wrap_realloc(void *block, std::size_t size) {
    if (heap_log.on) {
        ++heap_log.reallocs;
        heap_log.size = size;
    }
    return __real_realloc(block, size);
}

namespace {

// Runs `call` (which must do nothing but the string operation) and returns
// what it asked of the heap.
template <typename Call> HeapLog watch(Call call) {
    heap_log = HeapLog{};
    heap_log.on = true;
    call();
    heap_log.on = false;
    return heap_log;
}

// A text of `length` characters in a block that the operations made
// themselves: a 100-byte first block, grown by one append.
char *text_of_length(std::size_t length) {
    char *s = stradd(nullptr, "");
    return stradd(s, std::string(length, 'x').c_str());
}

TEST(Stradd, FirstBlockIsHundredTimesLengthPlusOne) {
    const struct {
        const char *sour;
        std::size_t block;
    } cases[] = {{"", 100}, {"a", 200}, {"abc", 400}};
    for (const auto &c : cases) {
        char *s = nullptr;
        HeapLog log = watch([&] { s = stradd(nullptr, c.sour); });
        EXPECT_EQ(log.mallocs, 1) << '"' << c.sour << '"';
        EXPECT_EQ(log.reallocs, 0) << '"' << c.sour << '"';
        EXPECT_EQ(log.size, c.block) << '"' << c.sour << '"';
        EXPECT_STREQ(s, c.sour);
        std::free(s);
    }
}

TEST(Stradd, EmptyAppendNeverTouchesTheBlock) {
    for (std::size_t length : {0, 50, 98, 99, 198, 250}) {
        char *s = text_of_length(length);
        char *before = s;
        HeapLog log = watch([&] { s = stradd(s, ""); });
        EXPECT_EQ(log.mallocs + log.reallocs, 0) << "length " << length;
        EXPECT_EQ(s, before) << "length " << length;
        EXPECT_EQ(std::string(s), std::string(length, 'x')) << "length " << length;
        std::free(s);
    }
}

TEST(Stradd, GrowsOnlyWhenTheTextOutgrowsItsBlock) {
    const struct {
        std::size_t length; // of the text already there
        std::size_t added;
        std::size_t grown_to; // 0: no reallocation
    } cases[] = {
        {50, 48, 0},    // 98 characters still fit 100 bytes
        {50, 49, 200},  // 99 characters need 200
        {0, 98, 0},     {0, 99, 200},
        {98, 1, 200},   {99, 1, 0},   // 99 characters already live in 200
        {50, 150, 300}, {50, 250, 400}, // one step to the size the rule gives
        {150, 48, 0},   {150, 49, 300},
    };
    for (const auto &c : cases) {
        char *s = text_of_length(c.length);
        const std::string added(c.added, 'y');
        HeapLog log = watch([&] { s = stradd(s, added.c_str()); });
        SCOPED_TRACE(testing::Message() << c.length << " + " << c.added);
        EXPECT_EQ(log.mallocs, 0);
        if (c.grown_to == 0) {
            EXPECT_EQ(log.reallocs, 0);
        } else {
            EXPECT_EQ(log.reallocs, 1);
            EXPECT_EQ(log.size, c.grown_to);
        }
        EXPECT_EQ(std::string(s), std::string(c.length, 'x') + added);
        std::free(s);
    }
}

// The size of a grown block follows from the text alone, so a generous
// first block shrinks at its first growth.
TEST(Stradd, FirstGrowthOfGenerousBlockShrinksIt) {
    const std::string first(298, 'x'); // first block: 29900 bytes
    char *s = stradd(nullptr, first.c_str());
    HeapLog log = watch([&] { s = stradd(s, "y"); });
    EXPECT_EQ(log.reallocs, 1);
    EXPECT_EQ(log.size, 400u);
    EXPECT_EQ(std::string(s), first + "y");
    std::free(s);
}

TEST(Strac, NullStartsHundredByteBlock) {
    char *s = nullptr;
    HeapLog log = watch([&] { s = strac(nullptr, 'q'); });
    EXPECT_EQ(log.mallocs, 1);
    EXPECT_EQ(log.size, 100u);
    EXPECT_STREQ(s, "q");
    std::free(s);
}

// Built one character at a time, a text is reallocated exactly when its
// length d before the append makes d + 2 a multiple of 100.
TEST(Strac, ReallocatesOncePerHundredCharacters) {
    char *s = strac(nullptr, 'a');
    std::string want = "a";
    for (std::size_t d = 1; d < 400; ++d) {
        const char c = static_cast<char>('a' + d % 26);
        HeapLog log = watch([&] { s = strac(s, c); });
        want += c;
        const bool grows = (d + 2) % 100 == 0;
        ASSERT_EQ(log.mallocs, 0) << "length " << d;
        ASSERT_EQ(log.reallocs, grows ? 1 : 0) << "length " << d;
        if (grows) {
            EXPECT_EQ(log.size, (d + 2) + 100) << "length " << d;
        }
    }
    EXPECT_EQ(std::string(s), want);
    std::free(s);
}

TEST(Strac, AtTheBlockBoundary) {
    const struct {
        std::size_t length;
        std::size_t grown_to; // 0: no reallocation
    } cases[] = {{98, 200}, {99, 0}, {97, 0}, {198, 300}, {199, 0}};
    for (const auto &c : cases) {
        char *s = text_of_length(c.length);
        HeapLog log = watch([&] { s = strac(s, 'z'); });
        EXPECT_EQ(log.reallocs, c.grown_to == 0 ? 0 : 1) << "length " << c.length;
        if (c.grown_to != 0) {
            EXPECT_EQ(log.size, c.grown_to) << "length " << c.length;
        }
        EXPECT_EQ(std::string(s), std::string(c.length, 'x') + "z") << "length " << c.length;
        std::free(s);
    }
}

TEST(Strings, AppendBuildsText) {
    char *s = stradd(nullptr, "ab");
    s = strac(s, 'c');
    s = stradd(s, "");
    s = strac(s, '\0'); // a NUL character leaves the text as it was
    s = stradd(s, "de");
    EXPECT_STREQ(s, "abcde");
    std::free(s);
}

TEST(Itoa, NumbersInRangeAndPlaceholder) {
    const struct {
        int in;
        const char *want;
    } cases[] = {
        {0, "?!?"},   {-5, "?!?"},  {1000, "?!?"}, {INT_MIN, "?!?"}, {INT_MAX, "?!?"},
        {1, "1"},     {7, "7"},     {10, "10"},    {40, "40"},       {99, "99"},
        {100, "100"}, {101, "101"}, {110, "110"},  {305, "305"},     {999, "999"},
    };
    for (const auto &c : cases)
        EXPECT_STREQ(itoa(c.in), c.want) << c.in;
}

TEST(Itoa, SecondCallOverwritesTheBuffer) {
    char *first = itoa(999);
    EXPECT_EQ(itoa(7), first);
    EXPECT_STREQ(first, "7");
    itoa(-1);
    EXPECT_STREQ(first, "?!?");
}

} // namespace
