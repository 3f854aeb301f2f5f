// tovrin index: the Scripture index of a document. Every citation found is
// split into its units; each unit, written canonically, lists the places
// that cite it, and the units come in canonical order.
#include <iostream>
#include <string>
#include <vector>

#include "citetext.h"
#include "cli.h"
#include "index.h"
#include "parallel.h"
#include "progress.h"
#include "textscan.h"
#include "tovrin.hpp"

namespace cli {

int collect_index(const Options &o, LANG *l, IndexCollector &index) {
    const progress::Line line(o.args);
    return scan_in_parallel(
        o.args, jobs(o), l, text_options(o.exact),
        [&] {
            ScanJob job;
            job.consumer = std::make_unique<IndexCollector>(l, index.max_places());
            job.scan = std::make_unique<Scan>(l, text_options(o.exact), *job.consumer);
            return job;
        },
        [&](Consumer &piece) { index.merge(static_cast<const IndexCollector &>(piece)); });
}

int cmd_index(const Options &o) {
    LANG *l = language(o.lang);
    const std::string format = o.format.empty() ? "text" : o.format;
    if (format != "text" && format != "json")
        usage_error("unknown index format '" + format + "' (text, json)");
    IndexCollector index(l);
    const int status = collect_index(o, l, index);
    const auto entries = index.sorted();
    if (format == "text") {
        for (const auto &e : entries) {
            std::cout << e.text << '\t';
            for (std::size_t k = 0; k < e.places.size(); ++k)
                std::cout << (k ? ", " : "") << e.places[k];
            std::cout << '\n';
        }
    } else {
        std::cout << "[";
        for (std::size_t k = 0; k < entries.size(); ++k) {
            std::cout << (k ? ",\n " : "\n ") << "{\"citation\":" << tovrin::json_string(entries[k].text)
                      << ",\"places\":[";
            for (std::size_t j = 0; j < entries[k].places.size(); ++j)
                std::cout << (j ? "," : "") << tovrin::json_string(entries[k].places[j]);
            std::cout << "]}";
        }
        std::cout << (entries.empty() ? "]\n" : "\n]\n");
    }
    std::cout.flush();
    return status;
}


} // namespace cli
