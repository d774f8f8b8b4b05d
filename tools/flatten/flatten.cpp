// Flattening a file into table rows, on the library's public readers.
#include "flatten/flatten.h"

#include <map>
#include <algorithm>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "kelvo.h"

namespace flatten {

namespace {

constexpr uint32_t kMissing32 = 0xFFFFFFFFu;
// TEST_FLG bits beyond those the header names: an alarm, and no pass/fail indication.
constexpr uint8_t kTestAlarm = 0x01, kNoPassFail = 0x40;
// OPT_FLAG bits of PTR and MPR that say the test has no such limit (not merely that this
// record does not repeat it).
constexpr uint8_t kNoLowLimit = 0x40, kNoHighLimit = 0x80;

bool valid(uint32_t word) { return word & KELVO_VALID; }
bool present(uint32_t word) { return word & KELVO_PRESENT; }

Text text(const kelvo_cn &t, uint32_t word = KELVO_PRESENT) {
    if (!present(word)) return std::nullopt;
    return std::string_view(t.str ? t.str : "", t.str ? t.len : 0);
}
std::optional<std::string> owned(const kelvo_cn &t, uint32_t word = KELVO_PRESENT) {
    if (!present(word) || t.len == 0 || !t.str) return std::nullopt;
    return std::string(t.str, t.len);
}
Text view(const std::optional<std::string> &s) {
    if (!s) return std::nullopt;
    return std::string_view(*s);
}
template <class T>
std::optional<T> when(bool ok, T v) {
    return ok ? std::optional<T>(v) : std::nullopt;
}
std::optional<uint32_t> count(uint32_t v, bool ok = true) { return when(ok && v != kMissing32, v); }
std::optional<char> code(char c, bool ok = true) { return when(ok && c != ' ' && c != '\0', c); }

std::optional<bool> test_passed(uint8_t flg) {
    if (flg & (KELVO_TEST_FLG_NOT_EXECUTED | kNoPassFail)) return std::nullopt;
    return !(flg & KELVO_TEST_FLG_FAILED);
}

// What the first record of a test gave, for the later records that lack it.
struct Defaults {
    std::optional<std::string> name, units, resfmt, llmfmt, hlmfmt;
    std::optional<float> lo, hi, LO_SPEC, HI_SPEC;
    std::optional<int8_t> res_scal, llm_scal, hlm_scal;
    bool no_lo = false, no_hi = false, NO_LO_SPEC = false, NO_HI_SPEC = false;
    std::vector<uint16_t> pins;  // MPR: RTN_INDX
};

// The fields of a PTR or MPR that carry over, with the status words that describe them.
struct Limits {
    const kelvo_cn &name, &units, &resfmt, &llmfmt, &hlmfmt;
    uint8_t opt;
    bool opt_present;
    int8_t res_scal, llm_scal, hlm_scal;
    float lo, hi, LO_SPEC, HI_SPEC;
    uint32_t w_res_scal, w_lo, w_hi, W_LO_SPEC, W_HI_SPEC, w_units, w_resfmt, w_llmfmt, w_hlmfmt;
};

Defaults defaults_of(const Limits &l) {
    Defaults d;
    d.name = owned(l.name);
    d.units = owned(l.units, l.w_units);
    d.resfmt = owned(l.resfmt, l.w_resfmt);
    d.llmfmt = owned(l.llmfmt, l.w_llmfmt);
    d.hlmfmt = owned(l.hlmfmt, l.w_hlmfmt);
    if (valid(l.w_res_scal)) d.res_scal = l.res_scal;
    if (valid(l.w_lo)) d.lo = l.lo, d.llm_scal = l.llm_scal;
    if (valid(l.w_hi)) d.hi = l.hi, d.hlm_scal = l.hlm_scal;
    if (valid(l.W_LO_SPEC)) d.LO_SPEC = l.LO_SPEC;
    if (valid(l.W_HI_SPEC)) d.HI_SPEC = l.HI_SPEC;
    if (l.opt_present) {
        d.no_lo = !d.lo && (l.opt & kNoLowLimit);
        d.no_hi = !d.hi && (l.opt & kNoHighLimit);
        d.NO_LO_SPEC = present(l.W_LO_SPEC) && !d.LO_SPEC;
        d.NO_HI_SPEC = present(l.W_HI_SPEC) && !d.HI_SPEC;
    }
    return d;
}

// Fills the limits of `row`: the record's own, else the first of `carried` that has them.
void apply(Test &row, const Limits &l, std::initializer_list<const Defaults *> carried) {
    auto from = [&](auto member) -> std::remove_cvref_t<decltype(Defaults{}.*member)> {
        for (const Defaults *d : carried)
            if (d && d->*member) return d->*member;
        return std::nullopt;
    };
    // The first of `carried` that gives the limit or says the test has none decides.
    auto limit = [&](std::optional<float> Defaults::*value, std::optional<int8_t> Defaults::*scale,
                     bool Defaults::*none, std::optional<float> &to, std::optional<int8_t> &to_scale) {
        for (const Defaults *d : carried) {
            if (!d) continue;
            if (d->*value) {
                to = d->*value;
                to_scale = d->*scale;
                return;
            }
            if (d->*none) return;
        }
    };
    auto pick_text = [&](const kelvo_cn &own, uint32_t word, std::optional<std::string> Defaults::*member) -> Text {
        Text t = text(own, word);
        if (t && !t->empty()) return t;
        for (const Defaults *d : carried)
            if (d && d->*member) return std::string_view(*(d->*member));
        return t;
    };
    row.test_name = pick_text(l.name, KELVO_PRESENT, &Defaults::name);
    row.units = pick_text(l.units, l.w_units, &Defaults::units);
    row.c_resfmt = pick_text(l.resfmt, l.w_resfmt, &Defaults::resfmt);
    row.c_llmfmt = pick_text(l.llmfmt, l.w_llmfmt, &Defaults::llmfmt);
    row.c_hlmfmt = pick_text(l.hlmfmt, l.w_hlmfmt, &Defaults::hlmfmt);
    row.res_scal = valid(l.w_res_scal) ? std::optional<int8_t>(l.res_scal) : from(&Defaults::res_scal);
    // A record that says its test has no such limit is not given the first record's.
    if (valid(l.w_lo)) row.lo_limit = l.lo, row.llm_scal = l.llm_scal;
    else if (!(l.opt_present && (l.opt & kNoLowLimit)))
        limit(&Defaults::lo, &Defaults::llm_scal, &Defaults::no_lo, row.lo_limit, row.llm_scal);
    if (valid(l.w_hi)) row.hi_limit = l.hi, row.hlm_scal = l.hlm_scal;
    else if (!(l.opt_present && (l.opt & kNoHighLimit)))
        limit(&Defaults::hi, &Defaults::hlm_scal, &Defaults::no_hi, row.hi_limit, row.hlm_scal);
    std::optional<int8_t> unused;
    if (valid(l.W_LO_SPEC)) row.LO_SPEC = l.LO_SPEC;
    else if (!present(l.W_LO_SPEC)) limit(&Defaults::LO_SPEC, &Defaults::llm_scal, &Defaults::NO_LO_SPEC, row.LO_SPEC, unused);
    if (valid(l.W_HI_SPEC)) row.HI_SPEC = l.HI_SPEC;
    else if (!present(l.W_HI_SPEC)) limit(&Defaults::HI_SPEC, &Defaults::hlm_scal, &Defaults::NO_HI_SPEC, row.HI_SPEC, unused);
}

const char *record_name(int code) {
    switch (code) {
    case KELVO_REC_CODE(KELVO_MIR_TYP, KELVO_MIR_SUB): return "MIR";
    case KELVO_REC_CODE(KELVO_MRR_TYP, KELVO_MRR_SUB): return "MRR";
    case KELVO_REC_CODE(KELVO_PCR_TYP, KELVO_PCR_SUB): return "PCR";
    case KELVO_REC_CODE(KELVO_HBR_TYP, KELVO_HBR_SUB): return "HBR";
    case KELVO_REC_CODE(KELVO_SBR_TYP, KELVO_SBR_SUB): return "SBR";
    case KELVO_REC_CODE(KELVO_WIR_TYP, KELVO_WIR_SUB): return "WIR";
    case KELVO_REC_CODE(KELVO_WRR_TYP, KELVO_WRR_SUB): return "WRR";
    case KELVO_REC_CODE(KELVO_PIR_TYP, KELVO_PIR_SUB): return "PIR";
    case KELVO_REC_CODE(KELVO_PRR_TYP, KELVO_PRR_SUB): return "PRR";
    case KELVO_REC_CODE(KELVO_TSR_TYP, KELVO_TSR_SUB): return "TSR";
    case KELVO_REC_CODE(KELVO_PTR_TYP, KELVO_PTR_SUB): return "PTR";
    case KELVO_REC_CODE(KELVO_MPR_TYP, KELVO_MPR_SUB): return "MPR";
    case KELVO_REC_CODE(KELVO_FTR_TYP, KELVO_FTR_SUB): return "FTR";
    case KELVO_REC_CODE(KELVO_PDR_TYP, KELVO_PDR_SUB): return "PDR";
    case KELVO_REC_CODE(KELVO_FDR_TYP, KELVO_FDR_SUB): return "FDR";
    case KELVO_REC_CODE(KELVO_SHB_TYP, KELVO_SHB_SUB): return "SHB";
    case KELVO_REC_CODE(KELVO_SSB_TYP, KELVO_SSB_SUB): return "SSB";
    case KELVO_REC_CODE(KELVO_STS_TYP, KELVO_STS_SUB): return "STS";
    default: return "record";
    }
}

// A bin record kept for the end of the file, its name copied.
struct KeptBin {
    Bin row;
    std::optional<std::string> name;
};

class Walker {
public:
    Walker(int handle, Visitor &v) : h_(handle), v_(v), want_(v.tables()) {}

