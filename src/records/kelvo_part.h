// PIR and PRR: the common reads, with the version-3 decoders below version 4.
#pragma once

#include "records/codec.h"
#include "v3/v3.h"

namespace kelvo::part {

inline codec::ReadResult read_pir(int handle, const kelvo_header *header, kelvo_pir_struct *pir) {
    return codec::read_decode_checked(handle, header, pir,
                                      [handle](kelvo_pir_struct *s, const void *image, const kelvo_attributes *attr) {
                                          if (attr->kelvo_ver < 4) return v3::pir_to_struct(s, image, attr, handle);
                                          kelvo_pir_to_struct(s, image, attr);
                                          return true;
                                      });
}

inline codec::ReadResult read_prr(int handle, const kelvo_header *header, kelvo_prr_struct *prr,
                                  uint32_t *status) {
    return codec::read_decode(
        handle, header, prr, [handle, status](kelvo_prr_struct *s, const void *image, const kelvo_attributes *attr) {
            if (attr->kelvo_ver < 4) kelvo_v3_prr_to_struct(s, image, attr, status, handle);
            else kelvo_prr_to_struct(s, image, attr, status);
        });
}

}  // namespace kelvo::part
