// kelvo-diff: compares two KELVO files by their decoded values, record by record.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dump/walk.h"
#include "gzstream.h"

namespace {

const char kUsage[] =
    "usage: kelvo-diff [--max N] [--] A B\n"
    "\n"
    "Compares the KELVO files A and B (version 4 of any CPU type, or version 3; plain\n"
    "or gzip-compressed; - reads standard input, for one of them) by their decoded\n"
    "values, record by record: record i of A against record i of B, field by field.\n"
    "Byte order, CPU type and REC_LEN do not count, only the values the library reads\n"
    "(a file and its kelvo-convert output compare equal; the FAR's CPU_TYPE is not\n"
    "compared). Reals are compared by their bits. Records the library does not decode\n"
    "are compared by their codes and bytes when both files have one CPU type, by their\n"
    "codes and lengths otherwise. A record that only one file has is a difference.\n"
    "\n"
    "Each difference is one line: record index, record name, field, the value in A and\n"
    "the value in B (reals as their bit patterns, with the value in brackets). A closing\n"
    "line counts the differences and the records of each file.\n"
    "\n"
    "A version-3 file and its kelvo-convert output do not compare equal: the conversion\n"
    "writes other records (a FAR, PTRs carrying what PDRs held, PCR, HBR, SBR, TSR).\n"
    "\n"
    "  --max N   print at most the first N differences (default 10; 0: only the count)\n"
    "  --help    print this text (also -h)\n"
    "  --        what follows are files, even if they begin with -\n"
    "\n"
    "Exit status: 0 when the files are equal, 1 when they differ, 2 on bad input (one\n"
    "line naming the file, the record and its byte offset), a failed write or bad usage.\n";

int output_failed(int error) {
    if (error == EPIPE) {
        std::signal(SIGPIPE, SIG_DFL);
        std::raise(SIGPIPE);
    }
    std::fprintf(stderr, "kelvo-diff: standard output: %s\n", std::strerror(error));
    return 2;
}

std::string where(long index, uint64_t offset) {
    return "record " + std::to_string(index) + " at byte offset " + std::to_string(offset);
}

// A stream whose writes are appended to a string.
FILE *string_stream(std::string *to) {
    cookie_io_functions_t io{};
    io.write = [](void *cookie, const char *buf, size_t n) -> ssize_t {
        static_cast<std::string *>(cookie)->append(buf, n);
        return static_cast<ssize_t>(n);
    };
    FILE *f = fopencookie(to, "w", io);
    if (f) std::setvbuf(f, nullptr, _IONBF, 0);
    return f;
}

// One field line of a record: its name and its value as the printer wrote them.
struct Field {
    std::string name, value;
};

// "  NAME      value" back into its name and value. Names are one word, except the
// generic data's "[k] TYPE" and "[k] code N"; notes ("  (...)") have no name.
Field split(const std::string &line) {
    size_t p = line.find_first_not_of(' ');
    if (p == std::string::npos) return {"", ""};
    if (line[p] == '(') return {"(note)", line.substr(p)};
    size_t end = line.find(' ', p);
    if (line[p] == '[' && end != std::string::npos) {
        size_t type = end + 1, after = line.find(' ', type);
        if (line.compare(type, 5, "code ") == 0 && after != std::string::npos) after = line.find(' ', after + 1);
        end = after;
    }
    if (end == std::string::npos) return {line.substr(p), ""};
    size_t v = line.find_first_not_of(' ', end);
    return {line.substr(p, end - p), v == std::string::npos ? "" : line.substr(v)};
}

// One record as read: its name, codes and field lines.
struct Record {
    std::string name;
    uint8_t typ = 0, sub = 0;
    bool decoded = true;
    uint32_t length = 0;  // body length, for records that are not decoded
    std::vector<Field> fields;
};

// A file read one record at a time.
class Side {
public:
    Side(std::string file) : file_(std::move(file)) {}
    ~Side() {
        if (handle_ >= 0) {
            std::string ignored;
            close_input(handle_, ignored);
        }
        printer_.reset();
        if (sink_) std::fclose(sink_);
    }
    const std::string &file() const { return file_; }
    long records() const { return index_; }
    int cpu() const { return handle_ >= 0 ? Kelvo_file_attributes[handle_].cpu_type : cpu_; }
    const std::string &error() const { return error_; }

    bool open() {
        sink_ = string_stream(&text_);
        if (!sink_) return fail("no memory");
        printer_ = std::make_unique<kinds::Printer>(sink_);
        handle_ = open_input(file_, error_);
        return handle_ >= 0;
    }

