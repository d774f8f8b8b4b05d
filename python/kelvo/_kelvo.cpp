// The Python module under the package kelvo: records of a file, the tables of the
// flattening as column arrays, and a writer.
//
// The library is single-threaded (process-wide buffers and handle table): every use of it
// here holds one lock, taken with the interpreter's lock released, and everything handed
// to Python is copied out of the library's buffers before the lock is let go.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "dump/walk.h"
#include "flatten/flatten.h"
#include "gzstream.h"
#include "kelvo.h"

namespace py = pybind11;

namespace {

std::mutex g_library;

// Holds the library: the interpreter's lock is released while waiting and while held.
struct Library {
    py::gil_scoped_release nogil;
    std::lock_guard<std::mutex> lock{g_library};
};

// A damaged file: raised as kelvo.FormatError with path, index and offset.
struct FormatFault {
    std::string path;
    uint64_t index, offset;
    std::string message;  // "record N at byte offset M: what"
};

// Raises the OSError that an open_input error line stands for.
[[noreturn]] void raise_open_error(const std::string &path, const std::string &error) {
    int code = 0;
    for (int e : {ENOENT, EACCES, EISDIR, ENOTDIR})
        if (error == std::strerror(e)) code = e;
    if (error == "is a directory") code = EISDIR;
    py::object err = py::module_::import("builtins").attr("OSError")(code, error, path);
    PyErr_SetObject(reinterpret_cast<PyObject *>(Py_TYPE(err.ptr())), err.ptr());
    throw py::error_already_set();
}

// ---------------------------------------------------------------- texts

size_t utf8_length(const unsigned char *p, size_t n) {
    auto cont = [&](size_t k) { return k < n && (p[k] & 0xC0) == 0x80; };
    if (p[0] >= 0xC2 && p[0] <= 0xDF) return cont(1) ? 2 : 0;
    if (p[0] >= 0xE0 && p[0] <= 0xEF) {
        if (!cont(1) || !cont(2)) return 0;
        if ((p[0] == 0xE0 && p[1] < 0xA0) || (p[0] == 0xED && p[1] >= 0xA0)) return 0;
        return 3;
    }
    if (p[0] >= 0xF0 && p[0] <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3)) return 0;
        if ((p[0] == 0xF0 && p[1] < 0x90) || (p[0] == 0xF4 && p[1] >= 0x90)) return 0;
        return 4;
    }
    return 0;
}

// A text as str: well-formed UTF-8 as it is, any other byte as the character of its value
// (U+0080 to U+00FF), as kelvo-export's JSON has it. Needs the interpreter's lock.
py::str to_str(const char *s, size_t n) {
    if (PyObject *o = PyUnicode_DecodeUTF8(s, static_cast<Py_ssize_t>(n), nullptr)) return py::reinterpret_steal<py::str>(o);
    PyErr_Clear();
    std::string fixed;
    const auto *p = reinterpret_cast<const unsigned char *>(s);
    for (size_t i = 0; i < n;) {
        if (p[i] < 0x80) {
            fixed += static_cast<char>(p[i++]);
        } else if (size_t len = utf8_length(p + i, n - i)) {
            fixed.append(s + i, len), i += len;
        } else {
            fixed += static_cast<char>(0xC0 | p[i] >> 6), fixed += static_cast<char>(0x80 | (p[i] & 0x3F)), ++i;
        }
    }
    return py::str(fixed);
}
py::str to_str(const std::string &s) { return to_str(s.data(), s.size()); }

// ---------------------------------------------------------------- records

struct Field {
    std::string name;
    char type = 'm';  // m missing, u, i, r, c, t text, b Bn, y bytes, n Dn, l list
    bool hex = false;
    char elem = 0;    // list: its element type
    uint64_t u = 0;
    int64_t i = 0;
    double r = 0;
    uint32_t n = 0;   // list elements, Dn bits
    std::string data; // texts, bytes, list elements (texts of a list: a length byte each)
};

struct RecordData {
    std::string name;
    uint8_t typ = 0, sub = 0;
    long index = 0;
    uint64_t offset = 0;
    std::vector<Field> fields;
};

size_t element_size(char t) {
    switch (t) {
        case 'B': return 1;
        case 'H': case 'h': return 2;
        case 'I': case 'i': case 'f': return 4;
        case 'd': return 8;
        default: return 0;
    }
}

// Copies each field of the records printed to it.
class CopyCollector : public kinds::Collector {
public:
    std::vector<RecordData> *out = nullptr;
    void begin(const char *name, const kelvo_header &h, uint32_t, long index, uint64_t offset) override {
        RecordData &r = out->emplace_back();
        r.name = name, r.typ = h.REC_TYP, r.sub = h.REC_SUB, r.index = index, r.offset = offset;
    }
    void missing(const char *name) override { add(name, 'm'); }
    void u(const char *name, uint64_t v, bool hex) override {
        Field &f = add(name, 'u');
        f.u = v, f.hex = hex;
    }
    void i(const char *name, int64_t v) override { add(name, 'i').i = v; }
    void r(const char *name, double v) override { add(name, 'r').r = v; }
    void ch(const char *name, char v) override { add(name, 'c').data.assign(1, v); }
    void text(const char *name, const char *s, uint32_t len) override {
        add(name, 't').data.assign(s ? s : "", s ? len : 0);
    }
    void bytes(const char *name, const uint8_t *p, uint32_t n, bool bn) override {
        add(name, bn ? 'b' : 'y').data.assign(reinterpret_cast<const char *>(p), p ? n : 0);
    }
    void dn(const char *name, const uint8_t *p, uint16_t bits) override {
        Field &f = add(name, 'n');
        f.n = p ? bits : 0;
        f.data.assign(reinterpret_cast<const char *>(p), (f.n + 7u) / 8);
    }
    void list(const char *name, const void *p, uint32_t n, char type) override {
        Field &f = add(name, 'l');
        f.elem = type, f.n = p ? n : 0;
        if (!p) return;
        if (type == 'S') {
            const auto *t = static_cast<const kelvo_cn *>(p);
            for (uint32_t k = 0; k < n; ++k) {
                uint8_t len = t[k].str ? t[k].len : 0;
                f.data += static_cast<char>(len);
                f.data.append(t[k].str ? t[k].str : "", len);
            }
        } else {
            f.data.assign(static_cast<const char *>(p), size_t{n} * element_size(type));
        }
    }

private:
    Field &add(const char *name, char type) {
        if (out->empty()) out->emplace_back();  // a field outside any record: kept on its own
        Field &f = out->back().fields.emplace_back();
        f.name = name, f.type = type;
        return f;
    }
};

