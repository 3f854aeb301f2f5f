// tovrin map, run as a process on small Czech texts: the SVG parses (with
// pugixml) and has a row per book of the language and a cell per chapter;
// the counts of the cited cells are those of `tovrin index`, worked out
// here from the index's citations as OSIS references; verse by verse; an
// empty text; the usage errors. And the library's map of units given by
// hand, as Python and the server hand them over.
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"
#include "tovrin.hpp"

namespace {

using nlohmann::json;
using testing_support::Outcome;
using testing_support::TempDir;

// Citations of one chapter and of several (a range across chapters, a
// whole chapter, a list), one of a book of one chapter, one repeated on a
// line of its own and on the same line, and a line of prose.
const char kSermon[] = "Blahoslavení chudí (Mt 5,3-12; L 6,20n).\n"
                       "Srv. Gn 1,1-2,3 a Ž 23; Mt 5,7.\n"
                       "Juda píše (Ju 5) a Mt 5,3 i Mt 5,3.\n"
                       "Nic tu není.\n"
                       "Znovu Mt 5,3 a Ř 8,28-9,2.\n";

class Map : public ::testing::Test {
protected:
    Outcome tovrin(const std::string &args) const {
        return testing_support::run_command(testing_support::binary_dir() +
                                                "/tovrin --config '" +
                                                testing_support::source_dir() +
                                                "/data/bibl.ini' " + args,
                                            work_.path());
    }
    std::string file(const std::string &name, const std::string &content) const {
        return work_.write(name, content);
    }
    // The output of a command that must succeed.
    std::string ok(const std::string &args) const {
        const Outcome o = tovrin(args);
        EXPECT_EQ(o.status, 0) << args << "\n" << o.err;
        EXPECT_EQ(o.err, "") << args;
        return o.out;
    }

    TempDir work_;
};

// The (OSIS book, chapter) cells the index's citations touch, each counted
// once per place the index lists: each citation is turned into OSIS
// references ("Matt.5.3-Matt.5.12", "Ps.23", "Jude.1.5") by `tovrin
// expand --to osis`.
std::map<std::pair<std::string, int>, long> index_counts(const json &index,
                                                       const std::map<std::string, int> &chapters,
                                                       const std::string &osis) {
    std::map<std::pair<std::string, int>, long> counts;
    std::istringstream lines(osis);
    for (const json &entry : index) {
        std::string refs;
        std::getline(lines, refs);
        std::istringstream each(refs);
        for (std::string ref; std::getline(each, ref, ',');) {
            const std::string from = ref.substr(0, ref.find('-'));
            const std::string to = ref.find('-') == std::string::npos ? ref : ref.substr(ref.find('-') + 1);
            const auto book = from.substr(0, from.find('.'));
            auto chapter = [&](const std::string &r, int whole) {
                const std::size_t dot = r.find('.');
                return dot == std::string::npos ? whole : std::stoi(r.substr(dot + 1));
            };
            for (int c = chapter(from, 1); c <= chapter(to, chapters.at(book)); ++c)
                counts[{book, c}] += static_cast<long>(entry["places"].size());
        }
    }
    return counts;
}

TEST_F(Map, SvgRowsCellsAndCountsOfTheIndex) {
    const std::string text = file("kazani.txt", kSermon);
    ASSERT_EQ(ok("map -o map.svg kazani.txt"), "");
    const json counts = json::parse(ok("map --format json kazani.txt"));
    const json index = json::parse(ok("index --format json kazani.txt"));

    // One row per book of the language, in its order and with its names.
    std::vector<std::string> books;
    std::istringstream listed(ok("books"));
    for (std::string line; std::getline(listed, line);)
        books.push_back(line);
    ASSERT_EQ(counts["rows"].size(), books.size());

    pugi::xml_document svg;
    const pugi::xml_parse_result parsed = svg.load_file((work_.path() + "/map.svg").c_str());
    ASSERT_TRUE(parsed) << parsed.description();
    ASSERT_STREQ(svg.document_element().name(), "svg");
    const pugi::xpath_node_set rows = svg.select_nodes("//g[@class='row']");
    ASSERT_EQ(rows.size(), books.size());
    std::map<std::string, int> chapters; // of each OSIS book
    std::map<std::pair<std::string, int>, long> drawn, listed_counts;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        SCOPED_TRACE(books[k]);
        const pugi::xml_node row = rows[k].node();
        const json &r = counts["rows"][k];
        // "1\tGn (Gen, Genesis, ...)\t50": number, names, chapters in the
        // language's first numbering system ("-": it lacks the book).
        std::istringstream fields(books[k]);
        std::string number, names, system;
        std::getline(fields, number, '\t');
        std::getline(fields, names, '\t');
        std::getline(fields, system, '\t');
        EXPECT_EQ(row.attribute("data-book").as_int(), std::stoi(number));
        EXPECT_EQ(r["name"], names.substr(0, names.find(" (")));
        EXPECT_STREQ(row.child("text").child_value(), r["name"].get<std::string>().c_str());
        const pugi::xpath_node_set cells = row.select_nodes("rect[@class='cell']");
        EXPECT_EQ(cells.size(), r["counts"].size());
        if (system != "-") {
            EXPECT_EQ(cells.size(), static_cast<std::size_t>(std::stoi(system)));
        }
        const std::string osis = r["osis"];
        chapters[osis] = static_cast<int>(cells.size());
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const long n = r["counts"][c];
            const std::string title = cells[c].node().child("title").child_value();
            const std::string want = r["name"].get<std::string>() + " " + std::to_string(c + 1) +
                                     ": " +
                                     (n == 0 ? "not cited"
                                             : std::to_string(n) + (n == 1 ? " citation" : " citations"));
            EXPECT_EQ(title, want);
            EXPECT_EQ(std::string(cells[c].node().attribute("fill").value()) == "#ffffff", n == 0)
                << title;
            if (n > 0)
                listed_counts[{osis, static_cast<int>(c + 1)}] = n;
        }
    }

    // The cited cells and their counts are the index's.
    std::string args;
    for (const json &e : index)
        args += " '" + e["citation"].get<std::string>() + "'";
    const auto want = index_counts(index, chapters, ok("expand --to osis" + args));
    EXPECT_EQ(listed_counts, want);
    // What the sermon cites: Mt 5 on four lines (Mt 5,3 twice on one line
    // counts once for that line).
    EXPECT_EQ(listed_counts.at({"Matt", 5}), 4);
    EXPECT_EQ(listed_counts.at({"Jude", 1}), 1);
    EXPECT_EQ(listed_counts.at({"Gen", 2}), 1);
    EXPECT_EQ(listed_counts.at({"Rom", 9}), 1);
    EXPECT_EQ(counts["citations"], 9);
    EXPECT_NE(svg.select_node("//text[@class='totals']"), nullptr);
    EXPECT_STREQ(svg.select_node("//text[@class='totals']").node().child_value(),
                 "9 citations \u00b7 8 chapters of 6 books cited \u00b7 language cz");
}