    Result run() {
        Result r;
        kelvo_header h;
        if (kelvo_headread(h_, &h) != 4) return fail(r, "empty file");
        int res = start(h);
        if (!check(r, h, res, h.REC_TYP == KELVO_FAR_TYP ? "FAR" : "MIR")) return r;
        while (kelvo_headread(h_, &h) == 4) {
            const int rc = KELVO_REC_CODE(h.REC_TYP, h.REC_SUB);
            if (rc == KELVO_REC_CODE(KELVO_FAR_TYP, KELVO_FAR_SUB))
                return fail(r, where(r) + ": a FAR that is not the first record");
            bool go = true;
            res = record(h, rc, go);
            if (!check(r, h, res, record_name(rc))) return r;
            if (!go) {
                r.stopped = true;
                return r;
            }
        }
        file_.records = r.records;
        if (!finish()) r.stopped = true;
        return r;
    }

private:
    std::string where(const Result &r) const {
        return "record " + std::to_string(r.records) + " at byte offset " + std::to_string(r.end);
    }
    static Result &fail(Result &r, std::string error) {
        r.ok = false;
        r.error = std::move(error);
        return r;
    }
    // True when the record was read whole; else sets the error.
    bool check(Result &r, const kelvo_header &h, int res, const char *name) {
        const uint16_t len = kelvo_body_length(h_, &h);
        if (res == -2 && r.records == 0) {
            fail(r, where(r) + ": the file begins with neither a FAR nor a version-3 MIR");
            return false;
        }
        if (res == -4) {
            fail(r, where(r) + ": " + error_);
            return false;
        }
        if (res == -3) {
            fail(r, where(r) + ": no memory to read the " + std::string(name) + " record");
            return false;
        }
        if (res < 0 || (res == 0 && len != 0) || (res > 0 && res < len)) {
            fail(r, where(r) + ": " + name + " record cut short by the end of the file, or no memory to decode it");
            return false;
        }
        ++r.records;
        r.end += 4u + len;
        v_.read(r.records);
        return true;
    }

