// kelvo-export: writes the tables of KELVO files (parts, tests, functional, bins, summary,
// files) as CSV or JSON lines.
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "flatten/flatten.h"
#include "gzstream.h"
#include "progress.h"
#include "kelvo.h"

namespace {

const char kUsage[] =
    "usage: kelvo-export [--table NAME] [--format csv|jsonl] [-o OUT] [--quiet] [--] FILE...\n"
    "\n"
    "Writes what KELVO files (version 4 or 3, any CPU type, plain or gzip-compressed;\n"
    "- reads standard input) hold as tables, one row per:\n"
    "  parts       part (PIR ... PRR of a head and site): bins, X, Y, pass/fail, wafer\n"
    "  tests       parametric result (PTR, each pin of an MPR) with the limits, scales,\n"
    "              units and formats in force for its test\n"
    "  functional  functional test result (FTR)\n"
    "  bins        bin record (HBR, SBR) with its count recomputed from the PRRs\n"
    "  summary     test synopsis (TSR)\n"
    "  files       file: MIR, MRR, PCR of all heads and sites, wafer and part counts\n"
    "Every table has a first column `file` (the FILE argument), so several files go into\n"
    "one table; `part` joins tests and functional rows to parts. A value the file does\n"
    "not hold is an empty cell (CSV) or null (JSON); reals are the shortest text that\n"
    "reads back to the same single-precision value; times are UTC, ISO 8601.\n"
    "\n"
    "  --table NAME     write only the table NAME, to OUT (default: standard output)\n"
    "  --format FORMAT  csv (RFC 4180, with a header line; the default) or jsonl (one\n"
    "                   JSON object per line)\n"
    "  -o OUT           without --table: the folder that gets one file per table, NAME.csv\n"
    "                   or NAME.jsonl (default kelvo-export/, made when missing); with\n"
    "                   --table: the file to write, - for standard output\n"
    "  --quiet          show no progress line (one is shown on standard error when it\n"
    "                   is a terminal and the work takes more than a moment)\n"
    "  --help           print this text (also -h)\n"
    "  --               what follows are files, even if they begin with -\n"
    "\n"
    "A bad file gets one line on standard error naming it, the record and its byte\n"
    "offset, and the export stops there: what was written so far is incomplete.\n"
    "\n"
    "Exit status: 0 when every file was read to its end and every table written, 1 on a\n"
    "bad file or a failed write, 2 on bad usage.\n";

enum class Format { kCsv, kJsonl };

const char *const kTables[] = {"parts", "tests", "functional", "bins", "summary", "files"};

const std::vector<const char *> &columns(int table) {
    // Column names are the fields' names in lower case; LO_SPEC and HI_SPEC keep the record's.
    static const std::vector<const char *> cols[] = {
        {"file", "part", "head", "site", "part_id", "x", "y", "hard_bin", "soft_bin", "passed", "part_flg",
         "num_test", "test_time", "wafer_id", "part_txt"},
        {"file", "part", "head", "site", "test_num", "test_name", "pin", "pin_state", "result", "units", "lo_limit",
         "hi_limit", "res_scal", "llm_scal", "hlm_scal", "passed", "alarm", "test_flg", "parm_flg", "alarm_id",
         "LO_SPEC", "HI_SPEC", "c_resfmt", "c_llmfmt", "c_hlmfmt"},
        {"file", "part", "head", "site", "test_num", "test_name", "passed", "test_flg", "cycle_count",
         "failing_pins", "vector_name", "alarm_id"},
        {"file", "kind", "head", "site", "bin", "count", "counted", "pf", "name"},
        {"file", "head", "site", "test_num", "test_typ", "test_name", "seq_name", "test_label", "exec_cnt",
         "fail_cnt", "alrm_cnt", "test_tim", "test_min", "test_max", "tst_sums", "tst_sqrs", "mean"},
        {"file", "version", "cpu_type", "lot_id", "sublot_id", "part_type", "node_name", "tester_type", "job_name",
         "job_rev", "operator_name", "exec_type", "exec_ver", "test_code", "test_temp", "facility_id", "station",
         "mode_code", "retest_code", "setup_time", "start_time", "finish_time", "disposition", "part_count",
         "retest_count", "abort_count", "good_count", "functional_count", "wafers", "parts", "parts_passed",
         "parts_failed", "records"}};
    return cols[table];
}

// The bytes of an output file not yet written: appends without a check for room in
// most calls, which std::string cannot skip.
class Buf {
public:
    Buf() : data_(new char[kStart]), cap_(kStart) {}
    char *room(size_t n) {
        if (cap_ - size_ < n) grow(n);
        return data_.get() + size_;
    }
    void commit(char *end) { size_ = static_cast<size_t>(end - data_.get()); }
    Buf &append(const char *p, size_t n) {
        std::memcpy(room(n), p, n);
        size_ += n;
        return *this;
    }
    Buf &append(std::string_view t) { return append(t.data(), t.size()); }
    Buf &append(const char *first, const char *last) { return append(first, static_cast<size_t>(last - first)); }
    Buf &operator+=(std::string_view t) { return append(t); }
    Buf &operator+=(const char *t) { return append(std::string_view(t)); }
    Buf &operator+=(char c) {
        *room(1) = c;
        ++size_;
        return *this;
    }
    const char *data() const { return data_.get(); }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() { size_ = 0; }

private:
    static constexpr size_t kStart = size_t{1} << 17;
    void grow(size_t n) {
        size_t cap = cap_;
        while (cap - size_ < n) cap *= 2;
        std::unique_ptr<char[]> d(new char[cap]);
        std::memcpy(d.get(), data_.get(), size_);
        data_ = std::move(d);
        cap_ = cap;
    }
    std::unique_ptr<char[]> data_;
    size_t size_ = 0, cap_;
};

// One output file, written through a buffer; the first failure is kept.
class Sink {
public:
    Sink(FILE *f, std::string name, bool owned) : f_(f), name_(std::move(name)), owned_(owned) {}
    ~Sink() {
        if (owned_ && f_) std::fclose(f_);
    }
    Buf &buf() { return buf_; }
    void maybe_flush() {
        if (buf_.size() >= (1u << 16)) flush();
    }
    bool flush() {
        if (!error_ && !buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), f_) != buf_.size())
            error_ = errno ? errno : EIO;
        buf_.clear();
        return !error_;
    }
    // Flushes and closes; false when anything did not reach the file.
    bool close() {
        flush();
        errno = 0;
        if (std::fflush(f_) != 0 && !error_) error_ = errno ? errno : EIO;
        if (owned_) {
            if (std::fclose(f_) != 0 && !error_) error_ = errno ? errno : EIO;
            f_ = nullptr;
        }
        return !error_;
    }
    int error() const { return error_; }
    const std::string &name() const { return name_; }

