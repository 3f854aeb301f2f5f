// tovrin grep: the lines of texts that cite a passage overlapping a query.
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "citetext.h"
#include "cli.h"
#include "parallel.h"
#include "textscan.h"
#include "tovrin.h"

namespace cli {

namespace {

class GrepOutput : public Consumer {
public:
    // `matched` is set when a line matches (shared by the pieces of -j).
    GrepOutput(LANG *l, std::string query, bool exact, std::atomic<bool> &matched)
        : l_(l), query_(std::move(query)), exact_(exact), matched_(matched) {}
    void begin_file(const std::string &name) override { begin_piece(name, Place{}); }
    void begin_piece(const std::string &name, const Place &start) override {
        file_ = name;
        line_.clear();
        line_no_ = start.line;
        line_start_ = start;
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
    void end_piece() override { end_file(); }

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
        const std::string_view text(p, n);
        for (std::size_t k = 0;;) {
            const std::size_t brk = text.find('\n', k);
            line_.append(text.substr(k, brk - k)); // to the end when there is none
            if (brk == std::string_view::npos)
                return;
            flush_line();
            ++line_no_;
            line_start_ = Place{offset + static_cast<long long>(brk) + 1, line_no_, 1};
            hit_ = match;
            k = brk + 1;
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
    bool hit_ = false;
    std::atomic<bool> &matched_;
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
    std::atomic<bool> matched = false;
    const int status = scan_in_parallel(files, jobs(o), l, text_options(o.exact), [&] {
        ScanJob job;
        job.consumer = std::make_unique<GrepOutput>(l, query.read, o.exact, matched);
        job.scan = std::make_unique<Scan>(l, text_options(o.exact), *job.consumer);
        return job;
    });
    std::fflush(stdout);
    if (status != 0)
        return 2;
    return matched ? 0 : 1;
}


} // namespace cli
