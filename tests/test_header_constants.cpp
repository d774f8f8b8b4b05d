// The header's named constants against the library: status-word indexes against what the
// decoders set, record codes against what the writers set, flag bits and kelvo_body_length
// against a real big-endian file read with the header's own loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <tuple>
#include <vector>

#include "testutil.h"
#include "v3gen.h"

using namespace kt;

namespace {

using Decode = std::function<void(const uint8_t *image, uint32_t *status)>;
constexpr uint32_t kGuard = 0x5A5A5A5Cu;  // present and valid bits clear: a decoder must not change it

struct Case {
    const char *name;
    Bytes body;              // the whole record's body, every field present
    int words;               // KELVO_<REC>_STATUS_WORDS
    std::vector<int> order;  // the words of the fields, in the order the fields begin
    Decode decode;
};

// The words whose present bit a decoder sets, ordered by the shortest body from which on
// the bit stays set: the wire order of their fields. A decoder that writes past `words`
// changes the guard behind them.
std::vector<int> present_order(const Case &c) {
    const uint32_t n = static_cast<uint32_t>(c.body.size());
    std::vector<uint32_t> from(c.words, n + 1);  // n + 1: never present
    for (uint32_t len = n + 1; len-- > 0;) {
        Bytes image = {static_cast<uint8_t>(len), static_cast<uint8_t>(len >> 8), 0, 0};
        for (uint32_t i = 0; i < len; ++i) image.push_back(c.body[i]);  // exactly REC_LEN + 4 bytes
        std::vector<uint32_t> status(c.words + 1, 0);
        status[c.words] = kGuard;
        c.decode(image.data(), status.data());
        EXPECT_EQ(status[c.words], kGuard) << c.name << ": a word past the array was changed";
        for (int w = 0; w < c.words; ++w)
            if ((status[w] & KELVO_PRESENT) && from[w] == len + 1) from[w] = len;
    }
    std::vector<int> order;
    for (int w = 0; w < c.words; ++w)
        if (from[w] <= n) order.push_back(w);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return from[a] < from[b]; });
    for (size_t i = 1; i < order.size(); ++i)
        EXPECT_LT(from[order[i - 1]], from[order[i]]) << c.name << ": words " << order[i - 1] << " and "
                                                      << order[i] << " begin at one offset";
    return order;
}

template <class S, class F>
Decode decoder(F to_struct, int version = 4) {
    return [to_struct, version](const uint8_t *image, uint32_t *status) {
        S s{};
        kelvo_attributes attr{2, version};
        to_struct(&s, image, &attr, status);
    };
}

Image texts(Image im, int n) {  // n one-character texts behind the image
    for (int i = 0; i < n; ++i) im.cn("t");
    return im;
}

}  // namespace

