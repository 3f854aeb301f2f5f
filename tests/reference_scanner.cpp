#include "reference_scanner.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "internal.h"

namespace reference {

namespace {

void add(std::vector<Piece> &pieces, bool citation, const std::string &text) {
    if (!citation && !pieces.empty() && !pieces.back().citation)
        pieces.back().text += text;
    else
        pieces.push_back(Piece{citation, text});
}

// The last byte a scan wrote, or NUL before the first one.
char last_written(const std::vector<Piece> &pieces) {
    return pieces.empty() ? '\0' : pieces.back().text.back();
}

} // namespace

std::vector<Piece> scan(const std::string &input, LANG *l, int ring, unsigned flags) {
    std::vector<Piece> pieces;
    std::vector<char> buf(ring);
    auto bafr = std::make_unique<char[]>(ring + 1);
    std::size_t next_in = 0;
    int tp = 0, bp = 0, ap = -1, eof = -1;
    bool inc = true;
    lg = l; // check_lev reads the scanner's language
    // Whether `b` continues the word or number that `a` ends: a citation
    // neither begins nor ends inside one.
    const auto continues = [l](char a, char b) {
        const signed char x = static_cast<signed char>(a), y = static_cast<signed char>(b);
        return (ifc_2(x, l) && ifc_2(y, l)) || (ifc_5(x, l) && ifc_5(y, l));
    };
    PARS p;
    tovrin_pinit(&p, l);
    const auto exists = [l, flags](const char *cite) {
        return (flags & TOVRIN_SCAN_EXISTING) == 0 || tovrin_exists(cite, l, nullptr) == 0;
    };
    auto next = [ring](int s) { return s + 1 == ring ? 0 : s + 1; };
    auto write_one = [&] {
        add(pieces, false, std::string(1, buf[bp]));
        bp = next(bp);
    };
    for (;;) {
        if (inc)
            ap = next(ap);
        inc = true;
        if (ap == tp) {
            const int c = next_in < input.size() ? static_cast<unsigned char>(input[next_in++]) : -1;
            buf[tp] = static_cast<char>(c);
            if (c == -1)
                eof = tp;
            tp = next(tp);
            if (tp == bp) { // ring full
                tovrin_pfree(&p);
                tovrin_pinit(&p, l);
                write_one();
                ap = bp;
            }
        }
        tovrin_parser(ap == eof ? '\0' : static_cast<signed char>(buf[ap]), &p);
        if (p.errr == 0 && p.sta >= 0)
            continue;
        int found = -1;
        if (bp != ap && !continues(last_written(pieces), buf[bp])) {
            int len = 0;
            for (int s = bp; s != ap; s = next(s))
                bafr[len++] = buf[s];
            const char after = ap == eof ? '\0' : buf[ap];
            for (int k = len; k >= 1 && found < 0; --k) {
                const char following = k < len ? bafr[k] : after;
                const char last = bafr[k - 1];
                bafr[k] = '\0';
                if (!ifc_1(last, l) && !continues(last, following) &&
                    tovrin::detail::check_lev(bafr.get()) && exists(bafr.get()))
                    found = (bp + k - 1) % ring;
            }
        }
        if (found >= 0) {
            ap = next(found);
            std::string cite;
            for (int s = bp; s != ap; s = next(s))
                cite += buf[s];
            add(pieces, true, cite);
            bp = ap;
        } else if (bp != eof) {
            const auto space = [&](int s) { return ifc_1(static_cast<signed char>(buf[s]), l); };
            const auto letter = [&](int s) { return ifc_2(static_cast<signed char>(buf[s]), l); };
            if (space(bp)) {
                do
                    write_one();
                while (bp != ap && space(bp));
            } else if (letter(bp)) {
                do
                    write_one();
                while (bp != ap && letter(bp));
            } else {
                write_one();
            }
            ap = bp;
            inc = false;
        }
        tovrin_pfree(&p);
        tovrin_pinit(&p, l);
        if (bp == eof)
            break;
    }
    tovrin_pfree(&p);
    return pieces;
}

namespace {

struct LibraryRun {
    const std::string *input = nullptr;
    std::size_t next = 0;
    bool ended = false;
    int ring = 0;
    std::vector<Piece> pieces;
};
LibraryRun run;

int lib_in() {
    if (run.ended)
        std::abort(); // never called again after the end of input
    if (run.next < run.input->size())
        return static_cast<unsigned char>((*run.input)[run.next++]);
    run.ended = true;
    return -1;
}
void lib_out(int c) { add(run.pieces, false, std::string(1, static_cast<char>(c))); }
void lib_heureka() {
    std::string cite;
    for (int s = bp; s != ap; s = s + 1 == run.ring ? 0 : s + 1)
        cite += tovrin_sbuff[s];
    add(run.pieces, true, cite);
}

} // namespace

std::vector<Piece> library_scan(const std::string &input, LANG *l, int ring, unsigned flags) {
    run = LibraryRun{};
    run.input = &input;
    run.ring = ring;
    if (flags == 0)
        dorvis_core(lib_in, lib_out, lib_heureka, 4, l);
    else
        tovrin_dorvis(lib_in, lib_out, lib_heureka, 4, l, flags);
    return std::move(run.pieces);
}

std::string describe(const std::vector<Piece> &pieces) {
    std::string s;
    for (const auto &p : pieces) {
        std::string t;
        for (unsigned char c : p.text) {
            if (c >= 32 && c < 127)
                t += static_cast<char>(c);
            else
                t += "\\x" + std::string(1, "0123456789abcdef"[c >> 4]) +
                     std::string(1, "0123456789abcdef"[c & 15]);
        }
        s += p.citation ? "[" + t + "]" : t;
    }
    return s;
}

} // namespace reference
