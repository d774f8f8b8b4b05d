// kelvo-report: one HTML page (or text for a terminal) about how a lot did: identity,
// yield, bins, wafer maps, failing tests, distributions and sites.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gzstream.h"
#include "progress.h"
#include "report/model.h"
#include "report/write.h"

namespace {

const char kUsage[] =
    "usage: kelvo-report [-o OUT] [--text] [--test N]... [--histograms N] [--quiet] [--] FILE...\n"
    "\n"
    "Writes one self-contained HTML page about KELVO files (version 4 or 3, any CPU type,\n"
    "plain or gzip-compressed; - reads standard input): per file the run's identity, parts\n"
    "tested, good, yield and retests, hard and soft bins (PRR counts beside the bin\n"
    "records'), a wafer map per wafer by hard or soft bin, the failing tests ranked, a\n"
    "histogram with limits of the most failing parametric tests, and a table of sites.\n"
    "\n"
    "  -o OUT          the file to write (default report.html; - for standard output)\n"
    "  --text          write the same summary as text, with ASCII wafer maps, to standard\n"
    "                  output (or to OUT when -o is given)\n"
    "  --test N        draw the histogram of test N as well (may be repeated)\n"
    "  --histograms N  histograms of the N most failing parametric tests (default 8)\n"
    "  --quiet         no progress line and no closing line\n"
    "  --help          print this text (also -h)\n"
    "  --              what follows are files, even if they begin with -\n"
    "\n"
    "A bad file gets one line on standard error naming it, the record and its byte offset,\n"
    "and nothing is written. Exit status: 0 when written, 1 on a bad file or a failed\n"
    "write, 2 on bad usage.\n";

int usage_error(const std::string &what) {
    std::fprintf(stderr, "kelvo-report: %s\n%s", what.c_str(), kUsage);
    return 2;
}

bool parse_count(const std::string &s, unsigned long long max, unsigned long long &v) {
    if (s.empty() || s.size() > 12 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    v = std::strtoull(s.c_str(), nullptr, 10);
    return v <= max;
}

// Writes `data` to `path` whole or not at all: into a temporary file beside it, renamed.
bool write_whole(const std::string &path, const std::string &data, std::string &error) {
    if (path == "-") {
        if (std::fwrite(data.data(), 1, data.size(), stdout) != data.size() || std::fflush(stdout) != 0) {
            error = std::strerror(errno ? errno : EIO);
            return false;
        }
        return true;
    }
    std::string tmp = path + ".XXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    const mode_t mask = umask(0);  // the mode a plain new file would get
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = std::strerror(n < 0 ? errno : EIO);
            ::close(fd);
            ::unlink(tmp.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0 || std::rename(tmp.c_str(), path.c_str()) != 0) {
        error = std::strerror(errno);
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<std::string> files;
    std::string out;
    bool have_out = false, as_text = false, quiet = false, options = true;
    report::Options opt;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (options && (a == "--help" || a == "-h")) {
            std::fputs(kUsage, stdout);
            if (std::fflush(stdout) == 0) return 0;
            std::fprintf(stderr, "kelvo-report: standard output: %s\n", std::strerror(errno));
            return 1;
        }
        if (options && a == "--") {
            options = false;
            continue;
        }
        if (options && (a == "--text" || a == "--quiet")) {
            (a == "--text" ? as_text : quiet) = true;
            continue;
        }
        std::string name = a.substr(0, a.find('='));
        if (options && (a == "-o" || name == "--output" || name == "--test" || name == "--histograms")) {
            std::string value;
            if (a.find('=') != std::string::npos) value = a.substr(a.find('=') + 1);
            else if (i + 1 < argc) value = argv[++i];
            else return usage_error(a + " needs a value");
            unsigned long long n = 0;
            if (a == "-o" || name == "--output") {
                if (value.empty()) return usage_error("-o needs a name");
                out = value, have_out = true;
            } else if (!parse_count(value, name == "--test" ? UINT32_MAX : 1000, n)) {
                return usage_error(name + " needs a number" + (name == "--test" ? "" : " up to 1000") + ", not '" +
                                   value + "'");
            } else if (name == "--test") {
                opt.tests.insert(static_cast<uint32_t>(n));
            } else {
                opt.histograms = static_cast<size_t>(n);
            }
            continue;
        }
        if (options && a.size() > 1 && a[0] == '-') return usage_error("unknown option " + a);
        files.push_back(a);
    }
    if (files.empty()) return usage_error("no FILE given");
    if (!have_out) out = as_text ? "-" : "report.html";
    std::signal(SIGXFSZ, SIG_IGN);

    std::vector<report::FileReport> reports(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string &path = files[i];
        std::string error;
        int in = open_input(path, error);
        if (in < 0) {
            std::fprintf(stderr, "kelvo-report: %s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
        Progress progress(input_size(in), !quiet, [in] { return input_consumed(in); });
        flatten::Result r = report::build(in, path, opt, reports[i]);
        progress.finish();
        int64_t length = -1;
        std::string at = "record " + std::to_string(r.records) + " at byte offset " + std::to_string(r.end) + ": ";
        bool stream_ok = close_input(in, error, &length);
        std::string problem;
        if (!stream_ok) problem = at + error;
        else if (!r.ok) problem = r.error;
        else if (length > 0 && static_cast<uint64_t>(length) > r.end) problem = at + "the file ends inside a record header";
        if (!problem.empty()) {
            std::fprintf(stderr, "kelvo-report: %s: %s\n", path.c_str(), problem.c_str());
            return 1;
        }
    }

    const std::string page = as_text ? report::text(reports) : report::html(reports);
    std::string error;
    if (!write_whole(out, page, error)) {
        std::fprintf(stderr, "kelvo-report: %s: %s\n", out == "-" ? "standard output" : out.c_str(), error.c_str());
        return 1;
    }
    if (!quiet && out != "-") {
        char abs[PATH_MAX];
        const bool have_abs = realpath(out.c_str(), abs) != nullptr;
        std::printf("kelvo-report: wrote %s (%zu KB)%s%s\n", out.c_str(), (page.size() + 1023) / 1024,
                    have_abs && !as_text ? "; open file://" : "", have_abs && !as_text ? abs : "");
    }
    return 0;
}
