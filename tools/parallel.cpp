// tovrin scan -j: see parallel.h.
#include "parallel.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <future>
#include <mutex>
#include <semaphore>
#include <thread>

#include "document.h"
#include "progress.h"

namespace cli {

namespace {

// Files of at least two pieces are cut; a piece ends at the first place
// where it may be cut after this many bytes. Small pieces keep the memory
// that pieces under way hold small (each is read, and written, into memory
// of its own), and so the page faults of first using it.
constexpr std::size_t kPiece = 1 << 19;

// A large text file, open. Each piece is read into memory of its own,
// which later pieces use again: the pages of a map of the file would be
// faulted in one by one, and reading a map of a file that became shorter
// meanwhile ends the program (SIGBUS).
class LargeFile {
public:
    LargeFile(int fd, std::size_t size) : fd_(fd), size_(size) {}
    ~LargeFile() { close(fd_); }
    LargeFile(const LargeFile &) = delete;
    LargeFile &operator=(const LargeFile &) = delete;
    int fd() const { return fd_; }
    std::size_t size() const { return size_; } // when it was opened

private:
    int fd_;
    std::size_t size_;
};

// Up to `n` bytes of `fd` from `offset` into `to`: fewer at the end of the
// file, or where it cannot be read (errno set).
std::size_t read_at(int fd, char *to, std::size_t n, std::size_t offset) {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = pread(fd, to + got, n - got, static_cast<off_t>(offset + got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    return got;
}

// One piece of work: a piece of a large file, or (without `file`) a whole
// file that scan_files() reads as usual, errors included.
struct Work {
    std::string name;
    std::shared_ptr<const LargeFile> file;
    std::size_t begin = 0, end = 0;
    Scan::Piece piece;
};

// The file `name` opened, when it is a regular text file large enough to
// be cut; null otherwise.
std::shared_ptr<const LargeFile> open_large(const std::string &name) {
    // A source (TeX, Markdown) is read whole: a verbatim environment or a
    // code block may hold a paragraph break.
    if (name == "-" || doc::format_of(name) != doc::Format::text ||
        source_for(name) != TOVRIN_SOURCE_TEXT)
        return nullptr;
    const int fd = open(name.c_str(), O_RDONLY);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::size_t>(st.st_size) < 2 * kPiece) {
        close(fd);
        return nullptr;
    }
    return std::make_shared<const LargeFile>(fd, static_cast<std::size_t>(st.st_size));
}

// The reading the pieces are read with, which tells where they may be cut.
struct Reading {
    LANG *l;
    const tovrin_options &options;
};

// At most this much text before the place a cut is looked for is read to
// find the start of its line; and bytes seen after a cut, to see the line
// that follows it.
constexpr std::size_t kBehind = 64 << 10, kAfterCut = 64;

// Where the piece of `file` that begins at `begin` ends: the first place
// at least kPiece bytes on where `reading` may cut the text
// (tovrin_cut_after), or the end of the file. The text about that place is
// read from the start of its line, so that a blank line or the end of a
// sentence there is seen as in the whole text; a line that began more than
// kBehind bytes before is passed over to the next. The window read grows
// from a few kilobytes as far as it must.
std::size_t piece_end(const LargeFile &file, const Reading &reading, std::size_t begin) {
    const std::size_t n = file.size();
    if (n - begin <= 2 * kPiece)
        return n;
    const std::size_t from = begin + kPiece;
    std::string window;
    for (std::size_t behind = 4 << 10, ahead = 4 << 10;;) {
        const std::size_t base = from - behind;
        window.resize(std::min(behind + ahead, n - base));
        const std::size_t got = read_at(file.fd(), window.data(), window.size(), base);
        const bool to_end = got < window.size() || base + got == n;
        window.resize(got);
        if (got <= behind)
            return n; // it became shorter: the piece's own read reports that
        // The start of the line `from` is in, or else of the next line.
        std::size_t line = window.rfind('\n', behind - 1);
        if (line == std::string::npos && behind < kBehind) {
            behind *= 2;
            continue;
        }
        if (line == std::string::npos)
            line = window.find('\n', behind);
        if (line != std::string::npos && ++line < got) {
            const std::size_t cut =
                tovrin_cut_after(reading.l, &reading.options, window.data() + line, got - line,
                                 line < behind ? behind - line : 0);
            if (cut < got - line && (cut + kAfterCut <= got - line || to_end))
                return base + line + cut;
        }
        if (to_end)
            return n;
        ahead *= 2;
    }
}

// Cuts a large file where `reading` may cut it, at least kPiece bytes
// apart. The line a piece begins on is counted by the thread that scans
// the piece before it (see Lines), not here, so that no thread reads the
// whole file before the scans begin.
void cut(const std::string &name, const std::shared_ptr<const LargeFile> &file,
         const Reading &reading, std::vector<Work> &work) {
    const std::size_t n = file->size();
    std::size_t begin = 0;
    while (begin < n) {
        const std::size_t end = piece_end(*file, reading, begin);
        Work w{name, file, begin, end, {}};
        w.piece.start.offset = static_cast<long long>(begin);
        w.piece.first = begin == 0;
        w.piece.last = end == n;
        work.push_back(std::move(w));
        begin = end;
    }
}

std::vector<Work> plan(const std::vector<std::string> &files, const Reading &reading) {
    std::vector<Work> work;
    for (const std::string &name : files) {
        if (auto file = open_large(name))
            cut(name, file, reading, work);
        else
            work.push_back(Work{name, nullptr, 0, 0, {}});
    }
    return work;
}

// The number of line breaks in `n` bytes at `p`. Counted 128 bytes at a
// time into a byte, which the compiler does in vector registers: a call
// of memchr per line costs more than the scan of the line's piece.
long count_lines(const char *p, std::size_t n) {
    long lines = 0;
    for (; n >= 128; p += 128, n -= 128) {
        unsigned char block = 0;
        for (int i = 0; i < 128; ++i)
            block += p[i] == '\n';
        lines += block;
    }
    return lines + static_cast<long>(std::count(p, p + n, '\n'));
}

// Memory of pieces done, used again for later pieces: fresh memory costs
// a page fault per page when it is first written.
template <class Buffer> class Pool {
public:
    Buffer take() {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (free_.empty())
            return {};
        Buffer buffer = std::move(free_.back());
        free_.pop_back();
        return buffer;
    }
    void give(Buffer buffer) {
        const std::lock_guard<std::mutex> lock(mutex_);
        free_.push_back(std::move(buffer));
    }

private:
    std::mutex mutex_;
    std::vector<Buffer> free_;
};

// A piece of a large file, read.
struct Block {
    std::unique_ptr<char[]> data;
    std::size_t capacity = 0;
};

// A piece that cannot be read: reported as scan_files() reports a file it
// cannot read, and the later pieces of its file are left out.
struct Unreadable {
    std::string why;
};
struct AfterUnreadable {};

// Reads the piece `w` into `block`; throws Unreadable.
void read_piece(const Work &w, Block &block) {
    const std::size_t n = w.end - w.begin;
    if (block.capacity < n) {
        // Room for the pieces after it, which end a little further or
        // nearer than this one.
        block.capacity = n + n / 4;
        block.data = std::make_unique_for_overwrite<char[]>(block.capacity);
    }
    errno = 0;
    if (read_at(w.file->fd(), block.data.get(), n, w.begin) < n)
        throw Unreadable{errno != 0 ? std::strerror(errno) : "it became shorter while it was read"};
}

// The line each piece of a cut file begins on. The thread of a piece
// counts the line breaks of its own piece, takes the line the piece before
// it ends on, and hands on the line its own piece ends on, before it scans
// the piece. Pieces are taken in order, so the piece before is always
// under way in another thread, whose count waits for nothing later.
class Lines {
public:
    explicit Lines(const std::vector<Work> &work) : work_(work), ends_(work.size()) {
        for (std::promise<long> &end : ends_)
            ended_.push_back(end.get_future());
    }
    // The line work[i], a piece of a cut file, begins on; `count()` gives
    // its number of line breaks, or throws Unreadable. A piece after one
    // that could not be read throws AfterUnreadable: its file is reported
    // once, and left out from there.
    template <class Count> long begin(std::size_t i, const Count &count) {
        std::exception_ptr unread;
        long lines = 0;
        try {
            lines = count();
        } catch (const Unreadable &) {
            unread = std::current_exception();
        } catch (...) {
            ends_[i].set_exception(std::make_exception_ptr(AfterUnreadable{}));
            throw;
        }
        long first = 1;
        if (!work_[i].piece.first) {
            try {
                first = ended_[i - 1].get();
            } catch (const AfterUnreadable &) {
                ends_[i].set_exception(std::current_exception());
                throw;
            }
        }
        if (unread) {
            ends_[i].set_exception(std::make_exception_ptr(AfterUnreadable{}));
            std::rethrow_exception(unread);
        }
        ends_[i].set_value(first + lines);
        return first;
    }

private:
    const std::vector<Work> &work_;
    std::vector<std::promise<long>> ends_;
    std::vector<std::future<long>> ended_;
};

// What a piece writes, held until its turn to go out: a stream appending
// to a string reserved for about the piece's size, so that the text is not
// copied as it grows, nor again when it is handed over.
class PieceOutput {
public:
    PieceOutput(std::string buffer, std::size_t expected) : text_(std::move(buffer)) {
        text_.reserve(expected);
        file_ = fopencookie(&text_, "w", cookie_io_functions_t{nullptr, append, nullptr, nullptr});
        if (file_ == nullptr)
            throw std::bad_alloc();
    }
    ~PieceOutput() {
        if (file_ != nullptr)
            std::fclose(file_);
    }
    PieceOutput(const PieceOutput &) = delete;
    PieceOutput &operator=(const PieceOutput &) = delete;
    FILE *file() const { return file_; }
    std::string take() {
        std::fclose(file_);
        file_ = nullptr;
        return std::move(text_);
    }

private:
    static ssize_t append(void *text, const char *data, std::size_t size) {
        static_cast<std::string *>(text)->append(data, size);
        return static_cast<ssize_t>(size);
    }
    std::string text_;
    FILE *file_;
};

struct Done {
    std::string out, errors;
    int status = 0;
    std::unique_ptr<Consumer> consumer; // kept for gathering
};

// Scans one piece of work into a buffer of `buffers`: a whole file, or a
// piece of a large one read into `text`, which begins on line `line`;
// `keep`: the consumer too.
Done run(const Work &w, const char *text, long line, const MakeScan &make, bool keep,
         Pool<std::string> &buffers) {
    PieceOutput out(buffers.take(), w.end - w.begin);
    output = out.file();
    Done done;
    error_output = &done.errors;
    {
        ScanJob job = make(); // the consumer may write until it is gone
        if (!w.file) {
            done.status = scan_files({w.name}, *job.scan);
        } else {
            FILE *f = fmemopen(const_cast<char *>(text), w.end - w.begin, "r");
            if (f == nullptr)
                throw std::bad_alloc();
            Scan::Piece piece = w.piece;
            piece.start.line = line;
            job.scan->run_piece(f, w.name, piece);
            std::fclose(f);
        }
        if (keep) {
            job.scan.reset();
            done.consumer = std::move(job.consumer);
        }
    }
    output = stdout;
    error_output = nullptr;
    done.out = out.take();
    return done;
}

// What a piece that cannot be read hands on: the error, in its place
// among the outputs.
Done unreadable(const std::string &name, const std::string &why) {
    Done done;
    done.status = kError;
    error_output = &done.errors;
    report_unreadable(name, why);
    error_output = nullptr;
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
    Lines lines(work);
    Pool<Block> blocks;
    Pool<std::string> buffers;
    std::vector<std::promise<Done>> done(work.size());
    // A piece is begun only when fewer than `window` pieces are scanned or
    // waiting to be written, which bounds the memory held; several per
    // thread keep the threads working while a slow piece holds the others
    // back from being written.
    const std::size_t window = 4 * static_cast<std::size_t>(jobs);
    std::counting_semaphore<> room(static_cast<std::ptrdiff_t>(window));
    std::atomic<std::size_t> next{0};
    const auto scan_pieces = [&, keep = bool(gather)] {
        for (;;) {
            room.acquire();
            const std::size_t i = next++;
            if (i >= work.size()) {
                room.release();
                return;
            }
            try {
                const Work &w = work[i];
                Block block = w.file ? blocks.take() : Block{};
                const long line = w.file ? lines.begin(i, [&] {
                    read_piece(w, block);
                    return count_lines(block.data.get(), w.end - w.begin);
                })
                                         : 1;
                done[i].set_value(run(w, block.data.get(), line, make, keep, buffers));
                blocks.give(std::move(block));
            } catch (const Unreadable &e) {
                done[i].set_value(unreadable(work[i].name, e.why));
            } catch (const AfterUnreadable &) {
                done[i].set_value(Done{{}, {}, kError, nullptr});
            } catch (...) {
                done[i].set_exception(std::current_exception());
            }
        }
    };
    std::vector<std::jthread> threads;
    for (std::size_t t = 0; t < std::min(static_cast<std::size_t>(jobs), work.size()); ++t)
        threads.emplace_back(scan_pieces);
    // Written in input order. A piece that failed (no memory) stops the
    // writing; the rest is still waited for, so that no thread is left
    // waiting for room, and the failure thrown.
    int status = 0;
    std::exception_ptr failure;
    for (std::promise<Done> &piece : done) {
        if (!failure) {
            try {
                Done d = piece.get_future().get();
                if (gather && d.consumer) // none from a piece that was not read
                    gather(*d.consumer);
                if (!d.out.empty())
                    progress::clear(); // the output may go to the terminal it is on
                std::fwrite(d.out.data(), 1, d.out.size(), stdout);
                if (!d.errors.empty()) {
                    std::fflush(stdout);
                    std::fputs(d.errors.c_str(), stderr);
                }
                status = std::max(status, d.status);
                d.out.clear();
                buffers.give(std::move(d.out));
            } catch (...) {
                failure = std::current_exception();
            }
        }
        room.release();
    }
    threads.clear();
    if (failure)
        std::rethrow_exception(failure);
    return status;
}

} // namespace cli
