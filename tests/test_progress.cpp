// The tools' progress line: drawn on a terminal for slow input, cleared before the end
// or an error line; never with --quiet or when standard error is not a terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "testutil.h"

using namespace kt;

namespace {

Bytes read_file(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

struct Seen {
    int status = -1;
    std::string err;  // what reached standard error
};

// Runs `tool args` with standard input fed `input` in two parts, 0.7 s apart (longer than the
// line waits before it is first drawn), standard output discarded, and standard error on a
// pseudo-terminal when `terminal`, else on a pipe.
Seen run_slowly(const std::string &tool, const std::vector<std::string> &args, const Bytes &input, bool terminal) {
    std::signal(SIGPIPE, SIG_IGN);  // a tool that stops reading early
    int errfd[2] = {-1, -1};        // [0] read here, [1] the tool's standard error
    if (terminal) {
        errfd[0] = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(errfd[0], 0);
        EXPECT_EQ(grantpt(errfd[0]), 0);
        EXPECT_EQ(unlockpt(errfd[0]), 0);
        errfd[1] = ::open(ptsname(errfd[0]), O_RDWR | O_NOCTTY);
    } else {
        EXPECT_EQ(::pipe(errfd), 0);
    }
    int in[2];
    EXPECT_EQ(::pipe(in), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(errfd[1], 2);
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::close(in[1]);
        ::close(errfd[0]);
        std::string path = std::string(KELVO_TOOLS_DIR) + "/" + tool;
        std::vector<char *> argv{path.data()};
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(path.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(errfd[1]);
    std::thread feeder([&] {
        size_t half = input.size() / 2;
        (void)!::write(in[1], input.data(), half);  // a pipe blocks until all is taken
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        (void)!::write(in[1], input.data() + half, input.size() - half);
        ::close(in[1]);
    });
    Seen s;
    char buf[4096];
    for (ssize_t n; (n = ::read(errfd[0], buf, sizeof buf)) > 0;) s.err.append(buf, static_cast<size_t>(n));
    feeder.join();
    ::close(errfd[0]);
    int st;
    ::waitpid(pid, &st, 0);
    s.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return s;
}

// What follows the last progress line, once that line is cleared by blanks: "" when it
// is not cleared.
std::string after_clearing(const std::string &err) {
    size_t last = err.rfind("records/s");
    size_t cr = err.find('\r', last);
    size_t end = err.find_first_not_of(' ', cr + 1);
    if (last == std::string::npos || cr == std::string::npos || end == std::string::npos || err[end] != '\r' ||
        end - cr - 1 < cr - err.rfind('\r', last) - 1)
        return "";
    return err.substr(end);
}

}  // namespace

TEST(Progress, DrawnOnATerminalAndClearedAtTheEndOrBeforeTheError) {
    const Bytes lot2 = read_file(data_file("lot2"));
    const Bytes cut(lot2.begin(), lot2.end() - 3);
    TempFile converted;
    const std::string out = converted.path();
    const struct {
        const char *tool;
        std::vector<std::string> args;
        const Bytes &input;
        int status;
        const char *then;  // what follows the cleared line
    } cases[] = {
        {"kelvo-dump", {"--summary", "-"}, lot2, 0, "\r"},
        {"kelvo-convert", {"-", out}, lot2, 0, "\r"},
        {"kelvo-dump", {"--summary", "-"}, cut, 1, "\rkelvo-dump: -: record 58019 at byte offset"},
        {"kelvo-convert", {"-", out}, cut, 1, "\rkelvo-convert: -: record 58019 at byte offset"},
        {"kelvo-export", {"--table", "tests", "-o", out, "-"}, lot2, 0, "\r"},
    };
    for (const auto &c : cases) {
        Seen s = run_slowly(c.tool, c.args, c.input, true);
        SCOPED_TRACE(std::string(c.tool) + " " + c.args[0]);
        EXPECT_EQ(s.status, c.status) << s.err;
        EXPECT_NE(s.err.find(" MB read, "), std::string::npos) << s.err;  // a pipe: no total
        std::string rest = after_clearing(s.err);
        EXPECT_EQ(rest.substr(0, std::strlen(c.then)), c.then) << s.err;
        if (c.status == 0) {
            EXPECT_EQ(rest, "\r") << s.err;
        }
    }
}

TEST(Progress, NothingWithQuietOrWhenStandardErrorIsNotATerminal) {
    const Bytes lot2 = read_file(data_file("lot2"));
    TempFile converted;
    const std::string out = converted.path();
    for (bool terminal : {true, false}) {
        for (const auto &[tool, args] : std::vector<std::pair<std::string, std::vector<std::string>>>{
                 {"kelvo-dump", {"--summary", "-"}}, {"kelvo-convert", {"-", out}},
                 {"kelvo-export", {"--table", "parts", "-o", out, "-"}}}) {
            std::vector<std::string> a = args;
            if (terminal) a.insert(a.begin(), "--quiet");
            Seen s = run_slowly(tool, a, lot2, terminal);
            EXPECT_EQ(s.status, 0) << tool;
            EXPECT_EQ(s.err, "") << tool << (terminal ? " --quiet" : " to a pipe");
        }
    }
}

TEST(Progress, QuietIsListed) {
    for (const char *tool : {"kelvo-dump", "kelvo-convert", "kelvo-export"})
        EXPECT_NE(run_tool(tool, "--help").out.find("--quiet"), std::string::npos) << tool;
}
