// The typographic forms and phrases of a whole buffer, read by the command
// line's own text reader (tools/reader.cpp) so that both read the same.
#include "forms.h"

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <new>

#include "phrases.h"
#include "reader.h"

namespace tovrin_python {

namespace {

// The phrases of the languages of every configuration opened, kept for the
// life of the process as the languages are. Configurations are opened with
// the GIL held, but scans read the phrases without it.
class PhraseRegistry {
public:
    void add(LANG *l, std::unique_ptr<cli::Phrases> phrases) {
        const std::lock_guard<std::mutex> lock(lock_);
        phrases_[l] = std::move(phrases);
    }
    const cli::Phrases *of(LANG *l) {
        const std::lock_guard<std::mutex> lock(lock_);
        const auto it = phrases_.find(l);
        return it == phrases_.end() ? nullptr : it->second.get();
    }

private:
    std::mutex lock_;
    std::map<LANG *, std::unique_ptr<cli::Phrases>> phrases_;
};

PhraseRegistry &registry() {
    static PhraseRegistry r;
    return r;
}

} // namespace

Normalised normalise(tovrin::Language l, std::string_view original) {
    Normalised n;
    // fmemopen() refuses an empty buffer on some systems: nothing to read.
    if (original.empty())
        return n;
    std::unique_ptr<FILE, int (*)(FILE *)> f(
        fmemopen(const_cast<char *>(original.data()), original.size(), "r"), &std::fclose);
    if (f == nullptr)
        throw std::bad_alloc();
    cli::Reader reader(f.get(), false, static_cast<signed char>(l.get()->chars[1]),
                       registry().of(l.get()));
    n.text.reserve(original.size());
    for (;;) {
        cli::Span form;
        bool is_form = false;
        const int c = reader.next(form, is_form);
        if (c < 0)
            break;
        // A form of one byte ("~", a tab) moves no offset.
        if (is_form && form.size() != 1)
            n.forms.push_back(Form{n.text.size(), form.size()});
        n.text.push_back(static_cast<char>(c));
    }
    return n;
}

void load_phrases(const std::string &path, const std::vector<tovrin::Language> &languages) {
    const std::string text = tovrin::read_config_file(path);
    for (tovrin::Language l : languages) {
        tovrin_phrases *set = nullptr;
        int line = 0;
        const int status = tovrin_phrases_load_text(text.data(), text.size(), l.get(), &set, &line);
        if (status == TOVRIN_PHRASES_NO_MEMORY)
            throw std::bad_alloc();
        if (status == TOVRIN_PHRASES_BAD_LINE || status == TOVRIN_PHRASES_UNKNOWN_NAME)
            throw tovrin::config_error(path, line, cli::phrase_line_problem(status));
        if (status == TOVRIN_PHRASES_OK)
            registry().add(l.get(), cli::make_phrases(set, l.get()));
    }
}

} // namespace tovrin_python
