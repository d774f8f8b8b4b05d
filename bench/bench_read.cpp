// Read speed of a whole file, record by record, against plain stdio.
//
// A file of about 200 MB is written first with the library: per part a PIR, 300 PTRs
// (texts, limits and formats on each test's first occurrence only), four MPRs, four
// FTRs and a PRR; then a big-endian copy of it. Then, per byte order:
//   raw_fread   fread of the file in 64 KiB blocks
//   stdio_loop  two fread_unlocked calls per record (header, body), no library call
//   skip        kelvo_headread + kelvo_skip_record
//   read        kelvo_headread + the record's reader with a status array
//   buf_read    the same with the buf_read readers
//   write       the little-endian file written again with the library's writers
// Each reports MB/s (bytes_per_second), records/s (items_per_second) and the time per
// record (per_record), from CPU time.
//
//   kelvo_bench [--benchmark_repetitions=N]   (files in $KELVO_BENCH_DIR, default /tmp)
// The files are removed at the end unless KELVO_BENCH_KEEP=1; with it and
// --benchmark_filter=none the files are only written, for other tools to read.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "kelvo.h"
#include "records/results/layout.h"
#include "records/parts/layout.h"

namespace {

constexpr uint64_t kTargetBytes = 200'000'000;
constexpr int kTests = 300, kMprs = 4, kFtrs = 4, kSites = 4;

// ------------------------------------------------------------ the big-endian copy

// Turns one little-endian record image (as the library writes it) big-endian in place:
// a cursor that swaps each number of the record's layout, as far as the record goes.
class Swap {
public:
    explicit Swap(uint8_t *r) : r_(r), end_(4u + (r[0] | r[1] << 8)) {
        flip(0, 2);
        pos_ = 4;
    }
    // Reads a little-endian count before it is swapped.
    uint32_t peek2() const { return pos_ + 2 <= end_ ? r_[pos_] | r_[pos_ + 1] << 8 : 0; }
    Swap &n(int bytes, uint32_t count = 1) {
        for (uint32_t i = 0; i < count; ++i, pos_ += bytes) flip(pos_, bytes);
        return *this;
    }
    Swap &skip(uint32_t bytes) { pos_ += bytes; return *this; }
    // A number of the leading block at its place; the cursor moves behind it.
    Swap &at(uint32_t offset, int bytes) {
        flip(offset, bytes);
        pos_ = offset + bytes;
        return *this;
    }
    Swap &text(int count = 1) {
        for (int i = 0; i < count; ++i)
            if (pos_ < end_) pos_ += 1u + r_[pos_];
        return *this;
    }
    Swap &dn() {
        uint32_t bits = peek2();
        return n(2).skip((bits + 7) / 8);
    }

private:
    void flip(uint32_t at, int bytes) {
        if (at + bytes <= end_) std::reverse(r_ + at, r_ + at + bytes);
    }
    uint8_t *r_;
    uint32_t end_, pos_ = 0;
};

// The numbers of a record whose layout is a table, field by field: those of the leading
// block at their places, the others in wire order; arrays by the counts read before them.
template <const auto &L>
void swap_layout(Swap &s) {
    using namespace kelvo::layout;
    uint32_t counts[L.size()] = {};
    for (size_t i = 0; i < L.size(); ++i) {
        const Field &f = L.fields[i];
        if (f.type == Type::Cn || f.type == Type::Bn) {
            s.text();
        } else if (f.type == Type::Dn) {
            s.dn();
        } else if (f.type == Type::Array) {
            uint32_t n = 0;
            for (size_t k = 0; k < i; ++k)
                if (L.fields[k].member == f.count) n = counts[k];
            if (f.elem == Type::U2 || f.elem == Type::R4) s.n(f.elem == Type::U2 ? 2 : 4, n);
            else s.skip(array_bytes(f.elem, n));
        } else if (f.member + f.size <= L.leading) {
            s.at(f.member, f.size);
        } else {
            if (f.size == 2) counts[i] = s.peek2();
            s.n(f.size);
        }
    }
}

void to_big_endian(uint8_t *r) {
    const uint8_t typ = r[2], sub = r[3];
    Swap s(r);
    if (typ == KELVO_PTR_TYP && sub == KELVO_PTR_SUB) {
        swap_layout<kelvo::results::ptr::kLayout>(s);
    } else if (typ == KELVO_MPR_TYP && sub == KELVO_MPR_SUB) {
        swap_layout<kelvo::results::mpr::kLayout>(s);
    } else if (typ == KELVO_FTR_TYP && sub == KELVO_FTR_SUB) {
        swap_layout<kelvo::results::ftr::kLayout>(s);
    } else if (typ == KELVO_PRR_TYP && sub == KELVO_PRR_SUB) {
        swap_layout<kelvo::parts::prr::kLayout>(s);
    }
}

// ------------------------------------------------------------ the generated file

struct File {
    std::string path;
    int cpu;
    uint64_t bytes = 0, records = 0, ptrs = 0;
};

File g_files[2];  // [0] CPU type 2, [1] CPU type 1

float value(std::mt19937 &rng) { return static_cast<float>(rng() % 20000) * 1e-4f - 1.0f; }

// The records of one part, written with the library's writers.
class Part {
public:
    Part(int handle, std::mt19937 &rng) : h_(handle), rng_(rng) {}

