// tovrin serve: a local web page for authors who never open a terminal,
// and the same work as JSON for other programs.
//
//   GET  /                  the page (index.html, style.css, app.js and
//                           favicon.svg from tools/web/, compiled into the
//                           program)
//   GET  /api/languages     the languages of the configuration
//   POST /api/scan          the citations of a text or document
//   POST /api/lint          what `tovrin lint` reports on it
//   POST /api/index         its Scripture index, as `tovrin index` gives it
//   POST /api/map           the chapters (verses) it cites, counted and drawn
//                           as `tovrin map` draws them
//   POST /api/expand        one citation, canonical (or in another language,
//                           or as OSIS references)
//   POST /api/translate     one citation, token by token in another language
//
// A text comes as JSON {"text": ..., "lang": ..., "name": ..., "exact": ...}
// or, for a file, as multipart/form-data with the parts "file" (a .txt,
// .tex, .md, .docx or .odt) and "lang". The handlers run the same lint
// and index as the commands, and find the same citations (with the
// library's reader, so that scans run at once), over the text in
// memory: the server keeps nothing between requests and opens no file.
// Languages go by their names or aliases ("cs" for "cz"), as the commands'
// --lang.
//
// Every error is JSON {"error": "..."} with a 4xx status (5xx only for a
// fault of the server itself; 405 for a path asked with the wrong method);
// no request ends the server. Limits: the request size, the time to read
// or write one, the worker threads, the scans running or waiting at once
// (more get 503), and the items one answer lists (the rest are counted),
// so that the memory of a request is bounded and in proportion to it.
#include <httplib.h>
#include <malloc.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <variant>

#include "citetext.h"
#include "cli.h"
#include "document.h"
#include "index.h"
#include "lint.h"
#include "textscan.h"
#include "tovrin.hpp"
#include "web_assets.h"

namespace cli {

namespace {

using nlohmann::json;

// A text of 16 MiB is a book of several thousand pages; a document upload
// is a few MiB.
constexpr std::size_t kMaxRequestBytes = 16u << 20;
constexpr time_t kTimeoutSeconds = 10;
constexpr std::size_t kWorkerThreads = 8;
// Scans running or waiting for the scanner at once.
constexpr int kMaxScans = 4;
// The items (citations, findings, places of the index) one answer lists:
// far more than a page shows, and they bound the memory of an answer
// whatever the text holds (a text of 16 MiB may hold two million
// citations). The rest are counted and the answer says so.
constexpr std::size_t kMaxListed = 20000;
// Requests larger than this give their memory back to the system once
// answered.
constexpr std::size_t kLargeRequestBytes = 1u << 20;

// Ends a request with `status` and the message as JSON.
struct HttpError {
    int status;
    std::string message;
};
[[noreturn]] void fail(int status, std::string message) { throw HttpError{status, std::move(message)}; }

void send_json(httplib::Response &res, const json &body, int status = 200) {
    res.status = status;
    // Bytes of a document that are not UTF-8 show as the replacement
    // character instead of failing the answer.
    res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace),
                    "application/json; charset=utf-8");
}

// Only the block scanner of the library may run in several threads at
// once; every other call into it (the services and checks that lint, the
// index and the citations' forms run, the language lookup) holds this lock.
std::mutex library;

template <typename Run> auto locked(Run run) {
    const std::lock_guard<std::mutex> lock(library);
    return run();
}

json language_list() {
    json names = json::array();
    for (LANG *l = config_table; l != nullptr; l = l->next)
        names.insert(names.begin(), l->name); // file order
    return names;
}

LANG *language_named(const std::string &name) {
    LANG *l = locked([&] { return tovrin_language(name.c_str()); });
    if (l == nullptr) {
        std::string names;
        for (const auto &n : language_list())
            names += (names.empty() ? "" : ", ") + n.get<std::string>();
        fail(422, "unknown language '" + name + "' (languages: " + names + ")");
    }
    return l;
}

// ---------------------------------------------------------------------
// Reading requests

