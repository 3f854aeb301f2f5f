// tovrin lint: reports citations written wrongly and citations of chapters
// or verses that no numbering system of the language has, with their
// places, as a compiler reports errors. The library's linter judges; this
// file feeds it the files and writes what it reports.
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>

#include "cli.h"
#include "lint.h"
#include "parallel.h"
#include "progress.h"
#include "textscan.h"
#include "tovrin.h"

namespace cli {

namespace {

// Feeds the text of each file, as written, to a linter of its own.
class LintConsumer : public Consumer {
public:
    LintConsumer(LANG *l, const tovrin_options &options, LintReport report)
        : l_(l), options_(options), report_(std::move(report)) {}

    bool reads_citations() const override { return false; }
    void begin_file(const std::string &name) override { begin_piece(name, Place{}); }
    // A piece after a paragraph break is linted on its own, as lint reads
    // nothing across one; its places count from its start.
    void begin_piece(const std::string &name, const Place &start) override {
        const std::string sigla = sigla_for(name);
        tovrin_options options = options_;
        options.sigla = sigla.c_str();
        linter_.reset(tovrin_linter_new_source(l_, &options, source_for(name)));
        if (!linter_)
            throw std::bad_alloc();
        start_ = start;
    }
    void text(std::string_view run, long long) override {
        const tovrin_problem_handler h{on_problem, this};
        tovrin_linter_feed(linter_.get(), run.data(), run.size(), &h);
    }
    void citation(const Citation &) override {}
    void end_file() override {
        const tovrin_problem_handler h{on_problem, this};
        tovrin_linter_finish(linter_.get(), &h);
        linter_.reset();
    }
    void end_piece() override { end_file(); }

private:
    static void on_problem(const tovrin_lint_problem *p, void *self) {
        auto &me = *static_cast<LintConsumer *>(self);
        const Place &s = me.start_;
        me.report_(me,
                   Place{s.offset + p->offset, s.line + p->line - 1,
                         p->line == 1 ? s.column + p->column - 1 : p->column},
                   p->message);
    }

    LANG *l_;
    tovrin_options options_;
    LintReport report_;
    Place start_; // of the piece being read
    std::unique_ptr<tovrin_linter, void (*)(tovrin_linter *)> linter_{nullptr,
                                                                      tovrin_linter_free};
};

} // namespace

std::unique_ptr<Consumer> lint_consumer(LANG *l, bool exact, LintReport report) {
    return std::make_unique<LintConsumer>(l, text_options(exact), std::move(report));
}

int cmd_lint(const Options &o) {
    LANG *l = language(o.lang);
    std::atomic<int> problems = 0;
    int status;
    {
        const progress::Line line(o.args);
        status = scan_in_parallel(o.args, jobs(o), l, text_options(o.exact), [&] {
            ScanJob job;
            job.consumer = lint_consumer(l, o.exact, [&](const Consumer &scan, const Place &at,
                                                         const std::string &message) {
                ++problems;
                progress::clear();
                write_bytes(scan.file() + ":" + scan.where(at) + ": " + message + "\n");
            });
            job.scan = std::make_unique<Scan>(l, text_options(o.exact), *job.consumer);
            return job;
        });
    }
    std::fflush(stdout);
    // As grep does: 2 for trouble (a file that could not be read) over 1
    // for findings.
    return status != 0 ? 2 : problems > 0 ? 1 : 0;
}

} // namespace cli
