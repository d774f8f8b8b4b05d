// kelvo-dump: prints every record of KELVO files field by field.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dump/walk.h"
#include "gzstream.h"
#include "progress.h"

namespace {

const char kUsage[] =
    "usage: kelvo-dump [--summary] [--exact] [--quiet] [--] FILE...\n"
    "\n"
    "Prints every record of each KELVO file (version 4 of any CPU type, or version 3;\n"
    "plain or gzip-compressed; - reads standard input): its name, codes, REC_LEN and\n"
    "byte offset, then every field by name. Texts are quoted, reals printed with %g,\n"
    "arrays as lists, and fields that the record does not hold (or marks as not valid)\n"
    "as 'missing'. Records the library does not decode are listed and skipped.\n"
    "\n"
    "  --summary  print only the count of each record type, the CPU type and version\n"
    "             (records are counted, not decoded)\n"
    "  --exact    print reals as the hex bit patterns of their values (R4 widened to R8)\n"
    "  --quiet    show no progress line (--summary shows one on standard error when it\n"
    "             is a terminal and the work takes more than half a second)\n"
    "  --help     print this text (also -h)\n"
    "  --         what follows is a file, even if it begins with -\n"
    "\n"
    "A bad file gets one line on standard error naming it, the record and its byte\n"
    "offset; the other files are still read. Compressed data that is cut short or\n"
    "damaged is a bad file, wherever it ends.\n"
    "\n"
    "Exit status: 0 when every file was read to its end, 1 on a bad file or when\n"
    "standard output cannot be written, 2 on bad usage. When standard output is a pipe\n"
    "that its reader closes, kelvo-dump stops at once and ends as SIGPIPE ends it.\n";

// Standard output could not be written: a closed pipe ends the program as the signal
// would have; anything else is one line and exit status 1.
int output_failed(int error) {
    if (error == EPIPE) {
        std::signal(SIGPIPE, SIG_DFL);
        std::raise(SIGPIPE);
    }
    std::fprintf(stderr, "kelvo-dump: standard output: %s\n", std::strerror(error));
    return 1;
}

// What was wrong with a file that was walked; "" when nothing was.
std::string problem(const dump::WalkResult &w, bool stream_ok, const std::string &stream_error, int64_t length) {
    std::string at = "record " + std::to_string(w.records) + " at byte offset " + std::to_string(w.end) + ": ";
    if (!stream_ok) return at + stream_error;  // the cause of whatever else the walk saw
    if (!w.ok) return w.error;
    if (length > 0 && static_cast<uint64_t>(length) > w.end) return at + "the file ends inside a record header";
    if (w.records == 0) return "empty file";
    return "";
}

}  // namespace

int main(int argc, char **argv) {
    bool summary = false, quiet = false, options = true;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (options && (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0)) {
            std::fputs(kUsage, stdout);
            std::printf("\ngzip-compressed input is inflated with %s (KELVO_INFLATE=zlib: with zlib).\n",
                        inflater_name());
            return std::fflush(stdout) == 0 ? 0 : output_failed(errno);
        }
        if (options && std::strcmp(a, "--") == 0) {
            options = false;
        } else if (options && std::strcmp(a, "--summary") == 0) {
            summary = true;
        } else if (options && std::strcmp(a, "--quiet") == 0) {
            quiet = true;
        } else if (options && std::strcmp(a, "--exact") == 0) {
            kinds::Printer::exact_reals(true);
        } else if (options && a[0] == '-' && a[1] != '\0') {
            std::fprintf(stderr, "kelvo-dump: unknown option %s\n%s", a, kUsage);
            return 2;
        } else {
            files.emplace_back(a);
        }
    }
    if (files.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    int status = 0;
    kinds::Printer out(stdout);
    for (const std::string &file : files) {
        std::string error;
        int handle = open_input(file, error);
        if (handle < 0) {
            out.flush();
            std::fprintf(stderr, "kelvo-dump: %s: %s\n", file.c_str(), error.c_str());
            status = 1;
            continue;
        }
        if (files.size() > 1 && !summary) out.line("== " + file);
        Progress progress(input_size(handle), summary && !quiet, [handle] { return input_consumed(handle); });
        dump::WalkResult w = summary ? dump::tally(handle, &progress) : dump::walk(handle, out);
        progress.finish();
        kelvo_attributes attr = Kelvo_file_attributes[handle];
        int64_t length;
        bool stream_ok = close_input(handle, error, &length);
        if (w.output_failed) break;
        std::string wrong = problem(w, stream_ok, error, length);
        if (summary) {
            char line[96];
            std::snprintf(line, sizeof line, ": CPU type %d, version %d, %ld records", attr.cpu_type, attr.kelvo_ver,
                          w.records);
            out.line(file + line);
            for (const auto &c : w.counts) {
                std::snprintf(line, sizeof line, "  %-8s %ld", c.first.c_str(), c.second);
                out.line(line);
            }
        }
        if (!wrong.empty()) {
            out.flush();  // the lines before the error come first
            std::fprintf(stderr, "kelvo-dump: %s: %s\n", file.c_str(), wrong.c_str());
            status = 1;
        }
        if (out.failed()) break;
    }
    errno = 0;
    if (!out.flush() || std::fflush(stdout) != 0) return output_failed(out.failed() ? out.error() : errno);
    return status;
}