py::object field_value(const Field &f) {
    switch (f.type) {
        case 'u': return py::int_(f.u);
        case 'i': return py::int_(f.i);
        case 'r': return py::float_(f.r);
        case 'c': return to_str(f.data);
        case 't': return to_str(f.data);
        case 'b': case 'y': return py::bytes(f.data);
        case 'n': {
            py::array_t<bool> bits(f.n);
            bool *b = bits.mutable_data();
            for (uint32_t k = 0; k < f.n; ++k) b[k] = (static_cast<uint8_t>(f.data[k / 8]) >> (k % 8)) & 1;
            return bits;
        }
        case 'l': {
            if (f.elem == 'S') {
                py::list items;
                for (size_t k = 0; k < f.data.size();) {
                    size_t len = static_cast<uint8_t>(f.data[k]);
                    items.append(to_str(f.data.data() + k + 1, len));
                    k += 1 + len;
                }
                return items;
            }
            py::array a(py::dtype(std::string(1, f.elem)), std::vector<py::ssize_t>{static_cast<py::ssize_t>(f.n)});
            if (!f.data.empty()) std::memcpy(a.mutable_data(), f.data.data(), f.data.size());
            return a;
        }
        default: return py::none();
    }
}

uint16_t body_length(int handle, const kelvo_header &h) {
    uint16_t len = h.REC_LEN;
    kelvo_shortswap(Kelvo_file_attributes[handle].cpu_type, &len);
    return len;
}

// Reads the records of one file, a batch at a time.
class Reader {
public:
    explicit Reader(std::string path) : path_(std::move(path)) {
        std::string error;
        {
            Library lib;
            handle_ = open_input(path_, error);
        }
        if (handle_ < 0) raise_open_error(path_, error);
    }
    ~Reader() {
        try {
            close();
        } catch (...) {
        }
    }
    const std::string &path() const { return path_; }

    // Up to `max` records as (name, typ, sub, index, offset, fields); an empty list at the
    // end. A damaged record raises FormatError after the records before it were handed over.
    py::list next(size_t max) {
        if (fault_) {
            FormatFault f = *fault_;
            fault_.reset();
            throw f;
        }
        std::vector<RecordData> batch;
        {
            Library lib;
            read(batch, max);
        }
        py::list out;
        for (const RecordData &r : batch) {
            py::dict fields;
            for (const Field &f : r.fields) fields[py::str(f.name)] = field_value(f);
            out.append(py::make_tuple(r.name, r.typ, r.sub, r.index, r.offset, fields));
        }
        if (out.empty() && fault_) {
            FormatFault f = *fault_;
            fault_.reset();
            throw f;
        }
        return out;
    }

    void close() {
        if (handle_ < 0) return;
        Library lib;
        std::string error;
        close_input(handle_, error);
        handle_ = -1;
    }

private:
    void fail(const std::string &what) {
        fault_ = FormatFault{path_, static_cast<uint64_t>(index_), offset_,
                             "record " + std::to_string(index_) + " at byte offset " + std::to_string(offset_) + ": " +
                                 what};
        finish(false);
    }
    // Ends the input: a compressed stream cut short or bytes behind the last record are
    // damage too.
    void finish(bool check) {
        std::string error;
        int64_t length = -1;
        bool ok = close_input(handle_, error, &length);
        handle_ = -1;
        if (!check) return;
        std::string at = "record " + std::to_string(index_) + " at byte offset " + std::to_string(offset_) + ": ";
        if (!ok) fault_ = FormatFault{path_, static_cast<uint64_t>(index_), offset_, at + error};
        else if (length > 0 && static_cast<uint64_t>(length) > offset_)
            fault_ = FormatFault{path_, static_cast<uint64_t>(index_), offset_, at + "the file ends inside a record header"};
    }

    void read(std::vector<RecordData> &batch, size_t max) {
        if (handle_ < 0) return;
        CopyCollector collector;
        collector.out = &batch;
        kinds::Printer printer(collector);
        kelvo_header h;
        while (batch.size() < max) {
            if (kelvo_headread(handle_, &h) != 4) return finish(true);
            const bool far = h.REC_TYP == 0 && h.REC_SUB == 10;
            if (index_ == 0 && !far && !(h.REC_TYP == 1 && h.REC_SUB == 10))
                return fail("the file begins with neither a FAR nor a version-3 MIR");
            const size_t before = batch.size();
            int result;
            const char *name;
            if (far) {
                kelvo_far_struct f;
                name = "FAR";
                result = kelvo_farread(handle_, &h, &f);
                if (result > 0 && result < body_length(handle_, h)) result = 0;
                if (result > 0) {
                    printer.begin("FAR", h, f.REC_LEN, index_, offset_);
                    printer.u("CPU_TYPE", f.CPU_TYPE);
                    printer.u("KELVO_VER", f.KELVO_VER);
                }
            } else if (const kinds::RecordKind *kind = kinds::find_kind(h.REC_TYP, h.REC_SUB)) {
                name = kind->name;
                result = kind->dump(handle_, &h, printer, index_, offset_);
            } else {
                const char *known = kinds::code_name(h.REC_TYP, h.REC_SUB);
                name = known ? known : "unknown";
                result = kelvo_skip_record(handle_, &h);
                if (result > 0 || body_length(handle_, h) == 0) printer.begin(name, h, body_length(handle_, h), index_, offset_);
            }
            const uint16_t len = body_length(handle_, h);
            std::string what;
            if (result == -3) what = std::string("no memory to copy the ") + name + " record";
            else if (result < 0 || (result == 0 && len != 0) || (result > 0 && result < len))
                what = dump::read_failure(handle_, name, offset_ + 4 + len);
            if (!what.empty()) {
                batch.resize(before);
                return fail(what);
            }
            ++index_;
            offset_ += 4u + len;
        }
    }

    std::string path_;
    int handle_ = -1;
    long index_ = 0;
    uint64_t offset_ = 0;
    std::optional<FormatFault> fault_;
};

// ---------------------------------------------------------------- tables

// Column types: i int64; f float64 (NaN when missing); b bool or None; B bool; s str or
// None; c one character or None; t seconds since 1970 (NaN when missing), made times by
// the package.
struct ColumnInfo {
    const char *name;
    char type;
};