    void run(uint32_t part, bool first) {
        const auto site = static_cast<uint8_t>(part % kSites);
        kelvo_pir_struct pir{};
        pir.HEAD_NUM = 1;
        pir.SITE_NUM = site;
        count(kelvo_pirwrite(h_, &pir));
        for (int t = 0; t < kTests; ++t) ptr(1000u + 10u * static_cast<uint32_t>(t), site, first);
        for (int m = 0; m < kMprs; ++m) mpr(5000u + static_cast<uint32_t>(m), site, first);
        for (int f = 0; f < kFtrs; ++f) ftr(6000u + static_cast<uint32_t>(f), site, first);
        kelvo_prr_struct prr{};
        std::string id = std::to_string(part);
        prr.HEAD_NUM = 1;
        prr.SITE_NUM = site;
        prr.NUM_TEST = kTests + kMprs + kFtrs;
        prr.HARD_BIN = prr.SOFT_BIN = 1;
        prr.X_COORD = static_cast<int16_t>(part % 100);
        prr.Y_COORD = static_cast<int16_t>(part / 100 % 100);
        prr.TEST_T = 250;
        prr.PART_ID.str = id.data();
        count(kelvo_prrwrite(h_, &prr));
    }
    uint64_t bytes = 0, records = 0, ptrs = 0;

private:
    void count(int written) {
        if (written <= 0) {
            std::fprintf(stderr, "kelvo_bench: a write failed\n");
            std::exit(1);
        }
        bytes += static_cast<uint64_t>(written);
        ++records;
    }

    // Texts, limits and formats on a test's first occurrence only.
    void ptr(uint32_t test, uint8_t site, bool first) {
        kelvo_ptr_struct p{};
        std::string txt = "test " + std::to_string(test) + " <> pin" + std::to_string(test % 64);
        p.TEST_NUM = test;
        p.HEAD_NUM = 1;
        p.SITE_NUM = site;
        p.TEST_FLG = rng_() % 50 == 0 ? 0x80 : 0;  // an occasional failure
        p.RESULT = value(rng_);
        p.OPT_FLAG = 0xFF;  // the first occurrence's limits hold
        if (first) {
            p.TEST_TXT.str = txt.data();
            p.OPT_FLAG = 0x0E;  // limits valid, no LO_SPEC or HI_SPEC
            p.LO_LIMIT = -1.0f;
            p.HI_LIMIT = 1.0f;
            p.UNITS.str = const_cast<char *>("V");
            p.C_RESFMT.str = p.C_LLMFMT.str = p.C_HLMFMT.str = const_cast<char *>("%7.3f");
        }
        count(kelvo_ptrwrite(h_, &p));
        ++ptrs;
    }