json json_body(const httplib::Request &req) {
    json body = json::parse(req.body, nullptr, false);
    if (body.is_discarded())
        fail(400, "the body is not valid JSON");
    if (!body.is_object())
        fail(400, "the body must be a JSON object");
    return body;
}

// Member `key` of `body` as a string: `fallback` when it is absent.
std::string string_member(const json &body, const char *key,
                          std::optional<std::string> fallback = std::nullopt) {
    const auto it = body.find(key);
    if (it == body.end()) {
        if (!fallback)
            fail(400, std::string("\"") + key + "\" is missing");
        return *fallback;
    }
    if (!it->is_string())
        fail(400, std::string("\"") + key + "\" must be a string");
    return it->get<std::string>();
}

bool bool_member(const json &body, const char *key) {
    const auto it = body.find(key);
    if (it == body.end())
        return false;
    if (!it->is_boolean())
        fail(400, std::string("\"") + key + "\" must be true or false");
    return it->get<bool>();
}

// A text to scan: pasted, or a file as uploaded (a document read into
// its text).
struct Input {
    std::string name;
    std::string text;
    std::optional<doc::Document> document;
    LANG *lang = nullptr;
    bool exact = false;
    // The map's: "chapter" or "verse", and the book (empty: the most cited).
    std::string by = "chapter", book;
};

// Part `name` of a form upload, or `fallback`.
std::string form_part(const httplib::Request &req, const char *name, const std::string &fallback) {
    return req.has_file(name) ? req.get_file_value(name).content : fallback;
}

Input read_upload(const httplib::Request &req) {
    if (!req.has_file("file"))
        fail(400, "a form upload needs a part \"file\"");
    const httplib::MultipartFormData file = req.get_file_value("file");
    Input in;
    in.name = file.filename.empty() ? "upload" : file.filename;
    in.lang = language_named(form_part(req, "lang", "cz"));
    in.by = form_part(req, "by", in.by);
    in.book = form_part(req, "book", in.book);
    const doc::Format format = doc::format_of(in.name);
    if (format == doc::Format::text) {
        in.text = file.content;
        return in;
    }
    auto read = doc::read_document(file.content, format);
    if (const auto *error = std::get_if<doc::Error>(&read))
        fail(422, "cannot read '" + in.name + "': " + error->message);
    in.document = std::move(std::get<doc::Document>(read));
    return in;
}

Input read_input(const httplib::Request &req) {
    if (req.is_multipart_form_data())
        return read_upload(req);
    const json body = json_body(req);
    Input in;
    in.text = string_member(body, "text");
    in.name = string_member(body, "name", "text");
    in.lang = language_named(string_member(body, "lang", "cz"));
    in.exact = bool_member(body, "exact");
    in.by = string_member(body, "by", in.by);
    in.book = string_member(body, "book", in.book);
    return in;
}

// ---------------------------------------------------------------------
// Scans

// Scans running or waiting at once are bounded; one more is turned away
// at once rather than queued without bound.
class ScanSlot {
public:
    ScanSlot() {
        if (++taken_ > kMaxScans) {
            --taken_;
            fail(503, "too many scans at once; try again");
        }
    }
    ~ScanSlot() { --taken_; }
    ScanSlot(const ScanSlot &) = delete;
    ScanSlot &operator=(const ScanSlot &) = delete;

private:
    static inline std::atomic<int> taken_{0};
};

const std::string &text_of(const Input &in) { return in.document ? in.document->text() : in.text; }

// Runs `scan` over the text or document of `in`.
void run_scan(const Input &in, Scan &scan) {
    const std::string &text = text_of(in);
    std::unique_ptr<FILE, int (*)(FILE *)> f(
        fmemopen(const_cast<char *>(text.data()), text.size(), "r"), std::fclose);
    if (!f)
        fail(500, "cannot read the text in memory");
    scan.run(f.get(), in.name, in.document ? &*in.document : nullptr);
}

// Runs the commands' scan `scan` of `in` (lint, index: their analyses
// call the services) under the lock.
void scan_locked(const Input &in, Scan &scan) {
    const ScanSlot slot;
    locked([&] { run_scan(in, scan); });
}

