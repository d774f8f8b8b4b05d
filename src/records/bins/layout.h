// HBR and SBR: one layout under two sets of field names.
#pragma once

#include "codec/layout.h"

namespace kelvo::bins {

constexpr char kNoPf = ' ';
constexpr uint32_t kLeading = 12;  // header, HEAD_NUM, SITE_NUM, bin number and count
enum Word { kPf = 0, kName = 1 };

// The members of each structure, for the version-3 decoders that fill them.
template <class S>
struct BinFields;

template <>
struct BinFields<kelvo_hbr_struct> {
    static constexpr auto num = &kelvo_hbr_struct::HBIN_NUM;
    static constexpr auto cnt = &kelvo_hbr_struct::HBIN_CNT;
    static constexpr auto pf = &kelvo_hbr_struct::HBIN_PF;
    static constexpr auto nam = &kelvo_hbr_struct::HBIN_NAM;
};

template <>
struct BinFields<kelvo_sbr_struct> {
    static constexpr auto num = &kelvo_sbr_struct::SBIN_NUM;
    static constexpr auto cnt = &kelvo_sbr_struct::SBIN_CNT;
    static constexpr auto pf = &kelvo_sbr_struct::SBIN_PF;
    static constexpr auto nam = &kelvo_sbr_struct::SBIN_NAM;
};

// Header, HEAD_NUM, SITE_NUM, the bin number and its count are the first 12 wire bytes.
template <class S>
constexpr auto bin_layout(const char *rec, uint8_t typ, uint8_t sub, const char *num, const char *cnt,
                          const char *pf, const char *nam) {
    using layout::Type;
    static_assert(offsetof(S, HEAD_NUM) == 4 && offsetof(S, SITE_NUM) == 5);
    return layout::record<S>(rec, typ, sub, kLeading, {
        KELVO_FIELD(HEAD_NUM, U1),
        KELVO_FIELD(SITE_NUM, U1),
        layout::field<uint16_t, Type::U2>(num, 6),
        layout::field<uint32_t, Type::U4>(cnt, 8),
        layout::field<char, Type::C1>(pf, 12).opt(kPf, kNoPf),
        layout::field<kelvo_cn, Type::Cn>(nam, 16).opt(kName),
    });
}

static_assert(offsetof(kelvo_hbr_struct, HBIN_NUM) == 6 && offsetof(kelvo_hbr_struct, HBIN_CNT) == 8 &&
              offsetof(kelvo_hbr_struct, HBIN_PF) == 12 && offsetof(kelvo_hbr_struct, HBIN_NAM) == 16);
static_assert(offsetof(kelvo_sbr_struct, SBIN_NUM) == 6 && offsetof(kelvo_sbr_struct, SBIN_CNT) == 8 &&
              offsetof(kelvo_sbr_struct, SBIN_PF) == 12 && offsetof(kelvo_sbr_struct, SBIN_NAM) == 16);
static_assert(KELVO_HBR_HBIN_PF == 0 && KELVO_HBR_HBIN_NAM == 1 && KELVO_SBR_SBIN_PF == 0 && KELVO_SBR_SBIN_NAM == 1);

constexpr auto kHbr = bin_layout<kelvo_hbr_struct>("HBR", KELVO_HBR_TYP, KELVO_HBR_SUB, "HBIN_NUM", "HBIN_CNT",
                                                   "HBIN_PF", "HBIN_NAM");
constexpr auto kSbr = bin_layout<kelvo_sbr_struct>("SBR", KELVO_SBR_TYP, KELVO_SBR_SUB, "SBIN_NUM", "SBIN_CNT",
                                                   "SBIN_PF", "SBIN_NAM");

}  // namespace kelvo::bins
