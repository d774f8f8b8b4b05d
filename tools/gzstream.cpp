#include "gzstream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>
#ifndef KELVO_HAVE_ISAL
#define KELVO_HAVE_ISAL 0
#endif
#if KELVO_HAVE_ISAL
#include <isa-l/igzip_lib.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "kelvo.h"

namespace {

// Bytes read from the source and inflated per step.
constexpr size_t kChunk = 256 * 1024;

// One input fed into a pipe by a thread: inflated, or copied as it is.
struct Feed {
    int source = -1;                  // the file or standard input
    int sink = -1;                    // the writing end of the pipe
    bool gzip = false;
    bool regular = false;             // the source is a regular file: reading it never blocks for long
    std::vector<unsigned char> head;  // bytes already taken from the source to tell its kind
    std::string error;                // why the source could not be read whole
    int64_t delivered = 0;            // bytes written into the pipe
    std::atomic<int64_t> consumed{0};  // bytes taken from the source, for progress
    std::atomic<bool> finished{false};  // nothing more is written into the pipe
    std::thread thread;
};

// Feeds by handle. Never destroyed: a handle still open at exit must not end the process.
std::map<int, std::shared_ptr<Feed>> &feeds() {
    static auto *m = new std::map<int, std::shared_ptr<Feed>>;
    return *m;
}

// Reads the next bytes of the source (the head first): their count, 0 at its end, -1
// on a read error (with f.error set).
ssize_t fill(Feed &f, unsigned char *buf, size_t size) {
    if (!f.head.empty()) {
        size_t n = std::min(size, f.head.size());
        std::memcpy(buf, f.head.data(), n);
        f.head.erase(f.head.begin(), f.head.begin() + static_cast<long>(n));
        return static_cast<ssize_t>(n);
    }
    for (;;) {
        ssize_t n = ::read(f.source, buf, size);
        if (n > 0) f.consumed.fetch_add(n, std::memory_order_relaxed);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        f.error = std::string("read error: ") + std::strerror(errno);
        return -1;
    }
}

// Writes into the pipe; false when the reader went away (EPIPE), which is no fault.
bool deliver(Feed &f, const unsigned char *p, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(f.sink, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
        f.delivered += w;
    }
    return true;
}

void copy_all(Feed &f) {
    std::vector<unsigned char> buf(kChunk);
    for (ssize_t n; (n = fill(f, buf.data(), buf.size())) > 0;)
        if (!deliver(f, buf.data(), static_cast<size_t>(n))) return;
}

// Both inflaters read gzip members one after another. Zero bytes after a member are
// padding; anything else there must be another member. The stream must end where a
// member does.
const char kCutShort[] = "the compressed data is cut short";

#if KELVO_HAVE_ISAL
const char *isal_problem(int r) {
    switch (r) {
    case ISAL_INVALID_WRAPPER: return "not gzip data";
    case ISAL_UNSUPPORTED_METHOD: return "unknown compression method";
    case ISAL_INCORRECT_CHECKSUM: return "incorrect data check";
    case ISAL_INVALID_LOOKBACK: return "invalid distance";
    case ISAL_INVALID_SYMBOL: return "invalid code";
    default: return "invalid block";
    }
}

void inflate_isal(Feed &f) {
    std::vector<unsigned char> in(kChunk), out(kChunk);
    auto st = std::make_unique<inflate_state>();
    bool member = false, end = false;
    st->avail_in = 0;
    for (;;) {
        if (st->avail_in == 0 && !end) {
            ssize_t n = fill(f, in.data(), in.size());
            if (n < 0) return;
            end = n == 0;
            st->next_in = in.data();
            st->avail_in = static_cast<uint32_t>(n);
        }
        if (!member) {
            while (st->avail_in > 0 && *st->next_in == 0) ++st->next_in, --st->avail_in;
            if (st->avail_in == 0) {
                if (end) return;
                continue;
            }
            uint8_t *next = st->next_in;
            uint32_t avail = st->avail_in;
            isal_inflate_init(st.get());
            st->crc_flag = ISAL_GZIP;
            st->next_in = next;
            st->avail_in = avail;
            member = true;
        }
        if (st->avail_in == 0 && end) {
            f.error = kCutShort;
            return;
        }
        st->next_out = out.data();
        st->avail_out = static_cast<uint32_t>(out.size());
        const uint32_t avail = st->avail_in;
        int r = isal_inflate(st.get());
        size_t produced = out.size() - st->avail_out;
        if (produced && !deliver(f, out.data(), produced)) return;
        // A step that takes nothing and gives nothing would be repeated for ever.
        if (r == ISAL_DECOMP_OK && !produced && st->avail_in == avail && st->block_state != ISAL_BLOCK_FINISH)
            r = ISAL_INVALID_BLOCK;
        if (r < 0 || r == ISAL_NEED_DICT) {
            f.error = std::string("damaged compressed data (") + isal_problem(r) + ")";
            return;
        }
        if (st->block_state == ISAL_BLOCK_FINISH) member = false;
    }
}
#endif

void inflate_zlib(Feed &f) {
    std::vector<unsigned char> in(kChunk), out(kChunk);
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) {
        f.error = "no memory to inflate";
        return;
    }
    bool member = false, end = false;
    for (;;) {
        if (z.avail_in == 0 && !end) {
            ssize_t n = fill(f, in.data(), in.size());
            if (n < 0) break;
            end = n == 0;
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(n);
        }
        if (!member) {
            while (z.avail_in > 0 && *z.next_in == 0) ++z.next_in, --z.avail_in;
            if (z.avail_in == 0) {
                if (end) break;
                continue;
            }
            inflateReset(&z);
            member = true;
        }
        if (z.avail_in == 0 && end) {
            f.error = kCutShort;
            break;
        }
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        int r = inflate(&z, Z_NO_FLUSH);
        size_t produced = out.size() - z.avail_out;
        if (produced && !deliver(f, out.data(), produced)) break;
        if (r == Z_STREAM_END) {
            member = false;
        } else if (r != Z_OK && r != Z_BUF_ERROR) {
            f.error = std::string("damaged compressed data (") + (z.msg ? z.msg : "invalid data") + ")";
            break;
        }
    }
    inflateEnd(&z);
}

