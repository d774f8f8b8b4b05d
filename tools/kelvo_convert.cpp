// kelvo-convert: rewrites a KELVO file of any CPU type as CPU type 2 (little-endian IEEE).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "dump/walk.h"
#include "gzstream.h"
#include "progress.h"

namespace {

const char kUsage[] =
    "usage: kelvo-convert [--drop-unknown] [--quiet] [--] IN OUT\n"
    "\n"
    "Rewrites the KELVO file IN (version 4 or version 3, written on any CPU type; plain\n"
    "or gzip-compressed; - reads standard input) as OUT in the form the library writes:\n"
    "version 4, CPU type 2 (little-endian integers, IEEE reals). Every record is decoded\n"
    "by the library's reader and encoded again by its writer, so numbers are converted,\n"
    "not copied. A version-3 file gets a FAR; its description records (PDR, FDR) move\n"
    "their limits, units, formats and names onto the first PTR of each test and the\n"
    "TSRs, and its site records become PCR, HBR, SBR and TSR records.\n"
    "\n"
    "A record that cannot be converted (a record type the library does not decode, a\n"
    "record cut short, a FAR that is not the first record) is named with its index\n"
    "and byte offset, and the conversion stops: no record is ever passed through in\n"
    "its original byte order. Compressed input that is cut short or damaged stops it\n"
    "too, wherever it ends. OUT is written under a temporary name in its directory\n"
    "and renamed only when the whole file is converted and written, so it is either\n"
    "complete or left as it was; OUT must therefore be a file (not - or a device).\n"
    "\n"
    "  --drop-unknown  leave out records of types the library does not decode, and\n"
    "                  count them by their codes in one warning at the end\n"
    "  --quiet         show no progress line (one is shown on standard error when it\n"
    "                  is a terminal and the work takes more than half a second)\n"
    "  --help          print this text (also -h)\n"
    "  --              what follows are files, even if they begin with -\n"
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

// What stopped a conversion: a fault of the input, or (output) a failed write.
struct Problem {
    std::string text;
    bool output = false;
    Problem() = default;
    Problem(std::string t, bool o = false) : text(std::move(t)), output(o) {}
    explicit operator bool() const { return !text.empty(); }
};

// A failed write of the record `what`; errno tells why, when it is set.
Problem write_failure(const std::string &what) {
    return {"cannot write " + what + ": " + (errno ? std::strerror(errno) : "a write error, or no memory"), true};
}

std::string codes(const kelvo_header &h) {
    return "(" + std::to_string(h.REC_TYP) + "," + std::to_string(h.REC_SUB) + ")";
}

// Writes a version-3 MIR's handler and probe card, which a version-4 MIR has no
// place for, as an SDR (all heads and site groups); nothing when both are empty.
bool write_v3_equipment(int out, const kelvo_mir_struct &mir) {
    if (mir.HAND_ID.len == 0 && mir.PRB_CARD.len == 0) return true;
    kelvo_sdr_struct sdr{};
    sdr.HEAD_NUM = 255;
    sdr.SITE_GRP = 255;
    for (kelvo_cn *t : {&sdr.HAND_TYP, &sdr.HAND_ID, &sdr.CARD_TYP, &sdr.CARD_ID, &sdr.LOAD_TYP, &sdr.LOAD_ID,
                        &sdr.DIB_TYP, &sdr.DIB_ID, &sdr.CABL_TYP, &sdr.CABL_ID, &sdr.CONT_TYP, &sdr.CONT_ID,
                        &sdr.LASR_TYP, &sdr.LASR_ID, &sdr.EXTR_TYP, &sdr.EXTR_ID})
        t->str = const_cast<char *>("");
    sdr.HAND_ID = mir.HAND_ID;
    sdr.CARD_ID = mir.PRB_CARD;
    return kelvo_sdrwrite(out, &sdr) > 0;
}

const char kEmpty[] = "empty file";

// Reads the first record of `in` (a FAR, or a version-3 file's MIR) and writes the CPU
// type 2 FAR to `out`, and for version 3 the MIR; nothing or what is wrong. `offset`
// gets the byte offset after that record.
Problem convert_start(int in, int out, uint64_t &offset) {
    kelvo_header h;
    if (kelvo_headread(in, &h) != 4) return {kEmpty};
    kelvo_far_struct far;
    if (h.REC_TYP == 1 && h.REC_SUB == 10) {
        kelvo_mir_struct mir{};
        uint32_t status[38] = {};
        int r = kelvo_mirbuf_read(in, &h, &mir, status);
        if (r == -2) return where(0, 0) + ": the file begins with neither a FAR nor a version-3 MIR";
        if (r == -3) return where(0, 0) + ": no memory to copy the MIR record";
        if (r <= 0 || r < body_length(in, h)) return where(0, 0) + ": MIR cut short by the end of the file";
        if (Kelvo_file_attributes[in].cpu_type > 2)
            return where(0, 0) + ": unknown CPU type " + std::to_string(Kelvo_file_attributes[in].cpu_type);
        errno = 0;
        if (kelvo_farwrite(out, &far) != 6 || kelvo_mirwrite(out, &mir) <= 0 || !write_v3_equipment(out, mir))
            return write_failure("the FAR and MIR");
        offset = 4u + body_length(in, h);
        return {};
    }
    if (h.REC_TYP != 0 || h.REC_SUB != 10) return where(0, 0) + ": the file does not begin with a FAR";
    int r = kelvo_farread(in, &h, &far);
    if (r < 2 || r < body_length(in, h)) return where(0, 0) + ": FAR cut short by the end of the file";
    if (far.KELVO_VER != 4)
        return where(0, 0) + ": a FAR of version " + std::to_string(far.KELVO_VER) +
               " (a version-3 file has none): only a version-4 FAR is converted";
    if (far.CPU_TYPE > 2) return where(0, 0) + ": unknown CPU type " + std::to_string(far.CPU_TYPE);
    errno = 0;
    if (kelvo_farwrite(out, &far) != 6) return write_failure("the FAR");
    offset = 4u + body_length(in, h);
    return {};
}

// A version-3 test description (PDR) waiting for the first PTR of its test, its
// texts copied out of the library's buffers.
struct Description {
    kelvo_ptr_struct ptr;
    std::string units, resfmt, llmfmt, hlmfmt;
};

// Bits of a PTR's OPT_FLAG that mark RES_SCAL, the low and the high limit not valid.
constexpr uint8_t kResScalInvalid = 0x01, kLowInvalid = 0x50, kHighInvalid = 0xA0;
// The bit of a PTR's TEST_FLG that marks RESULT not valid.
constexpr uint8_t kResultInvalid = 0x02;

// Gives a version-3 PTR what its test's description holds and the PTR lacks: scales,
// limits, units and formats. The PTR's own values win.
void describe(kelvo_ptr_struct &ptr, const Description &d) {
    const uint8_t from = d.ptr.OPT_FLAG;
    if ((ptr.OPT_FLAG & kResScalInvalid) && !(from & kResScalInvalid)) {
        ptr.RES_SCAL = d.ptr.RES_SCAL;
        ptr.OPT_FLAG &= static_cast<uint8_t>(~kResScalInvalid);
    }
    if ((ptr.OPT_FLAG & kLowInvalid) && !(from & kLowInvalid)) {
        ptr.LLM_SCAL = d.ptr.LLM_SCAL;
        ptr.LO_LIMIT = d.ptr.LO_LIMIT;
        ptr.OPT_FLAG &= static_cast<uint8_t>(~kLowInvalid);
    }
    if ((ptr.OPT_FLAG & kHighInvalid) && !(from & kHighInvalid)) {
        ptr.HLM_SCAL = d.ptr.HLM_SCAL;
        ptr.HI_LIMIT = d.ptr.HI_LIMIT;
        ptr.OPT_FLAG &= static_cast<uint8_t>(~kHighInvalid);
    }
    auto fill = [](kelvo_cn &t, const std::string &s) {
        if (t.len == 0) t.str = const_cast<char *>(s.c_str());
    };
    fill(ptr.UNITS, d.units);
    fill(ptr.C_RESFMT, d.resfmt);
    fill(ptr.C_LLMFMT, d.llmfmt);
    fill(ptr.C_HLMFMT, d.hlmfmt);
}

// What converting a version-3 file carries from record to record.
class Version3 {
public:
    // Reads a PDR and keeps it for the first PTR of its test; a test's earlier
    // description that no PTR took is written first.
    int description(int in, const kelvo_header *h, int out) {
        kelvo_ptr_struct ptr{};
        int r = kelvo_v3_pdrbuf_read(in, h, &ptr, nullptr);
        if (r <= 0) return r;
        auto kept = pending_.find(ptr.TEST_NUM);
        if (kept != pending_.end() && !write(out, kept->second)) return kinds::kWriteFailed;
        auto text = [](const kelvo_cn &t) { return std::string(t.str ? t.str : "", t.len); };
        pending_[ptr.TEST_NUM] = {ptr, text(ptr.UNITS), text(ptr.C_RESFMT), text(ptr.C_LLMFMT), text(ptr.C_HLMFMT)};
        return r;
    }
    // Reads a PTR, completes it from its test's description and writes it.
    int result(int in, const kelvo_header *h, int out) {
        kelvo_ptr_struct ptr{};
        int r = kelvo_ptrbuf_read(in, h, &ptr, nullptr);
        if (r <= 0 && h->REC_LEN != 0) return r;
        auto d = pending_.find(ptr.TEST_NUM);
        if (d != pending_.end()) describe(ptr, d->second);
        int w = kelvo_ptrwrite(out, &ptr);
        if (d != pending_.end()) pending_.erase(d);  // after the write: ptr points into its texts
        return w > 0 ? w : kinds::kWriteFailed;
    }
    // Reads an MRR and writes the run's part counts that it carries as a PCR before it;
    // descriptions that no PTR took go first.
    int end_of_run(int in, const kelvo_header *h, int out) {
        kelvo_mrr_struct mrr{};
        uint32_t status[12] = {};
        int r = kelvo_mrrbuf_read(in, h, &mrr, status);
        if (r <= 0 && h->REC_LEN != 0) return r;
        if (!flush(out)) return kinds::kWriteFailed;
        if (status[7] & KELVO_PRESENT) {
            mrr.PCR.HEAD_NUM = 255;
            mrr.PCR.SITE_NUM = 255;
            if (kelvo_pcrwrite(out, &mrr.PCR) <= 0) return kinds::kWriteFailed;
        }
        int w = kelvo_mrrwrite(out, &mrr);
        return w > 0 ? w : kinds::kWriteFailed;
    }
    // Writes the descriptions that no PTR took, as PTRs whose RESULT is marked not valid.
    bool flush(int out) {
        for (auto &[num, d] : pending_)
            if (!write(out, d)) return false;
        pending_.clear();
        return true;
    }

private:
    static bool write(int out, Description &d) {
        kelvo_ptr_struct ptr = d.ptr;
        ptr.TEST_FLG |= kResultInvalid;
        ptr.UNITS.str = d.units.data();
        ptr.C_RESFMT.str = d.resfmt.data();
        ptr.C_LLMFMT.str = d.llmfmt.data();
        ptr.C_HLMFMT.str = d.hlmfmt.data();
        return kelvo_ptrwrite(out, &ptr) > 0;
    }
    std::map<uint32_t, Description> pending_;
};

// Records left out with --drop-unknown, counted by their codes.
using Dropped = std::map<std::pair<int, int>, long>;

// Converts every record after the first, from the record `index` at byte `offset` on;
// nothing or what is wrong. `index` and `offset` are left at the record that stopped it
// (behind the last record at the end).
Problem convert_records(int in, int out, long &index, uint64_t &offset, Dropped *dropped, Progress &progress) {
    const bool v3 = Kelvo_file_attributes[in].kelvo_ver < 4;
    Version3 state;
    kelvo_header h;
    for (; kelvo_headread(in, &h) == 4; ++index) {
        progress.tick(index);
        uint16_t len = body_length(in, h);
        const kinds::RecordKind *kind = kinds::find_kind(h.REC_TYP, h.REC_SUB);
        if (h.REC_TYP == 0 && h.REC_SUB == 10) return {where(index, offset) + ": a FAR that is not the first record"};
        if (!kind && dropped) {
            if (kelvo_skip_record(in, &h) <= 0 && len != 0)
                return {where(index, offset) + ": record " + codes(h) + " cut short by the end of the file"};
            ++(*dropped)[{h.REC_TYP, h.REC_SUB}];
            offset += 4u + len;
            continue;
        }
        if (!kind) return {where(index, offset) + ": record type " + codes(h) + " cannot be converted"};
        const uint16_t code = static_cast<uint16_t>(h.REC_TYP << 8 | h.REC_SUB);
        errno = 0;
        int r;
        if (v3 && code == (10 << 8 | 10)) r = state.description(in, &h, out);
        else if (v3 && code == (15 << 8 | 10)) r = state.result(in, &h, out);
        else if (v3 && code == (1 << 8 | 20)) r = state.end_of_run(in, &h, out);
        else r = kind->copy(in, &h, out);
        if (r == -3) return {where(index, offset) + ": no memory to copy the " + kind->name + " record"};
        if (r == kinds::kWriteFailed) return write_failure(where(index, offset) + " (" + kind->name + ")");
        if (r <= 0) return {where(index, offset) + ": " + dump::read_failure(in, kind->name, offset + 4 + len)};
        offset += 4u + len;
    }
    errno = 0;
    if (!state.flush(out)) return write_failure("the descriptions that no PTR took");
    return {};
}

// Opens a temporary file beside `path` as a write handle (its descriptor in `fd`); -1
// when it cannot.
int open_temporary(const std::string &path, std::string &temporary, int &fd) {
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    temporary = dir + "." + base + ".XXXXXX";
    if (temporary.size() >= sizeof g_temporary) {
        errno = ENAMETOOLONG;
        return -1;
    }
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

// Flushes and closes the output; false, with errno set, when anything did not reach the
// file.
bool finish_output(int out, int fd) {
    errno = 0;
    bool ok = kelvo_flush(out) == 0 && fsync(fd) == 0;
    int error = errno;
    kelvo_close(out);
    errno = error;
    return ok;
}

}  // namespace

int main(int argc, char **argv) {
    std::string paths[2];
    int n = 0;
    bool drop = false, quiet = false, options = true;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (options && (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0)) {
            std::fputs(kUsage, stdout);
            if (std::fflush(stdout) == 0) return 0;
            std::fprintf(stderr, "kelvo-convert: standard output: %s\n", std::strerror(errno));
            return 1;
        }
        if (options && std::strcmp(a, "--drop-unknown") == 0) {
            drop = true;
            continue;
        }
        if (options && std::strcmp(a, "--quiet") == 0) {
            quiet = true;
            continue;
        }
        if (options && std::strcmp(a, "--") == 0) {
            options = false;
            continue;
        }
        if ((options && a[0] == '-' && a[1] != '\0') || n == 2) {
            std::fprintf(stderr, "kelvo-convert: %s %s\n%s", n == 2 ? "unexpected argument" : "unknown option", a,
                         kUsage);
            return 2;
        }
        paths[n++] = a;
    }
    if (n != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string &in_path = paths[0], &out_path = paths[1];
    if (out_path == "-") {
        std::fputs("kelvo-convert: OUT must name a file: it is written whole, then renamed\n", stderr);
        return 2;
    }
    // Renaming over a device, a pipe or a directory would replace it, not write to it.
    struct stat st;
    if (stat(out_path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        std::fprintf(stderr, "kelvo-convert: %s: %s\n", out_path.c_str(),
                     S_ISDIR(st.st_mode) ? "is a directory" : "not a regular file");
        return 1;
    }
    // A file size limit makes writes fail with EFBIG instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);

    std::string error;
    int in = open_input(in_path, error);
    if (in < 0) {
        std::fprintf(stderr, "kelvo-convert: %s: %s\n", in_path.c_str(), error.c_str());
        return 1;
    }
    std::string temporary;
    int fd;
    errno = 0;
    int out = open_temporary(out_path, temporary, fd);
    if (out < 0) {
        std::fprintf(stderr, "kelvo-convert: %s: cannot create a file in its directory: %s\n", out_path.c_str(),
                     errno ? std::strerror(errno) : "no free file handle");
        close_input(in, error);
        return 1;
    }
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, remove_temporary);

    long index = 0;
    uint64_t offset = 0;
    Dropped dropped;
    Progress progress(input_size(in), !quiet, [in] { return input_consumed(in); });
    Problem problem = convert_start(in, out, offset);
    if (!problem) {
        index = 1;
        problem = convert_records(in, out, index, offset, drop ? &dropped : nullptr, progress);
    }
    progress.finish();
    int64_t length;
    // Damaged compressed input is the cause of whatever else was found.
    if (!close_input(in, error, &length) && !problem.output)
        problem = {where(index, offset) + ": " + error};
    else if ((!problem || problem.text == kEmpty) && length > 0 && static_cast<uint64_t>(length) > offset)
        problem = {"byte offset " + std::to_string(offset) + ": the file ends inside a record header"};
    if (!problem && !finish_output(out, fd)) problem = write_failure("the file");
    else if (problem) kelvo_close(out);
    if (!problem && std::rename(temporary.c_str(), out_path.c_str()) != 0)
        problem = {std::string("cannot rename the finished file to its name: ") + std::strerror(errno), true};
    if (problem) {
        unlink(temporary.c_str());
        std::fprintf(stderr, "kelvo-convert: %s: %s\n", (problem.output ? out_path : in_path).c_str(),
                     problem.text.c_str());
        return 1;
    }
    g_temporary[0] = '\0';
    if (!dropped.empty()) {
        std::string list;
        long total = 0;
        for (const auto &[code, count] : dropped) {
            list += (list.empty() ? " " : ", ") + std::to_string(count) + " of (" + std::to_string(code.first) + "," +
                    std::to_string(code.second) + ")";
            total += count;
        }
        std::fprintf(stderr, "kelvo-convert: %s: warning: left out %ld record%s that cannot be converted:%s\n",
                     in_path.c_str(), total, total == 1 ? "" : "s", list.c_str());
    }
    return 0;
}
