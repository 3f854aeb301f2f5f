// The progress line of scan, lint, index and map: drawn on standard error
// when it is a terminal (a pseudo-terminal here) and the work is large (a
// file of 4.6 MB, or eight small files), cleared at the end, and never
// written into a pipe; the output itself is the same either way.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using testing_support::TempDir;

// What `tovrin ARGS` writes to its terminal (standard error) when standard
// output goes to the file `out`, run in `dir`.
std::string on_terminal(const std::string &dir, const std::vector<std::string> &args,
                        const std::string &out) {
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0 || chdir(dir.c_str()) != 0)
            _exit(126);
        const std::string program = testing_support::binary_dir() + "/tovrin";
        const std::string config = testing_support::source_dir() + "/data/bibl.ini";
        std::vector<const char *> argv{"tovrin", "--config", config.c_str()};
        for (const std::string &a : args)
            argv.push_back(a.c_str());
        argv.push_back(nullptr);
        execv(program.c_str(), const_cast<char *const *>(argv.data()));
        _exit(127);
    }
    std::string seen;
    char buf[4096];
    for (;;) {
        const ssize_t n = read(master, buf, sizeof buf);
        if (n > 0)
            seen.append(buf, static_cast<std::size_t>(n));
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break; // EIO: the child closed the terminal
    }
    close(master);
    int status = -1;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << status;
    return seen;
}

std::string join(const std::vector<std::string> &args) {
    std::string s;
    for (const std::string &a : args)
        s += " " + a;
    return s;
}

TEST(Progress, OnATerminalOnlyAndClearedAtTheEnd) {
    TempDir dir;
    std::string text;
    while (text.size() < (4600u << 10))
        text += "Blahoslavení chudí duchem, jak praví Mt 5,3 a podobně L 6,20n. J 3,99\n";
    dir.write("large.txt", text);
    std::vector<std::string> small;
    for (int k = 0; k < 8; ++k)
        small.push_back(dir.write("small" + std::to_string(k) + ".txt", "Viz Ř 8,28.\n"));
    dir.write("one.txt", "Viz Ř 8,28.\n");

    const struct {
        std::vector<std::string> args;
        const char *line; // what the progress line begins with
    } cases[] = {
        {{"lint", "large.txt"}, "tovrin: 0/1 files, "},
        {{"index", "large.txt"}, "tovrin: 0/1 files, "},
        {{"map", "large.txt"}, "tovrin: 0/1 files, "},
        {{"scan", "--format", "json", "large.txt"}, "tovrin: 0/1 files, "},
        {{"index", "small0.txt", "small1.txt", "small2.txt", "small3.txt", "small4.txt",
          "small5.txt", "small6.txt", "small7.txt"},
         "tovrin: 0/8 files, 0.0 of 0.0 MB"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(join(c.args));
        const std::string seen = on_terminal(dir.path(), c.args, dir.path() + "/out");
        const std::string out = dir.read("out");
        // Drawn in place, then cleared: the terminal is left as it was.
        EXPECT_EQ(seen.rfind("\r\x1b[K" + std::string(c.line), 0), 0u) << seen;
        EXPECT_NE(seen.find(" MB"), std::string::npos) << seen;
        EXPECT_EQ(seen.substr(seen.size() - 4), "\r\x1b[K") << seen;
        if (c.args.size() <= 4) {
            EXPECT_NE(seen.find(" of 4.7 MB"), std::string::npos) << seen;
        }
        // In a pipe: nothing on standard error, the same output.
        const auto piped = testing_support::run_command(
            testing_support::binary_dir() + "/tovrin --config " + testing_support::source_dir() +
                "/data/bibl.ini" + join(c.args) + " 2>&1 >out.piped | cat",
            dir.path());
        EXPECT_EQ(piped.out, "");
        EXPECT_EQ(dir.read("out.piped"), out);
    }
    // Small work, or the text written to the terminal itself: no line.
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"lint", "one.txt"}, {"scan", "large.txt"}}) {
        SCOPED_TRACE(join(args));
        const std::string seen = on_terminal(dir.path(), args, "/dev/tty");
        EXPECT_EQ(seen.find("tovrin: "), std::string::npos) << seen.substr(0, 200);
    }
}

} // namespace
