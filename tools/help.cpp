// The help of the tovrin program: `tovrin --help`, `tovrin help [COMMAND]`
// and `tovrin COMMAND --help`, each with examples that work on the shipped
// configuration.
#include <iostream>
#include <map>
#include <string>

#include "cli.h"

namespace cli {

namespace {

const char kHelp[] =
    "usage: tovrin COMMAND [options] [ARGS...]\n"
    "       tovrin help [COMMAND]\n"
    "\n"
    "commands on texts (FILE... or standard input; .docx and .odt files too):\n"
    "  scan          write the text with every citation marked\n"
    "  lint          report citations that are written wrongly\n"
    "  index         the Scripture index of a document\n"
    "  grep          lines citing a passage that overlaps CITATION\n"
    "  map           a picture (SVG) of the books and chapters cited\n"
    "commands on single citations (the arguments, or lines of standard input):\n"
    "  expand, translate, compare, units, tokens\n"
    "  books         the books of a language\n"
    "a local web page with all of them:\n"
    "  serve         the page at http://127.0.0.1:8080/ and its JSON API\n"
    "the configuration:\n"
    "  config        which bibl.ini is read, and from where\n"
    "  check-config  check a bibl.ini: FILE:LINE: errors and warnings\n"
    "\n"
    "options for every command:\n"
    "  --config FILE   the configuration (default: ./bibl.ini, else the shipped\n"
    "                  one beside the program, else the copy built into it)\n"
    "  --lang NAME     language of the citations (default: cz); the ISO 639-1\n"
    "                  code works too (cs for cz)\n"
    "  --exact         read texts and arguments byte by byte, without the\n"
    "                  typographic forms (dashes, ties, no-break spaces); scan,\n"
    "                  index and grep then also take citations whose chapters\n"
    "                  and verses do not exist (as dorvi does)\n"
    "  --input KIND    what the texts are written in: tex, markdown or text\n"
    "                  (default: by extension, .tex and .ltx TeX, .md Markdown,\n"
    "                  others text); see tovrin scan --help\n"
    "  --sigla LIST    sigla that are not books, besides the language's own\n"
    "                  (\"PL PG SC\"): scan, lint, index and grep never take\n"
    "                  them; so too the words of a file tovrin-sigla.txt\n"
    "                  beside the text read\n"
    "  --verbose       say on standard error which bibl.ini is read\n"
    "  --help          help of a command: tovrin COMMAND --help\n"
    "  --version       print the version\n"
    "\n"
    "Columns count characters (UTF-8 code points); the JSON \"offset\" counts bytes.\n"
    "On a terminal, scan, lint, index and map show a progress line on standard\n"
    "error while they read many files or large ones.\n"
    "Exit status: 0 done; 1 something found wrong (lint's reports, a citation\n"
    "that fails its checks) or nothing found (grep); 2 an error (usage, the\n"
    "configuration, a file that cannot be read, output that cannot be written).\n"
    "\n"
    "examples:\n"
    "  tovrin scan --format tex --index kniha.tex > kniha-ref.tex\n"
    "  tovrin lint *.tex\n"
    "  tovrin grep \"\xc5\x98 8\" kniha.tex\n"
    "  tovrin expand \"J 3,16n; Gn 1,1-2,3\"\n";

// What the single-citation commands do with a text that is no citation.
const std::string kChecked =
    "Each citation is checked as the scanner checks one (it lexes, its books are\n"
    "known, numbers 1-999, ranges forwards; a bare book stands for the whole\n"
    "book). One that fails gets an empty output line, so that the output stays\n"
    "aligned with the input, and a message on standard error; exit status 1.\n"
    "Dashes, ties and no-break spaces read as in texts, unless --exact.\n";

const std::map<std::string, std::string> kCommandHelp = {
    {"scan",
     "usage: tovrin scan [--format ansi|plain|tex|html|json] [--macro NAME] [--index]\n"
     "                   [--input KIND] [--exact] [-j N] [--lang L] [FILE...]\n"
     "Writes the text with every citation found. Formats: ansi (terminal colours;\n"
     "the default on a terminal), plain (the text unchanged; the default otherwise),\n"
     "tex (each citation as \\NAME{...}, NAME a TeX control word of letters,\n"
     "bibleref by default, as tex/tovrin.sty defines it; with --index a\n"
     "\\bibleindex{BOOKKEY@BOOK}{KEY@PASSAGE} after it for each passage, which\n"
     "tovrin.sty makes an \\index entry, flat or grouped by book (index=grouped),\n"
     "sorted by makeindex as tovrin index sorts), html (a page with <mark> around\n"
     "citations), json (one object per citation: file, line, column, offset, text,\n"
     "canonical, osis; the column counts characters, the offset bytes; osis holds\n"
     "the OSIS references, the marks read by the language's numbering systems, or\n"
     "null in a language that names none, and versification the system its ids\n"
     "follow (hebrew, kjv, ...); with the forms of lectionaries also\n"
     "optional (the verses that may be read too, offset and length from the\n"
     "citation's start), alternate (another numbering as written) and\n"
     "translation (the tag of a translation after it)).\n"
     "Dashes (en, em, TeX --), ties (~), no-break spaces and line breaks inside a\n"
     "paragraph are read as the language's range mark and spaces. Only citations\n"
     "whose chapters and verses exist in the language's numbering systems are\n"
     "taken (not \"EZ 508,1\": Ezekiel has 48 chapters). --exact turns both off.\n"
     "The output keeps the original bytes.\n"
     "TeX sources (.tex, or --input tex) are read as typeset: comments, \\verb,\n"
     "verbatim environments (verbatim, Verbatim, lstlisting, minted, comment) and\n"
     "the arguments of \\cite, \\ref, \\label, \\url, \\href (the first),\n"
     "\\input, \\include, \\index and \\bibleref are not read; ~, \\, \\ and\n"
     "\\nobreakspace are spaces; font commands (\\emph{Mt} 5,3, {\\it J} 3,16) are\n"
     "read through and marked with the citation. A mark never holds half a group:\n"
     "in \\emph{Mt 5,3} it goes inside; a citation that begins in a group and\n"
     "ends outside it (\\emph{see Mt} 5,3) is left unmarked, and lint says so.\n"
     "Markdown (.md, or --input markdown): code spans and blocks, link targets,\n"
     "autolinks and HTML comments are not read; emphasis is read through.\n"
     "--exact reads every source as text.\n"
     "-j N scans with N threads (default: one per core): several files at once, and\n"
     "a large file in pieces cut at line breaks that no citation crosses; the output\n"
     "is the same.\n"
     "examples:\n"
     "  tovrin scan --format json kazani.tex\n"
     "  tovrin scan --format tex --macro cite --index kniha.tex\n"},
    {"lint",
     "usage: tovrin lint [--input KIND] [--exact] [-j N] [--lang L] [FILE...]\n"
     "Reports citations written wrongly as FILE:LINE:COLUMN: message (unknown book\n"
     "name, chapter or verse 0 or above 999, reversed range, missing chapter); the\n"
     "column counts characters. In a language that names numbering systems (an '='\n"
     "line of bibl.ini), also each citation of a chapter or verse that none of them\n"
     "has: \"no verse 99 in J 3 (it has 36)\", \"no chapter 29 in Mt (it has 28)\",\n"
     "\"no book 3 Mak in hebrew, kjva or catholic\" (a chapter alone at the start\n"
     "of a sentence is taken for prose). Exit status 1 when anything was reported,\n"
     "2 when a file could not be read. -j N as for scan. TeX and Markdown sources\n"
     "are read as scan reads them; a citation that a mark would cut a group of is\n"
     "reported (\"cuts a TeX group: it is not marked\").\n"
     "example:\n"
     "  tovrin lint kazani.tex\n"},
    {"index",
     "usage: tovrin index [--format text|json] [--input KIND] [--exact] [-j N]\n"
     "                    [--lang L] [FILE...]\n"
     "Every citation found, split into its units, written canonically and sorted\n"
     "in canonical order (a chapter before its verses, a verse before the ranges\n"
     "that start there, as makeindex sorts the entries of scan --index), each with\n"
     "the places (FILE:LINE) that cite it: text gives CITATION<tab>PLACES, a line\n"
     "each, json the entries grouped by book, an array of {\"book\", \"entries\":\n"
     "[{\"citation\", \"places\"}]}. The following marks are read by the\n"
     "language's numbering systems, \"n\" and \"nn\" alike: J 3,16n is listed as\n"
     "J 3,16-17, \xc5\xbd 23,5nn as \xc5\xbd 23,5-6. -j N as for scan.\n"
     "example:\n"
     "  tovrin index --format json kapitola*.tex\n"},
    {"map",
     "usage: tovrin map [--by chapter|verse] [--book NAME] [--format svg|json]\n"
     "                  [-o FILE] [--exact] [-j N] [--lang L] [FILE...]\n"
     "Draws what the texts cite as an SVG picture (A4 width): a row per book of the\n"
     "language, in its order and with its names, a cell per chapter coloured by\n"
     "the number of citations (light to dark, readable in greyscale), a tooltip per\n"
     "cell, the total of each book, a legend and the totals. Books never cited stay\n"
     "as empty rows. --by verse draws one book (--book NAME, else the one cited\n"
     "most) a row per chapter, a cell per verse. The counts are the index's: each\n"
     "unit of a citation counts once per place (line, paragraph) in every chapter\n"
     "(verse) it touches. --format json gives the counts; -o FILE writes to FILE.\n"
     "-j N as for scan.\n"
     "examples:\n"
     "  tovrin map -o mapa.svg kazani*.tex\n"
     "  tovrin map --by verse --book Mt --format json kazani.tex\n"},
    {"grep",
     "usage: tovrin grep [--input KIND] [--exact] [-j N] [--lang L] CITATION [FILE...]\n"
     "Prints FILE:LINE:text for every line with a citation that shares a passage\n"
     "with CITATION. Exit status 0 when a line matched, 1 when none did, 2 on errors\n"
     "(a CITATION that fails its checks says why). -j N as for scan.\n"
     "example:\n"
     "  tovrin grep \"\xc5\x98 8\" kniha.tex     (finds \xc5\x98 8,28, \xc5\x98 7,25-8,2 and \xc5\x98 8)\n"},
    {"tokens", "usage: tovrin tokens [--exact] [--lang L] TEXT\n"
               "Prints the tokens of TEXT as KIND<TAB>text; on a lexing error\n"
               "\"error at N\" (N the 1-based position) and exit status 1.\n"
               "example:\n  tovrin tokens \"Mt 5,3-12; L 6,20n\"\n"},
    {"units", "usage: tovrin units [--exact] [--lang L] CITE\n"
              "Prints the citation units of CITE, one per line.\n" + kChecked +
              "example:\n  tovrin units \"Gn 1,5a-7; 3,4\"\n"},
    {"books", "usage: tovrin books [--lang L]\n"
              "Lists the books: number, tab, main name (further names); where the\n"
              "language names numbering systems, a tab and the number of chapters in\n"
              "the first of them (\"-\" for a book it lacks).\n"
              "example:\n  tovrin books --lang en\n"},
    {"expand", "usage: tovrin expand [--exact] [--lang L] [--to L2] [--sort] [CITE...]\n"
               "       tovrin expand --versification [NAME] [--to L2] [CITE...]\n"
               "       tovrin expand --to osis [--parts] [--versification [NAME]] [CITE...]\n"
               "The canonical text of each citation (in L2 with --to, units sorted\n"
               "with --sort). Without CITE, one citation per line from standard input.\n"
               "--versification reads the following marks by a numbering system (NAME,\n"
               "or the language's own: for each book the first system of its '=' line\n"
               "that has it): \"n\" after the last verse of a chapter is the first verse\n"
               "of the next, \"nn\" runs to the end of the chapter, neither crosses the\n"
               "end of a book. NAME is a lower-case word (hebrew, kjv, ...); a citation\n"
               "of one lower-case word goes after --.\n"
               "--to osis writes OSIS references, one per unit, separated by commas\n"
               "(\"Matt.5.3-Matt.5.12\"), the marks read as with --versification (a\n"
               "language without an '=' line needs its NAME); verse parts are dropped,\n"
               "or kept as \"!a\" with --parts. With --versification NAME the ids are\n"
               "mapped into NAME's numbering (\"Ps 22\" of the Vulgate is Ps.23 in kjv),\n"
               "and a line on standard error says which numbering they follow\n"
               "(\"tovrin: osis ids follow kjv\"); --parts keeps the language's numbers.\n"
               "--to L2 maps each citation into the first numbering system of L2\n"
               "(\"Ps 22,1\" in la is \"Ps 23\" in en) unless --exact or --sort. A verse\n"
               "without a counterpart there (a psalm title) gives the nearest passage\n"
               "and a note on standard error (\"Ps 3:1 (title) has no verse in kjv:\n"
               "Ps 3 given\").\n" +
                   kChecked +
               "examples:\n  tovrin expand \"J 3,16n; Gn 1,1-2,3\"\n"
               "  tovrin expand --to en --sort < citace.txt\n"
               "  tovrin expand --versification \"J 3,36n\"      (J 3,36-4,1)\n"
               "  tovrin expand --to osis \"Mt 5,3-12; L 6,20n\"\n"},
    {"translate", "usage: tovrin translate [--exact] --lang L --to L2 [CITE...]\n"
                  "Translates each citation token by token, keeping its shape, where\n"
                  "L2's first numbering system numbers it as L's does; elsewhere writes it\n"
                  "mapped into L2's numbering, as expand --to does (\"Ps 22\" in la is\n"
                  "\"Ž 23\" in cz). --exact always translates token by token.\n" +
                      kChecked +
                  "example:\n  tovrin translate --lang cz --to en \"Mt 5,3-7\"\n"},
    {"compare", "usage: tovrin compare [--exact] [--lang L] [--lang2 L2] [CITE1 CITE2]\n"
                "Prints overlap or disjoint, a tab, then first, second or same (the\n"
                "order). Without citations, lines of two citations separated by a tab.\n"
                "Both are compared in one numbering system (\"Ps 22\" in la and \"Ž 23\" in\n"
                "cz are the same passage), unless --exact.\n" +
                    kChecked +
                "example:\n  tovrin compare \"Mt 5,1-12\" \"Mt 5,3\"\n"},
    {"config", "usage: tovrin config [--config FILE] [--dump]\n"
               "Says which bibl.ini the commands read, from where, and its languages.\n"
               "With --dump, writes the bibl.ini built into the program: a start for\n"
               "a configuration of one's own.\n"
               "examples:\n  tovrin config\n  tovrin config --dump > bibl.ini\n"},
    {"check-config",
     "usage: tovrin check-config [FILE]\n"
     "Checks a bibl.ini (by default the one the commands read) and prints\n"
     "FILE:LINE: error: ... for everything the loader would stop on (an '='\n"
     "line naming an unknown numbering system among them) and for the first\n"
     "broken phrase line of each language (not >PHRASE>NAME, or a NAME that is no\n"
     "book name of the language), and\n"
     "FILE:LINE: warning: ... for what it cannot tell: a language without '}',\n"
     "a book name that can never be found (a blank at its end, more than two\n"
     "pieces, the abbreviation mark at its end, a name an earlier book has),\n"
     "a language whose books differ in number from the first one's.\n"
     "Exit status 1 on errors, 2 when the file cannot be read.\n"
     "example:\n  tovrin check-config my-bibl.ini\n"},
    {"serve", "usage: tovrin serve [--port N] [--host H]\n"
              "Serves a web page (at http://H:N/, default 127.0.0.1:8080; port 0: any\n"
              "free one) where a text can be pasted or a .txt, .tex, .md, .docx or .odt\n"
              "file dropped, to see its citations, lint findings, index and map; and the\n"
              "JSON API /api/scan, /api/lint, /api/index, /api/map, /api/expand,\n"
              "/api/translate. Prints the address, then serves until stopped; a port in\n"
              "use is an error.\n"
              "example:\n  tovrin serve --port 8000\n"},
    {"help", "usage: tovrin help [COMMAND]\n"
             "The help of the program, or of COMMAND.\n"
             "example:\n  tovrin help scan\n"},
};

} // namespace

bool is_command_with_help(const std::string &command) {
    return kCommandHelp.count(command) != 0;
}

void print_help(const std::string &command) {
    const auto it = kCommandHelp.find(command);
    if (it != kCommandHelp.end())
        std::cout << it->second;
    else
        std::cout << kHelp;
}

int cmd_help(const Options &o) {
    if (o.args.size() > 1)
        usage_error("help takes one COMMAND");
    if (!o.args.empty() && !is_command_with_help(o.args[0]))
        usage_error("unknown command '" + o.args[0] + "'");
    print_help(o.args.empty() ? "" : o.args[0]);
    return 0;
}

} // namespace cli