    int start(const kelvo_header &h) {
        if (h.REC_TYP == KELVO_MIR_TYP && h.REC_SUB == KELVO_MIR_SUB) {
            int res = mir(h);  // a version-3 file opens with its MIR
            if (res > 0 && Kelvo_file_attributes[h_].cpu_type > 2) return bad("unknown CPU type");
            return res;
        }
        if (h.REC_TYP != KELVO_FAR_TYP || h.REC_SUB != KELVO_FAR_SUB) return -2;
        kelvo_far_struct far;
        int res = kelvo_farread(h_, &h, &far);
        if (res <= 0 || res < kelvo_body_length(h_, &h)) return 0;
        if (far.KELVO_VER != 4) return bad("a FAR of version " + std::to_string(far.KELVO_VER));
        if (far.CPU_TYPE > 2) return bad("unknown CPU type " + std::to_string(far.CPU_TYPE));
        return res;
    }
    int bad(std::string e) {
        error_ = std::move(e);
        return -4;
    }

    int record(const kelvo_header &h, int rc, bool &go) {
        const bool v3 = Kelvo_file_attributes[h_].kelvo_ver == 3;
        switch (rc) {
        case KELVO_REC_CODE(KELVO_MIR_TYP, KELVO_MIR_SUB): return mir(h);
        case KELVO_REC_CODE(KELVO_MRR_TYP, KELVO_MRR_SUB): return mrr(h);
        case KELVO_REC_CODE(KELVO_PCR_TYP, KELVO_PCR_SUB): return pcr(h);
        case KELVO_REC_CODE(KELVO_HBR_TYP, KELVO_HBR_SUB): return hbr(h, false);
        case KELVO_REC_CODE(KELVO_SBR_TYP, KELVO_SBR_SUB): return sbr(h, false);
        case KELVO_REC_CODE(KELVO_WIR_TYP, KELVO_WIR_SUB): return wir(h);
        case KELVO_REC_CODE(KELVO_WRR_TYP, KELVO_WRR_SUB): return wrr(h, go);
        case KELVO_REC_CODE(KELVO_WCR_TYP, KELVO_WCR_SUB):
            if (want_ & kWafers) return wcr(h, go);
            break;
        case KELVO_REC_CODE(KELVO_SDR_TYP, KELVO_SDR_SUB):
            if (want_ & kSites) return sdr(h, go);
            break;
        case KELVO_REC_CODE(KELVO_PIR_TYP, KELVO_PIR_SUB): return pir(h);
        case KELVO_REC_CODE(KELVO_PRR_TYP, KELVO_PRR_SUB): return prr(h, go);
        case KELVO_REC_CODE(KELVO_TSR_TYP, KELVO_TSR_SUB): return tsr(h, false, go);
        case KELVO_REC_CODE(KELVO_PTR_TYP, KELVO_PTR_SUB): return ptr(h, go);
        case KELVO_REC_CODE(KELVO_MPR_TYP, KELVO_MPR_SUB): return mpr(h, go);
        case KELVO_REC_CODE(KELVO_FTR_TYP, KELVO_FTR_SUB): return ftr(h, go);
        }
        if (v3) switch (rc) {
            case KELVO_REC_CODE(KELVO_PDR_TYP, KELVO_PDR_SUB): return pdr(h);
            case KELVO_REC_CODE(KELVO_FDR_TYP, KELVO_FDR_SUB): return kelvo_v3_fdrbuf_read(h_, &h);
            case KELVO_REC_CODE(KELVO_SHB_TYP, KELVO_SHB_SUB): return hbr(h, true);
            case KELVO_REC_CODE(KELVO_SSB_TYP, KELVO_SSB_SUB): return sbr(h, true);
            case KELVO_REC_CODE(KELVO_STS_TYP, KELVO_STS_SUB): return tsr(h, true, go);
            }
        return kelvo_skip_record(h_, &h);
    }

