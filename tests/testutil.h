// Helpers shared by the tests: byte images, temporary files, the real data files.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "kelvo.h"

namespace kt {

using Bytes = std::vector<uint8_t>;

// Builds a record image field by field in little-endian (cpu 2) or big-endian (cpu 1) order.
class Image {
public:
    explicit Image(int cpu = 2) : cpu_(cpu) {}
    Image &u1(uint8_t v) { b_.push_back(v); return *this; }
    Image &u2(uint16_t v) { return put(v, 2); }
    Image &u4(uint32_t v) { return put(v, 4); }
    Image &u8(uint64_t v) { return put(v, 8); }
    // CPU type 0 holds VAX F reals: the IEEE bits of 4 x the value, 16-bit halves swapped.
    Image &r4(float f) {
        uint32_t v;
        if (cpu_ == 0) f *= 4.0f;
        std::memcpy(&v, &f, 4);
        if (cpu_ == 0) v = v >> 16 | v << 16;
        return put(v, 4);
    }
    Image &r8(double d) { uint64_t v; std::memcpy(&v, &d, 8); return put(v, 8); }
    Image &cn(const std::string &s) { u1(static_cast<uint8_t>(s.size())); return raw(s); }
    // Bytes behind a one-byte count (version-3 bit fields and PART_FIX).
    Image &counted(const Bytes &b) { u1(static_cast<uint8_t>(b.size())); return bytes(b); }
    Image &raw(const std::string &s) { for (char c : s) b_.push_back(static_cast<uint8_t>(c)); return *this; }
    // Element by element: g++ 12 warns falsely about range inserts into small vectors.
    Image &bytes(std::initializer_list<uint8_t> l) { for (uint8_t v : l) b_.push_back(v); return *this; }
    Image &bytes(const Bytes &l) { for (uint8_t v : l) b_.push_back(v); return *this; }
    const Bytes &body() const { return b_; }
    // Header (REC_LEN = body size, unless given) followed by the body.
    Bytes record(uint8_t typ, uint8_t sub) const { return record(typ, sub, static_cast<uint16_t>(b_.size())); }
    Bytes record(uint8_t typ, uint8_t sub, uint16_t rec_len) const;

private:
    Image &put(uint64_t v, int n);
    int cpu_;
    Bytes b_;
};

// A GDR with a field of every type code (pad, U1 ... I8, and two codes without a value).
Bytes every_type_record(int cpu);
// A full STR: both bit maps, two conditions, sized arrays of widths 1, 2, 3, 4, 8 and 0, byte
// arrays, user texts.
Bytes full_str_record(int cpu);

// The FAR of a file of the given CPU type.
Bytes far_record(int cpu, int version = 4);
Bytes concat(std::initializer_list<Bytes> parts);

// A temporary file removed when the object goes.
class TempFile {
public:
    TempFile();
    explicit TempFile(const Bytes &contents);
    ~TempFile();
    const std::string &path() const { return path_; }
    Bytes contents() const;
    void write(const Bytes &contents) const;

private:
    std::string path_;
};

// The whole contents of a file as text (empty when it cannot be read).
std::string slurp(const std::string &path);

// Opens `bytes` as a file for reading; returns the handle (the file lives in `tmp`).
int open_bytes(const Bytes &bytes, TempFile &tmp);

// Reads the header of the next record; fails the test when there is none.
kelvo_header next_header(int handle);

// Path of an unpacked real file ("lot2", "lot3").
std::string data_file(const std::string &name);

// A tool of the build run with `args` (a shell command line): its exit status and its
// standard output and error together.
struct ToolRun {
    int status;
    std::string out;
};
ToolRun run_tool(const std::string &tool, const std::string &args);

// The bits of a float.
inline uint32_t bits(float f) { uint32_t v; std::memcpy(&v, &f, 4); return v; }
inline bool is_missing_nan(float f) { return bits(f) == 0xFFC00000u; }

// Bytes a writer produced: writes with `write` on a fresh temporary file and returns them.
template <class Write>
Bytes written(Write write) {
    TempFile tmp;
    int h = kelvo_open(tmp.path().c_str(), "w");
    write(h);
    kelvo_close(h);
    return tmp.contents();
}

}  // namespace kt