// Verse by verse, one book: a row per chapter, a cell per verse.
TEST_F(Map, ByVerse) {
    file("kazani.txt", kSermon);
    const json counts = json::parse(ok("map --by verse --format json kazani.txt"));
    EXPECT_EQ(counts["by"], "verse");
    ASSERT_EQ(counts["rows"].size(), 28u); // Mt, the book cited most
    const json &mt5 = counts["rows"][4];
    EXPECT_EQ(mt5["name"], "Mt 5");
    EXPECT_EQ(mt5["chapter"], 5);
    ASSERT_EQ(mt5["counts"].size(), 48u);
    std::vector<long> want(48, 0);
    for (int v = 3; v <= 12; ++v)
        want[static_cast<std::size_t>(v - 1)] = 1; // Mt 5,3-12 (line 1)
    want[6] += 1;                                   // Mt 5,7 (line 2)
    want[2] += 2;                                   // Mt 5,3 (lines 3 and 5)
    EXPECT_EQ(mt5["counts"].get<std::vector<long>>(), want);
    EXPECT_EQ(mt5["total"], 4);

    ok("map --by verse --book Ř -o rom.svg kazani.txt");
    pugi::xml_document svg;
    ASSERT_TRUE(svg.load_file((work_.path() + "/rom.svg").c_str()));
    EXPECT_EQ(svg.select_nodes("//g[@class='row']").size(), 16u);
    const pugi::xpath_node_set rom9 = svg.select_nodes("//g[@data-chapter='9']/rect");
    ASSERT_EQ(rom9.size(), 33u);
    EXPECT_STREQ(rom9[1].node().child("title").child_value(), "Ř 9,2: 1 citation");
    EXPECT_STREQ(rom9[2].node().child("title").child_value(), "Ř 9,3: not cited");
}

// An empty text (or one without citations) gives an empty map: every row
// there, no cell cited.
TEST_F(Map, EmptyTextEmptyMap) {
    file("empty.txt", "");
    file("prose.txt", "Nic tu není, jen Na 5 minut.\n");
    for (const char *name : {"empty.txt", "prose.txt"}) {
        SCOPED_TRACE(name);
        const std::string out = ok(std::string("map ") + name);
        pugi::xml_document svg;
        ASSERT_TRUE(svg.load_string(out.c_str()));
        EXPECT_EQ(svg.select_nodes("//g[@class='row']").size(), 86u);
        EXPECT_EQ(svg.select_nodes("//rect[@class='cell' and @fill!='#ffffff']").size(), 0u);
        EXPECT_STREQ(svg.select_node("//text[@class='totals']").node().child_value(),
                     "0 citations \u00b7 0 chapters of 0 books cited \u00b7 language cz");
        const json counts = json::parse(ok(std::string("map --format json ") + name));
        EXPECT_EQ(counts["citations"], 0);
        for (const json &r : counts["rows"])
            EXPECT_EQ(r["total"], 0);
    }
}