    int mir(const kelvo_header &h) {
        kelvo_mir_struct m{};
        uint32_t st[KELVO_MIR_STATUS_WORDS] = {};
        int res = kelvo_mirread(h_, &h, &m, st);
        if (res <= 0) return res;
        auto keep = [&](std::optional<std::string> &to, const kelvo_cn &t, int word) { to = owned(t, st[word]); };
        keep(lot_, m.LOT_ID, KELVO_MIR_LOT_ID);
        keep(sblot_, m.SBLOT_ID, KELVO_MIR_SBLOT_ID);
        keep(part_typ_, m.PART_TYP, KELVO_MIR_PART_TYP);
        keep(node_, m.NODE_NAM, KELVO_MIR_NODE_NAM);
        keep(tstr_, m.TSTR_TYP, KELVO_MIR_TSTR_TYP);
        keep(job_, m.JOB_NAM, KELVO_MIR_JOB_NAM);
        keep(job_rev_, m.JOB_REV, KELVO_MIR_JOB_REV);
        keep(oper_, m.OPER_NAM, KELVO_MIR_OPER_NAM);
        keep(exec_typ_, m.EXEC_TYP, KELVO_MIR_EXEC_TYP);
        keep(exec_ver_, m.EXEC_VER, KELVO_MIR_EXEC_VER);
        keep(test_cod_, m.TEST_COD, KELVO_MIR_TEST_COD);
        keep(temp_, m.TST_TEMP, KELVO_MIR_TST_TEMP);
        keep(facil_, m.FACIL_ID, KELVO_MIR_FACIL_ID);
        file_.setup_time = m.SETUP_T;
        file_.start_time = m.START_T;
        file_.station = m.STAT_NUM;
        file_.mode_code = code(m.MODE_COD, valid(st[KELVO_MIR_MODE_COD]));
        file_.retest_code = code(m.RTST_COD, valid(st[KELVO_MIR_RTST_COD]));
        return res;
    }

    int mrr(const kelvo_header &h) {
        kelvo_mrr_struct m{};
        uint32_t st[KELVO_MRR_STATUS_WORDS] = {};
        int res = kelvo_mrrread(h_, &h, &m, st);
        if (res <= 0) return res;
        file_.finish_time = m.FINISH_T;
        disp_.reset();
        if (valid(st[KELVO_MRR_DISP_COD]) && m.DISP_COD != ' ') disp_ = std::string(1, m.DISP_COD);
        if (present(st[KELVO_MRR_VERSION3])) {  // a version-3 run's counts
            file_.part_count = count(m.PCR.PART_CNT);
            file_.retest_count = count(m.PCR.RTST_CNT, valid(st[KELVO_MRR_RTST_CNT]));
            file_.abort_count = count(m.PCR.ABRT_CNT, valid(st[KELVO_MRR_ABRT_CNT]));
            file_.good_count = count(m.PCR.GOOD_CNT, valid(st[KELVO_MRR_GOOD_CNT]));
            file_.functional_count = count(m.PCR.FUNC_CNT, valid(st[KELVO_MRR_FUNC_CNT]));
        }
        return res;
    }

    int pcr(const kelvo_header &h) {
        kelvo_pcr_struct p{};
        uint32_t st[KELVO_PCR_STATUS_WORDS] = {};
        int res = kelvo_pcrread(h_, &h, &p, st);
        if (res <= 0 || p.HEAD_NUM != 255 || p.SITE_NUM != 255) return res;
        file_.part_count = count(p.PART_CNT);
        file_.retest_count = count(p.RTST_CNT, valid(st[KELVO_PCR_RTST_CNT]));
        file_.abort_count = count(p.ABRT_CNT, valid(st[KELVO_PCR_ABRT_CNT]));
        file_.good_count = count(p.GOOD_CNT, valid(st[KELVO_PCR_GOOD_CNT]));
        file_.functional_count = count(p.FUNC_CNT, valid(st[KELVO_PCR_FUNC_CNT]));
        return res;
    }

    template <class Rec>
    void keep_bin(bool hard, const Rec &r, uint16_t bin, uint32_t cnt, char pf, const kelvo_cn &name,
                  const uint32_t *st) {
        KeptBin k;
        k.row.hard = hard;
        k.row.head = r.HEAD_NUM;
        k.row.site = r.SITE_NUM;
        k.row.bin = bin;
        k.row.count = count(cnt);
        k.row.pf = code(pf, valid(st[0]));
        k.name = owned(name, st[1]);
        bins_.push_back(std::move(k));
        named_[{hard, bin}] = true;
    }
    int hbr(const kelvo_header &h, bool site) {
        if (!(want_ & kBins)) return kelvo_skip_record(h_, &h);
        kelvo_hbr_struct b{};
        uint32_t st[KELVO_HBR_STATUS_WORDS] = {};
        int res = site ? kelvo_v3_shbread(h_, &h, &b, st) : kelvo_hbrread(h_, &h, &b, st);
        if (res > 0) keep_bin(true, b, b.HBIN_NUM, b.HBIN_CNT, b.HBIN_PF, b.HBIN_NAM, st);
        return res;
    }
    int sbr(const kelvo_header &h, bool site) {
        if (!(want_ & kBins)) return kelvo_skip_record(h_, &h);
        kelvo_sbr_struct b{};
        uint32_t st[KELVO_SBR_STATUS_WORDS] = {};
        int res = site ? kelvo_v3_ssbread(h_, &h, &b, st) : kelvo_sbrread(h_, &h, &b, st);
        if (res > 0) keep_bin(false, b, b.SBIN_NUM, b.SBIN_CNT, b.SBIN_PF, b.SBIN_NAM, st);
        return res;
    }