    // The next record into `r`: true; false at the end of the file or on an error
    // (error() is then set).
    bool next(Record &r) {
        if (done_) return false;
        kelvo_header h;
        if (kelvo_headread(handle_, &h) != 4) return finish();
        if (index_ == 0 && !is_far(h) && !is_mir(h))
            return fail(where(0, 0) + ": the file begins with neither a FAR nor a version-3 MIR");
        text_.clear();
        r = Record{};
        r.typ = h.REC_TYP, r.sub = h.REC_SUB;
        // REC_LEN's byte order is known once the first record (a FAR or a version-3 MIR)
        // is read: its length is taken after the read.
        uint16_t len = index_ > 0 ? kelvo_body_length(handle_, &h) : 0;
        int result;
        if (is_far(h)) {
            kelvo_far_struct far;
            r.name = "FAR";
            result = kelvo_farread(handle_, &h, &far);
            len = kelvo_body_length(handle_, &h);
            if (result > 0 && result < len) result = 0;
            // The CPU type is how the values are stored, not a value.
            if (result > 0) printer_->u("KELVO_VER", far.KELVO_VER);
        } else if (const kinds::RecordKind *kind = kinds::find_kind(h.REC_TYP, h.REC_SUB)) {
            r.name = kind->name;
            result = kind->dump(handle_, &h, *printer_, index_, offset_);
            len = kelvo_body_length(handle_, &h);
        } else {
            r.name = "(" + std::to_string(h.REC_TYP) + "," + std::to_string(h.REC_SUB) + ")";
            r.decoded = false;
            r.length = len;
            std::vector<uint8_t> body(len);
            result = len == 0 ? 0 : static_cast<int>(kelvo_read(handle_, body.data(), len));
            if (result == len) printer_->bytes("BODY", body.data(), len);
        }
        if (result == -3) return fail(where(index_, offset_) + ": no memory to copy the " + r.name + " record");
        if (result < 0 || (result == 0 && len != 0) || (result > 0 && result < len))
            return fail(where(index_, offset_) + ": " + dump::read_failure(handle_, r.name, offset_ + 4 + len));
        if (!printer_->flush()) return fail(where(index_, offset_) + ": no memory");
        size_t start = 0;
        while (start < text_.size()) {
            size_t end = text_.find('\n', start);
            if (end == std::string::npos) end = text_.size();
            if (text_[start] != '#') {
                Field f = split(text_.substr(start, end - start));
                // A version-3 MIR's CPU type, as the FAR's, is how values are stored.
                if (f.name != "CPU_TYPE") r.fields.push_back(std::move(f));
            }
            start = end + 1;
        }
        ++index_;
        offset_ += 4u + len;
        return true;
    }

private:
    static bool is_far(const kelvo_header &h) { return h.REC_TYP == 0 && h.REC_SUB == 10; }
    static bool is_mir(const kelvo_header &h) { return h.REC_TYP == 1 && h.REC_SUB == 10; }

    bool fail(std::string e) {
        done_ = true;
        if (handle_ >= 0) {
            // A fault of the stream (compressed data cut short or damaged) is the cause.
            std::string stream;
            cpu_ = Kelvo_file_attributes[handle_].cpu_type;
            if (!close_input(handle_, stream)) e = where(index_, offset_) + ": " + stream;
            handle_ = -1;
        }
        error_ = std::move(e);
        return false;
    }

    // The end: the stream read whole, no partial header left, at least one record.
    bool finish() {
        done_ = true;
        std::string stream;
        int64_t length = -1;
        cpu_ = Kelvo_file_attributes[handle_].cpu_type;
        bool ok = close_input(handle_, stream, &length);
        handle_ = -1;
        if (!ok) error_ = where(index_, offset_) + ": " + stream;
        else if (length > 0 && static_cast<uint64_t>(length) > offset_)
            error_ = where(index_, offset_) + ": the file ends inside a record header";
        else if (index_ == 0) error_ = "empty file";
        return false;
    }

