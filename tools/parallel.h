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

// Scans `files` as scan_files() does, with up to `jobs` threads. A text
// file of more than a few megabytes is cut into pieces where readers of
// `l` with `options` may cut it (tovrin_cut_after). Standard input and
// documents are scanned whole.
// `gather`, when given, receives each piece's consumer in input order on
// the calling thread once the piece is scanned (tovrin index merges what
// the pieces collected).
using Gather = std::function<void(Consumer &)>;
int scan_in_parallel(const std::vector<std::string> &files, int jobs, LANG *l,
                     const tovrin_options &options, const MakeScan &make,
                     const Gather &gather = {});

} // namespace cli

#endif