const std::vector<ColumnInfo> &table_columns(int table) {
    static const std::vector<ColumnInfo> cols[] = {
        {{"file", 's'}, {"part", 'i'}, {"head", 'i'}, {"site", 'i'}, {"part_id", 's'}, {"x", 'f'}, {"y", 'f'},
         {"hard_bin", 'i'}, {"soft_bin", 'f'}, {"passed", 'b'}, {"part_flg", 'i'}, {"num_test", 'i'},
         {"test_time", 'f'}, {"wafer_id", 's'}, {"part_txt", 's'}},
        {{"file", 's'}, {"part", 'f'}, {"head", 'i'}, {"site", 'i'}, {"test_num", 'i'}, {"test_name", 's'},
         {"pin", 'f'}, {"pin_state", 'f'}, {"result", 'f'}, {"units", 's'}, {"lo_limit", 'f'}, {"hi_limit", 'f'},
         {"res_scal", 'f'}, {"llm_scal", 'f'}, {"hlm_scal", 'f'}, {"passed", 'b'}, {"alarm", 'B'},
         {"test_flg", 'i'}, {"parm_flg", 'i'}, {"alarm_id", 's'}, {"LO_SPEC", 'f'}, {"HI_SPEC", 'f'},
         {"c_resfmt", 's'}, {"c_llmfmt", 's'}, {"c_hlmfmt", 's'}},
        {{"file", 's'}, {"part", 'f'}, {"head", 'i'}, {"site", 'i'}, {"test_num", 'i'}, {"test_name", 's'},
         {"passed", 'b'}, {"test_flg", 'i'}, {"cycle_count", 'f'}, {"failing_pins", 'f'}, {"vector_name", 's'},
         {"alarm_id", 's'}},
        {{"file", 's'}, {"kind", 's'}, {"head", 'i'}, {"site", 'i'}, {"bin", 'i'}, {"count", 'f'},
         {"counted", 'i'}, {"pf", 'c'}, {"name", 's'}},
        {{"file", 's'}, {"head", 'i'}, {"site", 'i'}, {"test_num", 'i'}, {"test_typ", 'c'}, {"test_name", 's'},
         {"seq_name", 's'}, {"test_label", 's'}, {"exec_cnt", 'f'}, {"fail_cnt", 'f'}, {"alrm_cnt", 'f'},
         {"test_tim", 'f'}, {"test_min", 'f'}, {"test_max", 'f'}, {"tst_sums", 'f'}, {"tst_sqrs", 'f'},
         {"mean", 'f'}},
        {{"file", 's'}, {"version", 'i'}, {"cpu_type", 'i'}, {"lot_id", 's'}, {"sublot_id", 's'},
         {"part_type", 's'}, {"node_name", 's'}, {"tester_type", 's'}, {"job_name", 's'}, {"job_rev", 's'},
         {"operator_name", 's'}, {"exec_type", 's'}, {"exec_ver", 's'}, {"test_code", 's'}, {"test_temp", 's'},
         {"facility_id", 's'}, {"station", 'f'}, {"mode_code", 'c'}, {"retest_code", 'c'}, {"setup_time", 't'},
         {"start_time", 't'}, {"finish_time", 't'}, {"disposition", 's'}, {"part_count", 'f'},
         {"retest_count", 'f'}, {"abort_count", 'f'}, {"good_count", 'f'}, {"functional_count", 'f'},
         {"wafers", 'i'}, {"parts", 'i'}, {"parts_passed", 'i'}, {"parts_failed", 'i'}, {"records", 'i'}}};
    return cols[table];
}

// Texts of a walk, each distinct one kept once.
class Texts {
public:
    int32_t code(std::string_view t) {
        key_.assign(t);
        auto [it, added] = codes_.try_emplace(key_, static_cast<int32_t>(list_.size()));
        if (added) list_.push_back(key_);
        return it->second;
    }
    const std::vector<std::string> &list() const { return list_; }

private:
    std::string key_;
    std::unordered_map<std::string, int32_t> codes_;
    std::vector<std::string> list_;
};

// A column's cells, grown with realloc: large blocks move by remapping their pages, not
// by copying them and touching fresh memory. Handed over to numpy without a copy.
template <class T>
class Cells {
public:
    Cells() = default;
    Cells(const Cells &) = delete;
    Cells &operator=(const Cells &) = delete;
    Cells(Cells &&o) noexcept : p_(o.p_), n_(o.n_), cap_(o.cap_) { o.p_ = nullptr, o.n_ = o.cap_ = 0; }
    ~Cells() { std::free(p_); }
    void push_back(T v) {
        if (n_ == cap_) grow();
        p_[n_++] = v;
    }
    T operator[](size_t k) const { return p_[k]; }
    void clear() {
        std::free(p_);
        p_ = nullptr, n_ = cap_ = 0;
    }
    // The cells as a numpy array that owns their storage; the column is empty afterwards.
    py::array_t<T> release() {
        if (n_ == 0) return py::array_t<T>(0);
        T *p = static_cast<T *>(std::realloc(p_, n_ * sizeof(T)));
        if (p) p_ = p;
        py::capsule owner(p_, [](void *q) { std::free(q); });
        py::array_t<T> a(static_cast<py::ssize_t>(n_), p_, owner);
        p_ = nullptr, n_ = cap_ = 0;
        return a;
    }

private:
    void grow() {
        size_t cap = cap_ ? 2 * cap_ : 4096;
        auto *p = static_cast<T *>(std::realloc(p_, cap * sizeof(T)));
        if (!p) throw std::bad_alloc();
        p_ = p, cap_ = cap;
    }
    T *p_ = nullptr;
    size_t n_ = 0, cap_ = 0;
};

struct Column {
    char type;
    Cells<int64_t> i;  // i, b and B (-1 for None), s and c (text code, -1 for None)
    Cells<double> f;   // f and t
    // The last text and its code: most text cells repeat the one above.
    std::string last;
    int32_t last_code = -2;
};

// One table's columns, filled cell by cell.
class Table {
public:
    explicit Table(int table, Texts &texts) : texts_(texts) {
        for (const ColumnInfo &c : table_columns(table)) cols_.push_back(Column{c.type, {}, {}, {}, -2});
    }
    void row() { at_ = 1, ++rows_; }  // column 0, the file, is made by the package
    size_t rows() const { return rows_; }
    std::vector<Column> &columns() { return cols_; }

