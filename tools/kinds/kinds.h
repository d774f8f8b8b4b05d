// The record kinds that every tool, binding and fuzz target uses: for each record its
// name, codes and operations (read and print, exercise an image, copy, write), built from
// its exported functions (make_kind) and listed once in kinds.cpp; and the field printer
// that prints a record as kelvo-dump shows it.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kelvo.h"

namespace kinds {

// Takes the fields of records from a printer that has no output (a binding that hands
// records to another language). Values are handed over as the record holds them; what a
// pointer points at is valid only during the call. A field that is not valid comes as
// missing().
class Collector {
public:
    virtual ~Collector() = default;
    virtual void begin(const char *name, const kelvo_header &h, uint32_t rec_len, long index, uint64_t offset) = 0;
    virtual void missing(const char *name) = 0;
    virtual void u(const char *name, uint64_t v, bool hex) = 0;
    virtual void i(const char *name, int64_t v) = 0;
    virtual void r(const char *name, double v) = 0;
    virtual void ch(const char *name, char v) = 0;
    virtual void text(const char *name, const char *s, uint32_t len) = 0;
    // A Bn (bn true) or a counted byte array.
    virtual void bytes(const char *name, const uint8_t *p, uint32_t n, bool bn) = 0;
    virtual void dn(const char *name, const uint8_t *p, uint16_t bits) = 0;
    // An array of n elements of `type`: 'B' uint8, 'H' uint16, 'I' uint32, 'h' int16,
    // 'i' int32, 'f' float, 'd' double, 'S' kelvo_cn.
    virtual void list(const char *name, const void *p, uint32_t n, char type) = 0;
    virtual void note(const char *) {}
};

// Prints one record's fields, one per line; prints nothing when out is null. Lines are
// formatted into the printer's own buffer and written to `out` in large blocks.
class Printer {
public:
    explicit Printer(FILE *out) : out_(out) {}
    // A printer that hands each field to `collector` instead of printing it.
    explicit Printer(Collector &collector) : out_(nullptr), collector_(&collector) {}
    Printer(const Printer &) = delete;
    Printer &operator=(const Printer &) = delete;
    ~Printer() { flush(); }
    // A printer that prints nothing but reads every byte a field points at (for the
    // fuzz target: it checks what the decoders hand out, at little cost).
    static Printer toucher() { return Printer(nullptr, true); }
    bool enabled() const { return out_ != nullptr || collector_ != nullptr; }
    // Reals printed as their bit patterns (R4 values widened to double), so that two
    // dumps compare equal exactly when their values do.
    static void exact_reals(bool on);
    // Writes what is buffered; false once a write has failed (error() tells why). After
    // a failure nothing more is written.
    bool flush();
    bool failed() const { return error_ != 0; }
    int error() const { return error_; }

    void begin(const char *name, const kelvo_header &h, uint32_t rec_len, long index, uint64_t offset);
    void missing(const char *name);
    void u(const char *name, uint64_t v, uint32_t status = KELVO_VALID);
    void i(const char *name, int64_t v, uint32_t status = KELVO_VALID);
    void hex(const char *name, uint64_t v, uint32_t status = KELVO_VALID);
    void r(const char *name, double v, uint32_t status = KELVO_VALID);
    void ch(const char *name, char v, uint32_t status = KELVO_VALID);
    void text(const char *name, const kelvo_cn &s, uint32_t status = KELVO_VALID);
    void text(const char *name, const char *s, uint32_t len, uint32_t status = KELVO_VALID);
    void bn(const char *name, const kelvo_bn &b, uint32_t status = KELVO_VALID);
    void dn(const char *name, const kelvo_dn &d, uint32_t status = KELVO_VALID);
    void bytes(const char *name, const uint8_t *p, uint32_t n, uint32_t status = KELVO_VALID);
    void note(const char *text);
    // A line of its own, outside any record.
    void line(const std::string &text);

