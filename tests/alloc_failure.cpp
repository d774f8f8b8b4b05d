// Allocation failure at every allocation point the library reaches: the library's calls to
// malloc, calloc, realloc and free are renamed, in this test's copy of it, to the allocator
// below, which fails the Nth call (or every call from the Nth on) while armed. Each file is
// copied record by record, as kelvo-convert copies it (read, copy into the string buffer,
// size, encode, write), and each record's image is decoded, copied and encoded on its own;
// with the failure placed at each allocation point in turn, nothing crashes or leaks, every
// loss is reported by its reader's or writer's code, and every other record comes out
// exactly as in an undisturbed run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "kinds/kinds.h"
#include "v3gen.h"

using namespace kt;

namespace {

struct Injector {
    bool armed = false;
    long calls = 0;      // allocation calls while armed
    long fail_at = -1;   // the call that fails, counted from 0; -1: none
    bool rest = false;   // every later call fails too
    long failures = 0;
    bool fail() {
        if (!armed) return false;
        long n = calls++;
        bool f = fail_at >= 0 && (n == fail_at || (rest && n > fail_at));
        failures += f;
        return f;
    }
} g;

}  // namespace

extern "C" {
void *kelvo_test_malloc(size_t n) { return g.fail() ? nullptr : std::malloc(n); }
void *kelvo_test_calloc(size_t n, size_t m) { return g.fail() ? nullptr : std::calloc(n, m); }
void *kelvo_test_realloc(void *p, size_t n) { return g.fail() ? nullptr : std::realloc(p, n); }
void kelvo_test_free(void *p) { std::free(p); }
}

namespace {

// What copying a file gave: per record its copy's result and the bytes it wrote.
struct Run {
    std::vector<int> results;
    std::vector<Bytes> written;
    std::vector<long> calls_after;  // allocation calls made up to the end of each record
    long failures = 0;
};

// Copies the first `limit` records of `file` with the failure placed at call `fail_at`.
Run copy_file(const Bytes &file, long fail_at, bool rest, size_t limit) {
    TempFile in_file(file), out_file;
    Run run;
    // Handle 0 stays a bystander: decoding images alone keeps its version-3 state there.
    int spare = kelvo_open("/dev/null", "r"), in = kelvo_open(in_file.path().c_str(), "r");
    int out = kelvo_open(out_file.path().c_str(), "w");
    std::vector<long> ends;
    g = {true, 0, fail_at, rest, 0};
    kelvo_header h;
    for (size_t offset = 0; run.results.size() < limit && kelvo_headread(in, &h) == 4;) {
        int r;
        if (h.REC_TYP == 0 && h.REC_SUB == 10) {
            kelvo_far_struct far;
            r = kelvo_farread(in, &h, &far);
            if (r > 0) r = kelvo_farwrite(out, &far);
        } else {
            const kinds::RecordKind *kind = kinds::find_kind(h.REC_TYP, h.REC_SUB);
            if (!kind) {
                ADD_FAILURE() << "no kind for record " << run.results.size();
                break;
            }
            r = kind->copy(in, &h, out);
            uint16_t len = h.REC_LEN;
            kelvo_shortswap(Kelvo_file_attributes[in].cpu_type, &len);
            const Bytes image(file.begin() + static_cast<long>(offset), file.begin() + static_cast<long>(offset + 4 + len));
            kind->exercise(image.data(), &Kelvo_file_attributes[in]);
        }
        run.results.push_back(r);
        run.calls_after.push_back(g.calls);
        ends.push_back(kelvo_seek(out, 0, SEEK_CUR));
        offset = static_cast<size_t>(kelvo_seek(in, 0, SEEK_CUR));
    }
    g.armed = false;
    run.failures = g.failures;
    kelvo_close(out);
    kelvo_close(in);
    kelvo_close(spare);
    kelvo_free();
    const Bytes bytes = out_file.contents();
    for (size_t i = 0, start = 0; i < ends.size(); start = static_cast<size_t>(ends[i++]))
        run.written.emplace_back(bytes.begin() + static_cast<long>(start), bytes.begin() + ends[i]);
    return run;
}

// Records of a version-3 file whose content depends on what earlier records left in the
// handle's state (names for the TSR, a PIR's part for the PRR).
bool depends_on_state(const Bytes &written) {
    return written.size() >= 4 && ((written[2] == 10 && written[3] == 30) || (written[2] == 5 && written[3] == 20));
}

// Every allocation point of copying `file`, failed alone and with every later call.
void every_allocation_point(const Bytes &file, size_t limit = SIZE_MAX) {
    const Run clean = copy_file(file, -1, false, limit);
    ASSERT_EQ(clean.failures, 0);
    for (int r : clean.results) ASSERT_GT(r, 0);
    // Past the last record that allocates, nothing changes: stop a little after it.
    size_t last = 0;
    for (size_t i = 0; i < clean.calls_after.size(); ++i)
        if (i == 0 || clean.calls_after[i] != clean.calls_after[i - 1]) last = i;
    limit = std::min(clean.results.size(), last + 20);
    const long points = clean.calls_after.empty() ? 0 : clean.calls_after.back();
    ASSERT_GT(points, 0);

    for (long at = 0; at < points; ++at) {
        for (bool rest : {false, true}) {
            SCOPED_TRACE("allocation " + std::to_string(at) + (rest ? " and every later one" : " alone"));
            const Run run = copy_file(file, at, rest, limit);
            ASSERT_EQ(run.results.size(), limit);
            ASSERT_GT(run.failures, 0);
            bool failed_before = false;
            for (size_t i = 0; i < limit; ++i) {
                const int r = run.results[i];
                if (r > 0 && run.written[i] == clean.written[i]) continue;
                if (r > 0 && failed_before && depends_on_state(run.written[i])) continue;
                // A record that did not come out whole says so, by a documented code.
                EXPECT_TRUE(r == 0 || r == -3 || r == kinds::kWriteFailed) << "record " << i << " returned " << r;
                EXPECT_TRUE(run.written[i].empty()) << "record " << i << " was written after a failure";
                failed_before = true;
            }
        }
    }
}

// An MPR and an FTR with arrays, in big-endian order.
Bytes mpr_record() {
    Image mpr(1);
    mpr.u4(1234).u1(1).u1(2).u1(0).u1(0x40).u2(3).u2(2).bytes({0x21, 0xA3}).r4(1.5f).r4(-2.25f).cn("volts").cn("al");
    mpr.u1(0).u1(0xFE).u1(3).u1(0xFD).r4(0.5f).r4(4.0f).r4(0.125f).r4(0.25f).u2(7).u2(8).u2(9);
    mpr.cn("V").cn("mA").cn("%7.3f").cn("%5.1f").cn("").r4(-1.0f).r4(9.0f);
    return mpr.record(15, 15);
}

Bytes ftr_record() {
    Image ftr(1);
    ftr.u4(4321).u1(3).u1(4).u1(0x80).u1(0).u4(100).u4(200).u4(3).u4(4).u4(static_cast<uint32_t>(-5)).u4(6);
    ftr.u2(static_cast<uint16_t>(-7)).u2(3).u2(2).u2(10).u2(11).u2(12).bytes({0x21, 0x53}).u2(20).u2(21).u1(0x98);
    ftr.u2(11).bytes({0xAB, 0xE0});
    for (const char *t : {"vec", "ts1", "op", "test", "al", "prog", "rslt"}) ftr.cn(t);
    ftr.u1(4).u2(9).bytes({0xFF, 0x80});
    return ftr.record(15, 20);
}

// A version-4 file of the record kinds the sample files lack, in big-endian order.
Bytes every_other_kind() {
    const int c = 1;
    Image plr(c);
    plr.u2(2).u2(1).u2(2).u2(0x10).u2(0x20).u1(2).u1(16);
    for (const char *t : {"01", "LH", "xx", "", "ab", "c", "", "zz"}) plr.cn(t);
    return concat({far_record(c), Image(c).u4(99).cn("command line").record(0, 20), mpr_record(), ftr_record(),
                   plr.record(1, 63), Image(c).u2(3).u2(1).u2(5).u2(9).record(1, 70),
                   Image(c).u2(7).cn("group").u2(2).u2(4).u2(5).record(1, 62), every_type_record(c),
                   full_str_record(c), Image(c).cn("datalog text").record(50, 30),
                   mpr_record(), ftr_record()});
}

}  // namespace

