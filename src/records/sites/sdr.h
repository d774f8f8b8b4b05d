// SDR: the sixteen equipment strings in wire order.
#pragma once

#include "codec/codec.h"

namespace kelvo::sdr {

constexpr kelvo_cn kelvo_sdr_struct::*kTexts[16] = {
    &kelvo_sdr_struct::HAND_TYP, &kelvo_sdr_struct::HAND_ID,  &kelvo_sdr_struct::CARD_TYP,
    &kelvo_sdr_struct::CARD_ID,  &kelvo_sdr_struct::LOAD_TYP, &kelvo_sdr_struct::LOAD_ID,
    &kelvo_sdr_struct::DIB_TYP,  &kelvo_sdr_struct::DIB_ID,   &kelvo_sdr_struct::CABL_TYP,
    &kelvo_sdr_struct::CABL_ID,  &kelvo_sdr_struct::CONT_TYP, &kelvo_sdr_struct::CONT_ID,
    &kelvo_sdr_struct::LASR_TYP, &kelvo_sdr_struct::LASR_ID,  &kelvo_sdr_struct::EXTR_TYP,
    &kelvo_sdr_struct::EXTR_ID,
};

}  // namespace kelvo::sdr