    template <class T>
    void num(T v) {
        Column &c = cols_[at_++];
        if (c.type == 'i') c.i.push_back(static_cast<int64_t>(v));
        else c.f.push_back(static_cast<double>(v));
    }
    template <class T>
    void num(const std::optional<T> &v) {
        Column &c = cols_[at_++];
        c.f.push_back(v ? static_cast<double>(*v) : std::nan(""));
    }
    void flag(bool v) { cols_[at_++].i.push_back(v); }
    void flag(const std::optional<bool> &v) { cols_[at_++].i.push_back(v ? *v : -1); }
    void text(const flatten::Text &t) {
        Column &c = cols_[at_++];
        if (!t) return c.i.push_back(-1);
        if (c.last_code < 0 || c.last != *t) {
            c.last.assign(*t);
            c.last_code = texts_.code(*t);
        }
        c.i.push_back(c.last_code);
    }
    void ch(const std::optional<char> &v) {
        v ? text(std::string_view(&*v, 1)) : text(std::nullopt);
    }

private:
    Texts &texts_;
    std::vector<Column> cols_;
    size_t at_ = 1, rows_ = 0;
};

class Filler : public flatten::Visitor {
public:
    Filler(unsigned mask, Texts &texts) : mask_(mask) {
        for (int t = 0; t < 6; ++t)
            if (mask & (1u << t)) tables_[t] = std::make_unique<Table>(t, texts);
    }
    unsigned tables() const override { return mask_; }
    Table *table(int t) { return tables_[t].get(); }

    bool part(const flatten::Part &r) override {
        Table &o = start(0);
        o.num(r.part), o.num(r.head), o.num(r.site), o.text(r.part_id), o.num(r.x), o.num(r.y);
        o.num(r.hard_bin), o.num(r.soft_bin), o.flag(r.passed), o.num(r.part_flg), o.num(r.num_test);
        o.num(r.test_time), o.text(r.wafer_id), o.text(r.part_txt);
        return true;
    }
    bool test(const flatten::Test &r) override {
        Table &o = start(1);
        o.num(r.part), o.num(r.head), o.num(r.site), o.num(r.test_num), o.text(r.test_name), o.num(r.pin);
        o.num(r.pin_state), o.num(r.result), o.text(r.units), o.num(r.lo_limit), o.num(r.hi_limit);
        o.num(r.res_scal), o.num(r.llm_scal), o.num(r.hlm_scal), o.flag(r.passed), o.flag(r.alarm);
        o.num(r.test_flg), o.num(r.parm_flg), o.text(r.alarm_id), o.num(r.LO_SPEC), o.num(r.HI_SPEC);
        o.text(r.c_resfmt), o.text(r.c_llmfmt), o.text(r.c_hlmfmt);
        return true;
    }
    bool functional(const flatten::Functional &r) override {
        Table &o = start(2);
        o.num(r.part), o.num(r.head), o.num(r.site), o.num(r.test_num), o.text(r.test_name), o.flag(r.passed);
        o.num(r.test_flg), o.num(r.cycle_count), o.num(r.failing_pins), o.text(r.vector_name), o.text(r.alarm_id);
        return true;
    }
    bool bin(const flatten::Bin &r) override {
        Table &o = start(3);
        o.text(std::string_view(r.hard ? "hard" : "soft")), o.num(r.head), o.num(r.site), o.num(r.bin);
        o.num(r.count), o.num(r.counted), o.ch(r.pf), o.text(r.name);
        return true;
    }
    bool summary(const flatten::Summary &r) override {
        Table &o = start(4);
        o.num(r.head), o.num(r.site), o.num(r.test_num), o.ch(r.test_typ), o.text(r.test_name), o.text(r.seq_name);
        o.text(r.test_label), o.num(r.exec_cnt), o.num(r.fail_cnt), o.num(r.alrm_cnt), o.num(r.test_tim);
        o.num(r.test_min), o.num(r.test_max), o.num(r.tst_sums), o.num(r.tst_sqrs), o.num(r.mean);
        return true;
    }
    bool file(const flatten::File &r) override {
        Table &o = start(5);
        o.num(r.version), o.num(r.cpu_type);
        for (const flatten::Text *t : {&r.lot_id, &r.sublot_id, &r.part_type, &r.node_name, &r.tester_type,
                                       &r.job_name, &r.job_rev, &r.operator_name, &r.exec_type, &r.exec_ver,
                                       &r.test_code, &r.test_temp, &r.facility_id})
            o.text(*t);
        o.num(r.station), o.ch(r.mode_code), o.ch(r.retest_code), o.num(r.setup_time), o.num(r.start_time);
        o.num(r.finish_time), o.text(r.disposition), o.num(r.part_count), o.num(r.retest_count);
        o.num(r.abort_count), o.num(r.good_count), o.num(r.functional_count), o.num(r.wafers), o.num(r.parts);
        o.num(r.parts_passed), o.num(r.parts_failed), o.num(r.records);
        return true;
    }

private:
    Table &start(int t) {
        tables_[t]->row();
        return *tables_[t];
    }
    unsigned mask_;
    std::unique_ptr<Table> tables_[6];
};

// An object array of n cells, each a new reference to one of `items` (or None).
py::array object_column(const Cells<int64_t> &codes, const std::vector<py::object> &items, size_t n,
                        PyObject *file) {
    // Kept for the life of the process: it must not be released after the interpreter.
    static py::object *empty = new py::object(py::module_::import("numpy").attr("empty"));
    py::array a = (*empty)(n, "object");
    auto **cells = static_cast<PyObject **>(a.mutable_data());
    for (size_t k = 0; k < n; ++k) {
        PyObject *v = file ? file : codes[k] < 0 ? Py_None : items[static_cast<size_t>(codes[k])].ptr();
        Py_INCREF(v);
        Py_XDECREF(cells[k]);
        cells[k] = v;
    }
    return a;
}