// The items of one answer: at most kMaxListed are listed, the rest
// counted; note() says how many were left out.
class Listing {
public:
    // Whether one more item is listed (it is counted either way).
    bool take() { return ++found_ <= kMaxListed; }
    // Members "omitted" and "note" of `answer` when items of the kind
    // `what` ("citations") were left out.
    static void note(json &answer, std::size_t found, const char *what) {
        if (found <= kMaxListed)
            return;
        answer["omitted"] = found - kMaxListed;
        answer["note"] = "only the first " + std::to_string(kMaxListed) + " of " +
                         std::to_string(found) + " " + what + " are listed";
    }
    void note(json &answer, const char *what) const { note(answer, found_, what); }

private:
    std::size_t found_ = 0;
};

// The citations of a scan as /api/scan lists them, but for the English
// form, which is written under the lock afterwards.
class CitationList : public Consumer {
public:
    unsigned without() const override { return TOVRIN_WITHOUT_UNITS; }
    void citation(const Citation &c) override {
        if (!listing.take())
            return;
        const char *osis = c.record->osis;
        list.push_back({{"offset", c.at.offset},
                        {"length", c.text.size()},
                        {"place", where(c.at)},
                        {"text", c.text},
                        {"canonical", c.record->canonical},
                        {"osis", osis != nullptr ? json(osis) : json(nullptr)}});
        read.push_back(c.normalized);
    }

    json list = json::array();
    std::vector<std::string> read; // each citation as read
    Listing listing;
};

// The citations of the text or document as tovrin scan finds them, found
// outside the lock, so that scans run at once: each one's place, text as
// written, canonical form, OSIS references for other Bible software (null
// where tovrin scan --format json gives null), and, under the lock, its
// English form for links to online Bibles. Only the first kMaxListed are
// listed; `answer` says so when there are more.
void add_citations(const Input &in, json &answer) {
    CitationList found;
    {
        const ScanSlot slot;
        Scan scan(in.lang, text_options(in.exact), found);
        run_scan(in, scan);
    }
    found.listing.note(answer, "citations");
    answer["citations"] = locked([&] {
        if (LANG *english = findlang("en"))
            for (std::size_t k = 0; k < found.read.size(); ++k)
                found.list[k]["english"] =
                    take_text(tovrin_expand_bl(found.read[k].c_str(), in.lang, english));
        return std::move(found.list);
    });
}

void handle_scan(const httplib::Request &req, httplib::Response &res) {
    const Input in = read_input(req);
    json answer = {{"name", in.name}, {"lang", in.lang->name}, {"text", text_of(in)}};
    add_citations(in, answer);
    send_json(res, answer);
}

// What a lint finding outlines in the text: from its place to the end of
// the citation there (up to the citation separator, where lint's next
// candidate begins), as a reader that takes citations whether they exist
// or not reads it. "no verse 99 in J 3 (it has 36)" quotes nothing, and
// "J 3,99" is no citation for a scan of the existing ones. The findings
// and the citations both come in text order, so one pass sets them all.
class FindingExtent : public Consumer {
public:
    FindingExtent(json &findings, LANG *l) : findings_(findings), l_(l) {}
    unsigned without() const override {
        return TOVRIN_WITHOUT_CANONICAL | TOVRIN_WITHOUT_OSIS | TOVRIN_WITHOUT_UNITS;
    }
    void citation(const Citation &c) override {
        const long long end = c.at.offset + static_cast<long long>(c.text.size());
        for (; next_ < findings_.size(); ++next_) {
            json &f = findings_[next_];
            const long long at = f["offset"].get<long long>();
            if (at >= end)
                break;
            if (at < c.at.offset)
                continue;
            const std::string_view rest =
                std::string_view(c.text).substr(static_cast<std::size_t>(at - c.at.offset));
            std::string_view piece = rest.substr(0, rest.find(static_cast<char>(l_->chars[0])));
            while (!piece.empty() && piece.back() == ' ')
                piece.remove_suffix(1);
            if (!piece.empty())
                f["length"] = piece.size();
        }
    }

private:
    json &findings_;
    LANG *l_;
    std::size_t next_ = 0;
};

