// TSR writing: the record ends after the last valid statistic, text or count.
#include "records/codec.h"

KELVO_SOURCE_ID("kelvo_tsrwrite")

using namespace kelvo;
using namespace kelvo::codec;

namespace {
constexpr uint32_t kMissingCount = 0xFFFFFFFFu;
}

extern "C" {

KELVO_API int kelvo_tsr_size(kelvo_tsr_struct *tsr) {
    Tail t;
    uint8_t flag = tsr->OPT_FLAG;
    t.field(!(flag & 0x20), 4);  // TST_SQRS
    t.field(!(flag & 0x10), 4);  // TST_SUMS
    t.field(!(flag & 0x02), 4);  // TEST_MAX
    t.field(!(flag & 0x01), 4);  // TEST_MIN
    t.field(!(flag & 0x04), 4);  // TEST_TIM
    t.field(flag != 255, 1);     // OPT_FLAG
    t.text(tsr->TEST_LBL);
    t.text(tsr->SEQ_NAME);
    t.text(tsr->TEST_NAM);
    t.field(tsr->ALRM_CNT != kMissingCount, 4);
    t.field(tsr->FAIL_CNT != kMissingCount, 4);
    t.field(tsr->EXEC_CNT != kMissingCount, 4);
    return finish_size(tsr, 7 + t.bytes());
}

KELVO_API void kelvo_tsr_to_memory(const kelvo_tsr_struct *tsr, void *out) {
    Encoder e(out, tsr->REC_LEN);
    e.leading_block(tsr, 7);
    e.put(tsr->TEST_NUM);
    e.put(tsr->EXEC_CNT);
    e.put(tsr->FAIL_CNT);
    e.put(tsr->ALRM_CNT);
    e.cn(tsr->TEST_NAM);
    e.cn(tsr->SEQ_NAME);
    e.cn(tsr->TEST_LBL);
    e.put(tsr->OPT_FLAG);
    e.put(tsr->TEST_TIM);
    e.put(tsr->TEST_MIN);
    e.put(tsr->TEST_MAX);
    e.put(tsr->TST_SUMS);
    e.put(tsr->TST_SQRS);
}

KELVO_API int kelvo_tsrwrite(int handle, kelvo_tsr_struct *tsr) {
    return write_record(handle, tsr, 10, 30, kelvo_tsr_size, kelvo_tsr_to_memory);
}

}  // extern "C"