TEST(HeaderConstants, StatusWordsAreTheFieldsTheDecodersDescribe) {
    const int PG = KELVO_PLR_STATUS_WORDS_PER_GROUP;
    const Bytes v3mir = v3gen::record(2, v3gen::Mir{});
    const Bytes str = full_str_record(2);
    const std::vector<Case> cases = {
        {"MIR", texts(Image().u4(1).u4(2).u1(3).u1('P').u1('N').u1('A').u2(60).u1('C'), 30).body(),
         KELVO_MIR_STATUS_WORDS,
         {KELVO_MIR_MODE_COD, KELVO_MIR_RTST_COD, KELVO_MIR_PROT_COD, KELVO_MIR_BURN_TIM, KELVO_MIR_CMOD_COD,
          KELVO_MIR_LOT_ID, KELVO_MIR_PART_TYP, KELVO_MIR_NODE_NAM, KELVO_MIR_TSTR_TYP, KELVO_MIR_JOB_NAM,
          KELVO_MIR_JOB_REV, KELVO_MIR_SBLOT_ID, KELVO_MIR_OPER_NAM, KELVO_MIR_EXEC_TYP, KELVO_MIR_EXEC_VER,
          KELVO_MIR_TEST_COD, KELVO_MIR_TST_TEMP, KELVO_MIR_USER_TXT, KELVO_MIR_AUX_FILE, KELVO_MIR_PKG_TYP,
          KELVO_MIR_FAMLY_ID, KELVO_MIR_DATE_COD, KELVO_MIR_FACIL_ID, KELVO_MIR_FLOOR_ID, KELVO_MIR_PROC_ID,
          KELVO_MIR_OPER_FRQ, KELVO_MIR_SPEC_NAM, KELVO_MIR_SPEC_VER, KELVO_MIR_FLOW_ID, KELVO_MIR_SETUP_ID,
          KELVO_MIR_DSGN_REV, KELVO_MIR_ENG_ID, KELVO_MIR_ROM_COD, KELVO_MIR_SERL_NUM, KELVO_MIR_SUPR_NAM},
         decoder<kelvo_mir_struct>(kelvo_mir_to_struct)},
        {"version-3 MIR", Bytes(v3mir.begin() + 4, v3mir.end()), KELVO_MIR_STATUS_WORDS,
         {KELVO_MIR_VERSION3, KELVO_MIR_MODE_COD, KELVO_MIR_TEST_COD, KELVO_MIR_RTST_COD, KELVO_MIR_PROT_COD,
          KELVO_MIR_CMOD_COD, KELVO_MIR_LOT_ID, KELVO_MIR_PART_TYP, KELVO_MIR_JOB_NAM, KELVO_MIR_OPER_NAM,
          KELVO_MIR_NODE_NAM, KELVO_MIR_TSTR_TYP, KELVO_MIR_EXEC_TYP, KELVO_MIR_SUPR_NAM, KELVO_MIR_HAND_ID,
          KELVO_MIR_SBLOT_ID, KELVO_MIR_JOB_REV, KELVO_MIR_PROC_ID, KELVO_MIR_PRB_CARD},
         decoder<kelvo_mir_struct>(kelvo_mir_v3_to_struct, 3)},
        {"MRR", Image().u4(5).u1('D').cn("u").cn("e").body(), KELVO_MRR_STATUS_WORDS,
         {KELVO_MRR_DISP_COD, KELVO_MRR_USR_DESC, KELVO_MRR_EXC_DESC}, decoder<kelvo_mrr_struct>(kelvo_mrr_to_struct)},
        {"version-3 MRR", Image().u4(5).u4(100).u4(1).u4(2).u4(90).u4(95).u1('D').cn("u").cn("e").body(),
         KELVO_MRR_STATUS_WORDS,
         {KELVO_MRR_VERSION3, KELVO_MRR_RTST_CNT, KELVO_MRR_ABRT_CNT, KELVO_MRR_GOOD_CNT, KELVO_MRR_FUNC_CNT,
          KELVO_MRR_DISP_COD, KELVO_MRR_USR_DESC, KELVO_MRR_EXC_DESC},
         decoder<kelvo_mrr_struct>(kelvo_mrr_to_struct, 3)},
        {"PCR", Image().u1(1).u1(2).u4(10).u4(1).u4(2).u4(3).u4(4).body(), KELVO_PCR_STATUS_WORDS,
         {KELVO_PCR_RTST_CNT, KELVO_PCR_ABRT_CNT, KELVO_PCR_GOOD_CNT, KELVO_PCR_FUNC_CNT},
         decoder<kelvo_pcr_struct>(kelvo_pcr_to_struct)},
        {"HBR", Image().u1(1).u1(2).u2(3).u4(4).u1('P').cn("b").body(), KELVO_HBR_STATUS_WORDS,
         {KELVO_HBR_HBIN_PF, KELVO_HBR_HBIN_NAM}, decoder<kelvo_hbr_struct>(kelvo_hbr_to_struct)},
        {"SBR", Image().u1(1).u1(2).u2(3).u4(4).u1('F').cn("b").body(), KELVO_SBR_STATUS_WORDS,
         {KELVO_SBR_SBIN_PF, KELVO_SBR_SBIN_NAM}, decoder<kelvo_sbr_struct>(kelvo_sbr_to_struct)},
        {"PRR", Image().u1(1).u1(2).u1(0).u2(5).u2(3).u2(4).u2(1).u2(2).u4(9).cn("i").cn("x").counted({7}).body(),
         KELVO_PRR_STATUS_WORDS,
         {KELVO_PRR_SOFT_BIN, KELVO_PRR_X_COORD, KELVO_PRR_Y_COORD, KELVO_PRR_TEST_T, KELVO_PRR_PART_ID,
          KELVO_PRR_PART_TXT, KELVO_PRR_PART_FIX},
         decoder<kelvo_prr_struct>(kelvo_prr_to_struct)},
        {"PTR",
         texts(Image().u4(1).u1(1).u1(2).u1(0).u1(0).r4(1).cn("t").cn("a").u1(0).u1(1).u1(2).u1(3).r4(0).r4(2), 4)
             .r4(-1).r4(3).body(),
         KELVO_PTR_STATUS_WORDS,
         {KELVO_PTR_RESULT, KELVO_PTR_TEST_TXT, KELVO_PTR_ALARM_ID, KELVO_PTR_OPT_FLAG, KELVO_PTR_RES_SCAL,
          KELVO_PTR_LLM_SCAL, KELVO_PTR_HLM_SCAL, KELVO_PTR_LO_LIMIT, KELVO_PTR_HI_LIMIT, KELVO_PTR_UNITS,
          KELVO_PTR_C_RESFMT, KELVO_PTR_C_LLMFMT, KELVO_PTR_C_HLMFMT, KELVO_PTR_LO_SPEC, KELVO_PTR_HI_SPEC},
         decoder<kelvo_ptr_struct>(kelvo_ptr_to_struct)},
        {"MPR",
         texts(Image().u4(1).u1(1).u1(2).u1(0).u1(0).u2(2).u2(1).u1(0x21).r4(1).cn("t").cn("a").u1(0).u1(1).u1(2)
                   .u1(3).r4(0).r4(2).r4(0).r4(1).u2(1).u2(2), 5)
             .r4(-1).r4(3).body(),
         KELVO_MPR_STATUS_WORDS,
         {KELVO_MPR_RTN_ICNT, KELVO_MPR_RSLT_CNT, KELVO_MPR_RTN_STAT, KELVO_MPR_RTN_RSLT, KELVO_MPR_TEST_TXT,
          KELVO_MPR_ALARM_ID, KELVO_MPR_OPT_FLAG, KELVO_MPR_RES_SCAL, KELVO_MPR_LLM_SCAL, KELVO_MPR_HLM_SCAL,
          KELVO_MPR_LO_LIMIT, KELVO_MPR_HI_LIMIT, KELVO_MPR_START_IN, KELVO_MPR_INCR_IN, KELVO_MPR_RTN_INDX,
          KELVO_MPR_UNITS, KELVO_MPR_UNITS_IN, KELVO_MPR_C_RESFMT, KELVO_MPR_C_LLMFMT, KELVO_MPR_C_HLMFMT,
          KELVO_MPR_LO_SPEC, KELVO_MPR_HI_SPEC},
         decoder<kelvo_mpr_struct>(kelvo_mpr_to_struct)},
        {"FTR",
         texts(Image().u4(1).u1(1).u1(2).u1(0).u1(0).u4(1).u4(2).u4(3).u4(4).u4(5).u4(6).u2(7).u2(1).u2(1).u2(7)
                   .u1(5).u2(8).u1(6).u2(8).u1(0xFF), 7)
             .u1(3).u2(8).u1(1).body(),
         KELVO_FTR_STATUS_WORDS,
         {KELVO_FTR_OPT_FLAG, KELVO_FTR_CYCL_CNT, KELVO_FTR_REL_VADR, KELVO_FTR_REPT_CNT, KELVO_FTR_NUM_FAIL,
          KELVO_FTR_XFAIL_AD, KELVO_FTR_YFAIL_AD, KELVO_FTR_VECT_OFF, KELVO_FTR_RTN_ICNT, KELVO_FTR_PGM_ICNT,
          KELVO_FTR_RTN_INDX, KELVO_FTR_RTN_STAT, KELVO_FTR_PGM_INDX, KELVO_FTR_PGM_STAT, KELVO_FTR_FAIL_PIN,
          KELVO_FTR_VECT_NAM, KELVO_FTR_TIME_SET, KELVO_FTR_OP_CODE, KELVO_FTR_TEST_TXT, KELVO_FTR_ALARM_ID,
          KELVO_FTR_PROG_TXT, KELVO_FTR_RSLT_TXT, KELVO_FTR_PATG_NUM, KELVO_FTR_SPIN_MAP},
         decoder<kelvo_ftr_struct>(kelvo_ftr_to_struct)},
        {"TSR",
         texts(Image().u1(1).u1(2).u1('P').u4(100).u4(5).u4(1).u4(0), 3).u1(0).r4(1).r4(0).r4(2).r4(3).r4(4).body(),
         KELVO_TSR_STATUS_WORDS,
         {KELVO_TSR_TEST_TYP, KELVO_TSR_EXEC_CNT, KELVO_TSR_FAIL_CNT, KELVO_TSR_ALRM_CNT, KELVO_TSR_TEST_NAM,
          KELVO_TSR_SEQ_NAME, KELVO_TSR_TEST_LBL, KELVO_TSR_OPT_FLAG, KELVO_TSR_TEST_TIM, KELVO_TSR_TEST_MIN,
          KELVO_TSR_TEST_MAX, KELVO_TSR_TST_SUMS, KELVO_TSR_TST_SQRS},
         decoder<kelvo_tsr_struct>(kelvo_tsr_to_struct)},
        {"WIR", Image().u1(1).u1(2).u4(3).cn("w").body(), KELVO_WIR_STATUS_WORDS,
         {KELVO_WIR_SITE_GRP, KELVO_WIR_WAFER_ID}, decoder<kelvo_wir_struct>(kelvo_wir_to_struct)},
        {"WRR", texts(Image().u1(1).u1(2).u4(3).u4(4).u4(5).u4(6).u4(7).u4(8), 6).body(), KELVO_WRR_STATUS_WORDS,
         {KELVO_WRR_SITE_GRP, KELVO_WRR_RTST_CNT, KELVO_WRR_ABRT_CNT, KELVO_WRR_GOOD_CNT, KELVO_WRR_FUNC_CNT,
          KELVO_WRR_WAFER_ID, KELVO_WRR_FABWF_ID, KELVO_WRR_FRAME_ID, KELVO_WRR_MASK_ID, KELVO_WRR_USR_DESC,
          KELVO_WRR_EXC_DESC},
         decoder<kelvo_wrr_struct>(kelvo_wrr_to_struct)},
        {"WCR", Image().r4(200).r4(5).r4(6).u1(3).u1('D').u2(1).u2(2).u1('L').u1('U').body(), KELVO_WCR_STATUS_WORDS,
         {KELVO_WCR_WAFR_SIZ, KELVO_WCR_DIE_HT, KELVO_WCR_DIE_WID, KELVO_WCR_WF_UNITS, KELVO_WCR_WF_FLAT,
          KELVO_WCR_CENTER_X, KELVO_WCR_CENTER_Y, KELVO_WCR_POS_X, KELVO_WCR_POS_Y},
         decoder<kelvo_wcr_struct>(kelvo_wcr_to_struct)},
        {"PMR", texts(Image().u2(1).u2(3), 3).u1(1).u1(2).body(), KELVO_PMR_STATUS_WORDS,
         {KELVO_PMR_CHAN_TYP, KELVO_PMR_CHAN_NAM, KELVO_PMR_PHY_NAM, KELVO_PMR_LOG_NAM, KELVO_PMR_HEAD_NUM,
          KELVO_PMR_SITE_NUM},
         decoder<kelvo_pmr_struct>(kelvo_pmr_to_struct)},
        {"PGR", Image().u2(1).cn("g").u2(2).u2(1).u2(2).body(), KELVO_PGR_STATUS_WORDS,
         {KELVO_PGR_GRP_NAM, KELVO_PGR_INDX_CNT}, decoder<kelvo_pgr_struct>(kelvo_pgr_to_struct)},
        {"PLR (two groups)", texts(Image().u2(2).u2(1).u2(2).u2(3).u2(4).u1(5).u1(6), 8).body(), 2 * PG,
         {KELVO_PLR_GRP_MODE, PG + KELVO_PLR_GRP_MODE, KELVO_PLR_GRP_RADX, PG + KELVO_PLR_GRP_RADX,
          KELVO_PLR_PGM_CHAR, PG + KELVO_PLR_PGM_CHAR, KELVO_PLR_RTN_CHAR, PG + KELVO_PLR_RTN_CHAR,
          KELVO_PLR_PGM_CHAL, PG + KELVO_PLR_PGM_CHAL, KELVO_PLR_RTN_CHAL, PG + KELVO_PLR_RTN_CHAL},
         [PG](const uint8_t *image, uint32_t *status) {  // the words are the library's: copied out
             kelvo_plr_struct s{};
             kelvo_attributes attr{2, 4};
             uint32_t *words = nullptr;
             kelvo_plr_to_struct(&s, image, &attr, &words);
             if (words) std::copy(words, words + std::min<int>(2, std::max<int>(s.GRP_CNT, 1)) * PG, status);
         }},
        {"RDR", Image().u2(2).u2(1).u2(2).body(), KELVO_RDR_STATUS_WORDS, {KELVO_RDR_RTST_BIN},
         decoder<kelvo_rdr_struct>(kelvo_rdr_to_struct)},
        {"SDR", texts(Image().u1(1).u1(2).u1(2).u1(3).u1(4), 16).body(), KELVO_SDR_STATUS_WORDS,
         {KELVO_SDR_HAND_TYP, KELVO_SDR_HAND_ID, KELVO_SDR_CARD_TYP, KELVO_SDR_CARD_ID, KELVO_SDR_LOAD_TYP,
          KELVO_SDR_LOAD_ID, KELVO_SDR_DIB_TYP, KELVO_SDR_DIB_ID, KELVO_SDR_CABL_TYP, KELVO_SDR_CABL_ID,
          KELVO_SDR_CONT_TYP, KELVO_SDR_CONT_ID, KELVO_SDR_LASR_TYP, KELVO_SDR_LASR_ID, KELVO_SDR_EXTR_TYP,
          KELVO_SDR_EXTR_ID},
         decoder<kelvo_sdr_struct>(kelvo_sdr_to_struct)},
        {"BPS", Image().cn("s").body(), KELVO_BPS_STATUS_WORDS, {KELVO_BPS_SEQ_NAME},
         decoder<kelvo_bps_struct>(kelvo_bps_to_struct)},
        {"STR", Bytes(str.begin() + 4, str.end()), KELVO_STR_STATUS_WORDS,
         {KELVO_STR_LOG_TYP, KELVO_STR_TEST_TXT, KELVO_STR_ALARM_ID, KELVO_STR_PROG_TXT, KELVO_STR_RSLT_TXT,
          KELVO_STR_MASK_MAP, KELVO_STR_FAL_MAP, KELVO_STR_COND_LST},
         decoder<kelvo_str_struct>(kelvo_str_to_struct)},
    };
    for (const Case &c : cases) EXPECT_EQ(present_order(c), c.order) << c.name;
}