// ISA-L where it was built in, unless KELVO_INFLATE=zlib asks for zlib.
bool use_isal() {
    static const bool isal = KELVO_HAVE_ISAL && !(std::getenv("KELVO_INFLATE") &&
                                                  std::strcmp(std::getenv("KELVO_INFLATE"), "zlib") == 0);
    return isal;
}

void run(std::shared_ptr<Feed> f) {
    if (!f->gzip) copy_all(*f);
#if KELVO_HAVE_ISAL
    else if (use_isal()) inflate_isal(*f);
#endif
    else inflate_zlib(*f);
    f->finished = true;  // before the reader can see the end of the pipe
    ::close(f->sink);
    ::close(f->source);
}

// Where standard input stood in a regular file, for handles that began there.
std::map<int, int64_t> &starts() {
    static auto *m = new std::map<int, int64_t>;
    return *m;
}

// The stored size of each handle's input where it is a regular file.
std::map<int, int64_t> &sizes() {
    static auto *m = new std::map<int, int64_t>;
    return *m;
}

// A handle on descriptor `fd` (which it takes over), with the library's larger read
// buffer where the descriptor can be opened again by name.
int handle_on(int fd) {
    off_t at = ::lseek(fd, 0, SEEK_CUR);
    if (at <= 0) {
        int handle = kelvo_open(("/proc/self/fd/" + std::to_string(fd)).c_str(), "r");
        if (handle >= 0) {
            ::close(fd);
            return handle;
        }
    }
    int handle = kelvo_fidopen(fd, "rb");
    if (handle >= 0 && at > 0) starts()[handle] = at;
    return handle;
}

}  // namespace

const char *inflater_name() { return use_isal() ? "ISA-L" : "zlib"; }

int64_t input_size(int handle) {
    auto it = sizes().find(handle);
    return it == sizes().end() ? -1 : it->second;
}