void handle_lint(const httplib::Request &req, httplib::Response &res) {
    const Input in = read_input(req);
    json findings = json::array();
    Listing listing;
    const auto lint = lint_consumer(in.lang, in.exact, [&](const Consumer &scan, const Place &at,
                                                           const std::string &message) {
        if (listing.take())
            findings.push_back(
                {{"offset", at.offset}, {"place", scan.where(at)}, {"message", message}});
    });
    Scan scan(in.lang, text_options(in.exact), *lint);
    scan_locked(in, scan);
    {
        FindingExtent extent(findings, in.lang);
        tovrin_options any = text_options(in.exact);
        any.existing = 0;
        const ScanSlot slot;
        Scan citations(in.lang, any, extent);
        run_scan(in, citations);
    }
    json answer = {{"name", in.name}, {"lang", in.lang->name}, {"findings", std::move(findings)}};
    listing.note(answer, "findings");
    send_json(res, answer);
}

void handle_index(const httplib::Request &req, httplib::Response &res) {
    const Input in = read_input(req);
    IndexCollector index(in.lang, kMaxListed);
    Scan scan(in.lang, text_options(in.exact), index);
    scan_locked(in, scan);
    json entries = json::array();
    std::size_t places = 0;
    for (const IndexEntry &e : index.sorted()) {
        entries.push_back({{"citation", e.text}, {"places", e.places}});
        places += e.cited;
    }
    json answer = {{"name", in.name}, {"lang", in.lang->name}, {"index", std::move(entries)}};
    Listing::note(answer, places, "places");
    send_json(res, answer);
}

// The map of what the text cites, as `tovrin map` counts and draws it:
// its counts and, as "svg", the picture.
void handle_map(const httplib::Request &req, httplib::Response &res) {
    const Input in = read_input(req);
    if (in.by != "chapter" && in.by != "verse")
        fail(400, "\"by\" must be \"chapter\" or \"verse\"");
    IndexCollector index(in.lang, 0); // counts only
    Scan scan(in.lang, text_options(in.exact), index);
    scan_locked(in, scan);
    const std::vector<tovrin_cited> cited = index.cited();
    const auto [counts, svg] = locked([&] {
        const int book = in.book.empty() ? 0 : findbook(in.book.c_str(), in.lang);
        if (!in.book.empty() && book == 0)
            fail(422, "unknown book '" + in.book + "' in the language " + in.lang->name);
        const tovrin::Language l(in.lang);
        const unsigned by = in.by == "verse" ? TOVRIN_MAP_BY_VERSE : 0;
        return std::pair(tovrin::coverage(l, cited, by, book),
                         tovrin::coverage(l, cited, by | TOVRIN_MAP_SVG, book, in.name));
    });
    json answer = json::parse(counts);
    answer["name"] = in.name;
    answer["svg"] = svg;
    send_json(res, answer);
}

// ---------------------------------------------------------------------
// Single citations

// The citation of a request, read with the typographic forms and checked
// as the scanner checks (a bare book counts as the whole book).
// Call under the lock.
std::string checked_citation(const std::string &original, bool exact, LANG *l) {
    UserCitation cite = read_user_citation(original, l, exact);
    if (!cite.problem.empty())
        fail(422, cite.problem);
    return std::move(cite.read);
}

// The citation `cite` (checked) as OSIS references, its marks read by
// the numbering systems of `l`. Call under the lock.
std::string osis_of(const std::string &cite, LANG *l) {
    // Without systems, the book numbers of `l` need not follow the order
    // of the OSIS names.
    if (tovrin_versification_of(l, 0) == nullptr)
        fail(422, std::string("the language '") + l->name +
                      "' names no numbering system, which OSIS references need");
    return take_text(tovrin_osis(cite.c_str(), l, nullptr, 0));
}