TEST(HeaderConstants, RecordCodesAreTheWritersAndTheVersion3Files) {
    auto codes = [](auto write) {
        Bytes b = written([&](int h) { write(h); });
        return b.size() >= 4 ? KELVO_REC_CODE(b[2], b[3]) : -1;
    };
    auto with = [&](auto s, int (*writer)(int, decltype(&s))) { return codes([&](int h) { writer(h, &s); }); };
    kelvo_gdr_struct str_codes{};
    str_codes.REC_TYP = 6;  // the GDR writer's selector of the scan test record
    const std::vector<std::pair<int, int>> got_expected = {
        {with(kelvo_far_struct{}, kelvo_farwrite), KELVO_REC_CODE(KELVO_FAR_TYP, KELVO_FAR_SUB)},
        {with(kelvo_atr_struct{}, kelvo_atrwrite), KELVO_REC_CODE(KELVO_ATR_TYP, KELVO_ATR_SUB)},
        {with(kelvo_mir_struct{}, kelvo_mirwrite), KELVO_REC_CODE(KELVO_MIR_TYP, KELVO_MIR_SUB)},
        {with(kelvo_mrr_struct{}, kelvo_mrrwrite), KELVO_REC_CODE(KELVO_MRR_TYP, KELVO_MRR_SUB)},
        {with(kelvo_pcr_struct{}, kelvo_pcrwrite), KELVO_REC_CODE(KELVO_PCR_TYP, KELVO_PCR_SUB)},
        {with(kelvo_hbr_struct{}, kelvo_hbrwrite), KELVO_REC_CODE(KELVO_HBR_TYP, KELVO_HBR_SUB)},
        {with(kelvo_sbr_struct{}, kelvo_sbrwrite), KELVO_REC_CODE(KELVO_SBR_TYP, KELVO_SBR_SUB)},
        {with(kelvo_pmr_struct{}, kelvo_pmrwrite), KELVO_REC_CODE(KELVO_PMR_TYP, KELVO_PMR_SUB)},
        {with(kelvo_pgr_struct{}, kelvo_pgrwrite), KELVO_REC_CODE(KELVO_PGR_TYP, KELVO_PGR_SUB)},
        {with(kelvo_plr_struct{}, kelvo_plrwrite), KELVO_REC_CODE(KELVO_PLR_TYP, KELVO_PLR_SUB)},
        {with(kelvo_rdr_struct{}, kelvo_rdrwrite), KELVO_REC_CODE(KELVO_RDR_TYP, KELVO_RDR_SUB)},
        {with(kelvo_sdr_struct{}, kelvo_sdrwrite), KELVO_REC_CODE(KELVO_SDR_TYP, KELVO_SDR_SUB)},
        {with(kelvo_wir_struct{}, kelvo_wirwrite), KELVO_REC_CODE(KELVO_WIR_TYP, KELVO_WIR_SUB)},
        {with(kelvo_wrr_struct{}, kelvo_wrrwrite), KELVO_REC_CODE(KELVO_WRR_TYP, KELVO_WRR_SUB)},
        {with(kelvo_wcr_struct{}, kelvo_wcrwrite), KELVO_REC_CODE(KELVO_WCR_TYP, KELVO_WCR_SUB)},
        {with(kelvo_pir_struct{}, kelvo_pirwrite), KELVO_REC_CODE(KELVO_PIR_TYP, KELVO_PIR_SUB)},
        {with(kelvo_prr_struct{}, kelvo_prrwrite), KELVO_REC_CODE(KELVO_PRR_TYP, KELVO_PRR_SUB)},
        {with(kelvo_tsr_struct{}, kelvo_tsrwrite), KELVO_REC_CODE(KELVO_TSR_TYP, KELVO_TSR_SUB)},
        {with(kelvo_ptr_struct{}, kelvo_ptrwrite), KELVO_REC_CODE(KELVO_PTR_TYP, KELVO_PTR_SUB)},
        {with(kelvo_mpr_struct{}, kelvo_mprwrite), KELVO_REC_CODE(KELVO_MPR_TYP, KELVO_MPR_SUB)},
        {with(kelvo_ftr_struct{}, kelvo_ftrwrite), KELVO_REC_CODE(KELVO_FTR_TYP, KELVO_FTR_SUB)},
        {with(kelvo_bps_struct{}, kelvo_bpswrite), KELVO_REC_CODE(KELVO_BPS_TYP, KELVO_BPS_SUB)},
        {with(kelvo_eps_struct{}, kelvo_epswrite), KELVO_REC_CODE(KELVO_EPS_TYP, KELVO_EPS_SUB)},
        {with(kelvo_gdr_struct{}, kelvo_gdrwrite), KELVO_REC_CODE(KELVO_GDR_TYP, KELVO_GDR_SUB)},
        {with(str_codes, kelvo_gdrwrite), KELVO_REC_CODE(KELVO_STR_TYP, KELVO_STR_SUB)},
        {with(kelvo_dtr_struct{}, kelvo_dtrwrite), KELVO_REC_CODE(KELVO_DTR_TYP, KELVO_DTR_SUB)},
        // Version-3 records: the codes of the independent version-3 generator.
        {v3gen::PDR, KELVO_REC_CODE(KELVO_PDR_TYP, KELVO_PDR_SUB)},
        {v3gen::FDR, KELVO_REC_CODE(KELVO_FDR_TYP, KELVO_FDR_SUB)},
        {v3gen::SHB, KELVO_REC_CODE(KELVO_SHB_TYP, KELVO_SHB_SUB)},
        {v3gen::SSB, KELVO_REC_CODE(KELVO_SSB_TYP, KELVO_SSB_SUB)},
        {v3gen::STS, KELVO_REC_CODE(KELVO_STS_TYP, KELVO_STS_SUB)},
        {v3gen::SCR, KELVO_REC_CODE(KELVO_SCR_TYP, KELVO_SCR_SUB)},
    };
    for (size_t i = 0; i < got_expected.size(); ++i)
        EXPECT_EQ(got_expected[i].first, got_expected[i].second) << "entry " << i;
}

