// tovrin grep: the lines of texts that cite a passage overlapping a query.
#include <cstdio>
#include <string>
#include <vector>

#include "citetext.h"
#include "cli.h"
#include "textscan.h"
#include "tovrin.h"

namespace cli {

namespace {

class GrepOutput : public Consumer {
public:
    GrepOutput(LANG *l, std::string query, bool exact)
        : l_(l), query_(std::move(query)), exact_(exact) {}
    bool matched() const { return matched_; }
    void begin_file(const std::string &name) override {
        file_ = name;
        line_.clear();
        line_no_ = 1;
        line_start_ = Place{};
        hit_ = false;
    }
    unsigned without() const override {
        return TOVRIN_WITHOUT_CANONICAL | TOVRIN_WITHOUT_OSIS | TOVRIN_WITHOUT_UNITS;
    }
    void text(std::string_view run, long long offset) override {
        add(run.data(), run.size(), false, offset);
    }
    void citation(const Citation &c) override {
        // A shared passage in either direction: the overlap test is not
        // symmetric.
        const bool match = overlaps(c.normalized, query_) || overlaps(query_, c.normalized);
        hit_ = hit_ || match;
        add(c.text.data(), c.text.size(), match, c.at.offset);
    }
    void end_file() override {
        if (!line_.empty())
            flush_line();
    }

private:
    // Whether a unit of `a` overlaps one of `b`, as the reading compares.
    bool overlaps(const std::string &a, const std::string &b) const {
        if (exact_)
            return tovrin_is_equal(a.c_str(), b.c_str(), l_, l_) == 1;
        int overlap = 0;
        tovrin_compare_read(a.c_str(), b.c_str(), l_, l_, &overlap);
        return overlap == 1;
    }

    // A matching citation that runs over a line break reports every line
    // it touches, each with its own number. `offset` is that of p[0].
    void add(const char *p, std::size_t n, bool match, long long offset) {
        for (std::size_t k = 0; k < n; ++k) {
            if (p[k] == '\n') {
                flush_line();
                ++line_no_;
                line_start_ = Place{offset + static_cast<long long>(k) + 1, line_no_, 1};
                hit_ = match;
            } else {
                line_ += p[k];
            }
        }
    }
    void flush_line() {
        if (hit_) {
            matched_ = true;
            // In a document: the paragraph (or note) of the line.
            write_bytes(file_ + ":" + where(line_start_, false) + ":" + line_ + "\n");
        }
        line_.clear();
        hit_ = false;
    }

    LANG *l_;
    std::string query_;
    bool exact_;
    std::string file_;
    std::string line_;
    long line_no_ = 1;
    Place line_start_;
    bool hit_ = false, matched_ = false;
};

} // namespace

int cmd_grep(const Options &o) {
    if (o.args.empty())
        usage_error("grep needs a CITATION");
    LANG *l = language(o.lang);
    // The overlap test takes anything, and a text that is no citation (a
    // book name unknown, a number 0) would match every citation. A bare
    // book is fine: it stands for the whole book.
    const UserCitation query = read_user_citation(o.args[0], l, o.exact);
    if (!query.problem.empty())
        usage_error("grep: " + query.problem);
    const std::vector<std::string> files(o.args.begin() + 1, o.args.end());
    GrepOutput grep(l, query.read, o.exact);
    Scan scan(l, text_options(o.exact), grep);
    const int status = scan_files(files, scan);
    std::fflush(stdout);
    if (status != 0)
        return 2;
    return grep.matched() ? 0 : 1;
}


} // namespace cli
