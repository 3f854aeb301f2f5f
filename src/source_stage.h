// The source stage: the words of a TeX or Markdown source, as the text
// stage reads a text. It stands before the text stage.
//
//  * What is not prose is one space: TeX comments, \verb, verbatim
//    environments, the arguments of commands that name keys, labels, files
//    and URLs (\cite, \ref, \label, \url, \href's first, \input, \include,
//    \bibleref: a citation marked already); Markdown code spans and code
//    blocks, link targets, autolinks and HTML comments.
//  * Markup that an author puts around words is no byte at all: braces,
//    font commands and switches (\emph{Mt} 5,3, {\it J} 3,16), accents,
//    Markdown emphasis and the brackets of a link's text. Its bytes belong
//    to the view byte after them, so that a citation read through them
//    holds them in the original.
//  * TeX's spaces (~, \, \  \nobreakspace) are spaces; its escaped
//    characters (\%, \&) are the characters.
//
// Like the text stage, it reads blocks of any size and hands out the view
// of what it has decided, with the original length of every view byte
// that does not stand for exactly one original byte; it keeps only an
// undecided token (a command name, the start of a line), so it runs in
// linear time and bounded memory.
#ifndef TOVRIN_SOURCE_STAGE_H
#define TOVRIN_SOURCE_STAGE_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text_stage.h"
#include "tovrin.h"

namespace tovrin::detail {

enum class Source : unsigned char {
    text = TOVRIN_SOURCE_TEXT,
    tex = TOVRIN_SOURCE_TEX,
    markdown = TOVRIN_SOURCE_MARKDOWN,
};

// The source TOVRIN_SOURCE_... names; text for any other value.
inline Source source_of(int source) {
    return source == TOVRIN_SOURCE_TEX        ? Source::tex
           : source == TOVRIN_SOURCE_MARKDOWN ? Source::markdown
                                              : Source::text;
}

class SourceStage {
public:
    explicit SourceStage(Source s) : source_(s) {}

    // Reads `block`, the next bytes of the source (`last`: it ends after
    // it). Appends the view of every byte now decided to `view`, and the
    // forms among them to `forms`.
    void feed(std::string_view block, bool last, std::string &view, std::vector<ViewForm> &forms);

private:
    // What the bytes being read belong to.
    enum class Mode : std::uint8_t {
        prose,
        line_comment, // TeX: to the end of the line
        until,        // to the end of until_ ("\end{verbatim}", "-->")
        verb,         // TeX: to the delimiter delimiter_
        arguments,    // TeX: a command's optional and first arguments
        code_span,    // Markdown: to a run of fence_ backticks
        fence,        // Markdown: to a line of fence_ or more fence_char_
        indented,     // Markdown: to the end of the line
        link_target,  // Markdown: to the parenthesis that closes it
    };
    // The readers of each mode from byte `i` of the window `w` of `n`
    // bytes: they return where the next one reads, `i` when the next
    // block decides.
    std::size_t tex_prose(const char *w, std::size_t i, std::size_t n, bool last);
    std::size_t tex_command(const char *w, std::size_t i, std::size_t n, bool last);
    std::size_t tex_word(const char *w, std::size_t i, std::size_t n, bool last);
    std::size_t markdown_prose(const char *w, std::size_t i, std::size_t n, bool last);
    std::size_t line_start(const char *w, std::size_t i, std::size_t n, bool last);
    std::size_t angle(const char *w, std::size_t i, std::size_t n, bool last);
    std::size_t skip(const char *w, std::size_t i, std::size_t n);
    std::size_t skip_arguments(const char *w, std::size_t i, std::size_t n);
    bool ends_until(char c);

    void emit(char c, std::uint32_t length);
    // Bytes that stand for themselves.
    void emit_run(const char *run, std::size_t length);
    // Markup or skipped source that the next view byte stands for.
    void markup(std::size_t length);
    void begin_skip(Mode m, std::size_t length);
    void end_skip();

    Source source_;
    Mode mode_ = Mode::prose;
    std::string window_;          // the undecided end of the input
    std::string until_;           // what ends Mode::until
    std::size_t matched_ = 0;     // its bytes matched so far
    char delimiter_ = '\0';       // of \verb
    int depth_ = 0;               // of braces, brackets or parentheses skipped
    bool bracket_ = false;        // the arguments are in an optional one
    bool escaped_ = false;        // the byte before was a backslash
    std::size_t fence_ = 0;       // backticks of a code span, or a fence's length
    char fence_char_ = '`';
    std::size_t run_ = 0;         // fence characters in a row
    bool line_start_ = true;      // Markdown: nothing of the line read yet
    bool blank_line_ = true;      // the line read so far is blank
    bool after_blank_ = true;     // the line before was blank or code
    std::uint64_t pending_ = 0;   // markup bytes the next view byte stands for
    std::string *view_ = nullptr; // where this feed appends
    std::vector<ViewForm> *forms_ = nullptr;
    long long viewed_ = 0;        // view bytes handed out
    char last_ = '\0';            // the last of them
};

// Where a citation read at `written` of a source can be marked in it
// without cutting a group (TeX braces; Markdown emphasis and link
// brackets): `front` bytes of markup off its start, `back` bytes of the
// markup in `after` (what follows it) added to its end. False when no way
// keeps every group whole.
// How much of what follows a citation marks_whole() looks at: more
// closing markup than any citation takes in.
constexpr long long kMarkupAfter = 64;
bool marks_whole(Source s, std::string_view written, std::string_view after, std::size_t &front,
                 std::size_t &back);

// How a citation cut by a group is reported.
const char *cut_by_group_message(Source s);

} // namespace tovrin::detail

#endif