private:
    FILE *f_;
    std::string name_;
    bool owned_;
    Buf buf_;
    int error_ = 0;
};

// Writes rows of one table in CSV or JSON lines.
class TableOut {
public:
    TableOut(Sink &sink, Format format, int table) : s_(sink), format_(format), cols_(columns(table)) {
        if (format_ == Format::kCsv) {
            for (size_t i = 0; i < cols_.size(); ++i) (i ? s_.buf() += ',' : s_.buf()) += cols_[i];
            s_.buf() += "\r\n";
        }
    }
    void begin() { n_ = 0; }
    bool end() {
        s_.buf() += format_ == Format::kCsv ? "\r\n" : "}\n";
        s_.maybe_flush();
        return !s_.error();
    }
    void null() { key(), s_.buf() += format_ == Format::kJsonl ? "null" : ""; }
    void num(int64_t v) {
        key();
        char *p = s_.buf().room(24);
        s_.buf().commit(std::to_chars(p, p + 24, v).ptr);
    }
    void flag(bool v) { key(), s_.buf() += v ? "true" : "false"; }
    template <class T>
    void real(T v) {
        key();
        if (!std::isfinite(v)) {  // JSON has no such numbers
            s_.buf() += format_ == Format::kJsonl ? "null" : std::isnan(v) ? "nan" : v > 0 ? "inf" : "-inf";
            return;
        }
        if constexpr (std::is_same_v<T, float>) {
            s_.buf().append(float_text(v));
        } else {
            char b[40];
            s_.buf().append(b, std::to_chars(b, b + sizeof b, v).ptr);
        }
    }
    void text(std::string_view t) {
        key();
        if (format_ == Format::kCsv) csv(t);
        else json(t);
    }
    // The first cell, the file name: the same in every row, so written once and copied.
    void first(const std::string &name) {
        Buf &b = s_.buf();
        if (n_ == 0 && has_first_ && name == first_name_) {
            b.append(first_cell_);
            ++n_;
            return;
        }
        size_t at = b.size();
        text(name);
        if (n_ == 1) {
            first_name_ = name;
            first_cell_.assign(b.data() + at, b.size() - at);
            has_first_ = true;
        }
    }
    void time(uint32_t t) {
        std::time_t tt = t;
        std::tm tm;
        gmtime_r(&tt, &tm);
        char b[32];
        std::strftime(b, sizeof b, "%Y-%m-%dT%H:%M:%SZ", &tm);
        text(b);
    }

