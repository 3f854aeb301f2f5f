// tovrin serve: a local web page for authors who never open a terminal,
// and the same work as JSON for other programs.
//
//   GET  /                  the page (index.html, style.css, app.js from
//                           tools/web/, compiled into the program)
//   GET  /api/languages     the languages of the configuration
//   POST /api/scan          the citations of a text or document
//   POST /api/lint          what `tovrin lint` reports on it
//   POST /api/index         its Scripture index, as `tovrin index` gives it
//   POST /api/expand        one citation, canonical (or in another language)
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
// fault of the server itself); no request ends the server. Limits: the
// request size, the time to read or write one, the worker threads, and the
// scans running or waiting at once (more get 503).
#include <httplib.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
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
#include "escape.h"
#include "index.h"
#include "lint.h"
#include "textscan.h"
#include "tovrin.h"
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
};

Input read_upload(const httplib::Request &req) {
    if (!req.has_file("file"))
        fail(400, "a form upload needs a part \"file\"");
    const httplib::MultipartFormData file = req.get_file_value("file");
    Input in;
    in.name = file.filename.empty() ? "upload" : file.filename;
    in.lang = language_named(req.has_file("lang") ? req.get_file_value("lang").content : "cz");
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

// The citations of a scan as /api/scan lists them, but for the English
// form, which is written under the lock afterwards.
class CitationList : public Consumer {
public:
    unsigned without() const override { return TOVRIN_WITHOUT_UNITS; }
    void citation(const Citation &c) override {
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
};

// The citations of the text or document as tovrin scan finds them, found
// outside the lock, so that scans run at once: each one's place, text as
// written, canonical form, OSIS references for other Bible software (null
// where tovrin scan --format json gives null), and, under the lock, its
// English form for links to online Bibles.
json citations_of(const Input &in) {
    CitationList found;
    {
        const ScanSlot slot;
        Scan scan(in.lang, text_options(in.exact), found);
        run_scan(in, scan);
    }
    return locked([&] {
        if (LANG *english = findlang("en"))
            for (std::size_t k = 0; k < found.read.size(); ++k)
                found.list[k]["english"] =
                    take_text(tovrin_expand_bl(found.read[k].c_str(), in.lang, english));
        return std::move(found.list);
    });
}

void handle_scan(const httplib::Request &req, httplib::Response &res) {
    const Input in = read_input(req);
    send_json(res, {{"name", in.name},
                    {"lang", in.lang->name},
                    {"text", text_of(in)},
                    {"citations", citations_of(in)}});
}

void handle_lint(const httplib::Request &req, httplib::Response &res) {
    const Input in = read_input(req);
    json findings = json::array();
    const auto lint = lint_consumer(in.lang, in.exact, [&](const Consumer &scan, const Place &at,
                                                           const std::string &message) {
        findings.push_back(
            {{"offset", at.offset}, {"place", scan.where(at)}, {"message", message}});
    });
    Scan scan(in.lang, text_options(in.exact), *lint);
    scan_locked(in, scan);
    send_json(res, {{"name", in.name}, {"lang", in.lang->name}, {"findings", std::move(findings)}});
}

void handle_index(const httplib::Request &req, httplib::Response &res) {
    const Input in = read_input(req);
    IndexCollector index(in.lang);
    Scan scan(in.lang, text_options(in.exact), index);
    scan_locked(in, scan);
    json entries = json::array();
    for (const IndexEntry &e : index.sorted())
        entries.push_back({{"citation", e.text}, {"places", e.places}});
    send_json(res, {{"name", in.name}, {"lang", in.lang->name}, {"index", std::move(entries)}});
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

void handle_expand(const httplib::Request &req, httplib::Response &res) {
    const json body = json_body(req);
    LANG *from = language_named(string_member(body, "lang", "cz"));
    LANG *to = language_named(string_member(body, "to", from->name));
    const std::string original = string_member(body, "citation");
    const bool exact = bool_member(body, "exact"), sort = bool_member(body, "sort");
    send_json(res, {{"expanded", locked([&] {
                         const std::string cite = checked_citation(original, exact, from);
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

// Wraps a handler so that what it throws becomes a JSON answer.
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

void routes(httplib::Server &svr) {
    svr.Get("/", [](const httplib::Request &, httplib::Response &res) {
        serve_asset(res, web::k_index_html, "text/html; charset=utf-8");
    });
    svr.Get("/style.css", [](const httplib::Request &, httplib::Response &res) {
        serve_asset(res, web::k_style_css, "text/css; charset=utf-8");
    });
    svr.Get("/app.js", [](const httplib::Request &, httplib::Response &res) {
        serve_asset(res, web::k_app_js, "text/javascript; charset=utf-8");
    });
    svr.Get("/api/languages", [](const httplib::Request &, httplib::Response &res) {
        send_json(res, {{"languages", language_list()}});
    });
    svr.Post("/api/scan", answering(handle_scan));
    svr.Post("/api/lint", answering(handle_lint));
    svr.Post("/api/index", answering(handle_index));
    svr.Post("/api/expand", answering(handle_expand));
    svr.Post("/api/translate", answering(handle_translate));
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

} // namespace

int cmd_serve(const Options &o) {
    if (!o.args.empty())
        usage_error("serve takes no arguments");
    const int port = port_number(o.port);
    httplib::Server svr;
    svr.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    svr.set_payload_max_length(kMaxRequestBytes);
    svr.set_read_timeout(kTimeoutSeconds, 0);
    svr.set_write_timeout(kTimeoutSeconds, 0);
    svr.set_keep_alive_timeout(kTimeoutSeconds);
    // Answers go out whole at once: without this, small answers wait for
    // the client's delayed acknowledgement (some 40 ms).
    svr.set_tcp_nodelay(true);
    routes(svr);
    const int bound = port == 0 ? svr.bind_to_any_port(o.host)
                                : (svr.bind_to_port(o.host, port) ? port : -1);
    if (bound < 0) {
        std::cerr << "tovrin: serve: cannot listen on " << o.host << " port " << o.port << "\n";
        return 1;
    }
    std::cout << "tovrin serve: http://" << o.host << ":" << bound << "/ (Ctrl-C stops it)"
              << std::endl;
    return listen_until_stopped(svr) ? 0 : 1;
}

} // namespace cli
