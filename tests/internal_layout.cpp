// The hand-written PTR decoder held to the one its layout table gives: every cut of a
// full record, in every CPU type, under flags that make each number valid or not.
#include <gtest/gtest.h>

#include "codec/layout_codec.h"
#include "records/results/layout.h"
#include "testutil.h"

using kt::Bytes;
using kt::Image;

namespace {

Bytes full_ptr(int cpu, uint8_t test_flg, uint8_t opt) {
    Image im(cpu);
    im.u4(1234).u1(1).u1(2).u1(test_flg).u1(0x40).r4(1.5f).cn("volts").cn("A7").u1(opt).u1(0xFE).u1(2).u1(3);
    im.r4(-1.0f).r4(2.0f).cn("V").cn("%7.3f").cn("").cn("%9.1e").r4(-9.0f).r4(9.0f);
    return im.record(KELVO_PTR_TYP, KELVO_PTR_SUB);
}

std::string text(const kelvo_cn &s) { return std::string(s.str, s.len); }

}  // namespace

TEST(Layout, PtrFastDecoderMatchesItsTableOnEveryCut) {
    using namespace kelvo;
    for (int cpu : {0, 1, 2}) {
        for (uint8_t test_flg : {0x00, 0x02}) {
            for (uint8_t opt : {0x00, 0x01, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, 0xFE, 0xFF}) {
                const Bytes full = full_ptr(cpu, test_flg, opt);
                for (size_t len = 0; len + 4 <= full.size(); ++len) {
                    Bytes img(full.begin(), full.begin() + 4 + len);
                    img[cpu == 1 ? 1 : 0] = static_cast<uint8_t>(len);  // REC_LEN, in the file's order
                    img[cpu == 1 ? 0 : 1] = 0;
                    kelvo_attributes attr{cpu, 4};
                    kelvo_ptr_struct fast{}, table{};
                    uint32_t fs[KELVO_PTR_STATUS_WORDS] = {}, ts[KELVO_PTR_STATUS_WORDS] = {};
                    kelvo_ptr_to_struct(&fast, img.data(), &attr, fs);
                    layout::decode<results::ptr::kLayout>(&table, img.data(), &attr, ts);
                    SCOPED_TRACE(testing::Message() << "cpu " << cpu << " flags " << int(test_flg) << "/"
                                                    << int(opt) << " REC_LEN " << len);
                    EXPECT_EQ(0, std::memcmp(fs, ts, sizeof fs));
                    EXPECT_EQ(0, std::memcmp(&fast, &table, offsetof(kelvo_ptr_struct, RESULT)));
                    for (auto m : {&kelvo_ptr_struct::RESULT, &kelvo_ptr_struct::LO_LIMIT, &kelvo_ptr_struct::HI_LIMIT,
                                   &kelvo_ptr_struct::LO_SPEC, &kelvo_ptr_struct::HI_SPEC})
                        EXPECT_EQ(layout::bits(fast.*m), layout::bits(table.*m));
                    for (auto m : {&kelvo_ptr_struct::OPT_FLAG}) EXPECT_EQ(fast.*m, table.*m);
                    for (auto m : {&kelvo_ptr_struct::RES_SCAL, &kelvo_ptr_struct::LLM_SCAL, &kelvo_ptr_struct::HLM_SCAL})
                        EXPECT_EQ(fast.*m, table.*m);
                    for (auto m : {&kelvo_ptr_struct::TEST_TXT, &kelvo_ptr_struct::ALARM_ID, &kelvo_ptr_struct::UNITS,
                                   &kelvo_ptr_struct::C_RESFMT, &kelvo_ptr_struct::C_LLMFMT, &kelvo_ptr_struct::C_HLMFMT})
                        EXPECT_EQ(text(fast.*m), text(table.*m));
                }
            }
        }
    }
}
