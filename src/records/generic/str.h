// STR internals: the arrays after the condition list, in wire order, and the decoder
// behind the reader and buf_read.
#pragma once

#include "codec/codec.h"

namespace kelvo::str {

// An array of elements whose width in bytes the record states: each element is held as
// its low 32-bit word and, for widths above 4, its high word.
struct Sized {
    uint8_t kelvo_str_struct::*width;
    uint16_t kelvo_str_struct::*count;
    uint32_t *kelvo_str_struct::*lo;
    uint32_t *kelvo_str_struct::*hi;
};

// An array of bytes.
struct Bytes {
    uint16_t kelvo_str_struct::*count;
    uint8_t *kelvo_str_struct::*data;
};

using S = kelvo_str_struct;
inline constexpr Sized kSizedBefore[] = {
    {&S::CYC_SIZE, &S::CYCO_CNT, &S::CYC_OFST, &S::CYC_OFST_HI},
    {&S::PMR_SIZE, &S::PMR_CNT, &S::PMR_INDX, &S::PMR_INDX_HI},
    {&S::CHN_SIZE, &S::CHN_CNT, &S::CHN_NUM, &S::CHN_NUM_HI},
};
inline constexpr Bytes kBytes[] = {
    {&S::EXP_CNT, &S::EXP_DATA},
    {&S::CAP_CNT, &S::CAP_DATA},
    {&S::NEW_CNT, &S::NEW_DATA},
};
inline constexpr Sized kSizedAfter[] = {
    {&S::PAT_SIZE, &S::PAT_CNT, &S::PAT_NUM, &S::PAT_NUM_HI},
    {&S::BIT_SIZE, &S::BPOS_CNT, &S::BIT_POS, &S::BIT_POS_HI},
    {&S::U1_SIZE, &S::USR1_CNT, &S::USR1, &S::USR1_HI},
    {&S::U2_SIZE, &S::USR2_CNT, &S::USR2, &S::USR2_HI},
    {&S::U3_SIZE, &S::USR3_CNT, &S::USR3, &S::USR3_HI},
};

// FMU_FLG bits: which bit maps follow.
constexpr uint8_t kMaskMap = 0x01;
constexpr uint8_t kFalMap = 0x04;

// Decodes an STR image; false (arrays empty) when their storage cannot be had.
bool decode(kelvo_str_struct *str, const void *image, const kelvo_attributes *attr, uint32_t *status);

// The common read with the STR decoder; a structure whose arrays could not be stored
// counts as not decoded (result 0).
codec::ReadResult read(int handle, const kelvo_header *header, kelvo_str_struct *str, uint32_t *status);

}  // namespace kelvo::str
