// tovrin scan -j: several files, and pieces of a large file, scanned at once
// in threads, each with a consumer of its own writing into a buffer; the
// buffers go to standard output in input order, so that the output is
// byte for byte what one scan writes.
#ifndef TOVRIN_TOOLS_PARALLEL_H
#define TOVRIN_TOOLS_PARALLEL_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli.h"
#include "textscan.h"

namespace cli {

// A consumer and the scan that feeds it.
struct ScanJob {
    std::unique_ptr<Consumer> consumer;
    std::unique_ptr<Scan> scan;
};
using MakeScan = std::function<ScanJob()>;

// The number of threads of `-j N`: N, or every core when not given.
int jobs(const Options &o);

// Where a large file may be cut. No citation crosses a line feed that the
// scanner sees (its lexer stops there, and its decisions behind one do not
// depend on the text before it). The exact reading sees every line feed;
// the default reading joins the lines of a paragraph with spaces and sees
// only paragraph breaks (blank lines, "\n\n" or "\r\n\r\n").
enum class Cuts { paragraphs, lines };
inline Cuts cuts(bool exact) { return exact ? Cuts::lines : Cuts::paragraphs; }

// Scans `files` as scan_files() does, with up to `jobs` threads. A text
// file of more than a few megabytes is cut into pieces after the breaks
// `cuts` allows. Standard input and documents are scanned whole.
// `gather`, when given, receives each piece's consumer in input order on
// the calling thread once the piece is scanned (tovrin index merges what
// the pieces collected).
using Gather = std::function<void(Consumer &)>;
int scan_in_parallel(const std::vector<std::string> &files, int jobs, Cuts cuts,
                     const MakeScan &make, const Gather &gather = {});

} // namespace cli

#endif