// The tables of `mask` of one file: {name: [arrays in column order]}.
py::dict read_tables(const std::string &path, unsigned mask, const std::string &file_cell) {
    Texts texts;
    Filler filler(mask & flatten::kAll, texts);
    std::string error, problem;
    uint64_t index = 0, offset = 0;
    bool opened;
    {
        Library lib;
        int in = open_input(path, error);
        opened = in >= 0;
        if (opened) {
            flatten::Result r = flatten::walk(in, filler);
            int64_t length = -1;
            index = r.records, offset = r.end;
            std::string at = "record " + std::to_string(r.records) + " at byte offset " + std::to_string(r.end) + ": ";
            bool stream_ok = close_input(in, error, &length);
            if (!stream_ok) problem = at + error;
            else if (!r.ok) problem = r.error.rfind("record ", 0) == 0 ? r.error : at + r.error;
            else if (length > 0 && static_cast<uint64_t>(length) > r.end) problem = at + "the file ends inside a record header";
        }
    }
    if (!opened) raise_open_error(path, error);
    if (!problem.empty()) throw FormatFault{path, index, offset, problem};

    std::vector<py::object> items;
    items.reserve(texts.list().size());
    for (const std::string &t : texts.list()) items.push_back(to_str(t));
    py::str file_obj(file_cell);
    static const char *const kNames[] = {"parts", "tests", "functional", "bins", "summary", "files"};
    py::dict out;
    for (int t = 0; t < 6; ++t) {
        Table *table = filler.table(t);
        if (!table) continue;
        const size_t n = table->rows();
        py::list arrays;
        std::vector<Column> &cols = table->columns();
        for (size_t c = 0; c < cols.size(); ++c) {
            Column &col = cols[c];
            switch (c == 0 ? 'F' : col.type) {
                case 'F': arrays.append(object_column(Cells<int64_t>{}, items, n, file_obj.ptr())); break;
                case 'i': arrays.append(col.i.release()); break;
                case 'f': case 't': arrays.append(col.f.release()); break;
                case 'B': {
                    py::array_t<bool> a(static_cast<py::ssize_t>(n));
                    for (size_t k = 0; k < n; ++k) a.mutable_data()[k] = col.i[k] != 0;
                    arrays.append(a);
                    break;
                }
                case 'b': {
                    std::vector<py::object> flags{py::bool_(false), py::bool_(true)};
                    arrays.append(object_column(col.i, flags, n, nullptr));
                    break;
                }
                default: arrays.append(object_column(col.i, items, n, nullptr)); break;
            }
            col.i.clear();
            col.f.clear();
        }
        out[kNames[t]] = arrays;
    }
    return out;
}

// ---------------------------------------------------------------- writing

// Where each field of a kind's structure lies, found by setting its bytes one at a time
// and watching which field the kind's printer then shows changed.
struct Slot {
    std::string name;
    char type = 0;             // as Field::type
    char elem = 0;             // list element type
    size_t off = 0, width = 0; // the value, or the pointer of a text, Bn, Dn or list
    size_t count_off = 0, count_width = 0;  // the length member or count field
    std::string count_name;    // the field the count is, when it is one
    bool has_missing = false;  // a scalar: the value that reads back as missing
    uint64_t missing = 0;
};

struct Layout {
    std::vector<Slot> slots;
    std::string unwritable;  // why the kind cannot be written, or empty
};

// What a printer showed of each field: values as bits, pointers and counts apart.
struct Seen {
    char type = 'm';
    uint64_t value = 0;
    const void *ptr = nullptr;
    uint64_t n = 0;
    char elem = 0;
};

class SeenCollector : public kinds::Collector {
public:
    std::vector<std::pair<std::string, Seen>> fields;
    void begin(const char *, const kelvo_header &, uint32_t, long, uint64_t) override {}
    void missing(const char *name) override { add(name, 'm'); }
    void u(const char *name, uint64_t v, bool) override { add(name, 'u').value = v; }
    void i(const char *name, int64_t v) override { add(name, 'i').value = static_cast<uint64_t>(v); }
    void r(const char *name, double v) override {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        add(name, 'r').value = bits;
    }
    void ch(const char *name, char v) override { add(name, 'c').value = static_cast<uint8_t>(v); }
    void text(const char *name, const char *s, uint32_t len) override {
        Seen &f = add(name, 't');
        f.ptr = s, f.n = len;
    }
    void bytes(const char *name, const uint8_t *p, uint32_t n, bool bn) override {
        Seen &f = add(name, bn ? 'b' : 'y');
        f.ptr = p, f.n = n;
    }
    void dn(const char *name, const uint8_t *p, uint16_t bits) override {
        Seen &f = add(name, 'n');
        f.ptr = p, f.n = bits;
    }
    void list(const char *name, const void *p, uint32_t n, char type) override {
        Seen &f = add(name, 'l');
        f.ptr = p, f.n = n, f.elem = type;
    }

private:
    Seen &add(const char *name, char type) {
        fields.emplace_back(name, Seen{});
        fields.back().second.type = type;
        return fields.back().second;
    }
};

using Storage = std::unique_ptr<std::max_align_t[]>;
// Room for a structure, every byte 0 (value-initialising max_align_t may leave its padding).
Storage storage(size_t size) {
    const size_t n = (size + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
    Storage s(new std::max_align_t[n]);
    std::memset(static_cast<void *>(s.get()), 0, n * sizeof(std::max_align_t));
    return s;
}

std::vector<std::pair<std::string, Seen>> seen(const kinds::RecordKind &kind, const void *s) {
    SeenCollector c;
    kinds::Printer p(c);
    kind.fields(p, s);
    return std::move(c.fields);
}

// Bytes of a set as one run: its start and length, or length 0.
std::pair<size_t, size_t> run(const std::set<size_t> &bytes) {
    if (bytes.empty()) return {0, 0};
    size_t first = *bytes.begin(), last = *bytes.rbegin();
    if (last - first + 1 != bytes.size()) return {0, 0};
    return {first, bytes.size()};
}

void store(void *s, size_t off, size_t width, uint64_t v);

// Whether field `name` of the structure `s` reads back as missing once written: the
// record is written to a scratch file and read as a file is.
bool reads_missing(const kinds::RecordKind &kind, void *s, const std::string &name, const std::string &scratch) {
    int out = kelvo_open(scratch.c_str(), "w");
    if (out < 0) return false;
    kelvo_far_struct far{};
    bool written = kelvo_farwrite(out, &far) > 0 && kind.write(out, s) > 0;
    kelvo_close(out);
    if (!written) return false;
    int in = kelvo_open(scratch.c_str(), "r");
    if (in < 0) return false;
    bool missing = false;
    kelvo_header h;
    kelvo_far_struct f;
    if (kelvo_headread(in, &h) == 4 && kelvo_farread(in, &h, &f) > 0 && kelvo_headread(in, &h) == 4) {
        std::vector<RecordData> records;
        CopyCollector c;
        c.out = &records;
        kinds::Printer p(c);
        if (kind.dump(in, &h, p, 1, 6) > 0 && records.size() == 1)
            for (const Field &fd : records[0].fields) missing = missing || (fd.name == name && fd.type == 'm');
    }
    kelvo_close(in);
    return missing;
}

// For each scalar field, the value that the reader takes as missing: the blank one, or
// the format's missing values (all ones, a space, the lowest signed value).
void missing_values(const kinds::RecordKind &kind, Layout &l) {
    char path[] = "/tmp/kelvo-python-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return;
    close(fd);
    Storage s = storage(kind.struct_size);
    for (Slot &slot : l.slots) {
        if (slot.type != 'u' && slot.type != 'i' && slot.type != 'r' && slot.type != 'c') continue;
        kind.blank(s.get());
        uint64_t blank = 0;
        std::memcpy(&blank, reinterpret_cast<uint8_t *>(s.get()) + slot.off, slot.width);
        const uint64_t ones = slot.width == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * slot.width)) - 1;
        std::vector<uint64_t> candidates{blank};
        if (slot.type == 'c') candidates.push_back(' ');
        if (slot.type == 'u') candidates.push_back(ones);
        if (slot.type == 'i') candidates.push_back(uint64_t{1} << (8 * slot.width - 1));
        if (slot.type == 'r' && slot.width == 4) candidates.push_back(0xFFC00000u);
        for (uint64_t v : candidates) {
            kind.blank(s.get());
            store(s.get(), slot.off, slot.width, v);
            if (reads_missing(kind, s.get(), slot.name, path)) {
                slot.has_missing = true, slot.missing = v;
                break;
            }
        }
    }
    unlink(path);
}

