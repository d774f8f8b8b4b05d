// FAR and ATR: reading, writing, short and hostile records.
#include <gtest/gtest.h>

#include "testutil.h"

using namespace kt;

TEST(Far, ReadSetsAttributesInBothByteOrders) {
    for (int cpu : {2, 1, 0}) {
        TempFile tmp;
        int h = open_bytes(far_record(cpu), tmp);
        ASSERT_GE(h, 0);
        kelvo_header hd = next_header(h);
        kelvo_far_struct far{};
        EXPECT_EQ(kelvo_farread(h, &hd, &far), 2);
        EXPECT_EQ(far.REC_LEN, 2);
        EXPECT_EQ(far.REC_SUB, 10);
        EXPECT_EQ(far.CPU_TYPE, cpu);
        EXPECT_EQ(far.KELVO_VER, 4);
        EXPECT_EQ(Kelvo_file_attributes[h].cpu_type, cpu);
        EXPECT_EQ(Kelvo_file_attributes[h].kelvo_ver, 4);
        kelvo_close(h);
        // Close keeps the attributes; the next open of the slot resets them.
        EXPECT_EQ(Kelvo_file_attributes[h].cpu_type, cpu);
        int again = open_bytes(far_record(cpu), tmp);
        EXPECT_EQ(again, h);
        EXPECT_EQ(Kelvo_file_attributes[h].cpu_type, -1);
        EXPECT_EQ(Kelvo_file_attributes[h].kelvo_ver, 0);
        kelvo_close(again);
    }
}

TEST(Far, CutShortAndEmptyBodies) {
    TempFile tmp;
    // Only the header: the CPU_TYPE byte cannot be read.
    int h = open_bytes({2, 0, 0, 10}, tmp);
    kelvo_header hd = next_header(h);
    kelvo_far_struct far{};
    EXPECT_EQ(kelvo_farread(h, &hd, &far), -2);
    kelvo_close(h);
    // REC_LEN 0: the CPU_TYPE byte is taken, the version is missing (0).
    h = open_bytes({0, 0, 0, 10, 2, 4}, tmp);
    hd = next_header(h);
    EXPECT_EQ(kelvo_farread(h, &hd, &far), 1);
    EXPECT_EQ(far.KELVO_VER, 0);
    EXPECT_EQ(Kelvo_file_attributes[h].kelvo_ver, 0);
    kelvo_close(h);
    // The version byte cut off by the end of the file.
    h = open_bytes({2, 0, 0, 10, 2}, tmp);
    hd = next_header(h);
    EXPECT_EQ(kelvo_farread(h, &hd, &far), 1);
    EXPECT_EQ(far.KELVO_VER, 0);
    kelvo_close(h);
}

TEST(Far, WriteAlwaysCpu2Version4) {
    kelvo_far_struct far{};
    far.CPU_TYPE = 1;
    far.KELVO_VER = 3;
    int result = 0;
    Bytes out = written([&](int h) { result = kelvo_farwrite(h, &far); });
    EXPECT_EQ(result, 6);
    EXPECT_EQ(out, (Bytes{2, 0, 0, 10, 2, 4}));
    EXPECT_EQ(far.CPU_TYPE, 2);
    EXPECT_EQ(far.KELVO_VER, 4);
    EXPECT_EQ(kelvo_farwrite(-1, &far), -1);
}

TEST(Atr, ShortRecordsAndByteOrders) {
    // REC_LEN 4: no length byte at all.
    kelvo_atr_struct atr{};
    kelvo_attributes le{2, 4}, be{1, 4};
    Bytes img = Image().u4(77).record(0, 20);
    kelvo_atr_to_struct(&atr, img.data(), &le);
    EXPECT_EQ(atr.MOD_TIM, 77u);
    EXPECT_EQ(atr.CMD_LINE.len, 0);
    EXPECT_STREQ(atr.CMD_LINE.str, "");
    // Big-endian MOD_TIM 00 00 01 00 is 256.
    img = Image(1).bytes({0, 0, 1, 0}).cn("go").record(0, 20);
    kelvo_atr_to_struct(&atr, img.data(), &be);
    EXPECT_EQ(atr.REC_LEN, 7);
    EXPECT_EQ(atr.MOD_TIM, 256u);
    EXPECT_EQ(std::string(atr.CMD_LINE.str, atr.CMD_LINE.len), "go");
    // A record shorter than its leading block: the missing bytes are zero.
    std::vector<uint8_t> tiny = {2, 0, 0, 20, 0x11, 0x22};
    kelvo_atr_to_struct(&atr, tiny.data(), &le);
    EXPECT_EQ(atr.MOD_TIM, 0x2211u);
    EXPECT_EQ(atr.CMD_LINE.len, 0);
    // A length byte that runs past the end is cut to the bytes held.
    img = Image().u4(1).u1(200).raw("abc").record(0, 20);
    kelvo_atr_to_struct(&atr, img.data(), &le);
    EXPECT_EQ(atr.CMD_LINE.len, 3);
}

