// Readers by the handle's version: version-4 records decode, and a handle without a
// FAR (version 0) reads the version-3 layouts.
#include <gtest/gtest.h>

#include "testutil.h"

using namespace kt;

namespace {

// Reads one record of `body` with `read` on a file with or without a FAR first.
template <class S, class Read>
int read_one(bool with_far, const Bytes &record, S *s, Read read) {
    TempFile tmp;
    int h = open_bytes(with_far ? concat({far_record(2), record}) : record, tmp);
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    if (with_far) {
        EXPECT_EQ(kelvo_farread(h, &hd, &far), 2);
        hd = next_header(h);
    }
    int r = read(h, &hd, s);
    kelvo_close(h);
    return r;
}

}  // namespace

TEST(Versions, DispatchingReadersTakeTheVersion3LayoutWithoutAFar) {
    Bytes ptr = Image().u4(7).bytes({1, 2, 0, 0}).r4(2.5f).cn("t").record(15, 10);
    kelvo_ptr_struct p{};
    uint32_t st[15];
    std::fill_n(st, 15, 0x103u);
    auto read = [&](int h, const kelvo_header *hd, kelvo_ptr_struct *s) { return kelvo_ptrbuf_read(h, hd, s, st); };
    ASSERT_EQ(read_one(true, ptr, &p, read), 14);
    EXPECT_EQ(std::make_tuple(p.TEST_NUM, p.RESULT, std::string(p.TEST_TXT.str), st[0], st[1]),
              std::make_tuple(7u, 2.5f, std::string("t"), 0x103u, 0x103u));
    ASSERT_EQ(read_one(false, ptr, &p, read), 14);  // version 0: the version-3 layout, which ends after RESULT
    EXPECT_EQ(std::make_tuple(p.REC_LEN, p.TEST_NUM, p.TEST_TXT.len, is_missing_nan(p.RESULT), st[0], st[1]),
              std::make_tuple(uint16_t{14}, 7u, uint8_t{0}, false, 0x103u, 0x100u));

    kelvo_tsr_struct t{};
    Bytes tsr = Image().bytes({1, 2, 'P'}).u4(9).u4(100).record(10, 30);
    auto tread = [](int h, const kelvo_header *hd, kelvo_tsr_struct *s) { return kelvo_tsrread(h, hd, s, nullptr); };
    ASSERT_EQ(read_one(true, tsr, &t, tread), 11);
    EXPECT_EQ(std::make_tuple(t.TEST_NUM, t.EXEC_CNT), std::make_tuple(9u, 100u));
    ASSERT_EQ(read_one(false, tsr, &t, tread), 11);  // version 0: the version-3 layout
    EXPECT_EQ(std::make_tuple(t.HEAD_NUM, t.EXEC_CNT), std::make_tuple(uint8_t{255}, 0x64000000u));
}

TEST(Versions, NonDispatchingReadersDecodeWhateverTheVersion) {
    for (bool with_far : {true, false}) {
        kelvo_dtr_struct d{};
        Bytes dtr = Image().cn("hello").record(50, 30);
        ASSERT_EQ(read_one(with_far, dtr, &d, kelvo_dtrread), 6);
        EXPECT_EQ(std::string(d.TEXT_DAT.str, d.TEXT_DAT.len), "hello");
        kelvo_mpr_struct m{};
        Bytes mpr = Image().u4(3).bytes({1, 1, 0, 0}).u2(0).u2(1).r4(4.0f).record(15, 15);
        auto mread = [](int h, const kelvo_header *hd, kelvo_mpr_struct *s) { return kelvo_mprread(h, hd, s, nullptr); };
        ASSERT_EQ(read_one(with_far, mpr, &m, mread), 16);
        ASSERT_EQ(m.RSLT_CNT, 1);
        EXPECT_EQ(m.RTN_RSLT[0], 4.0f);
    }
}