Layout probe(const kinds::RecordKind &kind) {
    Layout l;
    const std::string name = kind.name;
    // These print what their structure points at: nested groups and generic fields.
    if (!kind.struct_size || !kind.fields || name == "GDR" || name == "PLR" || name == "STR") {
        l.unwritable = name + " records cannot be written from Python";
        return l;
    }
    const size_t size = kind.struct_size;
    Storage zero = storage(size), probe = storage(size);
    auto base = seen(kind, zero.get());
    std::vector<std::set<size_t>> value(base.size()), count(base.size());
    for (size_t k = 4; k < size; ++k) {
        std::memcpy(probe.get(), zero.get(), size);
        reinterpret_cast<uint8_t *>(probe.get())[k] = 1;
        auto now = seen(kind, probe.get());
        if (now.size() != base.size()) continue;
        for (size_t f = 0; f < base.size(); ++f) {
            const Seen &a = base[f].second, &b = now[f].second;
            if (b.type == 'm' && a.type != 'm') count[f].insert(k);
            else if (a.value != b.value || a.ptr != b.ptr) value[f].insert(k);
            else if (a.n != b.n) count[f].insert(k);
        }
    }
    // The counts again, with every pointer found set: a null one may hide its count.
    static const uint64_t somewhere = 0;
    const void *some = &somewhere;
    Storage pointed = storage(size);
    for (size_t f = 0; f < base.size(); ++f) {
        const char t = base[f].second.type;
        auto [off, width] = run(value[f]);
        if ((t == 't' || t == 'b' || t == 'n' || t == 'l' || t == 'm') && width == sizeof(void *))
            std::memcpy(reinterpret_cast<uint8_t *>(pointed.get()) + off, &some, sizeof some);
    }
    auto base2 = seen(kind, pointed.get());
    if (base2.size() != base.size()) base2 = base;
    for (size_t f = 0; f < base.size(); ++f)
        if (base[f].second.type == 'm') base[f].second = base2[f].second;
    for (size_t k = 4; k < size; ++k) {
        std::memcpy(probe.get(), pointed.get(), size);
        if (reinterpret_cast<uint8_t *>(probe.get())[k]) continue;
        reinterpret_cast<uint8_t *>(probe.get())[k] = 1;
        auto now = seen(kind, probe.get());
        if (now.size() != base2.size()) continue;
        for (size_t f = 0; f < base2.size(); ++f) {
            const Seen &a = base2[f].second, &b = now[f].second;
            if (a.n != b.n && a.ptr == b.ptr && a.value == b.value) count[f].insert(k);
        }
    }
    for (size_t f = 0; f < base.size(); ++f) {
        Slot s;
        s.name = base[f].first;
        s.type = base[f].second.type;
        s.elem = base[f].second.elem;
        auto [off, width] = run(value[f]);
        s.off = off, s.width = width;
        bool ok = width > 0;
        if (s.type == 'u' || s.type == 'i') ok = ok && (width == 1 || width == 2 || width == 4 || width == 8);
        else if (s.type == 'r') ok = ok && (width == 4 || width == 8);
        else if (s.type == 'c') ok = ok && width == 1;
        else if (s.type == 't' || s.type == 'b' || s.type == 'n') {
            // The pointer of a descriptor: its length member is the descriptor's first.
            static_assert(offsetof(kelvo_cn, str) == offsetof(kelvo_bn, data) && offsetof(kelvo_cn, str) == offsetof(kelvo_dn, data));
            ok = ok && width == sizeof(void *) && off >= offsetof(kelvo_cn, str);
            s.count_off = off - offsetof(kelvo_cn, str);
            s.count_width = s.type == 'n' ? sizeof(uint16_t) : sizeof(uint8_t);
        } else if (s.type == 'l') {
            // The pointer; its count is a field of its own.
            auto [coff, cwidth] = run(count[f]);
            s.count_off = coff, s.count_width = cwidth;
            ok = ok && width == sizeof(void *) && cwidth > 0 && cwidth <= 4 && s.elem != 'S';
        } else {
            ok = false;
        }
        if (!ok) {
            l.unwritable = name + " records cannot be written from Python: field " + s.name + " not placed";
            return l;
        }
        l.slots.push_back(s);
    }
    missing_values(kind, l);
    // A list's count is a field of its own (RTN_ICNT): name it, so that both agree.
    for (Slot &s : l.slots) {
        if (s.type != 'l') continue;
        for (const Slot &c : l.slots)
            if ((c.type == 'u' || c.type == 'i') && c.off == s.count_off && c.width == s.count_width) s.count_name = c.name;
    }
    return l;
}

const Layout &layout(const kinds::RecordKind &kind) {
    static std::map<const kinds::RecordKind *, Layout> cache;
    auto it = cache.find(&kind);
    if (it == cache.end()) it = cache.emplace(&kind, probe(kind)).first;
    return it->second;
}