    template <class T>
    void num(const std::optional<T> &v) {
        v ? num(static_cast<int64_t>(*v)) : null();
    }
    void flag(const std::optional<bool> &v) { v ? flag(*v) : null(); }
    template <class T>
    void real(const std::optional<T> &v) {
        v ? real(*v) : null();
    }
    void opt_text(const flatten::Text &t) { t ? text(*t) : null(); }
    void ch(const std::optional<char> &c) { c ? text(std::string_view(&*c, 1)) : null(); }
    void time(const std::optional<uint32_t> &t) { t ? time(*t) : null(); }

private:
    void key() {
        Buf &b = s_.buf();
        if (format_ == Format::kCsv) {
            if (n_) b += ',';
        } else {
            b += n_ ? ",\"" : "{\"";
            b += cols_[n_];
            b += "\":";
        }
        ++n_;
    }
    void csv(std::string_view t) {
        Buf &b = s_.buf();
        static constexpr auto special = [] {
            std::array<bool, 256> a{};
            a[','] = a['"'] = a['\r'] = a['\n'] = true;
            return a;
        }();
        size_t i = 0;
        while (i < t.size() && !special[static_cast<unsigned char>(t[i])]) ++i;
        if (i == t.size()) {
            b += t;
            return;
        }
        b += '"';
        for (char c : t) (c == '"' ? b += "\"\"" : b += c);
        b += '"';
    }
    // A JSON string: control characters escaped, and bytes that are not UTF-8 taken as
    // the characters U+0080 to U+00FF, so that every line is valid.
    void json(std::string_view t) {
        Buf &b = s_.buf();
        b += '"';
        const auto *p = reinterpret_cast<const unsigned char *>(t.data());
        const size_t n = t.size();
        for (size_t i = 0; i < n;) {
            unsigned char c = p[i];
            if (c == '"' || c == '\\') {
                b += '\\', b += static_cast<char>(c), ++i;
            } else if (c < 0x20 || c == 0x7F) {
                char e[8];
                std::snprintf(e, sizeof e, "\\u%04x", c);
                b += e, ++i;
            } else if (c < 0x80) {
                b += static_cast<char>(c), ++i;
            } else if (size_t len = utf8_length(p + i, n - i)) {
                b.append(t.data() + i, len), i += len;
            } else {
                char e[8];
                std::snprintf(e, sizeof e, "\\u%04x", c);
                b += e, ++i;
            }
        }
        b += '"';
    }
    // The length of the well-formed UTF-8 sequence at p, 0 when there is none.
    static size_t utf8_length(const unsigned char *p, size_t n) {
        auto cont = [&](size_t k) { return k < n && (p[k] & 0xC0) == 0x80; };
        if (p[0] >= 0xC2 && p[0] <= 0xDF) return cont(1) ? 2 : 0;
        if (p[0] >= 0xE0 && p[0] <= 0xEF) {
            if (!cont(1) || !cont(2)) return 0;
            if (p[0] == 0xE0 && p[1] < 0xA0) return 0;  // overlong
            if (p[0] == 0xED && p[1] >= 0xA0) return 0; // surrogates
            return 3;
        }
        if (p[0] >= 0xF0 && p[0] <= 0xF4) {
            if (!cont(1) || !cont(2) || !cont(3)) return 0;
            if (p[0] == 0xF0 && p[1] < 0x90) return 0;
            if (p[0] == 0xF4 && p[1] >= 0x90) return 0;
            return 4;
        }
        return 0;
    }