TEST_F(Map, UsageErrors) {
    const struct {
        const char *args, *err;
        int status;
    } cases[] = {
        {"map --format png", "tovrin: unknown map format 'png' (svg, json)\nTry 'tovrin map --help'.\n", 2},
        {"map --by book", "tovrin: --by takes chapter or verse, not 'book'\nTry 'tovrin map --help'.\n", 2},
        {"map --book Mt", "tovrin: --book goes with --by verse\nTry 'tovrin map --help'.\n", 2},
        {"map --by verse --book Xy",
         "tovrin: unknown book 'Xy' in the language cz\nTry 'tovrin map --help'.\n", 2},
        {"map -o /nonexistent/dir/map.svg",
         "tovrin: cannot write '/nonexistent/dir/map.svg': No such file or directory\n", 2},
        {"map missing.txt", "tovrin: cannot open 'missing.txt': No such file or directory\n", 2},
    };
    for (const auto &c : cases) {
        const Outcome o = tovrin(c.args);
        EXPECT_EQ(o.err, c.err) << c.args;
        EXPECT_EQ(o.status, c.status) << c.args;
    }
}

// A range across chapters counts in each chapter and verse it touches, a
// whole chapter in each of its verses; a book outside the language (or no
// language) is refused by both layers.
TEST(LibraryMap, CountsUnitsAndRefusesBooksOutside) {
    const tovrin::Language cz(testing_support::shipped_lang("cz"));
    PARS_UNIT genesis{}; // Gn 1,1-2,3
    genesis.bf = 1, genesis.cf = 1, genesis.vf = 1, genesis.b = 1, genesis.c = 2, genesis.v = 3;
    PARS_UNIT psalm{}; // Ž 23
    psalm.bf = 19, psalm.cf = 23, psalm.b = 19, psalm.c = 23;
    const std::vector<tovrin_cited> cited = {{genesis, 2}, {psalm, 1}};

    const json chapters = json::parse(tovrin::coverage(cz, cited));
    EXPECT_EQ(chapters["citations"], 3);
    ASSERT_EQ(chapters["rows"].size(), 86u);
    EXPECT_EQ(chapters["rows"][0]["name"], "Gn");
    EXPECT_EQ(chapters["rows"][0]["total"], 2);
    EXPECT_EQ(chapters["rows"][0]["counts"][0], 2);
    EXPECT_EQ(chapters["rows"][0]["counts"][1], 2);
    EXPECT_EQ(chapters["rows"][0]["counts"][2], 0);
    EXPECT_EQ(chapters["rows"][18]["counts"][22], 1);

    // Verse by verse, the book cited most (Genesis) unless one is named.
    for (int book : {0, 1}) {
        const json verses = json::parse(tovrin::coverage(cz, cited, TOVRIN_MAP_BY_VERSE, book));
        ASSERT_EQ(verses["rows"].size(), 50u) << book;
        EXPECT_EQ(verses["rows"][0]["counts"].size(), 31u);
        EXPECT_EQ(verses["rows"][0]["counts"][30], 2);
        EXPECT_EQ(verses["rows"][1]["counts"][2], 2);
        EXPECT_EQ(verses["rows"][1]["counts"][3], 0);
    }
    const json psalm23 = json::parse(tovrin::coverage(cz, cited, TOVRIN_MAP_BY_VERSE, 19));
    EXPECT_EQ(psalm23["rows"][22]["counts"].size(), 6u);
    EXPECT_EQ(psalm23["rows"][22]["counts"][5], 1);

    pugi::xml_document svg;
    ASSERT_TRUE(svg.load_string(tovrin::coverage(cz, cited, TOVRIN_MAP_SVG, 0, "a <b> & c").c_str()));
    EXPECT_STREQ(svg.child("svg").child("title").child_value(), "Scripture cited: a <b> & c");

    EXPECT_EQ(tovrin_coverage(nullptr, cited.data(), cited.size(), 0, 0, nullptr), nullptr);
    EXPECT_EQ(tovrin_coverage(cz.get(), cited.data(), cited.size(), TOVRIN_MAP_BY_VERSE, 87, nullptr),
              nullptr);
    EXPECT_THROW(tovrin::coverage(cz, cited, TOVRIN_MAP_BY_VERSE, 87), std::out_of_range);
    EXPECT_THROW(tovrin::coverage(cz, cited, TOVRIN_MAP_BY_VERSE, -1), std::out_of_range);
}

} // namespace