void store(void *s, size_t off, size_t width, uint64_t v) {
    auto *p = static_cast<uint8_t *>(s) + off;
    switch (width) {
        case 1: { uint8_t x = static_cast<uint8_t>(v); std::memcpy(p, &x, 1); break; }
        case 2: { uint16_t x = static_cast<uint16_t>(v); std::memcpy(p, &x, 2); break; }
        case 4: { uint32_t x = static_cast<uint32_t>(v); std::memcpy(p, &x, 4); break; }
        default: std::memcpy(p, &v, 8); break;
    }
}

// The value of a Python int that fits `width` bytes (signed or not); ValueError else.
uint64_t integer(const py::handle &v, size_t width, bool is_signed, const std::string &name) {
    if (py::isinstance<py::float_>(v) || !py::hasattr(v, "__index__"))
        throw py::type_error(name + ": an integer is needed");
    py::int_ i = py::reinterpret_borrow<py::object>(v.attr("__index__")());
    const int bits = static_cast<int>(width * 8);
    bool fits;
    uint64_t out;
    if (is_signed) {
        long long x = PyLong_AsLongLong(i.ptr());
        if (PyErr_Occurred()) {
            PyErr_Clear();
            throw py::value_error(name + ": out of range");
        }
        fits = bits == 64 || (x >= -(1LL << (bits - 1)) && x < (1LL << (bits - 1)));
        out = static_cast<uint64_t>(x);
    } else {
        unsigned long long x = PyLong_AsUnsignedLongLong(i.ptr());
        if (PyErr_Occurred()) {
            PyErr_Clear();
            throw py::value_error(name + ": out of range");
        }
        fits = bits == 64 || x < (1ULL << bits);
        out = x;
    }
    if (!fits) throw py::value_error(name + ": " + std::string(py::str(v)) + " does not fit " + std::to_string(bits) + " bits");
    return out;
}

std::string text_bytes(const py::handle &v, const std::string &name) {
    if (py::isinstance<py::bytes>(v)) return std::string(py::reinterpret_borrow<py::bytes>(v));
    if (py::isinstance<py::str>(v)) return std::string(py::reinterpret_borrow<py::str>(v));
    throw py::type_error(name + ": a str or bytes is needed");
}

class Writer {
public:
    explicit Writer(std::string path) : path_(std::move(path)) {
        int err = 0;
        {
            Library lib;
            errno = 0;
            handle_ = kelvo_open(path_.c_str(), "w");
            err = errno;
            if (handle_ >= 0) {
                kelvo_far_struct far{};
                if (kelvo_farwrite(handle_, &far) <= 0) {
                    kelvo_close(handle_);
                    handle_ = -1;
                    err = err ? err : EIO;
                }
            }
        }
        if (handle_ < 0) raise_open_error(path_, std::strerror(err ? err : EIO));
    }
    ~Writer() {
        if (handle_ >= 0) {
            Library lib;
            kelvo_close(handle_);
            handle_ = -1;
        }
    }