    // The shortest text of a finite float. Limits and many results repeat from row to row,
    // so the texts are kept in a small table indexed by the value's bits.
    std::string_view float_text(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        FloatText &e = floats_[(bits ^ bits >> 13) * 0x9E3779B1u >> (32 - kFloatBits)];
        if (!e.len || e.bits != bits) {
            e.bits = bits;
            e.len = static_cast<uint8_t>(std::to_chars(e.text, e.text + sizeof e.text, v).ptr - e.text);
        }
        return {e.text, e.len};
    }
    struct FloatText {
        uint32_t bits = 0;
        uint8_t len = 0;  // 0: empty slot
        char text[27];
    };
    static constexpr int kFloatBits = 12;
    std::vector<FloatText> floats_ = std::vector<FloatText>(1u << kFloatBits);

    std::string first_name_, first_cell_;
    bool has_first_ = false;
    Sink &s_;
    Format format_;
    const std::vector<const char *> &cols_;
    size_t n_ = 0;
};

// Hands each row to its table's writer.
class Exporter : public flatten::Visitor {
public:
    explicit Exporter(TableOut *const *out) : out_(out) {}
    void set_file(const std::string &name, Progress *progress) {
        file_ = name;
        progress_ = progress;
    }
    void read(uint64_t records) override {
        if (progress_) progress_->tick(static_cast<long>(records));
    }