    void mpr(uint32_t test, uint8_t site, bool first) {
        constexpr int kPins = 8;
        uint8_t states[kPins];
        float results[kPins];
        uint16_t index[kPins];
        for (int i = 0; i < kPins; ++i) {
            states[i] = 1;
            results[i] = value(rng_) * 1e-6f;
            index[i] = static_cast<uint16_t>(i + 1);
        }
        kelvo_mpr_struct m{};
        m.TEST_NUM = test;
        m.HEAD_NUM = 1;
        m.SITE_NUM = site;
        m.RTN_ICNT = m.RSLT_CNT = kPins;
        m.RTN_STAT = states;
        m.RTN_RSLT = results;
        m.OPT_FLAG = 0xFF;
        m.LO_LIMIT = m.HI_LIMIT = m.START_IN = m.INCR_IN = m.LO_SPEC = m.HI_SPEC = 0.0f;
        if (first) {
            m.TEST_TXT.str = const_cast<char *>("leakage all pins");
            m.OPT_FLAG = 0x0E;
            m.LO_LIMIT = -1e-6f;
            m.HI_LIMIT = 1e-6f;
            m.RTN_INDX = index;
            m.UNITS.str = const_cast<char *>("A");
            m.C_RESFMT.str = m.C_LLMFMT.str = m.C_HLMFMT.str = const_cast<char *>("%9.3e");
        }
        count(kelvo_mprwrite(h_, &m));
    }

    void ftr(uint32_t test, uint8_t site, bool first) {
        uint16_t index[4] = {10, 11, 12, 13};
        uint8_t states[4] = {1, 2, 3, 4};
        uint8_t pins[2] = {0x0F, 0x00};
        kelvo_ftr_struct f{};
        f.TEST_NUM = test;
        f.HEAD_NUM = 1;
        f.SITE_NUM = site;
        f.OPT_FLAG = 0x3E;  // CYCL_CNT only
        f.CYCL_CNT = rng_();
        f.VECT_OFF = 0;
        f.RTN_ICNT = 4;
        f.RTN_INDX = index;
        f.RTN_STAT = states;
        f.FAIL_PIN = {16, pins};
        f.PATG_NUM = 255;
        if (first) {
            f.VECT_NAM.str = const_cast<char *>("vec0");
            f.TIME_SET.str = const_cast<char *>("ts1");
            f.TEST_TXT.str = const_cast<char *>("functional");
        }
        count(kelvo_ftrwrite(h_, &f));
    }