int64_t input_consumed(int handle) {
    auto feed = feeds().find(handle);
    if (feed != feeds().end()) return feed->second->consumed.load(std::memory_order_relaxed);
    long at = kelvo_seek(handle, 0, SEEK_CUR);
    auto start = starts().find(handle);
    return at < 0 ? -1 : at - (start == starts().end() ? 0 : start->second);
}

namespace {
int open_handle(const std::string &path, std::string &error, int64_t &size);
}

int open_input(const std::string &path, std::string &error) {
    int64_t size = -1;
    int handle = open_handle(path, error, size);
    if (handle >= 0 && size >= 0) sizes()[handle] = size;
    return handle;
}

namespace {

// open_input, giving the stored size of a regular file from where it is read on.
int open_handle(const std::string &path, std::string &error, int64_t &size) {
    // A reader that stops early closes its pipe: the feeding thread must see EPIPE, not die.
    static const bool ignore_sigpipe = (std::signal(SIGPIPE, SIG_IGN), true);
    (void)ignore_sigpipe;
    const bool standard_input = path == "-";
    int fd = standard_input ? ::fcntl(0, F_DUPFD_CLOEXEC, 3) : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        error = std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return -1;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        error = "is a directory";
        return -1;
    }
    auto f = std::make_shared<Feed>();
    f->regular = S_ISREG(st.st_mode);
    // The first two bytes tell gzip data; a regular file is left where it stands.
    unsigned char magic[2] = {0, 0};
    size_t got = 0;
    while (got < 2) {
        ssize_t n = f->regular ? ::pread(fd, magic + got, 2 - got, ::lseek(fd, 0, SEEK_CUR) + static_cast<off_t>(got))
                               : ::read(fd, magic + got, 2 - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = std::strerror(errno);
            ::close(fd);
            return -1;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    f->gzip = got == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
    if (f->regular) size = std::max<int64_t>(0, st.st_size - std::max<off_t>(0, ::lseek(fd, 0, SEEK_CUR)));
    else f->consumed = static_cast<int64_t>(got);
    if (f->regular && !f->gzip && standard_input) {
        int handle = handle_on(fd);
        if (handle < 0) {
            ::close(fd);
            error = "no free file handle";
        }
        return handle;
    }
    if (f->regular && !f->gzip) {
        ::close(fd);
        errno = 0;
        int handle = kelvo_open(path.c_str(), "r");
        if (handle < 0) error = errno ? std::strerror(errno) : "no free file handle";
        return handle;
    }
    if (!f->regular) f->head.assign(magic, magic + got);
    int pipefd[2];
    if (::pipe2(pipefd, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    ::fcntl(pipefd[1], F_SETPIPE_SZ, 1 << 20);  // fewer switches between the threads, where allowed
    int handle = handle_on(pipefd[0]);
    if (handle < 0) {
        ::close(pipefd[0]);
        ::close(pipefd[1]);
        ::close(fd);
        error = "no free file handle";
        return -1;
    }
    f->source = fd;
    f->sink = pipefd[1];
    try {
        f->thread = std::thread(run, f);
    } catch (const std::system_error &e) {
        kelvo_close(handle);
        ::close(pipefd[1]);
        ::close(fd);
        error = std::string("cannot start a thread: ") + e.what();
        return -1;
    }
    feeds()[handle] = f;
    return handle;
}

}  // namespace

bool close_input(int handle, std::string &error, int64_t *length) {
    if (length) *length = -1;
    sizes().erase(handle);
    auto it = feeds().find(handle);
    if (it == feeds().end()) {
        long at = kelvo_seek(handle, 0, SEEK_CUR);
        auto start = starts().find(handle);
        if (start != starts().end()) {
            at -= start->second;
            starts().erase(start);
        }
        if (length) *length = at;
        kelvo_close(handle);
        return true;
    }
    std::shared_ptr<Feed> f = it->second;
    feeds().erase(it);
    kelvo_close(handle);  // a thread still writing sees EPIPE and stops
    if (!f->finished && !f->regular) {
        // The reader stopped early, and the thread may wait on a pipe or terminal for
        // good: it ends with the process.
        f->thread.detach();
        return true;
    }
    f->thread.join();
    if (!f->error.empty()) {
        error = f->error;
        return false;
    }
    if (length) *length = f->delivered;
    return true;
}