    std::string file_;
    int handle_ = -1;
    int cpu_ = -1;
    bool done_ = false;
    long index_ = 0;
    uint64_t offset_ = 0;
    std::string error_;
    std::string text_;
    FILE *sink_ = nullptr;
    std::unique_ptr<kinds::Printer> printer_;
};

// A value as shown: reals (printed as 0x and 16 hex digits) get their value beside them.
std::string shown(const std::string &value) {
    std::string out;
    size_t k = 0;
    while (k < value.size()) {
        size_t h = value.find("0x", k);
        if (h == std::string::npos) break;
        size_t e = h + 2;
        while (e < value.size() && std::isxdigit(static_cast<unsigned char>(value[e]))) ++e;
        out.append(value, k, e - k);
        if (e - h == 18 && (h == 0 || !std::isalnum(static_cast<unsigned char>(value[h - 1])))) {
            uint64_t bits = std::strtoull(value.c_str() + h + 2, nullptr, 16);
            double d;
            std::memcpy(&d, &bits, sizeof d);
            char text[40];
            std::snprintf(text, sizeof text, " (%.9g)", d);
            out += text;
        }
        k = e;
    }
    out.append(value, k, std::string::npos);
    return out;
}

class Report {
public:
    explicit Report(long max) : max_(max), out_(stdout) {}
    void difference(long index, const std::string &record, const std::string &field, const std::string &a,
                    const std::string &b) {
        if (count_++ >= max_) return;
        out_.line("#" + std::to_string(index) + " " + record + " " + field + ": A " + shown(a) + ", B " + shown(b));
    }
    long count() const { return count_; }
    kinds::Printer &out() { return out_; }

private:
    long max_;
    long count_ = 0;
    kinds::Printer out_;
};

void compare(long index, const Record &a, const Record &b, bool same_cpu, Report &report) {
    if (a.typ != b.typ || a.sub != b.sub) {
        report.difference(index, a.name + "/" + b.name, "record", a.name, b.name);
        return;
    }
    if (!a.decoded && !same_cpu) {
        if (a.length != b.length)
            report.difference(index, a.name, "length", std::to_string(a.length), std::to_string(b.length));
        return;
    }
    size_t n = std::max(a.fields.size(), b.fields.size());
    for (size_t k = 0; k < n; ++k) {
        const Field *fa = k < a.fields.size() ? &a.fields[k] : nullptr;
        const Field *fb = k < b.fields.size() ? &b.fields[k] : nullptr;
        if (fa && fb && fa->name == fb->name && fa->value == fb->value) continue;
        if (fa && fb && fa->name == fb->name) report.difference(index, a.name, fa->name, fa->value, fb->value);
        else
            report.difference(index, a.name, fa ? fa->name : fb->name,
                              fa ? fa->name + " " + fa->value : "(no such field)",
                              fb ? fb->name + " " + fb->value : "(no such field)");
    }
}

}  // namespace

int main(int argc, char **argv) {
    bool options = true;
    long max = 10;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (options && (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0)) {
            std::fputs(kUsage, stdout);
            return std::fflush(stdout) == 0 ? 0 : output_failed(errno);
        }
        if (options && std::strcmp(a, "--") == 0) {
            options = false;
        } else if (options && std::strcmp(a, "--max") == 0) {
            char *end = nullptr;
            errno = 0;
            max = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : -1;
            if (i + 1 >= argc || end == argv[i + 1] || *end || errno || max < 0) {
                std::fprintf(stderr, "kelvo-diff: --max needs a count (0 or more)\n%s", kUsage);
                return 2;
            }
            ++i;
        } else if (options && a[0] == '-' && a[1] != '\0') {
            std::fprintf(stderr, "kelvo-diff: unknown option %s\n%s", a, kUsage);
            return 2;
        } else {
            files.emplace_back(a);
        }
    }
    if (files.size() != 2 || (files[0] == "-" && files[1] == "-")) {
        if (files.size() == 2) std::fputs("kelvo-diff: standard input can be only one of the files\n", stderr);
        std::fputs(kUsage, stderr);
        return 2;
    }
    kinds::Printer::exact_reals(true);

    Side a(files[0]), b(files[1]);
    for (Side *s : {&a, &b})
        if (!s->open()) {
            std::fprintf(stderr, "kelvo-diff: %s: %s\n", s->file().c_str(), s->error().c_str());
            return 2;
        }
    Report report(max);
    Record ra, rb;
    for (long index = 0;; ++index) {
        bool has_a = a.next(ra), has_b = b.next(rb);
        Side *bad = !a.error().empty() ? &a : !b.error().empty() ? &b : nullptr;
        if (bad) {
            report.out().flush();
            std::fprintf(stderr, "kelvo-diff: %s: %s\n", bad->file().c_str(), bad->error().c_str());
            return 2;
        }
        if (!has_a && !has_b) break;
        if (has_a && has_b) compare(index, ra, rb, a.cpu() == b.cpu(), report);
        else if (has_a) report.difference(index, ra.name, "record", ra.name, "(none: B ends)");
        else report.difference(index, rb.name, "record", "(none: A ends)", rb.name);
        if (report.out().failed()) break;
    }
    if (!report.out().failed()) {
        std::string last = report.count() == 0 ? "equal" : std::to_string(report.count()) + " differences";
        if (report.count() == 1) last = "1 difference";
        last += " (" + std::to_string(a.records()) + " records in A, " + std::to_string(b.records()) + " in B)";
        if (report.count() > max) last += ", the first " + std::to_string(max) + " shown";
        report.out().line(last);
    }
    errno = 0;
    if (!report.out().flush() || std::fflush(stdout) != 0)
        return output_failed(report.out().failed() ? report.out().error() : errno);
    return report.count() == 0 ? 0 : 1;
}