    int h_;
    std::mt19937 &rng_;
};

// Writes the little-endian file with the library: a FAR, then parts up to the target
// size. Returns the counts of the records written after the FAR.
Part write_file(const std::string &path, std::mt19937 &rng) {
    int h = kelvo_open(path.c_str(), "w");
    if (h < 0) {
        std::fprintf(stderr, "kelvo_bench: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    kelvo_far_struct far;
    kelvo_farwrite(h, &far);
    Part part(h, rng);
    for (uint32_t n = 0; part.bytes < kTargetBytes; ++n) part.run(n, n == 0);
    kelvo_close(h);
    return part;
}

// Writes the little-endian file with the library, then its big-endian copy.
void generate(const std::string &dir) {
    g_files[0] = {dir + "/kelvo-bench-cpu2.kelvo", 2};
    g_files[1] = {dir + "/kelvo-bench-cpu1.kelvo", 1};
    std::mt19937 rng(20261206);
    Part part = write_file(g_files[0].path, rng);
    for (File &f : g_files) {
        f.bytes = part.bytes + 6;
        f.records = part.records + 1;
        f.ptrs = part.ptrs;
    }

    FILE *in = std::fopen(g_files[0].path.c_str(), "rb");
    FILE *out = std::fopen(g_files[1].path.c_str(), "wb");
    if (!in || !out) std::exit(1);
    uint8_t r[65539];
    while (std::fread(r, 4, 1, in) == 1) {
        uint32_t len = r[0] | r[1] << 8;
        if (len && std::fread(r + 4, len, 1, in) != 1) std::exit(1);
        if (r[2] == 0 && r[3] == 10) r[4] = 1;  // the FAR's CPU_TYPE
        to_big_endian(r);
        std::fwrite(r, 4 + len, 1, out);
    }
    std::fclose(in);
    if (std::fclose(out) != 0) std::exit(1);
}

uint16_t body_length(const kelvo_header &h, int cpu) {
    uint16_t len = h.REC_LEN;
    return cpu == 1 ? static_cast<uint16_t>(len >> 8 | len << 8) : len;
}

void report(benchmark::State &state, const File &f, uint64_t records) {
    if (records != f.records) state.SkipWithError("record count differs from the file's");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.bytes));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * f.records));
    state.counters["per_record"] = benchmark::Counter(
        static_cast<double>(f.records), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void raw_fread(benchmark::State &state) {
    const File &f = g_files[state.range(0)];
    std::vector<char> block(64 * 1024);
    for (auto _ : state) {
        FILE *in = std::fopen(f.path.c_str(), "rb");
        uint64_t total = 0;
        size_t n;
        while ((n = std::fread(block.data(), 1, block.size(), in)) > 0) total += n;
        std::fclose(in);
        if (total != f.bytes) state.SkipWithError("short read");
    }
    report(state, f, f.records);
}

void stdio_loop(benchmark::State &state) {
    const File &f = g_files[state.range(0)];
    std::vector<uint8_t> body(65536);
    uint64_t records = 0;
    for (auto _ : state) {
        FILE *in = std::fopen(f.path.c_str(), "rb");
        kelvo_header h;
        records = 0;
        while (fread_unlocked(&h, 4, 1, in) == 1) {
            uint16_t len = body_length(h, f.cpu);
            if (len && fread_unlocked(body.data(), len, 1, in) != 1) break;
            ++records;
        }
        std::fclose(in);
        benchmark::DoNotOptimize(body.data());
    }
    report(state, f, records);
}

// The library's writers producing the little-endian file again (the records made from
// their structures, encoded and written).
void write(benchmark::State &state) {
    const File &f = g_files[0];
    const std::string path = f.path + ".write";
    for (auto _ : state) {
        std::mt19937 rng(20261206);
        write_file(path, rng);
    }
    std::remove(path.c_str());
    report(state, f, f.records);
}

// Opens a file and reads its FAR: the handle, positioned at the second record.
int open_file(const File &f) {
    int h = kelvo_open(f.path.c_str(), "r");
    kelvo_header hd;
    kelvo_far_struct far;
    if (h < 0 || kelvo_headread(h, &hd) != 4 || kelvo_farread(h, &hd, &far) != 2) std::abort();
    return h;
}

void skip(benchmark::State &state) {
    const File &f = g_files[state.range(0)];
    uint64_t records = 0;
    for (auto _ : state) {
        int h = open_file(f);
        kelvo_header hd;
        records = 1;
        while (kelvo_headread(h, &hd) == 4) {
            kelvo_skip_record(h, &hd);
            ++records;
        }
        kelvo_close(h);
    }
    report(state, f, records);
}

// The readers of the records in the file, each with its status array; buf_read
// readers when kBuf. Other records are skipped.
template <bool kBuf>
struct Readers {
    kelvo_pir_struct pir;
    kelvo_prr_struct prr;
    kelvo_ptr_struct ptr;
    kelvo_mpr_struct mpr;
    kelvo_ftr_struct ftr;
    uint32_t status[32];

    int read(int h, const kelvo_header &hd) {
        switch (hd.REC_TYP << 8 | hd.REC_SUB) {
        case 15 << 8 | 10: return kBuf ? kelvo_ptrbuf_read(h, &hd, &ptr, status) : kelvo_ptrread(h, &hd, &ptr, status);
        case 15 << 8 | 15: return kBuf ? kelvo_mprbuf_read(h, &hd, &mpr, status) : kelvo_mprread(h, &hd, &mpr, status);
        case 15 << 8 | 20: return kBuf ? kelvo_ftrbuf_read(h, &hd, &ftr, status) : kelvo_ftrread(h, &hd, &ftr, status);
        case 5 << 8 | 10: return kBuf ? kelvo_pirbuf_read(h, &hd, &pir) : kelvo_pirread(h, &hd, &pir);
        case 5 << 8 | 20: return kBuf ? kelvo_prrbuf_read(h, &hd, &prr, status) : kelvo_prrread(h, &hd, &prr, status);
        default: return kelvo_skip_record(h, &hd);
        }
    }
};

template <bool kBuf>
void read(benchmark::State &state) {
    const File &f = g_files[state.range(0)];
    uint64_t records = 0;
    Readers<kBuf> r;
    for (auto _ : state) {
        int h = open_file(f);
        kelvo_header hd;
        uint64_t check = 0;
        records = 1;
        while (kelvo_headread(h, &hd) == 4) {
            check += static_cast<uint64_t>(r.read(h, hd));
            ++records;
        }
        kelvo_close(h);
        if (check != f.bytes - 4 * f.records - 2) state.SkipWithError("a record did not read whole");
    }
    report(state, f, records);
}

// Both files must decode alike: a hash of each record's length and decoded values.
uint64_t fingerprint(const File &f) {
    int h = open_file(f);
    kelvo_header hd;
    Readers<true> r;
    uint64_t sum = 0;
    auto add = [&sum](uint64_t v) { sum = sum * 1000003u + v; };
    auto bits = [](float v) {
        uint32_t b;
        std::memcpy(&b, &v, 4);
        return b;
    };
    while (kelvo_headread(h, &hd) == 4) {
        add(static_cast<uint64_t>(r.read(h, hd)));
        if (hd.REC_TYP == 15 && hd.REC_SUB == 10) {
            add(r.ptr.TEST_NUM + bits(r.ptr.RESULT) + bits(r.ptr.HI_LIMIT) + r.ptr.OPT_FLAG + r.ptr.C_HLMFMT.len);
        } else if (hd.REC_TYP == 15 && hd.REC_SUB == 15) {
            add(r.mpr.TEST_NUM + bits(r.mpr.RTN_RSLT[7]) + r.mpr.RTN_STAT[7] + bits(r.mpr.LO_LIMIT));
        } else if (hd.REC_TYP == 15 && hd.REC_SUB == 20) {
            add(r.ftr.TEST_NUM + r.ftr.CYCL_CNT + r.ftr.RTN_INDX[3] + r.ftr.RTN_STAT[3] + r.ftr.FAIL_PIN.bits);
        } else if (hd.REC_TYP == 5 && hd.REC_SUB == 20) {
            add(r.prr.NUM_TEST + static_cast<uint32_t>(r.prr.Y_COORD) + r.prr.TEST_T + r.prr.PART_ID.len);
        }
    }
    kelvo_close(h);
    return sum;
}

void orders(benchmark::internal::Benchmark *b) {
    b->ArgName("cpu1")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(raw_fread)->Apply(orders);
BENCHMARK(stdio_loop)->Apply(orders);
BENCHMARK(skip)->Apply(orders);
BENCHMARK(read<false>)->Name("read")->Apply(orders);
BENCHMARK(read<true>)->Name("buf_read")->Apply(orders);
BENCHMARK(write)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    const char *dir = std::getenv("KELVO_BENCH_DIR");
    generate(dir && *dir ? dir : "/tmp");
    std::fprintf(stderr, "kelvo_bench: %llu bytes, %llu records (%llu PTR) per file\n",
                 static_cast<unsigned long long>(g_files[0].bytes), static_cast<unsigned long long>(g_files[0].records),
                 static_cast<unsigned long long>(g_files[0].ptrs));
    if (fingerprint(g_files[0]) != fingerprint(g_files[1])) {
        std::fprintf(stderr, "kelvo_bench: the two byte orders decode differently\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const char *keep = std::getenv("KELVO_BENCH_KEEP");
    if (keep && std::strcmp(keep, "1") == 0)
        for (const File &f : g_files) std::fprintf(stderr, "kelvo_bench: kept %s\n", f.path.c_str());
    else
        for (const File &f : g_files) std::remove(f.path.c_str());
    return 0;
}