TEST(AllocationFailure, EveryOtherRecordKind) { every_allocation_point(every_other_kind()); }

TEST(AllocationFailure, Version3Files) {
    for (int cpu : {0, 1, 2}) {
        SCOPED_TRACE(cpu);
        every_allocation_point(v3gen::sample_file(cpu, 4));
    }
}

TEST(AllocationFailure, RealFile) {
    std::ifstream f(data_file("lot2"), std::ios::binary);
    every_allocation_point(Bytes(std::istreambuf_iterator<char>(f), {}));
}

// Arrays that the array buffer cannot take go with their counts, and the read says so.
TEST(AllocationFailure, ArraysThatCannotBeHadTakeTheirCountsWithThem) {
    kelvo_free();
    TempFile tmp(concat({far_record(1), Image(1).cn(std::string(200, 'x')).record(50, 30), mpr_record(), ftr_record()}));
    int h = kelvo_open(tmp.path().c_str(), "r");
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    kelvo_dtr_struct dtr;
    ASSERT_EQ(kelvo_farread(h, &hd, &far), 2);
    hd = next_header(h);
    ASSERT_EQ(kelvo_dtrread(h, &hd, &dtr), 201);  // the read buffer is large enough from here on
    g = {true, 0, 0, true, 0};
    kelvo_mpr_struct m;
    kelvo_ftr_struct f;
    uint32_t st[24] = {};
    hd = next_header(h);
    EXPECT_EQ(kelvo_mprbuf_read(h, &hd, &m, st), 0);
    EXPECT_EQ(std::make_tuple(m.TEST_NUM, m.RTN_ICNT, m.RSLT_CNT, m.RTN_STAT, m.RTN_RSLT, m.RTN_INDX, st[0], st[1]),
              std::make_tuple(1234u, 0, 0, nullptr, nullptr, nullptr, KELVO_PRESENT, KELVO_PRESENT));
    hd = next_header(h);
    EXPECT_EQ(kelvo_ftrread(h, &hd, &f, st), 0);
    EXPECT_EQ(std::make_tuple(f.TEST_NUM, f.RTN_ICNT, f.PGM_ICNT, f.RTN_INDX, f.PGM_STAT, st[8], st[9]),
              std::make_tuple(4321u, 0, 0, nullptr, nullptr, KELVO_PRESENT, KELVO_PRESENT));
    g.armed = false;
    kelvo_close(h);
    kelvo_free();
}
