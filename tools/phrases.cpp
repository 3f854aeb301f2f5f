// The phrases of the text commands: see phrases.h.
#include "phrases.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace cli {

namespace {

struct Configuration {
    std::string shown = "bibl.ini";
    std::string text;
};

Configuration &configuration() {
    static Configuration c;
    return c;
}

[[noreturn]] void broken(int status, int line) {
    const std::string at = configuration().shown + ":" + std::to_string(line) + ": ";
    std::fflush(stdout);
    switch (status) {
    case TOVRIN_PHRASES_BAD_LINE:
    case TOVRIN_PHRASES_UNKNOWN_NAME:
        std::cerr << "tovrin: " << at << phrase_line_problem(status) << "\n";
        break;
    case TOVRIN_PHRASES_NO_MEMORY: std::cerr << "tovrin: out of memory\n"; break;
    default: std::cerr << "tovrin: cannot read '" << configuration().shown << "'\n"; break;
    }
    std::exit(1);
}

std::unique_ptr<Phrases> load(LANG *l) {
    tovrin_phrases *set = nullptr;
    int line = 0;
    const Configuration &c = configuration();
    const int status = tovrin_phrases_load_text(c.text.data(), c.text.size(), l, &set, &line);
    if (status == TOVRIN_PHRASES_NO_LANGUAGE)
        return nullptr;
    if (status != TOVRIN_PHRASES_OK)
        broken(status, line);
    return make_phrases(set, l);
}

} // namespace

std::unique_ptr<Phrases> make_phrases(tovrin_phrases *set, LANG *l) {
    if (tovrin_phrases_count(set) == 0) {
        tovrin_phrases_free(set);
        return nullptr;
    }
    auto p = std::make_unique<Phrases>();
    p->set.reset(set);
    for (int b = 0; b < 256; ++b) {
        const auto c = static_cast<signed char>(b);
        p->may_begin[b] = tovrin_phrases_may_begin(set, c) == 1;
        p->in_word[b] = ifc_2(c, l) || ifc_5(c, l);
        p->key[b] = static_cast<unsigned char>(upper(c, l));
    }
    for (int k = 0; k < tovrin_phrases_count(set); ++k) {
        const auto *phrase = reinterpret_cast<const unsigned char *>(tovrin_phrases_phrase(set, k));
        const int first = p->key[phrase[0]] << 8;
        // A phrase of one byte may go on with any byte that ends a word.
        if (phrase[1] == '\0')
            for (int b = 0; b < 256; ++b)
                p->pairs[static_cast<std::size_t>(first | p->key[b])] = true;
        else
            p->pairs[static_cast<std::size_t>(first | p->key[phrase[1]])] = true;
    }
    return p;
}

std::string phrase_line_problem(int status) {
    return status == TOVRIN_PHRASES_BAD_LINE
               ? "a phrase line is \">PHRASE>NAME\", below 200 bytes"
               : "the phrase stands for no book name of its language";
}

void read_phrases_from(const std::string &shown, std::string text) {
    configuration() = {shown, std::move(text)};
}

const Phrases *phrases_of(LANG *l) {
    // Loaded once per language and kept for the life of the program, as
    // the language records are; tovrin serve asks from several threads.
    static std::map<LANG *, std::unique_ptr<Phrases>> loaded;
    static std::mutex loading;
    const std::lock_guard<std::mutex> lock(loading);
    auto it = loaded.find(l);
    if (it == loaded.end())
        it = loaded.emplace(l, load(l)).first;
    return it->second.get();
}

} // namespace cli
