// The source stage: see source_stage.h.
#include "source_stage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace tovrin::detail {

namespace {

// A view byte stands for about this much markup or skipped source at
// most: a longer stretch (a verbatim environment of megabytes) is several
// spaces, so that the readers after the stage decide it and let it go.
constexpr std::uint64_t kMaxPending = std::uint64_t{1} << 16;
// Longer command names, environment names and autolinks are prose.
constexpr std::size_t kLongestName = 64;

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_blank(char c) { return c == ' ' || c == '\t'; }

// What a TeX control word does to the words around it.
enum class Command : std::uint8_t {
    other,       // a space (\LaTeX, \footnote, \item)
    markup,      // read through: fonts, boxes, accents
    arguments,   // its arguments are names, not prose (\cite, \label)
    verb,        // \verb|...|
    environment, // \begin, \end
    space,       // \nobreakspace
};

template <std::size_t N>
bool among(std::string_view name, const std::array<std::string_view, N> &names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

Command command_kind(std::string_view name) {
    static constexpr std::array<std::string_view, 47> markup{
        "emph", "textit", "textbf", "textsl", "textsc", "textup", "textmd", "textrm",
        "textsf", "texttt", "textnormal", "underline", "mbox", "hbox", "text", "enquote",
        "it", "bf", "sl", "em", "sc", "rm", "sf", "tt", "up", "itshape", "bfseries", "slshape",
        "scshape", "upshape", "mdseries", "normalfont", "rmfamily", "sffamily", "ttfamily",
        "small", "footnotesize", "large", "v", "u", "H", "c", "d", "b", "r", "k", "t"};
    static constexpr std::array<std::string_view, 32> arguments{
        "cite", "citep", "citet", "citeauthor", "citeyear", "nocite", "parencite", "textcite",
        "autocite", "footcite", "fullcite", "ref", "pageref", "eqref", "autoref", "cref", "Cref",
        "nameref", "label", "url", "href", "input", "include", "includegraphics", "bibleref",
        "index", "usepackage", "documentclass", "RequirePackage", "bibliography",
        "bibliographystyle", "hyperref"};
    if (among(name, markup))
        return Command::markup;
    if (among(name, arguments))
        return Command::arguments;
    if (name == "verb" || name == "lstinline")
        return Command::verb;
    if (name == "begin" || name == "end")
        return Command::environment;
    return name == "nobreakspace" ? Command::space : Command::other;
}

bool verbatim_environment(std::string_view name) {
    static constexpr std::array<std::string_view, 9> names{
        "verbatim", "verbatim*", "Verbatim", "Verbatim*", "BVerbatim",
        "LVerbatim", "lstlisting", "minted", "comment"};
    return among(name, names);
}

bool tex_special(char c) { return c == '\\' || c == '%' || c == '{' || c == '}' || c == '~'; }

bool markdown_special(char c) {
    switch (c) {
    case '\n': case '*': case '_': case '[': case ']': case '`': case '<': case '\\': case '&':
        return true;
    default: return false;
    }
}

} // namespace

void SourceStage::feed(std::string_view block, bool last, std::string &view,
                       std::vector<ViewForm> &forms) {
    view_ = &view;
    forms_ = &forms;
    window_.append(block);
    const char *w = window_.data();
    const std::size_t n = window_.size();
    std::size_t i = 0;
    while (i < n) {
        const Mode before = mode_;
        std::size_t next;
        if (mode_ == Mode::prose)
            next = source_ == Source::tex ? tex_prose(w, i, n, last)
                                          : markdown_prose(w, i, n, last);
        else
            next = mode_ == Mode::arguments ? skip_arguments(w, i, n) : skip(w, i, n);
        if (next == i && mode_ == before)
            break; // a token that the next block decides
        i = next;
    }
    window_.erase(0, i);
    if (last && pending_ > 0)
        emit(' ', 0);
}

void SourceStage::emit(char c, std::uint32_t length) {
    const std::uint64_t total = pending_ + length;
    pending_ = 0;
    if (total != 1)
        forms_->push_back({viewed_, static_cast<std::uint32_t>(total)});
    view_->push_back(c);
    ++viewed_;
    last_ = c;
}

void SourceStage::emit_run(const char *run, std::size_t length) {
    emit(run[0], 1);
    view_->append(run + 1, length - 1);
    viewed_ += static_cast<long long>(length - 1);
    last_ = run[length - 1];
}

void SourceStage::markup(std::size_t length) {
    pending_ += length;
    if (pending_ >= kMaxPending)
        emit(' ', 0);
}

void SourceStage::begin_skip(Mode m, std::size_t length) {
    mode_ = m;
    markup(length);
}

void SourceStage::end_skip() {
    mode_ = Mode::prose;
    emit(' ', 0);
}

std::size_t SourceStage::tex_prose(const char *w, std::size_t i, std::size_t n, bool last) {
    std::size_t j = i;
    while (j < n && !tex_special(w[j]))
        ++j;
    if (j > i) {
        emit_run(w + i, j - i);
        return j;
    }
    switch (w[i]) {
    case '%': begin_skip(Mode::line_comment, 1); return i + 1;
    case '{':
    case '}': markup(1); return i + 1;
    case '~': emit(' ', 1); return i + 1;
    default: return tex_command(w, i, n, last);
    }
}

// A backslash and what follows it.
std::size_t SourceStage::tex_command(const char *w, std::size_t i, std::size_t n, bool last) {
    if (i + 1 >= n) {
        if (!last)
            return i;
        markup(1);
        return i + 1;
    }
    const char c = w[i + 1];
    if (is_letter(c))
        return tex_word(w, i, n, last);
    switch (c) {
    case ',':
        // A thin space between a number and a letter ("6,20\,n") joins
        // them as they are typeset.
        if (i + 2 >= n && !last)
            return i;
        if (std::isdigit(static_cast<unsigned char>(last_)) &&
            i + 2 < n && is_letter(w[i + 2])) {
            markup(2);
            return i + 2;
        }
        emit(' ', 2);
        return i + 2;
    case ';': case ':': case '>': case ' ': case '\t': case '\n': case '\\':
        emit(' ', 2);
        return i + 2;
    case '%': case '&': case '#': case '$': case '_': case '{': case '}':
        emit(c, 2);
        return i + 2;
    default: markup(2); return i + 2; // \- \/ \' ...
    }
}

// A control word: its name, the blanks TeX skips after it, and what it
// takes.
std::size_t SourceStage::tex_word(const char *w, std::size_t i, std::size_t n, bool last) {
    std::size_t j = i + 1;
    while (j < n && is_letter(w[j]) && j - i <= kLongestName)
        ++j;
    std::size_t k = j;
    while (k < n && is_blank(w[k]) && k - j <= kLongestName)
        ++k;
    if (k == n && !last)
        return i;
    const std::string_view name(w + i + 1, j - i - 1);
    switch (command_kind(name)) {
    case Command::markup: markup(k - i); return k;
    case Command::arguments:
        depth_ = 0;
        begin_skip(Mode::arguments, k - i);
        return k;
    case Command::verb: {
        const std::size_t d = j + (j < n && w[j] == '*');
        if (d >= n) {
            if (!last)
                return i;
            markup(n - i);
            return n; // only at the end of the text
        }
        delimiter_ = w[d];
        begin_skip(Mode::verb, d + 1 - i);
        return d + 1;
    }
    case Command::environment: {
        if (k >= n || w[k] != '{') {
            emit(' ', static_cast<std::uint32_t>(k - i));
            return k;
        }
        const char *close = static_cast<const char *>(
            std::memchr(w + k, '}', std::min(n - k, kLongestName)));
        if (close == nullptr) {
            if (!last && n - k < kLongestName)
                return i;
            emit(' ', static_cast<std::uint32_t>(k - i));
            return k;
        }
        const std::size_t end = static_cast<std::size_t>(close - w) + 1;
        const std::string_view env(w + k + 1, end - k - 2);
        if (name == "begin" && verbatim_environment(env)) {
            until_ = "\\end{" + std::string(env) + "}";
            matched_ = 0;
            begin_skip(Mode::until, end - i);
            return end;
        }
        emit(' ', static_cast<std::uint32_t>(end - i));
        return end;
    }
    case Command::space:
        if (k + 1 >= n && !last)
            return i;
        if (k + 1 < n && w[k] == '{' && w[k + 1] == '}')
            k += 2;
        emit(' ', static_cast<std::uint32_t>(k - i));
        return k;
    default: emit(' ', static_cast<std::uint32_t>(k - i)); return k;
    }
}

// The arguments of a command whose first argument is a name: optional
// ones in brackets, then one in braces.
std::size_t SourceStage::skip_arguments(const char *w, std::size_t i, std::size_t n) {
    for (; i < n; ++i) {
        const char c = w[i];
        if (escaped_) {
            escaped_ = false;
        } else if (depth_ == 0) {
            if (c == '[' || c == '{') {
                bracket_ = c == '[';
                depth_ = 1;
            } else if (!is_blank(c) && c != '*') {
                end_skip();
                return i;
            }
        } else if (c == '\\') {
            escaped_ = true;
        } else if (c == (bracket_ ? '[' : '{')) {
            ++depth_;
        } else if (c == (bracket_ ? ']' : '}') && --depth_ == 0 && !bracket_) {
            markup(1);
            end_skip();
            return i + 1;
        }
        markup(1);
    }
    return n;
}

// Whether `c` completes until_ (a string whose bytes may repeat, as in
// "-->").
bool SourceStage::ends_until(char c) {
    std::size_t m = matched_;
    for (;;) {
        if (until_[m] == c) {
            ++m;
            break;
        }
        if (m == 0)
            break;
        // The longest proper prefix of until_ that ends its first m bytes.
        std::size_t b = m - 1;
        while (b > 0 && until_.compare(0, b, until_, m - b, b) != 0)
            --b;
        m = b;
    }
    matched_ = m == until_.size() ? 0 : m;
    return m == until_.size();
}

// The bytes of a skipped stretch from `i`.
std::size_t SourceStage::skip(const char *w, std::size_t i, std::size_t n) {
    const auto to = [&](char c, std::size_t past) {
        const void *found = std::memchr(w + i, c, n - i);
        const std::size_t end = found != nullptr ? static_cast<const char *>(found) - w + past : n;
        markup(end - i);
        if (found != nullptr)
            end_skip();
        return end;
    };
    switch (mode_) {
    case Mode::line_comment: return to('\n', 0);
    case Mode::verb: return to(delimiter_, 1);
    case Mode::indented:
        blank_line_ = true; // code goes on after it
        return to('\n', 0);
    default: break;
    }
    for (; i < n; ++i) {
        const char c = w[i];
        switch (mode_) {
        case Mode::until:
            markup(1);
            if (ends_until(c)) {
                end_skip();
                return i + 1;
            }
            continue;
        case Mode::code_span:
            if (c == '`') {
                ++run_;
            } else if (run_ == fence_ || (c == '\n' && line_start_)) {
                // closed, or never closed before a paragraph break
                end_skip();
                return i;
            } else {
                run_ = 0;
                line_start_ = c == '\n' || (line_start_ && is_blank(c));
            }
            break;
        case Mode::fence:
            if (c == '\n' && run_ >= fence_) {
                end_skip();
                return i;
            }
            if (c == '\n') {
                run_ = 0;
                line_start_ = true;
            } else if (c == fence_char_ && line_start_) {
                ++run_;
            } else if (!is_blank(c)) {
                run_ = 0;
                line_start_ = false;
            }
            break;
        default: // Mode::link_target
            if (c == '\n') {
                end_skip();
                return i;
            }
            depth_ += c == '(' ? 1 : c == ')' ? -1 : 0;
            if (depth_ == 0) {
                markup(1);
                end_skip();
                return i + 1;
            }
            break;
        }
        markup(1);
    }
    return n;
}

std::size_t SourceStage::markdown_prose(const char *w, std::size_t i, std::size_t n, bool last) {
    if (line_start_) {
        const std::size_t k = line_start(w, i, n, last);
        if (k == std::string::npos || mode_ != Mode::prose)
            return k == std::string::npos ? i : k;
    }
    std::size_t j = i;
    for (; j < n && !markdown_special(w[j]); ++j)
        blank_line_ = blank_line_ && is_blank(w[j]);
    if (j > i) {
        emit_run(w + i, j - i);
        return j;
    }
    const char c = w[i];
    const bool more = i + 1 < n;
    if (c != '\n')
        blank_line_ = false;
    switch (c) {
    case '\n':
        emit('\n', 1);
        after_blank_ = blank_line_;
        blank_line_ = line_start_ = true;
        return i + 1;
    case '*': case '_': case '[': markup(1); return i + 1;
    case ']':
        if (!more && !last)
            return i;
        if (more && w[i + 1] == '(') {
            depth_ = 1;
            begin_skip(Mode::link_target, 2);
            return i + 2;
        }
        markup(1);
        return i + 1;
    case '`': {
        std::size_t r = i;
        while (r < n && w[r] == '`')
            ++r;
        if (r == n && !last)
            return i;
        fence_ = r - i;
        run_ = 0;
        line_start_ = false;
        begin_skip(Mode::code_span, r - i);
        return r;
    }
    case '<': return angle(w, i, n, last);
    case '\\':
        if (!more && !last)
            return i;
        if (more && std::strchr("\\`*_{}[]()#+-.!<>&|~", w[i + 1]) != nullptr && w[i + 1] != '\0') {
            emit(w[i + 1], 2);
            return i + 2;
        }
        emit(c, 1);
        return i + 1;
    default: // '&'
        if (n - i < 6 && !last)
            return i;
        if (std::string_view(w + i, std::min<std::size_t>(6, n - i)) == "&nbsp;") {
            emit(' ', 6);
            return i + 6;
        }
        emit(c, 1);
        return i + 1;
    }
}

// The start of a Markdown line: an indented code line (after a blank line
// or code), a code fence, or prose. std::string::npos when the next block
// decides.
std::size_t SourceStage::line_start(const char *w, std::size_t i, std::size_t n, bool last) {
    std::size_t k = i, width = 0;
    for (; k < n && is_blank(w[k]) && width < 4; ++k)
        width += w[k] == '\t' ? 4 : 1;
    std::size_t r = k;
    while (r < n && r - k <= kLongestName && (w[r] == '`' || w[r] == '~') && w[r] == w[k])
        ++r;
    if (r == n && !last)
        return std::string::npos;
    line_start_ = false;
    if (k == n || w[k] == '\n')
        return i;
    if (width >= 4) {
        if (after_blank_)
            begin_skip(Mode::indented, 0);
        return i;
    }
    if (r - k >= 3) {
        fence_ = r - k;
        fence_char_ = w[k];
        run_ = 0;
        begin_skip(Mode::fence, r - i);
        return r;
    }
    return i;
}

// "<": an HTML comment, an autolink (<https://...>, <a@b.cz>), or prose.
std::size_t SourceStage::angle(const char *w, std::size_t i, std::size_t n, bool last) {
    std::size_t k = i + 1;
    while (k < n && k - i <= kLongestName && std::strchr(" \t\n<>", w[k]) == nullptr)
        ++k;
    if (k == n && !last)
        return i;
    const std::string_view inside(w + i + 1, k - i - 1);
    if (inside.substr(0, 3) == "!--") {
        until_ = "-->";
        matched_ = 0;
        begin_skip(Mode::until, 4);
        return i + 4;
    }
    if (k < n && w[k] == '>' && inside.find_first_of(":@") != std::string_view::npos) {
        emit(' ', static_cast<std::uint32_t>(k + 1 - i));
        return k + 1;
    }
    emit('<', 1);
    return i + 1;
}

namespace {

// The groups a stretch of source leaves open: closers of groups opened
// before it, openers of groups closed after it; Markdown emphasis marks
// pair within it.
struct Groups {
    int closers = 0, openers = 0;
    bool odd_marks = false;
    bool whole() const { return closers == 0 && openers == 0 && !odd_marks; }
};

Groups groups_of(Source s, std::string_view text) {
    const char open = s == Source::tex ? '{' : '[';
    const char close = s == Source::tex ? '}' : ']';
    Groups g;
    int stars = 0, underscores = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char c = text[k];
        if (c == '\\')
            ++k;
        else if (c == open)
            ++g.openers;
        else if (c == close)
            g.openers > 0 ? --g.openers : ++g.closers;
        else if (s == Source::markdown)
            stars += c == '*', underscores += c == '_';
    }
    g.odd_marks = (stars | underscores) & 1;
    return g;
}

// The length of the markup at `at` of `text` that a view byte may stand
// for before its own character; 0 when there is none.
std::size_t leading_markup(Source s, std::string_view text, std::size_t at) {
    const char c = text[at];
    if (s == Source::markdown)
        return c == '*' || c == '_' || c == '[' ? 1 : 0;
    if (c == '{' || c == '}')
        return 1;
    if (c != '\\' || at + 1 >= text.size())
        return 0;
    std::size_t k = at + 1;
    while (k < text.size() && is_letter(text[k]))
        ++k;
    if (k == at + 1) // a control symbol: markup unless it is a space or a character
        return std::strchr(",;:> \t\n\\%&#$_{}", text[k]) == nullptr ? 2 : 0;
    if (command_kind(text.substr(at + 1, k - at - 1)) != Command::markup)
        return 0;
    while (k < text.size() && is_blank(text[k]))
        ++k;
    return k - at;
}

// The length of the markup at `at` of `after` that closes a group.
std::size_t closing_markup(Source s, std::string_view after, std::size_t at) {
    if (at >= after.size())
        return 0;
    if (s == Source::markdown)
        return after[at] == '*' || after[at] == '_' ? 1 : 0;
    if (after[at] == '}')
        return 1;
    return after.substr(at, 2) == "\\/" ? 2 : 0;
}

} // namespace

