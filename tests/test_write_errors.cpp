// Output that cannot be written is an error, not a success: every command
// writing to a full disk (/dev/full) says so on standard error and exits
// 2 (dorvi 1). A closed pipe stays quiet, as SIGPIPE has it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "test_support.h"

namespace {

using testing_support::Outcome;
using testing_support::run_command;
using testing_support::TempDir;

std::string data() { return testing_support::source_dir() + "/data"; }

TEST(WriteErrors, FullDiskIsReported) {
    const std::string tovrin = testing_support::binary_dir() + "/tovrin --config bibl.ini ";
    const char *const commands[] = {
        "scan --format plain nztexty.tex", // large output: fails while writing
        "scan --format json nztexty.tex",
        "scan --format tex --index nztexty.tex",
        "index nztexty.tex",
        "lint ../tests/fixtures/existence-cz.tex",
        "grep 'J 3' nztexty.tex",
        "expand 'J 3,16n'", // small output: fails at the final flush
        "translate --to en 'J 3,16'",
        "compare 'J 3,16' 'J 3'",
        "units 'J 3,16'",
        "books",
        "config",
        "config --dump",
        "--help",
        "--version",
    };
    for (const char *c : commands) {
        const Outcome o = run_command(tovrin + c + " > /dev/full", data());
        EXPECT_EQ(o.err, "tovrin: error writing standard output: No space left on device\n") << c;
        EXPECT_EQ(o.status, 2) << c;
    }
    const Outcome dorvi =
        run_command(testing_support::binary_dir() + "/dorvi > /dev/full", data());
    EXPECT_EQ(dorvi.err, "dorvi: error writing standard output: No space left on device\n");
    EXPECT_EQ(dorvi.status, 1);
}

TEST(WriteErrors, ClosedPipeIsQuiet) {
    // The sample several times over: more than any pipe buffer holds.
    TempDir dir;
    std::ifstream sample(data() + "/nztexty.tex", std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(sample), {});
    std::string big;
    for (int k = 0; k < 64; ++k)
        big += text;
    dir.write("nztexty.tex", big);
    std::ifstream config(data() + "/bibl.ini", std::ios::binary);
    dir.write("bibl.ini", std::string(std::istreambuf_iterator<char>(config), {}));
    for (const std::string program :
         {"tovrin --config bibl.ini scan --format plain nztexty.tex", "dorvi"}) {
        const Outcome o = run_command("bash -c '" + testing_support::binary_dir() + "/" +
                                          program +
                                          " | head -c 1 >/dev/null; echo ${PIPESTATUS[0]}'",
                                      dir.path());
        EXPECT_EQ(o.out, "141\n") << program; // 128 + SIGPIPE
        EXPECT_EQ(o.err, "") << program;
    }
}

TEST(Dorvi, AnyArgumentGivesUsage) {
    const Outcome o = run_command(testing_support::binary_dir() + "/dorvi --help", data());
    EXPECT_EQ(o.err, "usage: dorvi\n"
                     "Reads bibl.ini and nztexty.tex from the current directory and writes\n"
                     "the text with every citation highlighted to standard output.\n");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.status, 2);
}

} // namespace