    // An array as a list; a null pointer with elements prints as missing.
    template <class T>
    void list(const char *name, const T *p, uint32_t n, uint32_t status = KELVO_VALID) {
        if (!out_) {
            if (collector_) {
                if (!(status & KELVO_VALID) || (!p && n)) collector_->missing(name);
                else collector_->list(name, p, n, list_type(p));
            } else if (touch_ && p) {
                touch(p, n * sizeof(T));
            }
            return;
        }
        if (!(status & KELVO_VALID) || (!p && n)) return missing(name);
        field(name);
        put('[');
        for (uint32_t k = 0; k < n; ++k) {
            if (k) put(", ", 2);
            element(p[k]);
        }
        put(']');
        end_line();
    }

private:
    Printer(FILE *out, bool touch) : out_(out), touch_(touch) {}
    // Room for n more bytes at the end of the buffer.
    char *room(size_t n) {
        if (buf_.size() - len_ < n) make_room(n);
        return buf_.data() + len_;
    }
    void make_room(size_t n);
    void put(char c) { *room(1) = c, ++len_; }
    void put(const char *s, size_t n) { std::memcpy(room(n), s, n), len_ += n; }
    void put(const char *s) { put(s, std::strlen(s)); }
    void put_u(uint64_t v);
    void put_i(int64_t v);
    void put_real(double v);
    void put_quoted(const char *s, uint32_t len, char quote);
    void put_hex_bytes(const uint8_t *p, uint32_t n);
    // "  NAME      ": the start of a field's line.
    void field(const char *name);
    void end_line() {
        put('\n');
        if (len_ >= kFlushAt) flush();
    }
    void element(float v) { put_real(v); }
    void element(double v) { put_real(v); }
    void element(uint8_t v) { put_u(v); }
    void element(uint16_t v) { put_u(v); }
    void element(uint32_t v) { put_u(v); }
    void element(int16_t v) { put_i(v); }
    void element(int32_t v) { put_i(v); }
    void element(const kelvo_cn &v);
    void touch(const void *p, size_t n);
    static char list_type(const uint8_t *) { return 'B'; }
    static char list_type(const uint16_t *) { return 'H'; }
    static char list_type(const uint32_t *) { return 'I'; }
    static char list_type(const int16_t *) { return 'h'; }
    static char list_type(const int32_t *) { return 'i'; }
    static char list_type(const float *) { return 'f'; }
    static char list_type(const double *) { return 'd'; }
    static char list_type(const kelvo_cn *) { return 'S'; }
    // The collecting path of a field printer (out_ is null).
    bool collected(const char *name, uint32_t status) {
        if (!collector_) return false;
        if (!(status & KELVO_VALID)) collector_->missing(name);
        return !(status & KELVO_VALID);
    }

    static constexpr size_t kFlushAt = 64 * 1024;
    FILE *out_;
    Collector *collector_ = nullptr;
    bool touch_ = false;
    int error_ = 0;
    std::vector<char> buf_;
    size_t len_ = 0;
};

// One record type: how to dump it, exercise its codec on an image, and copy it.
struct RecordKind {
    const char *name;
    uint8_t typ, sub;
    // Reads the record (header already read) with its buf_read and prints it, as
    // record `index` at byte `offset`; returns the reader's result.
    int (*dump)(int handle, const kelvo_header *header, Printer &p, long index, uint64_t offset);
    // Decodes an image of REC_LEN + 4 bytes, copies it into the string buffer and
    // encodes it again (the fuzz target's round).
    void (*exercise)(const void *image, const kelvo_attributes *attr);
    // Reads the record from `in` and writes it to `out`: the writer's result, the
    // reader's failure (0 or below), or kWriteFailed.
    int (*copy)(int in, const kelvo_header *header, int out);
    // The structure the kind decodes into, for a binding that fills one to write it: its
    // size; blank fills it with every field at its missing value (decoded from a record
    // without a body); fields prints it with every field valid; write is the writer.
    // Null (size 0) for a kind without a structure of its own.
    size_t struct_size;
    void (*blank)(void *s);
    void (*fields)(Printer &p, const void *s);
    int (*write)(int out, void *s);
};

// What a copy returns when the record was read but could not be written.
constexpr int kWriteFailed = -100;

// A stream that discards what is written to it.
FILE *null_output();
// Every record kind the tools know, in one explicit list (kinds.cpp); the kind of a
// record by its codes, or null.
const std::vector<RecordKind> &kinds();
const RecordKind *find_kind(uint8_t typ, uint8_t sub);
// The name of a version-4 record code (FAR included), or null.
const char *code_name(uint8_t typ, uint8_t sub);

// The exported functions of one record family. Records without a field status
// array, a copy or a size function are adapted with small lambdas, or left null.
template <class S>
struct Codec {
    int (*buf_read)(int, const kelvo_header *, S *, uint32_t *);
    void (*to_struct)(S *, const void *, const kelvo_attributes *, uint32_t *);
    int (*buf)(S *);                // may be null
    int (*size)(S *);               // may be null
    void (*to_memory)(const S *, void *);
    int (*write)(int, S *);
    void (*print)(Printer &, const S &, const uint32_t *status);
    // The version-3 decoder (handle first) and copy, for records that version 3 also has
    // in another layout; null where the version-4 functions serve (the copy) or where
    // there is none.
    void (*v3_to_struct)(int, S *, const void *, const kelvo_attributes *, uint32_t *) = nullptr;
    int (*v3_buf)(S *) = nullptr;
};

// The handle whose version-3 state (names, part states) decoding an image outside a
// file uses.
constexpr int kImageHandle = 0;

// Field status words enough for any record.
constexpr int kStatusWords = 64;

// One registration per record kind; Id tells apart kinds that share a structure (a
// version-3 PDR decodes into a PTR structure).
template <class S, int Id>
struct Registered {
    static inline Codec<S> codec{};
    static inline const char *name = "";

