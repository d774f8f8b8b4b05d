// HBR and SBR: one layout under two sets of field names, so one decoder, copy,
// size and encoder serve both. BinFields names the members of each structure.
#pragma once

#include "records/codec.h"

namespace kelvo::bins {

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

// The leading block (header to count) is the wire image; the two structures agree.
static_assert(offsetof(kelvo_hbr_struct, HEAD_NUM) == 4 && offsetof(kelvo_hbr_struct, SITE_NUM) == 5);
static_assert(offsetof(kelvo_hbr_struct, HBIN_NUM) == 6 && offsetof(kelvo_hbr_struct, HBIN_CNT) == 8);
static_assert(offsetof(kelvo_hbr_struct, HBIN_PF) == 12);
static_assert(sizeof(kelvo_hbr_struct) == sizeof(kelvo_sbr_struct));
static_assert(offsetof(kelvo_sbr_struct, HEAD_NUM) == 4 && offsetof(kelvo_sbr_struct, SITE_NUM) == 5);
static_assert(offsetof(kelvo_sbr_struct, SBIN_NUM) == 6 && offsetof(kelvo_sbr_struct, SBIN_CNT) == 8);
static_assert(offsetof(kelvo_sbr_struct, SBIN_PF) == 12);
static_assert(offsetof(kelvo_hbr_struct, HBIN_NAM) == offsetof(kelvo_sbr_struct, SBIN_NAM));

constexpr uint32_t kLeading = 12;
constexpr char kNoPf = ' ';

enum Word { kPf = 0, kName = 1 };

template <class S>
void to_struct(S *s, const void *image, const kelvo_attributes *attr, uint32_t *words) {
    using F = BinFields<S>;
    codec::View v(image, attr);
    codec::Status st(words);
    v.leading_block(s, kLeading);
    if (v.present()) {
        s->*F::pf = static_cast<char>(*v.here());
        v.skip(1);
        st.set(kPf, true, s->*F::pf != kNoPf);
    } else {
        s->*F::pf = kNoPf;
        st.set(kPf, false, false);
    }
    st.text(kName, v.cn(s->*F::nam), s->*F::nam);
    v.fix_header(s);
    codec::fix(v, s->*F::num);
    codec::fix(v, s->*F::cnt);
}

// The common read: the version-3 decoder `v3` below version 4, else the one above.
template <class S>
codec::ReadResult read(int handle, const kelvo_header *header, S *s, uint32_t *status,
                       void (*v3)(S *, const void *, const kelvo_attributes *, uint32_t *)) {
    return codec::read_decode(handle, header, s, [=](S *t, const void *image, const kelvo_attributes *attr) {
        if (attr->kelvo_ver < 4) v3(t, image, attr, status);
        else to_struct(t, image, attr, status);
    });
}

// The name copied into the string buffer, NUL-terminated (an empty one too).
template <class S>
int copy(S *s) {
    return codec::copy_texts(s, BinFields<S>::nam);
}

// PF is written when it is not a space or a name follows; the name when not empty.
template <class S>
int size(S *s) {
    using F = BinFields<S>;
    codec::Tail t;
    t.text(s->*F::nam);
    t.field(s->*F::pf != kNoPf, 1);
    return codec::finish_size(s, 8 + t.bytes());
}

template <class S>
void to_memory(const S *s, void *out) {
    using F = BinFields<S>;
    codec::Encoder e(out, s->REC_LEN);
    e.leading_block(s, kLeading);
    e.put<char>(s->*F::pf);
    e.cn(s->*F::nam);
}

}  // namespace kelvo::bins
