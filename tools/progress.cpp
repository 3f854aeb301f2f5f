// The progress line: see progress.h.
#include "progress.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>

namespace cli::progress {

namespace {

using Clock = std::chrono::steady_clock;

// The line is drawn at most this often.
constexpr auto kEvery = std::chrono::milliseconds(200);

struct State {
    std::atomic<bool> on{false};
    std::atomic<long long> bytes{0};
    std::atomic<std::size_t> files{0};
    std::atomic<Clock::rep> drawn{0}; // when the line was last drawn
    long long total_bytes = -1;       // -1: not known (standard input)
    std::size_t total_files = 0;
    Clock::time_point start;
    std::mutex drawing;
};
State state;

// The size of `file` ("-": standard input, when it is a file); -1 when
// not known.
long long size_of(const std::string &file) {
    struct stat st {};
    const int ok = file == "-" ? fstat(STDIN_FILENO, &st) : stat(file.c_str(), &st);
    return ok == 0 && S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : -1;
}

void draw() {
    const double seconds = std::chrono::duration<double>(Clock::now() - state.start).count();
    const double mb = static_cast<double>(state.bytes) / 1e6;
    char line[160];
    int n = std::snprintf(line, sizeof line, "\r\x1b[Ktovrin: %zu/%zu files, %.1f", state.files.load(),
                          state.total_files, mb);
    if (state.total_bytes >= 0)
        n += std::snprintf(line + n, sizeof line - n, " of %.1f",
                           static_cast<double>(state.total_bytes) / 1e6);
    n += std::snprintf(line + n, sizeof line - n, " MB");
    if (seconds > 0.05 && mb > 0) {
        const double rate = mb / seconds;
        n += std::snprintf(line + n, sizeof line - n, ", %.1f MB/s", rate);
        if (state.total_bytes >= 0)
            std::snprintf(line + n, sizeof line - n, ", %.0f s left",
                          (static_cast<double>(state.total_bytes) / 1e6 - mb) / rate + 0.5);
    }
    std::fputs(line, stderr);
}

} // namespace

Line::Line(const std::vector<std::string> &files, bool quiet) {
    if (quiet || isatty(STDERR_FILENO) == 0)
        return;
    long long total = 0;
    for (const std::string &f : files.empty() ? std::vector<std::string>{"-"} : files) {
        const long long size = size_of(f);
        total = size < 0 || total < 0 ? -1 : total + size;
    }
    if (files.size() < kManyFiles && total < kLargeBytes)
        return;
    state.total_bytes = total;
    state.total_files = files.empty() ? 1 : files.size();
    state.bytes = 0;
    state.files = 0;
    state.drawn = 0;
    state.start = Clock::now();
    state.on = true;
}

Line::~Line() {
    if (!state.on.exchange(false))
        return;
    const std::lock_guard<std::mutex> lock(state.drawing);
    std::fputs("\r\x1b[K", stderr);
}

void read(std::size_t n) {
    if (!state.on.load(std::memory_order_relaxed))
        return;
    state.bytes += static_cast<long long>(n);
    const Clock::rep now = Clock::now().time_since_epoch().count();
    Clock::rep last = state.drawn.load();
    if (last != 0 && Clock::duration(now - last) < kEvery)
        return;
    if (!state.drawn.compare_exchange_strong(last, now))
        return; // another thread draws it
    const std::lock_guard<std::mutex> lock(state.drawing);
    if (state.on)
        draw();
}

void file_done() {
    if (state.on.load(std::memory_order_relaxed))
        ++state.files;
}

void clear() {
    if (!state.on.load(std::memory_order_relaxed))
        return;
    const std::lock_guard<std::mutex> lock(state.drawing);
    std::fputs("\r\x1b[K", stderr);
    state.drawn = 0; // drawn again with the next bytes
}

} // namespace cli::progress