    int wir(const kelvo_header &h) {
        kelvo_wir_struct w{};
        uint32_t st[KELVO_WIR_STATUS_WORDS] = {};
        int res = kelvo_wirread(h_, &h, &w, st);
        if (res <= 0) return res;
        ++file_.wafers;
        wafer_[w.HEAD_NUM] = Wafer{true, owned(w.WAFER_ID, st[KELVO_WIR_WAFER_ID]), when(w.START_T != 0, w.START_T)};
        return res;
    }
    int wrr(const kelvo_header &h, bool &go) {
        kelvo_wrr_struct w{};
        uint32_t st[KELVO_WRR_STATUS_WORDS] = {};
        int res = kelvo_wrrread(h_, &h, &w, st);
        if (res <= 0) return res;
        if (want_ & kWafers) {
            const Wafer &open = wafer_[w.HEAD_NUM];
            WaferResult row;
            row.head = w.HEAD_NUM;
            row.wafer_id = text(w.WAFER_ID, st[KELVO_WRR_WAFER_ID]);
            if (!row.wafer_id || row.wafer_id->empty()) row.wafer_id = view(open.id);
            row.start_time = open.start;
            row.finish_time = when(w.FINISH_T != 0, w.FINISH_T);
            row.part_count = count(w.PART_CNT);
            row.retest_count = count(w.RTST_CNT, valid(st[KELVO_WRR_RTST_CNT]));
            row.abort_count = count(w.ABRT_CNT, valid(st[KELVO_WRR_ABRT_CNT]));
            row.good_count = count(w.GOOD_CNT, valid(st[KELVO_WRR_GOOD_CNT]));
            row.functional_count = count(w.FUNC_CNT, valid(st[KELVO_WRR_FUNC_CNT]));
            go = v_.wafer(row);
        }
        if (w.HEAD_NUM == 255)
            for (Wafer &x : wafer_) x = Wafer{};
        else wafer_[w.HEAD_NUM] = Wafer{};
        return res;
    }

    int wcr(const kelvo_header &h, bool &go) {
        kelvo_wcr_struct w{};
        uint32_t st[KELVO_WCR_STATUS_WORDS] = {};
        int res = kelvo_wcrread(h_, &h, &w, st);
        if (res <= 0) return res;
        WaferConfig row;
        row.size = when(valid(st[KELVO_WCR_WAFR_SIZ]), w.WAFR_SIZ);
        row.die_height = when(valid(st[KELVO_WCR_DIE_HT]), w.DIE_HT);
        row.die_width = when(valid(st[KELVO_WCR_DIE_WID]), w.DIE_WID);
        row.units = when(valid(st[KELVO_WCR_WF_UNITS]), w.WF_UNITS);
        row.flat = code(w.WF_FLAT, valid(st[KELVO_WCR_WF_FLAT]));
        row.pos_x = code(w.POS_X, valid(st[KELVO_WCR_POS_X]));
        row.pos_y = code(w.POS_Y, valid(st[KELVO_WCR_POS_Y]));
        row.center_x = when(valid(st[KELVO_WCR_CENTER_X]), w.CENTER_X);
        row.center_y = when(valid(st[KELVO_WCR_CENTER_Y]), w.CENTER_Y);
        go = v_.wafer_config(row);
        return res;
    }
    int sdr(const kelvo_header &h, bool &go) {
        kelvo_sdr_struct s{};
        uint32_t st[KELVO_SDR_STATUS_WORDS] = {};
        int res = kelvo_sdrread(h_, &h, &s, st);
        if (res <= 0) return res;
        SiteGroup row;
        row.head = s.HEAD_NUM;
        row.group = s.SITE_GRP;
        if (s.SITE_NUM) row.sites = std::string_view(reinterpret_cast<const char *>(s.SITE_NUM), s.SITE_CNT);
        static const char *const names[] = {"HAND_TYP", "HAND_ID", "CARD_TYP", "CARD_ID", "LOAD_TYP", "LOAD_ID",
                                            "DIB_TYP",  "DIB_ID",  "CABL_TYP", "CABL_ID", "CONT_TYP", "CONT_ID",
                                            "LASR_TYP", "LASR_ID", "EXTR_TYP", "EXTR_ID"};
        const kelvo_cn *texts[] = {&s.HAND_TYP, &s.HAND_ID, &s.CARD_TYP, &s.CARD_ID, &s.LOAD_TYP, &s.LOAD_ID,
                                   &s.DIB_TYP,  &s.DIB_ID,  &s.CABL_TYP, &s.CABL_ID, &s.CONT_TYP, &s.CONT_ID,
                                   &s.LASR_TYP, &s.LASR_ID, &s.EXTR_TYP, &s.EXTR_ID};
        for (int i = 0; i < KELVO_SDR_STATUS_WORDS; ++i)
            if (Text t = text(*texts[i], st[i]); t && !t->empty()) row.equipment.emplace_back(names[i], *t);
        go = v_.site_group(row);
        return res;
    }

    int pir(const kelvo_header &h) {
        kelvo_pir_struct p{};
        int res = kelvo_pirread(h_, &h, &p);
        if (res > 0 || kelvo_body_length(h_, &h) == 0) open_[key(p.HEAD_NUM, p.SITE_NUM)] = ++parts_;
        return res;
    }
    static uint16_t key(uint8_t head, uint8_t site) { return static_cast<uint16_t>(head << 8 | site); }
    std::optional<uint32_t> part_of(uint8_t head, uint8_t site) const {
        auto it = open_.find(key(head, site));
        if (it == open_.end()) return std::nullopt;
        return it->second;
    }

