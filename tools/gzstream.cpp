#include "gzstream.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <map>
#include <thread>

#include "kelvo.h"

namespace {

struct Inflater {
    std::thread thread;
    bool damaged = false;
};

std::map<int, Inflater> &inflaters() {
    static std::map<int, Inflater> m;
    return m;
}

void inflate_into(gzFile gz, int fd, bool *damaged) {
    char buf[1 << 16];
    for (;;) {
        int n = gzread(gz, buf, sizeof buf);
        if (n < 0) {
            *damaged = true;
            break;
        }
        if (n == 0) break;
        for (int done = 0; done < n;) {
            ssize_t w = ::write(fd, buf + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                goto out;  // the reader went away
            }
            done += static_cast<int>(w);
        }
    }
out:
    gzclose(gz);
    ::close(fd);
}

}  // namespace

int open_input(const std::string &path, std::string &error) {
    // A reader that stops early closes the pipe: the inflater must see EPIPE, not die.
    static const bool ignore_sigpipe = (std::signal(SIGPIPE, SIG_IGN), true);
    (void)ignore_sigpipe;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    unsigned char magic[2] = {0, 0};
    ssize_t got = ::pread(fd, magic, 2, 0);
    if (got == 2 && magic[0] == 0x1f && magic[1] == 0x8b) {
        gzFile gz = gzdopen(fd, "rb");
        if (!gz) {
            ::close(fd);
            error = "cannot read the compressed file";
            return -1;
        }
        int pipefd[2];
        if (::pipe2(pipefd, O_CLOEXEC) != 0) {
            gzclose(gz);
            error = std::strerror(errno);
            return -1;
        }
        int handle = kelvo_fidopen(pipefd[0], "rb");
        if (handle < 0) {
            gzclose(gz);
            ::close(pipefd[0]);
            ::close(pipefd[1]);
            error = "no free file handle";
            return -1;
        }
        Inflater &inf = inflaters()[handle];
        inf.damaged = false;
        inf.thread = std::thread(inflate_into, gz, pipefd[1], &inf.damaged);
        return handle;
    }
    ::close(fd);
    int handle = kelvo_open(path.c_str(), "r");
    if (handle < 0) error = "cannot open the file";
    return handle;
}

bool close_input(int handle, std::string &error) {
    kelvo_close(handle);
    auto it = inflaters().find(handle);
    if (it == inflaters().end()) return true;
    it->second.thread.join();
    bool ok = !it->second.damaged;
    inflaters().erase(it);
    if (!ok) error = "damaged compressed data";
    return ok;
}
