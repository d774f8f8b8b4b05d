// Number conversion from every CPU type, and the buffer functions.
#include <gtest/gtest.h>

#include <cmath>

#include "testutil.h"

using namespace kt;

TEST(Swap, IntegersOnlyForBigEndian) {
    uint8_t s[2] = {0x12, 0x34};
    for (int cpu : {0, 2, -1, 7}) {
        EXPECT_EQ(kelvo_shortswap(cpu, s), 0);
        EXPECT_EQ(s[0], 0x12);
    }
    EXPECT_EQ(kelvo_shortswap(1, s), 1);
    EXPECT_EQ(Bytes(s, s + 2), (Bytes{0x34, 0x12}));
    uint8_t i4[4] = {1, 2, 3, 4};
    EXPECT_EQ(kelvo_intswap(2, i4), 0);
    EXPECT_EQ(kelvo_intswap(1, i4), 1);
    EXPECT_EQ(Bytes(i4, i4 + 4), (Bytes{4, 3, 2, 1}));
    uint8_t i8[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(kelvo_int64swap(0, i8), 0);
    EXPECT_EQ(kelvo_int64swap(1, i8), 1);
    EXPECT_EQ(Bytes(i8, i8 + 8), (Bytes{8, 7, 6, 5, 4, 3, 2, 1}));
}

TEST(Swap, FloatsFromEveryCpuTypeLeaveTheSourceAlone) {
    uint8_t vax[4] = {0x80, 0x40, 0, 0}, be[4] = {0x3F, 0x80, 0, 0}, le[4] = {0, 0, 0x80, 0x3F};
    EXPECT_EQ(kelvo_floatcopy(0, vax), 1.0f);
    EXPECT_EQ(kelvo_floatcopy(1, be), 1.0f);
    EXPECT_EQ(kelvo_floatcopy(2, le), 1.0f);
    EXPECT_EQ(kelvo_floatcopy(-1, le), 1.0f);
    EXPECT_EQ(Bytes(vax, vax + 4), (Bytes{0x80, 0x40, 0, 0}));
    EXPECT_EQ(Bytes(be, be + 4), (Bytes{0x3F, 0x80, 0, 0}));
    // A VAX value with exponent 255 becomes a NaN, not the largest value.
    uint8_t reserved[4] = {0xFF, 0x7F, 0xFF, 0xFF};
    EXPECT_TRUE(std::isnan(kelvo_floatcopy(0, reserved)));
    // -2.5 in VAX F: sign 1, exponent 130, fraction 0.25.
    uint8_t neg[4] = {0x20, 0xC1, 0, 0};
    EXPECT_EQ(kelvo_floatcopy(0, neg), -2.5f);
}

TEST(Swap, DoublesFromEveryCpuType) {
    uint8_t one[8] = {0x80, 0x40, 0, 0, 0, 0, 0, 0}, onehalf[8] = {0xC0, 0x40, 0, 0, 0, 0, 0, 0};
    uint8_t be[8] = {0x3F, 0xF0, 0, 0, 0, 0, 0, 0}, zero[8] = {};
    EXPECT_EQ(kelvo_doublecopy(0, one), 1.0);
    EXPECT_EQ(kelvo_doublecopy(0, onehalf), 1.5);
    EXPECT_EQ(kelvo_doublecopy(1, be), 1.0);
    for (int cpu : {0, 1, 2, -1}) EXPECT_EQ(kelvo_doublecopy(cpu, zero), 0.0);
    double d = 1.25;
    EXPECT_EQ(kelvo_doublecopy(2, &d), 1.25);
    // The three lowest VAX fraction bits are dropped; the sign is kept.
    uint8_t low[8] = {0x80, 0xC0, 0, 0, 0, 0, 0x07, 0};
    EXPECT_EQ(kelvo_doublecopy(0, low), -1.0);
    uint8_t next[8] = {0x80, 0x40, 0, 0, 0, 0, 0x08, 0};
    EXPECT_EQ(kelvo_doublecopy(0, next), std::nextafter(1.0, 2.0));
}

TEST(Buffers, MemAllocGrowsAndKeepsContents) {
    uint32_t cap = 0;
    auto *p = static_cast<char *>(kelvo_mem_alloc(reinterpret_cast<void *>(0x1), &cap, 10));
    ASSERT_NE(p, nullptr);  // capacity 0: the stale pointer is ignored
    EXPECT_EQ(cap, 10u);
    std::memcpy(p, "abcdefghij", 10);
    p = static_cast<char *>(kelvo_mem_alloc(p, &cap, 1000));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(cap, 1000u);
    EXPECT_EQ(std::string(p, 10), "abcdefghij");
    std::free(p);
}

TEST(Buffers, MemcpyIgnoresNonPositiveCounts) {
    char dst[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(kelvo_memcpy(dst, "ab", 0), dst);
    EXPECT_EQ(kelvo_memcpy(dst, "ab", -5), dst);
    EXPECT_EQ(dst[0], 'x');
    kelvo_memcpy(dst, "ab", 2);
    EXPECT_EQ(std::string(dst, 4), "abxx");
}

TEST(Buffers, MoveDstringMasksTheLastByte) {
    uint8_t bits[3] = {0xAB, 0xFF, 0xFF};
    uint8_t out[8];
    kelvo_dn dn{11, bits};
    EXPECT_EQ(kelvo_move_dstring(&dn, out), 4);
    EXPECT_EQ(Bytes(out, out + 4), (Bytes{0x0B, 0x00, 0xAB, 0xE0}));
    dn.bits = 16;
    EXPECT_EQ(kelvo_move_dstring(&dn, out), 4);
    dn.bits = 17;
    EXPECT_EQ(kelvo_move_dstring(&dn, out), 5);
    EXPECT_EQ(out[4], 0x80);
    dn.bits = 0;
    EXPECT_EQ(kelvo_move_dstring(&dn, out), 2);
    EXPECT_EQ(Bytes(out, out + 2), (Bytes{0, 0}));
}

TEST(Buffers, FreeThenReadAgain) {
    Bytes file = concat({far_record(2), Image().u4(1).cn(std::string(90, 'a')).record(0, 20),
                         Image().u4(2).cn("b").record(0, 20)});
    TempFile tmp;
    int h = open_bytes(file, tmp);
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    kelvo_farread(h, &hd, &far);
    hd = next_header(h);
    kelvo_atr_struct atr;
    ASSERT_EQ(kelvo_atrbuf_read(h, &hd, &atr), 95);
    kelvo_free();
    kelvo_free();  // twice is harmless
    hd = next_header(h);
    ASSERT_EQ(kelvo_atrbuf_read(h, &hd, &atr), 6);
    EXPECT_STREQ(atr.CMD_LINE.str, "b");
    kelvo_close(h);
}