bool marks_whole(Source s, std::string_view written, std::string_view after, std::size_t &front,
                 std::size_t &back) {
    front = back = 0;
    if (groups_of(s, written).whole())
        return true;
    // Where the citation may begin instead: after markup, but not between
    // a command and its argument.
    std::vector<std::size_t> cuts{0};
    for (std::size_t at = 0, length; at < written.size() &&
                                     (length = leading_markup(s, written, at)) > 0 &&
                                     at + length < written.size();) {
        const bool command = written[at] == '\\';
        at += length;
        if (!command || written[at] != '{')
            cuts.push_back(at);
    }
    // Runs of markup as long as a hostile text writes them are tried at
    // their start and near their end only.
    constexpr std::size_t kMostCuts = 16;
    if (cuts.size() > kMostCuts + 1)
        cuts.erase(cuts.begin() + 1, cuts.end() - kMostCuts);
    // As much markup as can be is left out (a font switch stays outside
    // the mark, where it goes on acting), then closers after it are taken
    // in.
    for (const bool extend : {false, true})
        for (auto cut_at = cuts.rbegin(); cut_at != cuts.rend(); ++cut_at) {
            const std::size_t cut = *cut_at;
            std::string text(written.substr(cut));
            std::size_t added = 0;
            Groups g = groups_of(s, text);
            for (std::size_t length; extend && !g.whole() &&
                                     (length = closing_markup(s, after, added)) > 0;) {
                text.append(after.substr(added, length));
                added += length;
                g = groups_of(s, text);
            }
            if (g.whole()) {
                front = cut;
                back = added;
                return true;
            }
        }
    return false;
}

const char *cut_by_group_message(Source s) {
    return s == Source::tex ? "cuts a TeX group: it is not marked"
                            : "cuts emphasis or a link: it is not marked";
}

} // namespace tovrin::detail

extern "C" int tovrin_source_of_name(const char *name) {
    if (name == nullptr)
        return TOVRIN_SOURCE_TEXT;
    const std::string_view file(name);
    const std::size_t dot = file.rfind('.');
    const std::size_t slash = file.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot))
        return TOVRIN_SOURCE_TEXT;
    const std::string_view ext = file.substr(dot + 1);
    if (ext == "tex" || ext == "ltx" || ext == "sty" || ext == "cls")
        return TOVRIN_SOURCE_TEX;
    return ext == "md" || ext == "markdown" ? TOVRIN_SOURCE_MARKDOWN : TOVRIN_SOURCE_TEXT;
}
