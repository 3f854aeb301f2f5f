// Helpers shared by the fuzz targets: the shipped languages, picking one
// by an input byte, and a check that turns a broken invariant into a crash
// (libFuzzer and the replay programs both report an abort as a finding).
#ifndef TOVRIN_FUZZ_COMMON_H
#define TOVRIN_FUZZ_COMMON_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tovrin.h"

#define FUZZ_CHECK(cond, ...)                                                    \
    do {                                                                         \
        if (!(cond)) {                                                           \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, \
                         #cond);                                                 \
            std::fprintf(stderr, __VA_ARGS__);                                   \
            std::fputc('\n', stderr);                                            \
            std::abort();                                                        \
        }                                                                        \
    } while (0)

namespace fuzzing {

// The languages of data/bibl.ini, loaded once per process with their
// phrases (the records stay reachable from config_table, so they are no
// leak).
inline const std::vector<LANG *> &languages() {
    static std::vector<LANG *> all = [] {
        tovrin_config_error err;
        static tovrin_config *config = tovrin_config_open(TOVRIN_FUZZ_BIBL, &err);
        if (config == nullptr) {
            std::fprintf(stderr, "fuzz: %s:%d: %s\n", err.file, err.line, err.message);
            std::exit(2);
        }
        std::vector<LANG *> v;
        // The five shipped languages first, in a fixed order, so that a
        // selector byte means the same language in every run.
        for (const char *name : {"cz", "sk", "en", "de", "la"})
            if (LANG *l = findlang(name))
                v.push_back(l);
        if (v.empty())
            for (LANG *l = config_table; l != nullptr; l = l->next)
                v.push_back(l);
        if (v.empty()) {
            std::fprintf(stderr, "fuzz: %s defines no language\n", TOVRIN_FUZZ_BIBL);
            std::exit(2);
        }
        return v;
    }();
    return all;
}

// A selector byte: the initials c, s, e, d, l name cz, sk, en, de, la (so
// seed files stay readable); any other byte picks by its value.
inline LANG *pick_language(std::uint8_t b) {
    const auto &all = languages();
    const char *initials = "csedl";
    for (int k = 0; initials[k] != '\0'; ++k)
        if (b == static_cast<std::uint8_t>(initials[k]) && k < static_cast<int>(all.size()))
            return all[k];
    return all[b % all.size()];
}

inline int book_count(const LANG *l) {
    int n = 0;
    for (const BOOKS *b = l->books; b != nullptr; b = b->next)
        ++n;
    return n;
}

// Printable form of an input for failure messages.
inline std::string show(const std::string &s) {
    std::string out;
    for (unsigned char c : s) {
        if (c >= 32 && c < 127 && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        }
    }
    return out;
}

} // namespace fuzzing

#endif