    int prr(const kelvo_header &h, bool &go) {
        kelvo_prr_struct p{};
        uint32_t st[KELVO_PRR_STATUS_WORDS] = {};
        int res = kelvo_prrread(h_, &h, &p, st);
        if (res <= 0) return res;
        Part row;
        auto it = open_.find(key(p.HEAD_NUM, p.SITE_NUM));
        if (it != open_.end()) {
            row.part = it->second;
            open_.erase(it);
        } else {
            row.part = ++parts_;  // a part whose PIR is missing
        }
        row.head = p.HEAD_NUM;
        row.site = p.SITE_NUM;
        row.part_id = text(p.PART_ID, st[KELVO_PRR_PART_ID]);
        row.part_txt = text(p.PART_TXT, st[KELVO_PRR_PART_TXT]);
        row.x = when(valid(st[KELVO_PRR_X_COORD]), p.X_COORD);
        row.y = when(valid(st[KELVO_PRR_Y_COORD]), p.Y_COORD);
        row.hard_bin = p.HARD_BIN;
        row.soft_bin = when(valid(st[KELVO_PRR_SOFT_BIN]), p.SOFT_BIN);
        if (!(p.PART_FLG & KELVO_PART_FLG_NO_PASS_FAIL)) row.passed = !(p.PART_FLG & KELVO_PART_FLG_FAILED);
        row.part_flg = p.PART_FLG;
        row.num_test = p.NUM_TEST;
        row.test_time = when(valid(st[KELVO_PRR_TEST_T]), p.TEST_T);
        const Wafer &w = wafer_[p.HEAD_NUM].open ? wafer_[p.HEAD_NUM] : wafer_[255];
        if (w.open) row.wafer_id = view(w.id);
        ++file_.parts;
        if (row.passed) ++(*row.passed ? file_.parts_passed : file_.parts_failed);
        ++counted_[{true, p.HARD_BIN, p.HEAD_NUM, p.SITE_NUM}];
        if (row.soft_bin) ++counted_[{false, *row.soft_bin, p.HEAD_NUM, p.SITE_NUM}];
        if (want_ & kParts) go = v_.part(row);
        return res;
    }

    int tsr(const kelvo_header &h, bool site, bool &go) {
        if (!(want_ & kSummary)) return kelvo_skip_record(h_, &h);
        kelvo_tsr_struct t{};
        uint32_t st[KELVO_TSR_STATUS_WORDS] = {};
        int res = site ? kelvo_v3_stsread(h_, &h, &t, st) : kelvo_tsrread(h_, &h, &t, st);
        if (res <= 0) return res;
        Summary row;
        row.head = t.HEAD_NUM;
        row.site = t.SITE_NUM;
        row.test_num = t.TEST_NUM;
        row.test_typ = code(t.TEST_TYP, valid(st[KELVO_TSR_TEST_TYP]));
        row.test_name = text(t.TEST_NAM, st[KELVO_TSR_TEST_NAM]);
        row.seq_name = text(t.SEQ_NAME, st[KELVO_TSR_SEQ_NAME]);
        row.test_label = text(t.TEST_LBL, st[KELVO_TSR_TEST_LBL]);
        row.exec_cnt = count(t.EXEC_CNT, valid(st[KELVO_TSR_EXEC_CNT]));
        row.fail_cnt = count(t.FAIL_CNT, valid(st[KELVO_TSR_FAIL_CNT]));
        row.alrm_cnt = count(t.ALRM_CNT, valid(st[KELVO_TSR_ALRM_CNT]));
        row.test_tim = when(valid(st[KELVO_TSR_TEST_TIM]), t.TEST_TIM);
        row.test_min = when(valid(st[KELVO_TSR_TEST_MIN]), t.TEST_MIN);
        row.test_max = when(valid(st[KELVO_TSR_TEST_MAX]), t.TEST_MAX);
        row.tst_sums = when(valid(st[KELVO_TSR_TST_SUMS]), t.TST_SUMS);
        row.tst_sqrs = when(valid(st[KELVO_TSR_TST_SQRS]), t.TST_SQRS);
        if (row.tst_sums && row.exec_cnt && *row.exec_cnt > 0)
            row.mean = static_cast<double>(*row.tst_sums) / *row.exec_cnt;
        go = v_.summary(row);
        return res;
    }

    // The defaults of a test on this head and site (made from `l`, the first record
    // there) and of the test anywhere (its first record, or a version-3 file's
    // description), for the record `l`.
    std::pair<const Defaults *, const Defaults *> carried(uint32_t test, uint8_t head, uint8_t site,
                                                          const Limits &l, bool &first) {
        const uint64_t k = static_cast<uint64_t>(test) << 16 | key(head, site);
        auto t = by_test_.find(test);
        const Defaults *anywhere = t == by_test_.end() ? nullptr : &t->second;
        auto it = by_site_.find(k);
        first = it == by_site_.end();
        if (!first) return {&it->second, anywhere};
        it = by_site_.emplace(k, defaults_of(l)).first;
        if (!anywhere) by_test_.emplace(test, it->second);
        return {nullptr, anywhere};  // the first record on its site is its own, but may lack what the test's first gave
    }

    int pdr(const kelvo_header &h) {
        kelvo_ptr_struct p{};
        uint32_t st[KELVO_PTR_STATUS_WORDS] = {};
        int res = kelvo_v3_pdrbuf_read(h_, &h, &p, st);
        if (res > 0) by_test_[p.TEST_NUM] = defaults_of(ptr_limits(p, st));
        return res;
    }

