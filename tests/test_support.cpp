#include "test_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <vector>

namespace testing_support {

namespace {

std::string slurp(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::string temp_file(const std::string &content = "") {
    char name[] = "/tmp/tovrin-test-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) {
        std::perror("mkstemp");
        std::abort();
    }
    if (!content.empty() && ::write(fd, content.data(), content.size()) !=
                                static_cast<ssize_t>(content.size()))
        std::abort();
    close(fd);
    return name;
}

} // namespace

Outcome in_child(const std::function<void()> &body, const std::string &stdin_text) {
    const std::string in_path = temp_file(stdin_text);
    const std::string out_path = temp_file();
    const std::string err_path = temp_file();
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = fork();
    if (pid == 0) {
        int in = open(in_path.c_str(), O_RDONLY);
        int out = open(out_path.c_str(), O_WRONLY | O_TRUNC);
        int err = open(err_path.c_str(), O_WRONLY | O_TRUNC);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        close(in);
        close(out);
        close(err);
        body();
        std::fflush(stdout);
        std::fflush(stderr);
        std::exit(0);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    Outcome o;
    o.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    o.out = slurp(out_path);
    o.err = slurp(err_path);
    for (const auto &p : {in_path, out_path, err_path})
        std::remove(p.c_str());
    return o;
}

Outcome run_command(const std::string &cmd, const std::string &dir,
                    const std::string &stdin_text) {
    return in_child(
        [&] {
            if (!dir.empty() && chdir(dir.c_str()) != 0)
                _exit(126);
            execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char *>(nullptr));
            _exit(127);
        },
        stdin_text);
}

TempDir::TempDir() {
    char name[] = "/tmp/tovrin-dir-XXXXXX";
    if (mkdtemp(name) == nullptr)
        std::abort();
    path_ = name;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::write(const std::string &name, const std::string &content) const {
    const std::string p = path_ + "/" + name;
    std::ofstream f(p, std::ios::binary);
    f << content;
    return p;
}

std::string TempDir::read(const std::string &name) const { return slurp(path_ + "/" + name); }

std::string binary_dir() { return TOVRIN_BINARY_DIR; }
std::string source_dir() { return TOVRIN_SOURCE_DIR; }

namespace {

// Builds a language in static storage from a list of books, each a list
// of names (main name first).
struct StaticLang {
    LANG lang{};
    std::vector<BOOKS> books;
    std::vector<std::vector<BOOK>> names;

    StaticLang(const char *name, const char chars[8], const char *lower, const char *upper,
               const char *parts, std::initializer_list<std::initializer_list<const char *>> list)
        : books(list.size()), names(list.size()) {
        lang.name = const_cast<char *>(name);
        for (int k = 0; k < 7; ++k)
            lang.chars[k] = static_cast<signed char>(chars[k]);
        lang.lower = const_cast<char *>(lower);
        lang.upper = const_cast<char *>(upper);
        lang.parts = const_cast<char *>(parts);
        std::size_t i = 0;
        for (const auto &book : list) {
            for (const char *n : book)
                names[i].push_back(BOOK{const_cast<char *>(n), nullptr});
            for (std::size_t k = 0; k + 1 < names[i].size(); ++k)
                names[i][k].next = &names[i][k + 1];
            books[i].book = &names[i][0];
            books[i].next = i + 1 < list.size() ? &books[i + 1] : nullptr;
            ++i;
        }
        lang.books = &books[0];
    }
};

const char kLower[] = "abcdefghijklmnopqrstuvwxyz";
const char kUpper[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

} // namespace

LANG *example_lang() {
    static StaticLang l("xx", ";-.,+n.", kLower, kUpper, "abc",
                        {{"Gn", "Genesis", "Gen"},
                         {"Ex", "Exodus"},
                         {"Mt", "Mat"},
                         {"Mk"},
                         {"Lk", "L"},
                         {"Jn", "J"},
                         {"1 Jn", "1 J"},
                         {"Rom", "R"}});
    return &l.lang;
}

LANG *colon_lang() {
    static StaticLang l("yy", ";-,:+f.", kLower, kUpper, "abc",
                        {{"Gen"},
                         {"Exod"},
                         {"Mat", "Matt"},
                         {"Mark"},
                         {"Luke"},
                         {"John"},
                         {"1 John"},
                         {"Rom"}});
    return &l.lang;
}

} // namespace testing_support
