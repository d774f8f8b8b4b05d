// Read speed of a whole file, record by record, against plain stdio.
//
// A file of about 200 MB is generated first, in both byte orders: per part a PIR,
// 300 PTRs (texts, limits and formats on each test's first occurrence only), four
// MPRs, four FTRs and a PRR. Then, per byte order:
//   raw_fread   fread of the file in 64 KiB blocks
//   stdio_loop  two fread_unlocked calls per record (header, body), no library call
//   skip        kelvo_headread + kelvo_skip_record
//   read        kelvo_headread + the record's reader with a status array (skip where
//               the library has no reader yet)
//   buf_read    the same with the buf_read readers
// Each reports MB/s (bytes_per_second), records/s (items_per_second) and ns per record.
//
//   kelvo_bench [--benchmark_repetitions=N]   (files in $KELVO_BENCH_DIR, default /tmp)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "kelvo.h"

namespace {

constexpr uint64_t kTargetBytes = 200'000'000;
constexpr int kTests = 300, kMprs = 4, kFtrs = 4, kSites = 4;

// Record bytes in the byte order of a CPU type (2: little-endian, 1: big-endian).
class Rec {
public:
    Rec(int cpu, uint8_t typ, uint8_t sub) : cpu_(cpu) { b_ = {0, 0, typ, sub}; }
    Rec &u1(uint8_t v) { b_.push_back(v); return *this; }
    Rec &u2(uint16_t v) { return put(v, 2); }
    Rec &u4(uint32_t v) { return put(v, 4); }
    Rec &r4(float f) { uint32_t v; std::memcpy(&v, &f, 4); return put(v, 4); }
    Rec &cn(const std::string &s) {
        u1(static_cast<uint8_t>(s.size()));
        b_.insert(b_.end(), s.begin(), s.end());
        return *this;
    }
    Rec &zeros(size_t n) { b_.insert(b_.end(), n, 0); return *this; }
    // The finished record, REC_LEN filled in.
    const std::vector<uint8_t> &bytes() {
        size_t len = b_.size() - 4;
        b_[cpu_ == 1 ? 1 : 0] = static_cast<uint8_t>(len);
        b_[cpu_ == 1 ? 0 : 1] = static_cast<uint8_t>(len >> 8);
        return b_;
    }

private:
    Rec &put(uint64_t v, int n) {
        for (int i = 0; i < n; ++i) b_.push_back(static_cast<uint8_t>(v >> (cpu_ == 1 ? 8 * (n - 1 - i) : 8 * i)));
        return *this;
    }
    int cpu_;
    std::vector<uint8_t> b_;
};

void swap_at(uint8_t *p, int n) {
    for (int i = 0; i < n / 2; ++i) std::swap(p[i], p[n - 1 - i]);
}

// A little-endian PTR image turned big-endian in place.
void ptr_to_big_endian(uint8_t *r) {
    uint32_t end = 4u + (r[0] | r[1] << 8);
    swap_at(r, 2);
    swap_at(r + 4, 4);
    uint32_t pos = 12;
    auto real = [&] { if (pos < end) swap_at(r + pos, 4); pos += 4; };
    auto text = [&] { if (pos < end) pos += 1u + r[pos]; };
    real();
    text();
    text();
    pos += 4;
    real();
    real();
    for (int i = 0; i < 4; ++i) text();
    real();
    real();
}

Rec mpr(int cpu, uint32_t test, uint8_t site, bool first, std::mt19937 &rng) {
    constexpr int kPins = 8;
    Rec r(cpu, 15, 15);
    r.u4(test).u1(1).u1(site).u1(0).u1(0).u2(kPins).u2(kPins);
    for (int i = 0; i < kPins / 2; ++i) r.u1(0x11);
    for (int i = 0; i < kPins; ++i) r.r4(static_cast<float>(rng() % 1000) * 1e-3f);
    if (!first) return r;
    r.cn("leakage all pins").cn("").u1(0x02).u1(0).u1(0).u1(0).r4(-1e-6f).r4(1e-6f).r4(0).r4(0);
    for (int i = 0; i < kPins; ++i) r.u2(static_cast<uint16_t>(i + 1));
    r.cn("A").cn("").cn("%9.3e").cn("%9.3e").cn("%9.3e");
    return r;
}

Rec ftr(int cpu, uint32_t test, uint8_t site, bool first, std::mt19937 &rng) {
    Rec r(cpu, 15, 20);
    r.u4(test).u1(1).u1(site).u1(0).u1(0x3F);
    r.u4(rng()).u4(0).u4(0).u4(0).u4(0).u4(0).u2(0).u2(4).u2(0);
    for (int i = 0; i < 4; ++i) r.u2(static_cast<uint16_t>(10 + i));
    r.u1(0x21).u1(0x43).u2(16).u1(0x0F).u1(0);
    if (first) r.cn("vec0").cn("ts1").cn("").cn("functional").cn("").cn("").cn("").u1(255).u2(0);
    return r;
}

Rec pir(int cpu, uint8_t site) { return std::move(Rec(cpu, 5, 10).u1(1).u1(site)); }

Rec prr(int cpu, uint8_t site, uint32_t part) {
    Rec r(cpu, 5, 20);
    r.u1(1).u1(site).u1(0).u2(kTests + kMprs + kFtrs).u2(1).u2(1);
    r.u2(static_cast<uint16_t>(part % 100)).u2(static_cast<uint16_t>(part / 100 % 100)).u4(250);
    return std::move(r.cn(std::to_string(part)).cn("").u1(0));
}

struct File {
    std::string path;
    int cpu;
    uint64_t bytes = 0, records = 0, ptrs = 0;
};

File g_files[2];  // [0] CPU type 2, [1] CPU type 1

// Writes both files: the little-endian one with the library's writers (kelvo_write
// for records whose writers are not used here), the big-endian one byte-swapped.
void generate(const std::string &dir) {
    g_files[0] = {dir + "/kelvo-bench-cpu2.kelvo", 2};
    g_files[1] = {dir + "/kelvo-bench-cpu1.kelvo", 1};
    int le = kelvo_open(g_files[0].path.c_str(), "w"), be = kelvo_open(g_files[1].path.c_str(), "w");
    if (le < 0 || be < 0) {
        std::fprintf(stderr, "kelvo_bench: cannot write in %s\n", dir.c_str());
        std::exit(1);
    }
    uint64_t bytes = 0, records = 0, ptrs = 0;
    auto put = [&](Rec a, Rec b) {
        const auto &x = a.bytes();
        const auto &y = b.bytes();
        bytes += kelvo_write(le, x.data(), static_cast<uint32_t>(x.size()));
        kelvo_write(be, y.data(), static_cast<uint32_t>(y.size()));
        ++records;
    };
    kelvo_far_struct far;
    bytes += static_cast<uint64_t>(kelvo_farwrite(le, &far));
    const uint8_t far_be[6] = {0, 2, 0, 10, 1, 4};
    kelvo_write(be, far_be, 6);
    ++records;

    std::mt19937 rng(20261206);
    std::vector<uint8_t> image(65539);
    for (uint32_t part = 0; bytes < kTargetBytes; ++part) {
        const auto site = static_cast<uint8_t>(part % kSites);
        const bool first = part == 0;
        put(pir(2, site), pir(1, site));
        for (int t = 0; t < kTests; ++t) {
            kelvo_ptr_struct p{};
            p.TEST_NUM = 1000u + 10u * static_cast<uint32_t>(t);
            p.HEAD_NUM = 1;
            p.SITE_NUM = site;
            p.TEST_FLG = rng() % 50 == 0 ? 0x80 : 0;  // an occasional failure
            p.RESULT = static_cast<float>(rng() % 20000) * 1e-4f - 1.0f;
            std::string txt = "test " + std::to_string(t) + " <> pin" + std::to_string(t % 64);
            if (first) {
                p.TEST_TXT.str = txt.data();
                p.OPT_FLAG = 0x0E;  // limits valid, no specification limits
                p.LO_LIMIT = -1.0f;
                p.HI_LIMIT = 1.0f;
                p.UNITS.str = const_cast<char *>("V");
                p.C_RESFMT.str = p.C_LLMFMT.str = p.C_HLMFMT.str = const_cast<char *>("%7.3f");
            } else {
                p.OPT_FLAG = 0xFF;  // the first occurrence's limits hold
            }
            int n = kelvo_ptrwrite(le, &p);
            bytes += static_cast<uint64_t>(n);
            kelvo_ptr_to_memory(&p, image.data());
            ptr_to_big_endian(image.data());
            kelvo_write(be, image.data(), static_cast<uint32_t>(n));
            ++records;
            ++ptrs;
        }
        for (int m = 0; m < kMprs; ++m) {
            std::mt19937 copy = rng;
            put(mpr(2, 5000u + static_cast<uint32_t>(m), site, first, rng), mpr(1, 5000u + static_cast<uint32_t>(m), site, first, copy));
        }
        for (int f = 0; f < kFtrs; ++f) {
            std::mt19937 copy = rng;
            put(ftr(2, 6000u + static_cast<uint32_t>(f), site, first, rng), ftr(1, 6000u + static_cast<uint32_t>(f), site, first, copy));
        }
        put(prr(2, site, part), prr(1, site, part));
    }
    kelvo_close(le);
    kelvo_close(be);
    for (File &f : g_files) {
        f.bytes = bytes;
        f.records = records;
        f.ptrs = ptrs;
    }
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

template <bool kBuf>
void read(benchmark::State &state) {
    const File &f = g_files[state.range(0)];
    uint64_t records = 0, ptrs = 0;
    for (auto _ : state) {
        int h = open_file(f);
        kelvo_header hd;
        kelvo_ptr_struct ptr;
        uint32_t status[15];
        uint64_t check = 0;
        records = 1;
        ptrs = 0;
        while (kelvo_headread(h, &hd) == 4) {
            if (hd.REC_TYP == 15 && hd.REC_SUB == 10) {
                int r = kBuf ? kelvo_ptrbuf_read(h, &hd, &ptr, status) : kelvo_ptrread(h, &hd, &ptr, status);
                check += static_cast<uint64_t>(r) + ptr.TEST_NUM + status[0];
                ++ptrs;
            } else {
                kelvo_skip_record(h, &hd);
            }
            ++records;
        }
        kelvo_close(h);
        benchmark::DoNotOptimize(check);
    }
    if (ptrs != f.ptrs) state.SkipWithError("PTR count differs from the file's");
    report(state, f, records);
}

// Both files must decode to the same PTRs and the same record lengths.
uint64_t fingerprint(const File &f) {
    int h = open_file(f);
    kelvo_header hd;
    kelvo_ptr_struct p;
    uint64_t sum = 0;
    while (kelvo_headread(h, &hd) == 4) {
        sum = sum * 31 + body_length(hd, f.cpu);
        if (hd.REC_TYP == 15 && hd.REC_SUB == 10) {
            kelvo_ptrbuf_read(h, &hd, &p, nullptr);
            uint32_t r, lo;
            std::memcpy(&r, &p.RESULT, 4);
            std::memcpy(&lo, &p.LO_LIMIT, 4);
            sum = sum * 31 + p.TEST_NUM + r + lo + p.OPT_FLAG + p.TEST_TXT.len + p.C_HLMFMT.len;
        } else {
            kelvo_skip_record(h, &hd);
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
    for (const File &f : g_files) std::remove(f.path.c_str());
    return 0;
}