    static Limits ptr_limits(const kelvo_ptr_struct &p, const uint32_t *st) {
        return Limits{p.TEST_TXT,
                      p.UNITS,
                      p.C_RESFMT,
                      p.C_LLMFMT,
                      p.C_HLMFMT,
                      p.OPT_FLAG,
                      present(st[KELVO_PTR_OPT_FLAG]),
                      p.RES_SCAL,
                      p.LLM_SCAL,
                      p.HLM_SCAL,
                      p.LO_LIMIT,
                      p.HI_LIMIT,
                      p.LO_SPEC,
                      p.HI_SPEC,
                      st[KELVO_PTR_RES_SCAL],
                      st[KELVO_PTR_LO_LIMIT],
                      st[KELVO_PTR_HI_LIMIT],
                      st[KELVO_PTR_LO_SPEC],
                      st[KELVO_PTR_HI_SPEC],
                      st[KELVO_PTR_UNITS],
                      st[KELVO_PTR_C_RESFMT],
                      st[KELVO_PTR_C_LLMFMT],
                      st[KELVO_PTR_C_HLMFMT]};
    }

    int ptr(const kelvo_header &h, bool &go) {
        if (!(want_ & kTests)) return kelvo_skip_record(h_, &h);
        kelvo_ptr_struct p{};
        uint32_t st[KELVO_PTR_STATUS_WORDS] = {};
        int res = kelvo_ptrread(h_, &h, &p, st);
        if (res <= 0) return res;
        Limits l = ptr_limits(p, st);
        bool first;
        auto [site, test] = carried(p.TEST_NUM, p.HEAD_NUM, p.SITE_NUM, l, first);
        Test row;
        row.part = part_of(p.HEAD_NUM, p.SITE_NUM);
        row.head = p.HEAD_NUM;
        row.site = p.SITE_NUM;
        row.test_num = p.TEST_NUM;
        row.alarm_id = text(p.ALARM_ID, st[KELVO_PTR_ALARM_ID]);
        row.result = when(valid(st[KELVO_PTR_RESULT]), p.RESULT);
        row.passed = test_passed(p.TEST_FLG);
        row.alarm = p.TEST_FLG & kTestAlarm;
        row.test_flg = p.TEST_FLG;
        row.parm_flg = p.PARM_FLG;
        apply(row, l, {site, test});
        go = v_.test(row);
        return res;
    }
    int mpr(const kelvo_header &h, bool &go) {
        if (!(want_ & kTests)) return kelvo_skip_record(h_, &h);
        kelvo_mpr_struct m{};
        uint32_t st[KELVO_MPR_STATUS_WORDS] = {};
        int res = kelvo_mprread(h_, &h, &m, st);
        if (res <= 0) return res;
        Limits l{m.TEST_TXT,
                 m.UNITS,
                 m.C_RESFMT,
                 m.C_LLMFMT,
                 m.C_HLMFMT,
                 m.OPT_FLAG,
                 present(st[KELVO_MPR_OPT_FLAG]),
                 m.RES_SCAL,
                 m.LLM_SCAL,
                 m.HLM_SCAL,
                 m.LO_LIMIT,
                 m.HI_LIMIT,
                 m.LO_SPEC,
                 m.HI_SPEC,
                 st[KELVO_MPR_RES_SCAL],
                 st[KELVO_MPR_LO_LIMIT],
                 st[KELVO_MPR_HI_LIMIT],
                 st[KELVO_MPR_LO_SPEC],
                 st[KELVO_MPR_HI_SPEC],
                 st[KELVO_MPR_UNITS],
                 st[KELVO_MPR_C_RESFMT],
                 st[KELVO_MPR_C_LLMFMT],
                 st[KELVO_MPR_C_HLMFMT]};
        bool first;
        auto [site, test] = carried(m.TEST_NUM, m.HEAD_NUM, m.SITE_NUM, l, first);
        const uint16_t *own_pins = m.RTN_INDX && m.RTN_ICNT ? m.RTN_INDX : nullptr;
        if (first && own_pins) {
            auto &d = by_site_[static_cast<uint64_t>(m.TEST_NUM) << 16 | key(m.HEAD_NUM, m.SITE_NUM)];
            d.pins.assign(own_pins, own_pins + m.RTN_ICNT);
        }
        const std::vector<uint16_t> *pins = nullptr;
        if (!own_pins)
            for (const Defaults *d : {site, test})
                if (d && !d->pins.empty() && !pins) pins = &d->pins;
        const uint32_t npins = own_pins ? m.RTN_ICNT : pins ? static_cast<uint32_t>(pins->size()) : 0;
        const bool results_ok = m.RTN_RSLT && !(m.TEST_FLG & KELVO_TEST_FLG_RESULT_INVALID);
        const uint32_t rows = std::max<uint32_t>({npins, uint32_t{m.RSLT_CNT}, 1u});
        Test row;
        row.part = part_of(m.HEAD_NUM, m.SITE_NUM);
        row.head = m.HEAD_NUM;
        row.site = m.SITE_NUM;
        row.test_num = m.TEST_NUM;
        row.alarm_id = text(m.ALARM_ID, st[KELVO_MPR_ALARM_ID]);
        row.passed = test_passed(m.TEST_FLG);
        row.alarm = m.TEST_FLG & kTestAlarm;
        row.test_flg = m.TEST_FLG;
        row.parm_flg = m.PARM_FLG;
        apply(row, l, {site, test});
        for (uint32_t k = 0; k < rows && go; ++k) {
            row.pin = k < npins ? std::optional<uint16_t>(own_pins ? own_pins[k] : (*pins)[k]) : std::nullopt;
            row.pin_state = when(m.RTN_STAT && k < m.RTN_ICNT, m.RTN_STAT ? m.RTN_STAT[k < m.RTN_ICNT ? k : 0] : 0);
            row.result = when(results_ok && k < m.RSLT_CNT, results_ok ? m.RTN_RSLT[k < m.RSLT_CNT ? k : 0] : 0.0f);
            go = v_.test(row);
        }
        return res;
    }