    static int dump(int handle, const kelvo_header *header, Printer &p, long index, uint64_t offset) {
        S s{};
        uint32_t status[kStatusWords] = {};
        int r = codec.buf_read(handle, header, &s, status);
        if (p.enabled() && (r > 0 || (r == 0 && s.REC_LEN == 0))) {
            p.begin(name, *header, s.REC_LEN, index, offset);
            codec.print(p, s, status);
        }
        return r;
    }
    static void exercise(const void *image, const kelvo_attributes *attr) {
        S s{};
        uint32_t status[kStatusWords] = {};
        const bool v3 = codec.v3_to_struct && attr && attr->kelvo_ver < 4;
        if (v3) codec.v3_to_struct(kImageHandle, &s, image, attr, status);
        else codec.to_struct(&s, image, attr, status);
        // Every byte the decoded structure points at is read.
        Printer sink = Printer::toucher();
        codec.print(sink, s, status);
        // Writers need NUL-terminated texts: encode only what the copy terminated.
        if (int (*buf)(S *) = v3 && codec.v3_buf ? codec.v3_buf : codec.buf) {
            if (!buf(&s)) return;
            codec.print(sink, s, status);
        }
        if (codec.size) {
            int total = codec.size(&s);
            if (total >= 4 && total <= 65539) {
                std::vector<uint8_t> out(static_cast<size_t>(total));
                codec.to_memory(&s, out.data());
            }
        }
    }
    static void blank(void *p) {
        // Texts of the decoded structure point into the image: it outlives every call.
        static const uint8_t image[8] = {};
        S &s = *static_cast<S *>(p);
        s = S{};
        const kelvo_attributes attr{2, 4};
        uint32_t status[kStatusWords] = {};
        codec.to_struct(&s, image, &attr, status);
    }
    static void fields(Printer &p, const void *s) {
        static const auto valid = [] {
            std::array<uint32_t, kStatusWords> a;
            a.fill(~0u);
            return a;
        }();
        codec.print(p, *static_cast<const S *>(s), valid.data());
    }
    static int write(int out, void *s) { return codec.write(out, static_cast<S *>(s)); }
    static int copy(int in, const kelvo_header *header, int out) {
        S s{};
        uint32_t status[kStatusWords] = {};
        int r = codec.buf_read(in, header, &s, status);
        if (r <= 0 && header->REC_LEN != 0) return r;
        int w = codec.write(out, &s);
        return w > 0 ? w : kWriteFailed;
    }
};

template <class S, int Id = 0>
RecordKind make_kind(const char *name, uint8_t typ, uint8_t sub, const Codec<S> &codec) {
    using R = Registered<S, Id>;
    R::codec = codec;
    R::name = name;
    return RecordKind{name, typ, sub, &R::dump, &R::exercise, &R::copy, sizeof(S), &R::blank, &R::fields, &R::write};
}


}  // namespace kinds
