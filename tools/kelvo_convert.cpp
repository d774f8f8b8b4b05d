// kelvo-convert: rewrites a KELVO file of any CPU type as CPU type 2 (little-endian IEEE).
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "dump/dump.h"
#include "gzstream.h"

namespace {

const char kUsage[] =
    "usage: kelvo-convert IN OUT\n"
    "\n"
    "Rewrites the KELVO file IN (version 4, written on any CPU type; plain or\n"
    "gzip-compressed) as OUT in the form the library writes: version 4, CPU type 2\n"
    "(little-endian integers, IEEE reals). Every record is decoded by the library's\n"
    "reader and encoded again by its writer, so numbers are converted, not copied.\n"
    "\n"
    "A record that cannot be converted (a record type the library does not decode, a\n"
    "record cut short, a FAR that is not the first record, a version-3 file) is named\n"
    "with its index and byte offset, and the conversion stops: no record is ever\n"
    "passed through in its original byte order. OUT is written under a temporary name\n"
    "in its directory and renamed only when the whole file is converted, so it is\n"
    "either complete or left as it was.\n"
    "\n"
    "  --help     print this text\n"
    "\n"
    "Exit status: 0 when the file was converted, 1 when it was not, 2 on bad usage.\n";

// The temporary output, removed if the program is stopped by a signal.
char g_temporary[4096];

void remove_temporary(int sig) {
    if (g_temporary[0]) unlink(g_temporary);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

uint16_t body_length(int handle, const kelvo_header &h) {
    uint16_t len = h.REC_LEN;
    kelvo_shortswap(Kelvo_file_attributes[handle].cpu_type, &len);
    return len;
}

std::string where(long index, uint64_t offset) {
    return "record " + std::to_string(index) + " at byte offset " + std::to_string(offset);
}

std::string codes(const kelvo_header &h) {
    return "(" + std::to_string(h.REC_TYP) + "," + std::to_string(h.REC_SUB) + ")";
}

// Reads the FAR of `in` and writes the CPU type 2 FAR to `out`; "" or what is wrong.
// `offset` gets the byte offset after the FAR.
std::string convert_far(int in, int out, uint64_t &offset) {
    kelvo_header h;
    if (kelvo_headread(in, &h) != 4) return "record 0 at byte offset 0: empty file";
    if (h.REC_TYP == 1 && h.REC_SUB == 10)
        return "record 0 at byte offset 0: a file without FAR (version 3), which cannot be converted";
    if (h.REC_TYP != 0 || h.REC_SUB != 10) return where(0, 0) + ": the file does not begin with a FAR";
    kelvo_far_struct far;
    int r = kelvo_farread(in, &h, &far);
    if (r < 2 || r < body_length(in, h)) return where(0, 0) + ": FAR cut short by the end of the file";
    if (far.KELVO_VER != 4)
        return where(0, 0) + ": version " + std::to_string(far.KELVO_VER) + ", only version 4 is converted";
    if (far.CPU_TYPE > 2) return where(0, 0) + ": unknown CPU type " + std::to_string(far.CPU_TYPE);
    if (kelvo_farwrite(out, &far) != 6) return "cannot write the output";
    offset = 4u + body_length(in, h);
    return "";
}

// Converts every record after the FAR; "" or what is wrong.
std::string convert_records(int in, int out, uint64_t offset) {
    kelvo_header h;
    for (long index = 1; kelvo_headread(in, &h) == 4; ++index) {
        uint16_t len = body_length(in, h);
        const dump::RecordKind *kind = dump::find_kind(h.REC_TYP, h.REC_SUB);
        if (h.REC_TYP == 0 && h.REC_SUB == 10) return where(index, offset) + ": a FAR that is not the first record";
        if (!kind) return where(index, offset) + ": record type " + codes(h) + " cannot be converted";
        int r = kind->copy(in, &h, out);
        if (r == -3) return where(index, offset) + ": no memory to copy the " + kind->name + " record";
        if (r <= 0)
            return where(index, offset) + ": " + kind->name +
                   " record cut short by the end of the file, or not written";
        offset += 4u + len;
    }
    // A regular file must end where its last record does (a pipe cannot tell).
    long end = kelvo_seek(in, 0, SEEK_CUR);
    if (end >= 0 && static_cast<uint64_t>(end) != offset)
        return "byte offset " + std::to_string(offset) + ": the file ends inside a record header";
    return "";
}

// Opens a temporary file beside `path` as a write handle (its descriptor in `fd`); -1
// when it cannot.
int open_temporary(const std::string &path, std::string &temporary, int &fd) {
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    temporary = dir + "." + base + ".XXXXXX";
    if (temporary.size() >= sizeof g_temporary) return -1;
    fd = mkstemp(temporary.data());
    if (fd < 0) return -1;
    std::strcpy(g_temporary, temporary.c_str());
    // The finished file gets the permissions of a file created as usual.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    int handle = kelvo_fidopen(fd, "wb");
    if (handle < 0) {
        close(fd);
        unlink(temporary.c_str());
        g_temporary[0] = '\0';
    }
    return handle;
}

// Flushes and closes the output; false when anything did not reach the file.
bool finish_output(int out, int fd) {
    bool ok = kelvo_flush(out) == 0 && fsync(fd) == 0;
    kelvo_close(out);
    return ok;
}

}  // namespace

int main(int argc, char **argv) {
    std::string paths[2];
    int n = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if ((argv[i][0] == '-' && argv[i][1] != '\0') || n == 2) {
            std::fprintf(stderr, "kelvo-convert: %s %s\n%s", n == 2 ? "unexpected argument" : "unknown option",
                         argv[i], kUsage);
            return 2;
        }
        paths[n++] = argv[i];
    }
    if (n != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string &in_path = paths[0], &out_path = paths[1];

    std::string error;
    int in = open_input(in_path, error);
    if (in < 0) {
        std::fprintf(stderr, "kelvo-convert: %s: %s\n", in_path.c_str(), error.c_str());
        return 1;
    }
    std::string temporary;
    int fd;
    int out = open_temporary(out_path, temporary, fd);
    if (out < 0) {
        std::fprintf(stderr, "kelvo-convert: %s: cannot create a file in its directory\n", out_path.c_str());
        close_input(in, error);
        return 1;
    }
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, remove_temporary);

    uint64_t offset = 0;
    std::string problem = convert_far(in, out, offset);
    if (problem.empty()) problem = convert_records(in, out, offset);
    if (!close_input(in, error) && problem.empty()) problem = error;
    if (!problem.empty()) {
        kelvo_close(out);
        unlink(temporary.c_str());
        std::fprintf(stderr, "kelvo-convert: %s: %s\n", in_path.c_str(), problem.c_str());
        return 1;
    }
    if (!finish_output(out, fd) || std::rename(temporary.c_str(), out_path.c_str()) != 0) {
        unlink(temporary.c_str());
        std::fprintf(stderr, "kelvo-convert: %s: cannot write the file\n", out_path.c_str());
        return 1;
    }
    return 0;
}