    // Writes a record of kind `name` from {field: value}; fields left out or None get
    // their missing values. Returns the bytes written.
    int write(const std::string &name, const py::dict &values) {
        if (handle_ < 0) throw py::value_error("the writer is closed");
        if (name == "FAR") return 0;  // written when the file was opened
        const kinds::RecordKind *kind = nullptr;
        for (const kinds::RecordKind &k : kinds::kinds())
            if (name == k.name && kinds::code_name(k.typ, k.sub) && name == kinds::code_name(k.typ, k.sub)) kind = &k;
        if (!kind) throw py::value_error("no writer for records named " + name);
        const Layout *l;
        {
            Library lib;
            l = &layout(*kind);
        }
        if (!l->unwritable.empty()) throw py::value_error(l->unwritable);
        for (auto item : values) {
            std::string key = py::str(item.first);
            bool known = false;
            for (const Slot &s : l->slots) known = known || s.name == key;
            if (!known) throw py::value_error(name + " has no field " + key);
        }
        // Everything Python is converted first, with the interpreter's lock held.
        Storage s = storage(kind->struct_size);
        std::deque<std::string> owned;
        struct Set { size_t off, width; uint64_t v; };
        std::vector<Set> sets;
        std::vector<std::pair<const Slot *, const std::string *>> pointers;  // with the count to store
        std::map<std::string, uint64_t> counts;  // count fields set by a list's length
        for (const Slot &slot : l->slots) {
            py::object v = py::none();
            if (values.contains(slot.name.c_str())) v = values[slot.name.c_str()];
            if (v.is_none()) {
                if (slot.type == 't' || slot.type == 'b' || slot.type == 'n' || slot.type == 'l') pointers.emplace_back(&slot, nullptr);
                else if (slot.has_missing) sets.push_back({slot.off, slot.width, slot.missing});
                continue;
            }
            switch (slot.type) {
                case 'u': case 'i': sets.push_back({slot.off, slot.width, integer(v, slot.width, slot.type == 'i', slot.name)}); break;
                case 'r': {
                    double d = py::float_(v);
                    uint64_t bits = 0;
                    if (slot.width == 4) {
                        float f = static_cast<float>(d);
                        uint32_t b;
                        std::memcpy(&b, &f, 4);
                        bits = b;
                    } else {
                        std::memcpy(&bits, &d, 8);
                    }
                    sets.push_back({slot.off, slot.width, bits});
                    break;
                }
                case 'c': {
                    std::string c = text_bytes(v, slot.name);
                    if (c.size() != 1) throw py::value_error(slot.name + ": one character is needed");
                    sets.push_back({slot.off, 1, static_cast<uint8_t>(c[0])});
                    break;
                }
                case 't': case 'b': {
                    std::string t = slot.type == 'b' && !py::isinstance<py::str>(v) ? std::string(py::bytes(v)) : text_bytes(v, slot.name);
                    if (t.size() > 255) throw py::value_error(slot.name + ": " + std::to_string(t.size()) + " bytes, at most 255");
                    if (slot.type == 't' && t.find('\0') != std::string::npos) throw py::value_error(slot.name + ": a text holds no NUL byte");
                    pointers.emplace_back(&slot, &owned.emplace_back(std::move(t)));
                    break;
                }
                case 'n': {
                    py::array_t<uint8_t, py::array::c_style | py::array::forcecast> a(v);
                    if (a.ndim() != 1 || a.size() > 65535) throw py::value_error(slot.name + ": a flat array of at most 65535 bits is needed");
                    std::string packed((static_cast<size_t>(a.size()) + 7) / 8, '\0');
                    for (py::ssize_t k = 0; k < a.size(); ++k)
                        if (a.data()[k]) packed[static_cast<size_t>(k / 8)] |= static_cast<char>(1 << (k % 8));
                    std::string &p = owned.emplace_back(std::move(packed));
                    pointers.emplace_back(&slot, &p);
                    sets.push_back({slot.count_off, slot.count_width, static_cast<uint64_t>(a.size())});
                    break;
                }
                case 'l': {
                    py::object dtype = py::dtype(std::string(1, slot.elem));
                    py::array a = py::module_::import("numpy").attr("ascontiguousarray")(v, dtype);
                    if (a.ndim() != 1) throw py::value_error(slot.name + ": a flat array is needed");
                    const uint64_t n = static_cast<uint64_t>(a.size());
                    if (n >= (uint64_t{1} << (8 * slot.count_width))) throw py::value_error(slot.name + ": too many elements");
                    if (!slot.count_name.empty()) {
                        auto [it, added] = counts.emplace(slot.count_name, n);
                        if (!added && it->second != n)
                            throw py::value_error(slot.name + ": " + std::to_string(n) + " elements, but another array of " + slot.count_name + " has " + std::to_string(it->second));
                        if (values.contains(slot.count_name.c_str()) && !values[slot.count_name.c_str()].is_none() &&
                            py::int_(values[slot.count_name.c_str()]).cast<uint64_t>() != n)
                            throw py::value_error(slot.name + ": " + std::to_string(n) + " elements, but " + slot.count_name + " is " + std::string(py::str(values[slot.count_name.c_str()])));
                    }
                    std::string &p = owned.emplace_back(static_cast<const char *>(a.data()), static_cast<size_t>(a.nbytes()));
                    pointers.emplace_back(&slot, &p);
                    sets.push_back({slot.count_off, slot.count_width, n});
                    break;
                }
            }
        }
        int result;
        std::string problem;
        {
            Library lib;
            kind->blank(s.get());
            for (const Set &x : sets) store(s.get(), x.off, x.width, x.v);
            for (auto &[slot, data] : pointers) {
                const void *p = data ? data->c_str() : nullptr;
                std::memcpy(reinterpret_cast<uint8_t *>(s.get()) + slot->off, &p, sizeof p);
                if (slot->type == 't' || slot->type == 'b') store(s.get(), slot->count_off, slot->count_width, data ? data->size() : 0);
                if (slot->type == 'n' && !data) store(s.get(), slot->count_off, slot->count_width, 0);
            }
            // Every pointer the writer will follow is one of ours, and long enough.
            auto now = seen(*kind, s.get());
            for (const auto &[fname, f] : now) {
                const Slot *slot = nullptr;
                for (const Slot &x : l->slots) slot = x.name == fname ? &x : slot;
                if (f.type == 'm' && slot && (slot->type == 't' || slot->type == 'b' || slot->type == 'n' || slot->type == 'l')) {
                    problem = fname + ": a count without its array";
                    break;
                }
                if (f.type != 't' && f.type != 'b' && f.type != 'n' && f.type != 'l') continue;
                uint64_t need = f.type == 'n' ? (f.n + 7) / 8 : f.type == 'l' ? f.n * element_size(f.elem) : f.n;
                if (!f.ptr) {
                    if (need) problem = fname + ": a count without its array";
                } else {
                    bool ours = false;
                    for (const std::string &o : owned)
                        if (f.ptr == o.c_str()) ours = o.size() >= need;
                    if (!ours) problem = fname + ": its count does not match its array";
                }
                if (!problem.empty()) break;
            }
            result = problem.empty() ? kind->write(handle_, s.get()) : 0;
        }
        if (!problem.empty()) throw py::value_error(name + " " + problem);
        if (result <= 0) throw py::value_error(name + " not written: a write error, or a record longer than 65535 bytes");
        return result;
    }

    void close() {
        if (handle_ < 0) return;
        int flushed;
        {
            Library lib;
            flushed = kelvo_flush(handle_);
            kelvo_close(handle_);
            handle_ = -1;
        }
        if (flushed != 0) raise_open_error(path_, "could not be written whole");
    }

private:
    std::string path_;
    int handle_ = -1;
};

}  // namespace

PYBIND11_MODULE(_kelvo, m) {
    m.doc() = "KELVO files: records, tables and a writer (use the package kelvo)";
    static auto *format_error = new py::exception<FormatFault>(m, "FormatError", PyExc_ValueError);
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const FormatFault &f) {
            py::object e = py::handle(format_error->ptr())(f.path + ": " + f.message);
            e.attr("path") = f.path;
            e.attr("index") = f.index;
            e.attr("offset") = f.offset;
            PyErr_SetObject(format_error->ptr(), e.ptr());
        }
    });

    py::class_<Reader>(m, "Reader")
        .def(py::init<std::string>())
        .def("next", &Reader::next, py::arg("max") = 1024)
        .def("close", &Reader::close)
        .def_property_readonly("path", &Reader::path);
    py::class_<Writer>(m, "Writer")
        .def(py::init<std::string>())
        .def("write", &Writer::write)
        .def("close", &Writer::close);
    m.def("tables", &read_tables, py::arg("path"), py::arg("mask"), py::arg("file"));
    m.def("columns", [](int table) {
        if (table < 0 || table > 5) throw py::value_error("no such table");
        py::list out;
        for (const ColumnInfo &c : table_columns(table)) out.append(py::make_tuple(c.name, std::string(1, c.type)));
        return out;
    });
    m.def("_layout", [](const std::string &name) {
        py::list out;
        for (const kinds::RecordKind &k : kinds::kinds()) {
            if (name != k.name) continue;
            Library lib;
            Layout l = probe(k);
            py::gil_scoped_acquire gil;
            for (const Slot &s : l.slots)
                out.append(py::make_tuple(s.name, std::string(1, s.type), s.off, s.width, s.count_off, s.count_width, s.count_name));
            out.append(l.unwritable);
            break;
        }
        return out;
    });
    m.def("kinds", [] {
        py::list out;
        for (const kinds::RecordKind &k : kinds::kinds()) out.append(py::make_tuple(k.name, k.typ, k.sub));
        return out;
    });
}