    unsigned tables() const override {
        unsigned t = 0;
        for (int i = 0; i < 6; ++i)
            if (out_[i]) t |= 1u << i;
        return t;
    }
    bool part(const flatten::Part &r) override {
        TableOut &o = start(0);
        o.num(int64_t{r.part}), o.num(int64_t{r.head}), o.num(int64_t{r.site}), o.opt_text(r.part_id);
        o.num(r.x), o.num(r.y), o.num(int64_t{r.hard_bin}), o.num(r.soft_bin), o.flag(r.passed);
        o.num(int64_t{r.part_flg}), o.num(int64_t{r.num_test}), o.num(r.test_time), o.opt_text(r.wafer_id);
        o.opt_text(r.part_txt);
        return o.end();
    }
    bool test(const flatten::Test &r) override {
        TableOut &o = start(1);
        o.num(r.part), o.num(int64_t{r.head}), o.num(int64_t{r.site}), o.num(int64_t{r.test_num});
        o.opt_text(r.test_name), o.num(r.pin), o.num(r.pin_state), o.real(r.result), o.opt_text(r.units);
        o.real(r.lo_limit), o.real(r.hi_limit), o.num(r.res_scal), o.num(r.llm_scal), o.num(r.hlm_scal);
        o.flag(r.passed), o.flag(r.alarm), o.num(int64_t{r.test_flg}), o.num(int64_t{r.parm_flg});
        o.opt_text(r.alarm_id), o.real(r.LO_SPEC), o.real(r.HI_SPEC), o.opt_text(r.c_resfmt), o.opt_text(r.c_llmfmt);
        o.opt_text(r.c_hlmfmt);
        return o.end();
    }
    bool functional(const flatten::Functional &r) override {
        TableOut &o = start(2);
        o.num(r.part), o.num(int64_t{r.head}), o.num(int64_t{r.site}), o.num(int64_t{r.test_num});
        o.opt_text(r.test_name), o.flag(r.passed), o.num(int64_t{r.test_flg}), o.num(r.cycle_count);
        o.num(r.failing_pins), o.opt_text(r.vector_name), o.opt_text(r.alarm_id);
        return o.end();
    }
    bool bin(const flatten::Bin &r) override {
        TableOut &o = start(3);
        o.text(r.hard ? "hard" : "soft"), o.num(int64_t{r.head}), o.num(int64_t{r.site}), o.num(int64_t{r.bin});
        o.num(r.count), o.num(static_cast<int64_t>(r.counted)), o.ch(r.pf), o.opt_text(r.name);
        return o.end();
    }
    bool summary(const flatten::Summary &r) override {
        TableOut &o = start(4);
        o.num(int64_t{r.head}), o.num(int64_t{r.site}), o.num(int64_t{r.test_num}), o.ch(r.test_typ);
        o.opt_text(r.test_name), o.opt_text(r.seq_name), o.opt_text(r.test_label), o.num(r.exec_cnt), o.num(r.fail_cnt);
        o.num(r.alrm_cnt), o.real(r.test_tim), o.real(r.test_min), o.real(r.test_max), o.real(r.tst_sums);
        o.real(r.tst_sqrs), o.real(r.mean);
        return o.end();
    }
    bool file(const flatten::File &r) override {
        TableOut &o = start(5);
        o.num(int64_t{r.version}), o.num(int64_t{r.cpu_type});
        for (const flatten::Text *t : {&r.lot_id, &r.sublot_id, &r.part_type, &r.node_name, &r.tester_type,
                                       &r.job_name, &r.job_rev, &r.operator_name, &r.exec_type, &r.exec_ver,
                                       &r.test_code, &r.test_temp, &r.facility_id})
            o.opt_text(*t);
        o.num(r.station), o.ch(r.mode_code), o.ch(r.retest_code), o.time(r.setup_time), o.time(r.start_time);
        o.time(r.finish_time), o.opt_text(r.disposition), o.num(r.part_count), o.num(r.retest_count);
        o.num(r.abort_count), o.num(r.good_count), o.num(r.functional_count), o.num(int64_t{r.wafers});
        o.num(static_cast<int64_t>(r.parts)), o.num(static_cast<int64_t>(r.parts_passed));
        o.num(static_cast<int64_t>(r.parts_failed)), o.num(static_cast<int64_t>(r.records));
        return o.end();
    }

private:
    TableOut &start(int table) {
        TableOut &o = *out_[table];
        o.begin();
        o.first(file_);
        return o;
    }
    TableOut *const *out_;
    std::string file_;
    Progress *progress_ = nullptr;
};

int usage_error(const std::string &what) {
    std::fprintf(stderr, "kelvo-export: %s\n%s", what.c_str(), kUsage);
    return 2;
}

