// kelvo-dump: prints every record of KELVO files field by field.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dump/dump.h"
#include "gzstream.h"

namespace {

const char kUsage[] =
    "usage: kelvo-dump [--summary] FILE...\n"
    "\n"
    "Prints every record of each KELVO file (version 4 of any CPU type, or version 3;\n"
    "plain or gzip-compressed): its name, codes, REC_LEN and byte offset, then every\n"
    "field by name. Texts are quoted, reals printed with %g, arrays as lists, and\n"
    "fields that the record does not hold (or marks as not valid) as 'missing'.\n"
    "Records the library does not decode are listed and skipped.\n"
    "\n"
    "  --summary  print only the count of each record type, the CPU type and version\n"
    "  --exact    print reals as the hex bit patterns of their values (R4 widened to R8)\n"
    "  --help     print this text\n"
    "\n"
    "Exit status: 0 when every file was read to its end, 1 on a bad file, 2 on bad usage.\n";

}  // namespace

int main(int argc, char **argv) {
    bool summary = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--summary") == 0) {
            summary = true;
        } else if (std::strcmp(argv[i], "--exact") == 0) {
            dump::Printer::exact_reals(true);
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "kelvo-dump: unknown option %s\n%s", argv[i], kUsage);
            return 2;
        } else {
            files.emplace_back(argv[i]);
        }
    }
    if (files.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    int status = 0;
    for (const std::string &file : files) {
        std::string error;
        int handle = open_input(file, error);
        if (handle < 0) {
            std::fprintf(stderr, "kelvo-dump: %s: %s\n", file.c_str(), error.c_str());
            status = 1;
            continue;
        }
        if (files.size() > 1 && !summary) std::printf("== %s\n", file.c_str());
        dump::Printer printer(summary ? nullptr : stdout);
        dump::WalkResult w = dump::walk(handle, printer);
        kelvo_attributes attr = Kelvo_file_attributes[handle];
        bool stream_ok = close_input(handle, error);
        if (!w.ok) {
            std::fprintf(stderr, "kelvo-dump: %s: %s\n", file.c_str(), w.error.c_str());
            status = 1;
        } else if (!stream_ok) {
            std::fprintf(stderr, "kelvo-dump: %s: record %ld: %s\n", file.c_str(), w.records, error.c_str());
            status = 1;
        } else if (w.records == 0) {
            std::fprintf(stderr, "kelvo-dump: %s: record 0 at byte offset 0: empty file\n", file.c_str());
            status = 1;
        }
        if (summary) {
            std::printf("%s: CPU type %d, version %d, %ld records\n", file.c_str(), attr.cpu_type, attr.kelvo_ver,
                        w.records);
            for (const auto &c : w.counts) std::printf("  %-8s %ld\n", c.first.c_str(), c.second);
        }
    }
    return status;
}
