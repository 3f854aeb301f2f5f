// Every program built on the scanner finds the same citations on the
// shipped sample: the driver, `tovrin scan` in each format, index, grep and
// lint. They share one decision, so a difference here is a fault in how a
// program feeds or reports the scanner, not a matter of taste.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"
#include "tovrin.hpp"

namespace {

using testing_support::binary_dir;
using testing_support::Outcome;
using testing_support::run_command;
using testing_support::source_dir;

Outcome in_data(const std::string &cmd) { return run_command(cmd, source_dir() + "/data"); }

std::string tovrin(const std::string &args) { return binary_dir() + "/tovrin " + args; }

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The value of a number or string field of one JSON line of `scan` (no
// escapes occur in the sample's citations).
std::string field(const std::string &json, const std::string &name) {
    const std::string key = "\"" + name + "\":";
    std::size_t at = json.find(key);
    if (at == std::string::npos)
        return "";
    at += key.size();
    if (json[at] == '"') {
        const std::size_t end = json.find('"', at + 1);
        return json.substr(at + 1, end - at - 1);
    }
    return json.substr(at, json.find_first_of(",}", at) - at);
}

struct Found {
    std::string line, column, text, canonical;
};

std::vector<Found> scan_json(const std::string &options) {
    const Outcome o = in_data(tovrin("scan --format json " + options + " nztexty.tex"));
    EXPECT_EQ(o.status, 0) << o.err;
    std::vector<Found> found;
    for (const std::string &j : lines_of(o.out))
        found.push_back({field(j, "line"), field(j, "column"), field(j, "text"),
                         field(j, "canonical")});
    return found;
}

// The driver and the command line's exact mode give the same bytes (the
// driver writes one line feed first).
TEST(Consumers, DriverAndAnsiScanWriteTheSameBytes) {
    const Outcome dorvi = in_data(binary_dir() + "/dorvi");
    const Outcome scan = in_data(tovrin("scan --exact --format ansi nztexty.tex"));
    ASSERT_EQ(dorvi.status, 0) << dorvi.err;
    ASSERT_EQ(scan.status, 0) << scan.err;
    ASSERT_FALSE(dorvi.out.empty());
    EXPECT_TRUE(dorvi.out.substr(1) == scan.out) << "dorvi and tovrin scan --exact differ";
}

// The driver reads and writes in blocks: on a text of many blocks, with
// citations across block ends, it writes what the stream scanner gives.
TEST(Consumers, DriverWritesWhatTheStreamScannerGives) {
    testing_support::TempDir dir;
    const auto made = run_command("python3 " + source_dir() + "/bench/make_corpus.py --data " +
                                      source_dir() + "/data cite 600K nztexty.tex",
                                  dir.path());
    ASSERT_EQ(made.status, 0) << made.err;
    ASSERT_EQ(run_command("cp " + source_dir() + "/data/bibl.ini .", dir.path()).status, 0);
    const std::string text = dir.read("nztexty.tex");
    std::string want = "\n";
    std::size_t next = 0;
    ASSERT_TRUE(tovrin::scan(
        tovrin::Language(testing_support::shipped_lang("cz")),
        [&]() -> int { return next < text.size() ? static_cast<unsigned char>(text[next++]) : -1; },
        [&](char c) { want += c; },
        [&](std::string_view c) { want += "\x1b[33;40;1m" + std::string(c) + "\x1b[37;40;0m"; }));
    const Outcome dorvi = run_command(binary_dir() + "/dorvi", dir.path());
    ASSERT_EQ(dorvi.status, 0) << dorvi.err;
    EXPECT_TRUE(dorvi.out == want) << "dorvi differs from dorvis_core on " << text.size()
                                   << " bytes";
}

// Without --exact the command line reads typographic forms as well: only
// lines that use one (a tie, "--", a dash or a no-break space) may differ
// from the driver's.
TEST(Consumers, TypographicFormsAreTheOnlyDifference) {
    const auto driver = lines_of(in_data(binary_dir() + "/dorvi").out.substr(1));
    const auto forms = lines_of(in_data(tovrin("scan --format ansi nztexty.tex")).out);
    ASSERT_EQ(driver.size(), forms.size());
    int differing = 0;
    for (std::size_t k = 0; k < driver.size(); ++k) {
        if (driver[k] == forms[k])
            continue;
        ++differing;
        const std::string &l = driver[k];
        const bool has_form = l.find('~') != std::string::npos ||
                              l.find("--") != std::string::npos ||
                              l.find("\xe2\x80\x93") != std::string::npos ||
                              l.find("\xe2\x80\x94") != std::string::npos ||
                              l.find("\xc2\xa0") != std::string::npos;
        EXPECT_TRUE(has_form) << "line " << k + 1 << ": " << l;
    }
    EXPECT_LE(differing, 3); // the sample shows a few forms on purpose
}

// tovrin scan, lint, grep, index and map -j 2 scan files, and pieces of a
// large file, in threads: every format writes what -j 1 writes (the index
// and the map merge the pieces' counts and places in order). 3 MB of corpus makes
// the large file (cut at paragraph breaks into pieces of half a megabyte
// and more, more pieces than threads);
// the same text without blank lines is cut after a line that ends in "?"
// by the default reading and at any line break by the exact one; with
// CR LF line ends it is cut at its blank lines too; in paragraphs of one
// line of 150 000 bytes each, at the blank lines between them.
TEST(Consumers, ParallelScanWritesWhatOneScanWrites) {
    testing_support::TempDir dir;
    const auto made = run_command("python3 " + source_dir() + "/bench/make_corpus.py --data " +
                                      source_dir() + "/data cite 3M large.txt && "
                                      "tr -s '\\n' < large.txt > lines.txt && "
                                      "sed 's/$/\\r/' large.txt > crlf.txt && "
                                      "tr '\\n' ' ' < large.txt | fold -w 150000 | "
                                      "sed 's/$/\\n/' > long.txt",
                                  dir.path());
    ASSERT_EQ(made.status, 0) << made.err;
    dir.write("small.txt", "Mt 5,3 a L 6,20n.\n\nJ 3,16--18\n");
    const std::string files =
        " large.txt lines.txt crlf.txt long.txt " + source_dir() + "/data/nztexty.tex small.txt";
    const std::string config = " --config " + source_dir() + "/data/bibl.ini";
    const struct {
        std::string command;
        int status;             // of both runs
        std::size_t least = 50000; // bytes of output at least
    } commands[] = {
        {"scan --format plain", 0}, {"scan --format ansi", 0}, {"scan --format tex --index", 0},
        {"scan --format html", 0},  {"scan --format json", 0}, {"lint", 1},
        {"grep Gn", 0, 20000},      {"index", 0},              {"index --format json", 0},
        {"map --format json", 0, 5000}, {"scan --exact --format json", 0}, {"lint --exact", 1},
        {"index --exact", 0},
    };
    for (const auto &c : commands) {
        const std::string run = tovrin(c.command + config);
        const Outcome one = run_command(run + " -j 1" + files, dir.path());
        const Outcome two = run_command(run + " -j 2" + files, dir.path());
        EXPECT_EQ(one.status, c.status) << c.command << ": " << one.err;
        EXPECT_EQ(two.status, c.status) << c.command << ": " << two.err;
        EXPECT_GT(one.out.size(), c.least) << c.command;
        EXPECT_TRUE(one.out == two.out) << c.command << ": -j 2 differs from -j 1";
    }
    const Outcome bad = run_command(tovrin("scan -j 0 small.txt"), dir.path());
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("-j needs a number of threads"), std::string::npos) << bad.err;
}

// index lists a unit of every citation that scan finds, on the same lines.
TEST(Consumers, IndexPlacesAreTheScannedLines) {
    std::set<std::string> scanned;
    for (const Found &f : scan_json(""))
        scanned.insert("nztexty.tex:" + f.line);
    const Outcome o = in_data(tovrin("index nztexty.tex"));
    ASSERT_EQ(o.status, 0) << o.err;
    std::set<std::string> indexed;
    for (const std::string &entry : lines_of(o.out)) {
        std::string places = entry.substr(entry.find('\t') + 1);
        std::istringstream in(places);
        for (std::string p; std::getline(in, p, ',');)
            indexed.insert(p.substr(p.find_first_not_of(' ')));
    }
    EXPECT_EQ(indexed, scanned);
}

// grep finds each scanned citation on its line, and lint reports nothing
// where a citation was found.
TEST(Consumers, GrepAndLintAgreeWithScan) {
    const auto found = scan_json("");
    ASSERT_GT(found.size(), 50u);
    std::set<std::pair<std::string, std::string>> starts;
    for (const Found &f : found) {
        starts.insert({f.line, f.column});
        const Outcome g = in_data(tovrin("grep '" + f.canonical + "' nztexty.tex"));
        EXPECT_EQ(g.status, 0) << f.text << ": " << g.err;
        EXPECT_NE(g.out.find("nztexty.tex:" + f.line + ":"), std::string::npos)
            << f.text << " at line " << f.line;
    }
    const Outcome lint = in_data(tovrin("lint nztexty.tex"));
    for (const std::string &finding : lines_of(lint.out)) {
        // nztexty.tex:LINE:COLUMN: message
        const std::size_t a = finding.find(':'), b = finding.find(':', a + 1),
                          c = finding.find(':', b + 1);
        const std::pair<std::string, std::string> place{finding.substr(a + 1, b - a - 1),
                                                        finding.substr(b + 1, c - b - 1)};
        EXPECT_EQ(starts.count(place), 0u) << finding;
    }
}

// The text commands read their input in blocks, and runs of bytes that
// stand for themselves apart from typographic forms and phrases: the
// sample written 40 times over (300 KB, so forms and phrases fall on every
// position of a block) gives 40 times the citations of one copy.
TEST(Consumers, ScanOfManyCopiesRepeatsTheScanOfOne) {
    testing_support::TempDir dir;
    const std::string one = testing_support::read_file(source_dir() + "/data/nztexty.tex") +
                            "\nPrvní list Korintským 13,4 a Mt~5,3--12.\n\n";
    std::string many;
    for (int k = 0; k < 40; ++k)
        many += one;
    dir.write("one.tex", one);
    dir.write("many.tex", many);
    const auto citations = [&](const char *file) {
        const Outcome o = run_command(tovrin("--config " + source_dir() +
                                             "/data/bibl.ini scan --format json " + file),
                                      dir.path());
        EXPECT_EQ(o.status, 0) << o.err;
        std::vector<std::pair<long long, std::string>> found;
        for (const std::string &j : lines_of(o.out))
            found.emplace_back(std::stoll(field(j, "offset")),
                               field(j, "text") + " = " + field(j, "canonical"));
        return found;
    };
    const auto single = citations("one.tex");
    ASSERT_GT(single.size(), 90u);
    EXPECT_EQ(single[single.size() - 2].second, "První list Korintským 13,4 = 1 K 13,4");
    EXPECT_EQ(single.back().second, "Mt~5,3--12 = Mt 5,3-12");
    std::vector<std::pair<long long, std::string>> want;
    for (int k = 0; k < 40; ++k)
        for (const auto &[offset, cite] : single)
            want.emplace_back(offset + k * static_cast<long long>(one.size()), cite);
    EXPECT_TRUE(citations("many.tex") == want);
}

// Hymn numbers, a patristic volume and "5 minutes" read like citations of
// books too short for them: scan, index and grep leave them out, --exact
// (the driver's reading) keeps them, and real citations stay in both.
TEST(Consumers, ScanIndexAndGrepTakeOnlyExistingCitations) {
    testing_support::TempDir dir;
    dir.write("hymns.txt", "Zpívali jsme EZ 508,1 a EZD 681,1.\n"
                           "Viz PL 38, 1134.\n"
                           "Na 5 minut se zastavil u Ez 37,1-14.\n"
                           "Srov. Na 3,1 a J 3,16-99.\n");
    const std::string cmd = tovrin("--config " + source_dir() + "/data/bibl.ini ");
    const auto run = [&](const std::string &args) {
        const Outcome o = run_command(cmd + args + " hymns.txt", dir.path());
        EXPECT_EQ(o.err, "") << args;
        return o;
    };
    EXPECT_EQ(run("scan --format tex").out,
              "Zpívali jsme EZ 508,1 a EZD 681,1.\n"
              "Viz PL 38, 1134.\n"
              "Na 5 minut se zastavil u \\bibleref{Ez 37,1-14}.\n"
              "Srov. \\bibleref{Na 3,1} a \\bibleref{J 3,16}-99.\n");
    EXPECT_EQ(run("scan --exact --format tex").out,
              "Zpívali jsme \\bibleref{EZ 508,1} a \\bibleref{EZD 681,1}.\n"
              "Viz \\bibleref{PL 38}, 1134.\n"
              "\\bibleref{Na 5} minut se zastavil u \\bibleref{Ez 37,1-14}.\n"
              "Srov. \\bibleref{Na 3,1} a \\bibleref{J 3,16-99}.\n");
    EXPECT_EQ(run("index").out, "Ez 37,1-14\thymns.txt:3\n"
                                "Na 3,1\thymns.txt:4\n"
                                "J 3,16\thymns.txt:4\n");
    const Outcome grep = run("grep Ez");
    EXPECT_EQ(grep.status, 0);
    EXPECT_EQ(lines_of(grep.out).size(), 1u) << grep.out;
    EXPECT_EQ(lines_of(run("grep --exact Ez").out).size(), 2u);
}

} // namespace
