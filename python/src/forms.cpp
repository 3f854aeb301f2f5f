// The typographic forms of a whole buffer, read by the command line's own
// text reader (tools/reader.cpp) so that both read the same forms.
#include "forms.h"

#include <cstdio>
#include <memory>
#include <new>

#include "reader.h"

namespace tovrin_python {

Normalised normalise(std::string_view original, char range_mark) {
    Normalised n;
    // fmemopen() refuses an empty buffer on some systems: nothing to read.
    if (original.empty())
        return n;
    std::unique_ptr<FILE, int (*)(FILE *)> f(
        fmemopen(const_cast<char *>(original.data()), original.size(), "r"), &std::fclose);
    if (f == nullptr)
        throw std::bad_alloc();
    cli::Reader reader(f.get(), false, static_cast<signed char>(range_mark));
    n.text.reserve(original.size());
    for (;;) {
        cli::Span form;
        bool is_form = false;
        const int c = reader.next(form, is_form);
        if (c < 0)
            break;
        // A form of one byte ("~", a tab) moves no offset.
        if (is_form && form.len > 1)
            n.forms.push_back(Form{n.text.size(), form.len});
        n.text.push_back(static_cast<char>(c));
    }
    return n;
}

} // namespace tovrin_python