// "to" is a language, or "osis" for OSIS references.
void handle_expand(const httplib::Request &req, httplib::Response &res) {
    const json body = json_body(req);
    LANG *from = language_named(string_member(body, "lang", "cz"));
    const std::string target = string_member(body, "to", from->name);
    const bool osis = target == "osis";
    LANG *to = osis ? from : language_named(target);
    const std::string original = string_member(body, "citation");
    const bool exact = bool_member(body, "exact"), sort = bool_member(body, "sort");
    if (osis && sort)
        fail(400, "\"sort\" does not go with \"to\": \"osis\"");
    send_json(res, {{"expanded", locked([&] {
                         const std::string cite = checked_citation(original, exact, from);
                         if (osis)
                             return osis_of(cite, from);
                         return take_text(sort ? tovrin_expand_sort(cite.c_str(), from, to)
                                               : tovrin_expand_bl(cite.c_str(), from, to));
                     })}});
}

void handle_translate(const httplib::Request &req, httplib::Response &res) {
    const json body = json_body(req);
    LANG *from = language_named(string_member(body, "lang", "cz"));
    LANG *to = language_named(string_member(body, "to"));
    const std::string original = string_member(body, "citation");
    const bool exact = bool_member(body, "exact");
    send_json(res, {{"translated", locked([&] {
                         const std::string cite = checked_citation(original, exact, from);
                         // A citation that passed the checks lexes, so
                         // trans_cite answers.
                         return take_text(trans_cite(cite.c_str(), from, to));
                     })}});
}

// ---------------------------------------------------------------------
// The server

// The page and its parts. Nothing comes from outside: the policy lets the
// page load only its own script and style and talk only to this server.
void serve_asset(httplib::Response &res, std::string_view body, const char *type) {
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; script-src 'self'; style-src 'self'; "
                   "connect-src 'self'; img-src 'self' data:; base-uri 'none'; "
                   "form-action 'none'; frame-ancestors 'none'");
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_content(std::string(body), type);
}

// Wraps a handler so that what it throws becomes a JSON answer. A large
// request gives back the memory it took once it is answered: the heap
// would otherwise keep it for later requests, which rarely come as large.
template <typename Handler> httplib::Server::Handler answering(Handler handler) {
    return [handler](const httplib::Request &req, httplib::Response &res) {
        try {
            handler(req, res);
        } catch (const HttpError &e) {
            send_json(res, {{"error", e.message}}, e.status);
        } catch (const std::bad_alloc &) {
            send_json(res, {{"error", "out of memory"}}, 503);
        } catch (const std::exception &e) {
            send_json(res, {{"error", std::string("internal error: ") + e.what()}}, 500);
        }
        if (req.body.size() + res.body.size() > kLargeRequestBytes)
            malloc_trim(0);
    };
}

std::string library_error(int status) {
    switch (status) {
    case 404: return "no such page or API";
    // cpp-httplib also refuses a url-encoded form (curl -d without a
    // content type) of more than 8 KB.
    case 413:
        return "the request is too large: at most " + std::to_string(kMaxRequestBytes >> 20) +
               " MiB of JSON (Content-Type: application/json) or form upload";
    case 400: return "the request cannot be read";
    default: return "HTTP status " + std::to_string(status);
    }
}

// A path served with one method answers any other with 405 and the method
// it takes.
void only(httplib::Server &svr, const char *path, const char *method) {
    const auto refuse = [path, method](const httplib::Request &req, httplib::Response &res) {
        res.set_header("Allow", method);
        send_json(res,
                  {{"error", req.method + " is not allowed on " + path + ": use " + method}},
                  405);
    };
    if (std::string_view(method) == "POST")
        svr.Get(path, refuse);
    else
        svr.Post(path, refuse);
    svr.Put(path, refuse);
    svr.Delete(path, refuse);
    svr.Patch(path, refuse);
}