    int ftr(const kelvo_header &h, bool &go) {
        if (!(want_ & kFunctional)) return kelvo_skip_record(h_, &h);
        kelvo_ftr_struct f{};
        uint32_t st[KELVO_FTR_STATUS_WORDS] = {};
        int res = kelvo_ftrread(h_, &h, &f, st);
        if (res <= 0) return res;
        Functional row;
        row.part = part_of(f.HEAD_NUM, f.SITE_NUM);
        row.head = f.HEAD_NUM;
        row.site = f.SITE_NUM;
        row.test_num = f.TEST_NUM;
        row.test_name = text(f.TEST_TXT, st[KELVO_FTR_TEST_TXT]);
        row.alarm_id = text(f.ALARM_ID, st[KELVO_FTR_ALARM_ID]);
        row.vector_name = text(f.VECT_NAM, st[KELVO_FTR_VECT_NAM]);
        row.passed = test_passed(f.TEST_FLG);
        row.test_flg = f.TEST_FLG;
        row.cycle_count = count(f.CYCL_CNT, valid(st[KELVO_FTR_CYCL_CNT]));
        row.failing_pins = count(f.NUM_FAIL, valid(st[KELVO_FTR_NUM_FAIL]));
        go = v_.functional(row);
        return res;
    }

    // Hands over the bins and the file's row.
    bool finish() {
        if (want_ & kBins) {
            using Key = std::tuple<bool, uint16_t, uint8_t, uint8_t>;
            for (KeptBin &k : bins_) {
                Bin &b = k.row;
                b.name = view(k.name);
                for (auto it = counted_.lower_bound(Key{b.hard, b.bin, 0, 0});
                     it != counted_.end() && std::get<0>(it->first) == b.hard && std::get<1>(it->first) == b.bin; ++it)
                    if ((b.head == 255 || std::get<2>(it->first) == b.head) &&
                        (b.site == 255 || std::get<3>(it->first) == b.site))
                        b.counted += it->second;
                if (!v_.bin(b)) return false;
            }
            // Bins that PRRs name and no bin record does: one row for all heads and sites.
            std::map<std::pair<bool, uint16_t>, uint64_t> unnamed;
            for (const auto &[k, n] : counted_)
                if (!named_.count({std::get<0>(k), std::get<1>(k)})) unnamed[{std::get<0>(k), std::get<1>(k)}] += n;
            for (auto it = unnamed.rbegin(); it != unnamed.rend(); ++it) {  // hard bins first
                Bin b;
                b.hard = it->first.first;
                b.head = b.site = 255;
                b.bin = it->first.second;
                b.counted = it->second;
                if (!v_.bin(b)) return false;
            }
        }
        if (!(want_ & kFiles)) return true;
        file_.version = Kelvo_file_attributes[h_].kelvo_ver;
        file_.cpu_type = Kelvo_file_attributes[h_].cpu_type;
        file_.lot_id = view(lot_);
        file_.sublot_id = view(sblot_);
        file_.part_type = view(part_typ_);
        file_.node_name = view(node_);
        file_.tester_type = view(tstr_);
        file_.job_name = view(job_);
        file_.job_rev = view(job_rev_);
        file_.operator_name = view(oper_);
        file_.exec_type = view(exec_typ_);
        file_.exec_ver = view(exec_ver_);
        file_.test_code = view(test_cod_);
        file_.test_temp = view(temp_);
        file_.facility_id = view(facil_);
        file_.disposition = view(disp_);
        return v_.file(file_);
    }

    struct Wafer {
        bool open = false;
        std::optional<std::string> id;
        std::optional<uint32_t> start;
    };

    int h_;
    Visitor &v_;
    unsigned want_;
    std::string error_;
    File file_;
    std::optional<std::string> lot_, sblot_, part_typ_, node_, tstr_, job_, job_rev_, oper_, exec_typ_, exec_ver_,
        test_cod_, temp_, facil_, disp_;
    Wafer wafer_[256];
    uint32_t parts_ = 0;
    std::unordered_map<uint16_t, uint32_t> open_;
    std::unordered_map<uint64_t, Defaults> by_site_;
    std::unordered_map<uint32_t, Defaults> by_test_;
    std::vector<KeptBin> bins_;
    std::map<std::pair<bool, uint16_t>, bool> named_;
    std::map<std::tuple<bool, uint16_t, uint8_t, uint8_t>, uint64_t> counted_;
};

}  // namespace

Result walk(int handle, Visitor &visitor) {
    if (handle < 0 || handle >= 32) {
        Result r;
        r.ok = false;
        r.error = "not an open handle";
        return r;
    }
    return Walker(handle, visitor).run();
}

}  // namespace flatten
