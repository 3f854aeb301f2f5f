// Fuzz target: the configuration loader on arbitrary bibl.ini bytes.
//
// A broken configuration ends the process by design (status 1 and one
// "Init (tovrin) : " line), and a load keeps its records for good, so every
// input is loaded in a forked child. The child then puts each language it
// got through the book lookups, the services and the scanner. The parent
// accepts exactly two outcomes:
//   - a clean load: status 0, nothing written on either stream;
//   - a clean fatal exit: status 1, one line starting "Init (tovrin) : " on
//     one stream, nothing on the other.
// Anything else (a signal, a sanitizer report, another status, a stray
// line) is a finding: the parent prints what the child wrote and aborts.
//
// The child's coverage counters are copied back to the parent before it
// returns, so that libFuzzer sees what the load reached; without that every
// input would look like the empty one.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "fuzz_common.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/lsan_interface.h>
#define TOVRIN_FUZZ_LSAN 1
#endif
#endif

// The coverage counters of this process (counters.cpp), empty in the
// replay program.
std::uint8_t *fuzz_counters_begin();
std::uint8_t *fuzz_counters_end();

namespace {

std::string g_dir, g_ini, g_out, g_err;

// Shared with the children: a flag byte (the child got to its exit
// handler) followed by a copy of the counters.
std::uint8_t *g_shared;
std::uint8_t *g_counters_at;
std::size_t g_counters;

std::string slurp(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// --- in the child ----------------------------------------------------

// Registered in the child, so it runs before the exit handler libFuzzer
// registered in the parent (handlers run in reverse order of registration),
// which would report the loader's fatal exit as "fuzz target exited". It
// hands the counters over, looks for leaks, then ends the child with the
// status the library chose.
void child_exit(int status, void *) {
    std::fflush(stdout);
    std::fflush(stderr);
    if (g_shared != nullptr) {
        std::memcpy(g_shared + 1, g_counters_at, g_counters);
        g_shared[0] = 1;
    }
#ifdef TOVRIN_FUZZ_LSAN
    if (__lsan_do_recoverable_leak_check() != 0)
        _exit(23);
#endif
    _exit(status);
}

const std::string *g_text;
std::size_t g_pos;
std::string g_rebuilt;

int scan_in() {
    return g_pos < g_text->size() ? static_cast<unsigned char>((*g_text)[g_pos++]) : -1;
}
void scan_out(int c) { g_rebuilt.push_back(static_cast<char>(c)); }
void scan_heureka() {
    for (int s = bp; s != ap; s = s + 1 == TOVRIN_SBUFF_SIZE ? 0 : s + 1)
        g_rebuilt.push_back(tovrin_sbuff[s]);
}

// Whatever the file defined, every language must be usable.
void exercise(LANG *l, FILE *sink) {
    FUZZ_CHECK(l->name != nullptr && l->lower != nullptr && l->upper != nullptr &&
                   l->parts != nullptr,
               "language loaded with a field unset");
    FUZZ_CHECK(findlang(l->name) != nullptr, "findlang lost \"%s\"", l->name);
    const int books = fuzzing::book_count(l);
    // Every main name leads back to its own book or an earlier one that
    // shares the name.
    for (int k = 1; k <= books && k <= 64; ++k) {
        const int found = findbook(booknr(l, k), l);
        FUZZ_CHECK(found >= 1 && found <= k, "book %d found as %d", k, found);
        bookprn(sink, l, k);
    }
    bookprn(sink, l, 0);

    // A citation in the language's own punctuation through every service.
    const signed char *c = l->chars;
    std::string cite = std::string(books > 0 ? booknr(l, 1) : "A") + " 1";
    cite += static_cast<char>(c[3]);
    cite += "2";
    cite += static_cast<char>(c[1]);
    cite += "3";
    cite += static_cast<char>(c[5]);
    cite += static_cast<char>(c[0]);
    cite += " 4";
    cite += static_cast<char>(c[3]);
    cite += "5";
    cite += static_cast<char>(c[4]);
    PARS_UNIT **pp = makepus(cite.c_str(), l);
    adjpus_n(pp);
    adjpus_plus(pp);
    adjpus_nn_pseudo(pp);
    adjpus_v01(pp);
    sortpus(pp);
    std::free(tovrin_expus(pp, l));
    freepus(pp);
    std::free(tovrin_expand(cite.c_str(), l));
    std::free(tovrin_expand_sort(cite.c_str(), l, l));
    std::free(trans_cite(cite.c_str(), l, l));
    tovrin_is_equal(cite.c_str(), cite.c_str(), l, l);
    tovrin_comp(cite.c_str(), cite.c_str(), l, l);
    tovrin_check1(cite.c_str(), l);
    std::free(tovrin_check2(cite.c_str(), l));
    std::free(tovrin_check3(cite.c_str(), l));
    tovrin_check4(cite.c_str(), l);
    tovrin_check9(cite.c_str(), l);

    const std::string text = "(" + cite + ") x" + cite + "\n";
    g_text = &text;
    g_pos = 0;
    g_rebuilt.clear();
    dorvis_core(scan_in, scan_out, scan_heureka, 4, l);
    FUZZ_CHECK(g_rebuilt == text, "scan of \"%s\" gave \"%s\"", fuzzing::show(text).c_str(),
               fuzzing::show(g_rebuilt).c_str());
}

[[noreturn]] void child() {
    const int out = open(g_out.c_str(), O_WRONLY | O_TRUNC);
    const int err = open(g_err.c_str(), O_WRONLY | O_TRUNC);
    if (out < 0 || err < 0)
        _exit(125);
    dup2(out, 1);
    dup2(err, 2);
    close(out);
    close(err);
    on_exit(child_exit, nullptr);
    tovrin_init_file(g_ini.c_str());
    FILE *sink = std::fopen("/dev/null", "w");
    int n = 0;
    for (LANG *l = config_table; l != nullptr && n < 8; l = l->next, ++n)
        exercise(l, sink);
    std::fclose(sink);
    std::exit(0);
}

// --- in the parent ---------------------------------------------------

bool is_init_message(const std::string &s) {
    const std::string tag = "Init (tovrin) : ";
    return s.compare(0, tag.size(), tag) == 0 && s.back() == '\n' &&
           s.find('\n') == s.size() - 1;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    char dir[] = "/tmp/tovrin-fuzz-config-XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        std::perror("mkdtemp");
        std::exit(2);
    }
    g_dir = dir;
    g_ini = g_dir + "/bibl.ini";
    g_out = g_dir + "/out";
    g_err = g_dir + "/err";
    for (const std::string *p : {&g_out, &g_err})
        std::ofstream(*p, std::ios::binary);
    g_counters_at = fuzz_counters_begin();
    if (g_counters_at != nullptr && fuzz_counters_end() > g_counters_at) {
        g_counters = static_cast<std::size_t>(fuzz_counters_end() - g_counters_at);
        void *m = mmap(nullptr, g_counters + 1, PROT_READ | PROT_WRITE,
                       MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (m != MAP_FAILED)
            g_shared = static_cast<std::uint8_t *>(m);
        // A forked child must be the only thread of its process, or
        // LeakSanitizer cannot stop the world there; libFuzzer's one extra
        // thread watches the parent's RSS, which the children's loads do not
        // touch. A -rss_limit_mb given on the command line still wins.
        static std::vector<char *> args;
        static char no_rss_thread[] = "-rss_limit_mb=0";
        args.assign(*argv, *argv + *argc);
        args.insert(args.begin() + 1, no_rss_thread);
        args.push_back(nullptr);
        *argc += 1;
        *argv = args.data();
    }
    // The children leave through _exit, so this runs in the parent only.
    std::atexit([] {
        for (const std::string *p : {&g_ini, &g_out, &g_err})
            std::remove(p->c_str());
        rmdir(g_dir.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    {
        std::ofstream f(g_ini, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
    }
    std::fflush(stdout);
    std::fflush(stderr);
    if (g_shared != nullptr)
        g_shared[0] = 0;
    const pid_t pid = fork();
    FUZZ_CHECK(pid >= 0, "fork failed");
    if (pid == 0)
        child();
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0)
        FUZZ_CHECK(errno == EINTR, "waitpid failed");
    if (g_shared != nullptr && g_shared[0] == 1)
        std::memcpy(g_counters_at, g_shared + 1, g_counters);
    const std::string out = slurp(g_out), err = slurp(g_err);
    const bool exited = WIFEXITED(wstatus);
    const int status = exited ? WEXITSTATUS(wstatus) : -1;
    const bool clean_load = exited && status == 0 && out.empty() && err.empty();
    const bool clean_fatal = exited && status == 1 &&
                             ((is_init_message(err) && out.empty()) ||
                              (is_init_message(out) && err.empty()));
    if (!clean_load && !clean_fatal) {
        std::fprintf(stderr, "config: child %s %d\n--- stdout:\n%s\n--- stderr:\n%s\n",
                     exited ? "exited with" : "killed by signal",
                     exited ? status : WTERMSIG(wstatus), out.c_str(), err.c_str());
        std::abort();
    }
    return 0;
}