void routes(httplib::Server &svr) {
    const struct {
        const char *path;
        std::string_view body;
        const char *type;
    } assets[] = {
        {"/", web::k_index_html, "text/html; charset=utf-8"},
        {"/style.css", web::k_style_css, "text/css; charset=utf-8"},
        {"/app.js", web::k_app_js, "text/javascript; charset=utf-8"},
        // Browsers ask for /favicon.ico whatever the page names.
        {"/favicon.svg", web::k_favicon_svg, "image/svg+xml"},
        {"/favicon.ico", web::k_favicon_svg, "image/svg+xml"},
    };
    for (const auto &a : assets) {
        svr.Get(a.path, [a](const httplib::Request &, httplib::Response &res) {
            serve_asset(res, a.body, a.type);
        });
        only(svr, a.path, "GET");
    }
    svr.Get("/api/languages", [](const httplib::Request &, httplib::Response &res) {
        send_json(res, {{"languages", language_list()}});
    });
    only(svr, "/api/languages", "GET");
    const struct {
        const char *path;
        void (*handle)(const httplib::Request &, httplib::Response &);
    } apis[] = {
        {"/api/scan", handle_scan},     {"/api/lint", handle_lint},
        {"/api/index", handle_index},   {"/api/map", handle_map},
        {"/api/expand", handle_expand},
        {"/api/translate", handle_translate},
    };
    for (const auto &a : apis) {
        svr.Post(a.path, answering(a.handle));
        only(svr, a.path, "POST");
    }
    // What the library answers itself (no route, a body over the limit, a
    // request it cannot read) gets a JSON body too.
    svr.set_error_handler([](const httplib::Request &, httplib::Response &res) {
        if (res.body.empty())
            send_json(res, json{{"error", library_error(res.status)}}, res.status);
    });
}

int port_number(const std::string &text) {
    char *end = nullptr;
    const long port = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || port < 0 || port > 65535)
        usage_error("--port needs a number from 0 to 65535 (0: any free port)");
    return static_cast<int>(port);
}

// Serves until SIGINT or SIGTERM, then stops cleanly: requests under way
// are answered and everything is released. The signals are blocked in
// every thread (the workers inherit the mask) and taken by one that waits
// for them, since stopping the server is nothing a signal handler may do.
bool listen_until_stopped(httplib::Server &svr) {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    std::thread waiter([&] {
        int signal = 0;
        sigwait(&stop, &signal);
        svr.stop();
    });
    const bool listened = svr.listen_after_bind();
    // When listening ended on its own, the waiter still waits: wake it.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    return listened;
}

// Only one server may listen on an address: SO_REUSEADDR alone (cpp-httplib
// sets SO_REUSEPORT, with which a second server shares the port and takes
// half of its requests), so that a port just left by a stopped server can
// still be taken again at once.
void listening_socket_options(int sock) {
    const int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

// Why the server cannot listen on `host` and `port`, after the bind failed
// with `error`.
std::string bind_failure(const Options &o, int error) {
    std::string why = "tovrin: serve: cannot listen on " + o.host + " port " + o.port;
    if (error == EADDRINUSE)
        return why + ": the port is in use (another tovrin serve?); choose another with --port";
    return error != 0 ? why + ": " + std::strerror(error) : why;
}

} // namespace

int cmd_serve(const Options &o) {
    if (!o.args.empty())
        usage_error("serve takes no arguments");
    const int port = port_number(o.port);
    // Buffers of a large request (the text, its copies, the answer) come
    // straight from the system and go back to it when freed.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    httplib::Server svr;
    svr.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    svr.set_socket_options(listening_socket_options);
    svr.set_payload_max_length(kMaxRequestBytes);
    svr.set_read_timeout(kTimeoutSeconds, 0);
    svr.set_write_timeout(kTimeoutSeconds, 0);
    svr.set_keep_alive_timeout(kTimeoutSeconds);
    // Answers go out whole at once: without this, small answers wait for
    // the client's delayed acknowledgement (some 40 ms).
    svr.set_tcp_nodelay(true);
    routes(svr);
    errno = 0;
    const int bound = port == 0 ? svr.bind_to_any_port(o.host)
                                : (svr.bind_to_port(o.host, port) ? port : -1);
    if (bound < 0) {
        std::cerr << bind_failure(o, errno) << "\n";
        return 1;
    }
    std::cout << "tovrin serve: http://" << o.host << ":" << bound << "/ (Ctrl-C stops it)"
              << std::endl;
    return listen_until_stopped(svr) ? 0 : 1;
}

} // namespace cli
