// tovrin map: a picture of what texts cite, a row per book and a cell per
// chapter (or, --by verse, a row per chapter of one book and a cell per
// verse), as a self-contained SVG or the counts as JSON. The counts are
// those of `tovrin index`.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "cli.h"
#include "index.h"
#include "progress.h"
#include "textscan.h"
#include "tovrin.hpp"

namespace cli {

namespace {

// What the map is of: the files named (their names without directories),
// or "standard input".
std::string title_of(const std::vector<std::string> &files) {
    if (files.empty())
        return "standard input";
    if (files.size() > 3)
        return std::to_string(files.size()) + " files";
    std::string title;
    for (const std::string &f : files)
        title += (title.empty() ? "" : ", ") + f.substr(f.rfind('/') + 1);
    return title;
}

void write_to(const std::string &path, const std::string &content) {
    if (path.empty()) {
        std::cout << content;
        return;
    }
    std::ofstream out(path, std::ios::binary);
    if (out.is_open())
        out << content;
    if (!out.is_open() || !out.flush()) {
        std::cout.flush();
        std::cerr << "tovrin: cannot write '" << path << "': " << std::strerror(errno) << "\n";
        std::exit(kError);
    }
}

} // namespace

int cmd_map(const Options &o) {
    LANG *l = language(o.lang);
    const std::string format = o.format.empty() ? "svg" : o.format;
    if (format != "svg" && format != "json")
        usage_error("unknown map format '" + format + "' (svg, json)");
    if (o.by != "chapter" && o.by != "verse")
        usage_error("--by takes chapter or verse, not '" + o.by + "'");
    const bool by_verse = o.by == "verse";
    int book = 0;
    if (!o.book.empty()) {
        if (!by_verse)
            usage_error("--book goes with --by verse");
        book = findbook(o.book.c_str(), l);
        if (book == 0)
            usage_error("unknown book '" + o.book + "' in the language " + l->name);
    }
    IndexCollector index(l, 0); // counts only: no places listed
    const int status = collect_index(o, l, index);
    const tovrin::Language lang(l);
    const unsigned flags = (by_verse ? TOVRIN_MAP_BY_VERSE : 0) | (format == "svg" ? TOVRIN_MAP_SVG : 0);
    write_to(o.output, tovrin::coverage(lang, index.cited(), flags, book, title_of(o.args)));
    return status;
}

} // namespace cli
