// tovrin scan -j: see parallel.h.
#include "parallel.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <future>
#include <semaphore>
#include <thread>

#include "document.h"
#include "progress.h"

namespace cli {

namespace {

// Files of at least two pieces are cut; a piece ends at the first
// paragraph break after this many bytes.
constexpr std::size_t kPiece = 4 << 20;

// A text file mapped into memory, read-only.
class Mapped {
public:
    Mapped(const char *data, std::size_t size) : data_(data), size_(size) {}
    ~Mapped() { munmap(const_cast<char *>(data_), size_); }
    Mapped(const Mapped &) = delete;
    Mapped &operator=(const Mapped &) = delete;
    const char *data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    const char *data_;
    std::size_t size_;
};

// One piece of work: a piece of a mapped file, or (without `file`) a whole
// file that scan_files() reads as usual, errors included.
struct Work {
    std::string name;
    std::shared_ptr<const Mapped> file;
    std::size_t begin = 0, end = 0;
    Scan::Piece piece;
};

// The file `name` mapped, when it is a regular text file large enough to
// be cut; null otherwise.
std::shared_ptr<const Mapped> map_large(const std::string &name) {
    // A source (TeX, Markdown) is read whole: a verbatim environment or a
    // code block may hold a paragraph break.
    if (name == "-" || doc::format_of(name) != doc::Format::text ||
        source_for(name) != TOVRIN_SOURCE_TEXT)
        return nullptr;
    const int fd = open(name.c_str(), O_RDONLY);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    void *p = MAP_FAILED;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
        static_cast<std::size_t>(st.st_size) >= 2 * kPiece)
        p = mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (p == MAP_FAILED)
        return nullptr;
    return std::make_shared<const Mapped>(static_cast<const char *>(p),
                                          static_cast<std::size_t>(st.st_size));
}

// The reading the pieces are read with, which tells where they may be cut.
struct Reading {
    LANG *l;
    const tovrin_options &options;
};

// Cuts a mapped file where `reading` may cut it, at least kPiece bytes
// apart; each piece knows the line it begins on.
void cut(const std::string &name, const std::shared_ptr<const Mapped> &file,
         const Reading &reading, std::vector<Work> &work) {
    const char *d = file->data();
    const std::size_t n = file->size();
    std::size_t begin = 0;
    long line = 1;
    while (begin < n) {
        const std::size_t end =
            n - begin > 2 * kPiece
                ? tovrin_cut_after(reading.l, &reading.options, d, n, begin + kPiece)
                : n;
        Work w{name, file, begin, end, {}};
        w.piece.start.offset = static_cast<long long>(begin);
        w.piece.start.line = line;
        w.piece.first = begin == 0;
        w.piece.last = end == n;
        work.push_back(std::move(w));
        line += static_cast<long>(std::count(d + begin, d + end, '\n'));
        begin = end;
    }
}

std::vector<Work> plan(const std::vector<std::string> &files, const Reading &reading) {
    std::vector<Work> work;
    for (const std::string &name : files) {
        if (auto file = map_large(name))
            cut(name, file, reading, work);
        else
            work.push_back(Work{name, nullptr, 0, 0, {}});
    }
    return work;
}

struct Done {
    std::string out, errors;
    int status = 0;
    std::unique_ptr<Consumer> consumer; // kept for gathering
};

// Scans one piece of work into a buffer; `keep`: the consumer too.
Done run(const Work &w, const MakeScan &make, bool keep) {
    char *buffer = nullptr;
    std::size_t size = 0;
    FILE *mem = open_memstream(&buffer, &size);
    if (mem == nullptr)
        throw std::bad_alloc();
    output = mem;
    Done done;
    error_output = &done.errors;
    {
        ScanJob job = make(); // the consumer may write until it is gone
        if (!w.file) {
            done.status = scan_files({w.name}, *job.scan);
        } else {
            FILE *f = fmemopen(const_cast<char *>(w.file->data() + w.begin), w.end - w.begin, "r");
            if (f == nullptr)
                throw std::bad_alloc();
            job.scan->run_piece(f, w.name, w.piece);
            std::fclose(f);
        }
        if (keep) {
            job.scan.reset();
            done.consumer = std::move(job.consumer);
        }
    }
    output = stdout;
    error_output = nullptr;
    std::fclose(mem);
    done.out.assign(buffer, size);
    std::free(buffer);
    return done;
}

} // namespace

int jobs(const Options &o) {
    if (o.jobs > 0)
        return o.jobs;
    return std::max(1u, std::thread::hardware_concurrency());
}

int scan_in_parallel(const std::vector<std::string> &files, int jobs, LANG *l,
                     const tovrin_options &options, const MakeScan &make,
                     const Gather &gather) {
    if (jobs <= 1 || files.empty()) {
        ScanJob job = make();
        const int status = scan_files(files, *job.scan);
        if (gather)
            gather(*job.consumer);
        return status;
    }
    const std::vector<Work> work = plan(files, Reading{l, options});
    // `jobs` pieces run at once; twice as many are under way, so that the
    // threads keep working while the oldest piece is written.
    std::counting_semaphore<> running(jobs);
    std::deque<std::future<Done>> underway;
    int status = 0;
    const auto write_oldest = [&] {
        const Done done = underway.front().get();
        underway.pop_front();
        if (gather)
            gather(*done.consumer);
        if (!done.out.empty())
            progress::clear(); // the output may go to the terminal it is on
        std::fwrite(done.out.data(), 1, done.out.size(), stdout);
        if (!done.errors.empty()) {
            std::fflush(stdout);
            std::fputs(done.errors.c_str(), stderr);
        }
        status = std::max(status, done.status);
    };
    for (const Work &w : work) {
        if (underway.size() >= 2 * static_cast<std::size_t>(jobs))
            write_oldest();
        underway.push_back(std::async(std::launch::async, [&running, &w, &make, keep = bool(gather)] {
            running.acquire();
            struct Release {
                std::counting_semaphore<> &s;
                ~Release() { s.release(); }
            } release{running};
            return run(w, make, keep);
        }));
    }
    while (!underway.empty())
        write_oldest();
    return status;
}

} // namespace cli