TEST(HeaderConstants, BodyLengthFollowsTheHandlesByteOrder) {
    const kelvo_header hd = {0x1000, 1, 10};  // bytes 00 10 in memory: 16 big-endian, 4096 little-endian
    const uint8_t bytes[4] = {0x00, 0x10, 1, 10};
    ASSERT_EQ(std::memcmp(&hd, bytes, 4), 0);
    const kelvo_attributes saved = Kelvo_file_attributes[7];
    for (auto [handle, cpu, expected] : {std::tuple{7, 1, 16}, {7, 2, 4096}, {7, 0, 4096}, {7, -1, 4096},
                                         {-1, 1, 4096}, {32, 1, 4096}}) {
        Kelvo_file_attributes[7].cpu_type = cpu;
        EXPECT_EQ(kelvo_body_length(handle, &hd), expected) << handle << " " << cpu;
    }
    Kelvo_file_attributes[7] = saved;
}

// The header's reading loop on a big-endian file, with the flag bits a test engineer
// reads: every reader and skip returns kelvo_body_length, a PTR flagged failed is exactly
// one whose result lies outside its test's limits, a PRR flagged failed one outside bin 1.
TEST(HeaderConstants, TheReadingLoopAndFlagBitsOnARealFile) {
    int h = kelvo_open(data_file("lot2").c_str(), "r");
    ASSERT_GE(h, 0);
    std::map<uint32_t, std::pair<float, float>> limits;
    long records = 0, failed_results = 0, failed_parts = 0, bad_flags = 0;
    kelvo_header hd;
    while (kelvo_headread(h, &hd) == 4) {
        ++records;
        if (hd.REC_TYP == KELVO_FAR_TYP && hd.REC_SUB == KELVO_FAR_SUB) {
            kelvo_far_struct far;
            ASSERT_EQ(kelvo_farread(h, &hd, &far), 2);
            continue;
        }
        const uint16_t len = kelvo_body_length(h, &hd);
        if (hd.REC_TYP == KELVO_PTR_TYP && hd.REC_SUB == KELVO_PTR_SUB) {
            kelvo_ptr_struct ptr;
            uint32_t st[KELVO_PTR_STATUS_WORDS] = {};
            ASSERT_EQ(kelvo_ptrread(h, &hd, &ptr, st), len);
            auto &lim = limits.try_emplace(ptr.TEST_NUM, NAN, NAN).first->second;  // limits come once per test
            if (st[KELVO_PTR_LO_LIMIT] & KELVO_VALID) lim.first = ptr.LO_LIMIT;
            if (st[KELVO_PTR_HI_LIMIT] & KELVO_VALID) lim.second = ptr.HI_LIMIT;
            ASSERT_TRUE(st[KELVO_PTR_RESULT] & KELVO_VALID);
            bool outside = ptr.RESULT < lim.first || ptr.RESULT > lim.second;
            bool failed = ptr.TEST_FLG & KELVO_TEST_FLG_FAILED;
            failed_results += failed;
            bad_flags += failed != outside;
        } else if (hd.REC_TYP == KELVO_PRR_TYP && hd.REC_SUB == KELVO_PRR_SUB) {
            kelvo_prr_struct prr;
            ASSERT_EQ(kelvo_prrread(h, &hd, &prr, nullptr), len);
            bool failed = prr.PART_FLG & KELVO_PART_FLG_FAILED;
            ASSERT_FALSE(prr.PART_FLG & KELVO_PART_FLG_NO_PASS_FAIL);
            failed_parts += failed;
            bad_flags += failed != (prr.HARD_BIN != 1);
        } else {
            ASSERT_EQ(kelvo_skip_record(h, &hd), len);
        }
    }
    kelvo_close(h);
    EXPECT_EQ(Kelvo_file_attributes[h].cpu_type, 1);
    EXPECT_EQ(std::vector<long>({records, failed_results, failed_parts, bad_flags}),
              std::vector<long>({58020, 81, 1569 - 1389, 0}));
}