// A failed write: a closed pipe on standard output ends the program as the signal would.
int output_failed(const Sink &s) {
    if (s.error() == EPIPE && s.name() == "standard output") {
        std::signal(SIGPIPE, SIG_DFL);
        std::raise(SIGPIPE);
    }
    std::fprintf(stderr, "kelvo-export: %s: %s\n", s.name().c_str(), std::strerror(s.error()));
    return 1;
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<std::string> files;
    std::string table, format = "csv", out;
    bool have_out = false, options = true, quiet = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (options && (a == "--help" || a == "-h")) {
            std::fputs(kUsage, stdout);
            if (std::fflush(stdout) == 0) return 0;
            std::fprintf(stderr, "kelvo-export: standard output: %s\n", std::strerror(errno));
            return 1;
        }
        if (options && a == "--") {
            options = false;
            continue;
        }
        if (options && a == "--quiet") {
            quiet = true;
            continue;
        }
        std::string *value = nullptr;
        std::string name = a.substr(0, a.find('='));
        if (options && name == "--table") value = &table;
        else if (options && name == "--format") value = &format;
        else if (options && (a == "-o" || name == "--output")) value = &out, have_out = true;
        if (value) {
            if (a.find('=') != std::string::npos) *value = a.substr(a.find('=') + 1);
            else if (i + 1 < argc) *value = argv[++i];
            else return usage_error(a + " needs a value");
            continue;
        }
        if (options && a.size() > 1 && a[0] == '-') return usage_error("unknown option " + a);
        files.push_back(a);
    }
    if (files.empty()) return usage_error("no FILE given");
    Format fmt;
    if (format == "csv") fmt = Format::kCsv;
    else if (format == "jsonl") fmt = Format::kJsonl;
    else return usage_error("unknown format " + format + " (csv or jsonl)");
    int only = -1;
    if (!table.empty()) {
        for (int t = 0; t < 6; ++t)
            if (table == kTables[t]) only = t;
        if (only < 0) return usage_error("unknown table " + table);
    }
    if (have_out && out.empty()) return usage_error("-o needs a name");
    // A file size limit makes writes fail with EFBIG instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);

    const char *ext = fmt == Format::kCsv ? ".csv" : ".jsonl";
    std::vector<std::unique_ptr<Sink>> sinks(6);
    std::vector<std::unique_ptr<TableOut>> tables(6);
    auto open_sink = [&](int t, const std::string &path) -> bool {
        if (path == "-") {
            sinks[t] = std::make_unique<Sink>(stdout, "standard output", false);
        } else {
            errno = 0;
            FILE *f = std::fopen(path.c_str(), "w");
            if (!f) {
                std::fprintf(stderr, "kelvo-export: %s: %s\n", path.c_str(), std::strerror(errno ? errno : EIO));
                return false;
            }
            sinks[t] = std::make_unique<Sink>(f, path, true);
        }
        tables[t] = std::make_unique<TableOut>(*sinks[t], fmt, t);
        return true;
    };
    if (only >= 0) {
        if (!open_sink(only, have_out ? out : "-")) return 1;
    } else {
        std::string dir = have_out ? out : "kelvo-export";
        if (dir == "-") return usage_error("-o - needs --table: every table goes to a file of its own");
        struct stat st;
        if (mkdir(dir.c_str(), 0777) != 0 && !(errno == EEXIST && stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
            std::fprintf(stderr, "kelvo-export: %s: %s\n", dir.c_str(),
                         errno == EEXIST ? "exists and is not a folder" : std::strerror(errno));
            return 1;
        }
        for (int t = 0; t < 6; ++t)
            if (!open_sink(t, dir + "/" + kTables[t] + ext)) return 1;
    }
    TableOut *outs[6];
    for (int t = 0; t < 6; ++t) outs[t] = tables[t].get();
    Exporter exporter(outs);

    int status = 0;
    for (const std::string &path : files) {
        std::string error;
        int in = open_input(path, error);
        if (in < 0) {
            std::fprintf(stderr, "kelvo-export: %s: %s\n", path.c_str(), error.c_str());
            status = 1;
            break;
        }
        Progress progress(input_size(in), !quiet, [in] { return input_consumed(in); });
        exporter.set_file(path, &progress);
        flatten::Result r = flatten::walk(in, exporter);
        progress.finish();
        exporter.set_file(path, nullptr);
        int64_t length = -1;
        std::string at = "record " + std::to_string(r.records) + " at byte offset " + std::to_string(r.end) + ": ";
        bool stream_ok = close_input(in, error, &length);
        std::string problem;
        if (!stream_ok && !r.stopped) problem = at + error;  // the cause of whatever else the walk saw
        else if (!r.ok) problem = r.error;
        else if (!r.stopped && length > 0 && static_cast<uint64_t>(length) > r.end)
            problem = at + "the file ends inside a record header";
        if (!problem.empty()) {
            std::fprintf(stderr, "kelvo-export: %s: %s\n", path.c_str(), problem.c_str());
            status = 1;
            break;
        }
        if (r.stopped) break;  // a write failed: told below
    }
    for (auto &s : sinks)
        if (s && !s->close()) return output_failed(*s);
    return status;
}