TEST(Atr, WriteSizesAndClamps) {
    kelvo_atr_struct atr{};
    atr.MOD_TIM = 5;
    Bytes out = written([&](int h) { EXPECT_EQ(kelvo_atrwrite(h, &atr), 8); });
    EXPECT_EQ(out, (Bytes{4, 0, 0, 20, 5, 0, 0, 0}));
    std::string longtext(300, 'x');
    atr.CMD_LINE.str = longtext.data();
    out = written([&](int h) { EXPECT_EQ(kelvo_atrwrite(h, &atr), 264); });
    EXPECT_EQ(atr.REC_LEN, 260);
    EXPECT_EQ(atr.CMD_LINE.len, 255);
    ASSERT_EQ(out.size(), 264u);
    EXPECT_EQ(out[8], 255);
    EXPECT_EQ(kelvo_atrwrite(-1, &atr), -1);
}

TEST(Atr, BufReadTerminatesAndRoundTrips) {
    Bytes file = concat({far_record(2), Image().u4(9).cn("hello").record(0, 20), Image().u4(10).cn("x").record(0, 20)});
    TempFile tmp;
    int h = open_bytes(file, tmp);
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    ASSERT_EQ(kelvo_farread(h, &hd, &far), 2);
    hd = next_header(h);
    kelvo_atr_struct a{}, b{};
    ASSERT_EQ(kelvo_atrbuf_read(h, &hd, &a), 10);
    EXPECT_STREQ(a.CMD_LINE.str, "hello");
    // Copying the copy again is safe, and the record writes back byte for byte.
    EXPECT_EQ(kelvo_atr_buf(&a), 1);
    EXPECT_STREQ(a.CMD_LINE.str, "hello");
    Bytes again = written([&](int w) { kelvo_atrwrite(w, &a); });
    EXPECT_EQ(again, Bytes(file.begin() + 6, file.begin() + 20));
    hd = next_header(h);
    ASSERT_EQ(kelvo_atrbuf_read(h, &hd, &b), 6);
    EXPECT_EQ(a.CMD_LINE.str, b.CMD_LINE.str);  // the string buffer is reused
    EXPECT_STREQ(b.CMD_LINE.str, "x");
    kelvo_close(h);
}

TEST(Atr, ReadFailuresReturnZero) {
    TempFile tmp;
    // A body cut short by the end of the file.
    int h = open_bytes({10, 0, 0, 20, 1, 2}, tmp);
    kelvo_header hd = next_header(h);
    kelvo_atr_struct atr{};
    EXPECT_EQ(kelvo_atrread(h, &hd, &atr), 0);
    EXPECT_EQ(atr.CMD_LINE.len, 0);  // missing bytes read as zero
    kelvo_close(h);
    // REC_LEN 0, and a handle that is not open.
    h = open_bytes({0, 0, 0, 20}, tmp);
    hd = next_header(h);
    EXPECT_EQ(kelvo_atrread(h, &hd, &atr), 0);
    kelvo_close(h);
    EXPECT_EQ(kelvo_atrread(h, &hd, &atr), 0);
    EXPECT_EQ(kelvo_atrread(-1, &hd, &atr), 0);
    EXPECT_EQ(kelvo_atrread(99, &hd, &atr), 0);
}

TEST(Atr, LongestRecordDecodes) {
    Bytes img = Image().u4(1).cn(std::string(255, 'a')).bytes(Bytes(65535 - 260, 0)).record(0, 20);
    ASSERT_EQ(img.size(), 65539u);
    kelvo_atr_struct atr{};
    kelvo_attributes le{2, 4};
    kelvo_atr_to_struct(&atr, img.data(), &le);
    EXPECT_EQ(atr.REC_LEN, 65535);
    EXPECT_EQ(atr.CMD_LINE.len, 255);
}
