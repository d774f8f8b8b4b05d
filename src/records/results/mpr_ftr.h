// MPR and FTR: the decoders and the read that their readers and copies share.
#pragma once

#include "codec/arrays.h"

namespace kelvo::codec {

// An array that the decoder converts into the array buffer at `offset`. Absent: null.
// Present: `fill` converts it and moves the view past its `wire` bytes; when the
// array buffer could not be had it stays null and the view only skips those bytes.
template <class T, class Fill>
inline bool converted_array(View &v, uint8_t *arrays, uint32_t offset, uint32_t wire, T *&out, Fill fill) {
    if (!v.present()) {
        out = nullptr;
        return false;
    }
    if (!arrays) {
        out = nullptr;
        v.skip(wire);
        return true;
    }
    out = reinterpret_cast<T *>(arrays + offset);
    fill(out);
    return true;
}

// Bytes of n states packed two to a byte.
constexpr uint32_t packed(uint32_t n) { return (n + 1) / 2; }

}  // namespace kelvo::codec

namespace kelvo {

// The version-4 MPR and FTR decoders (kelvo_mpr_to_struct, kelvo_ftr_to_struct); false
// when the arrays that the record holds could not be had: they are then null and their
// counts 0.
bool mpr_decode(kelvo_mpr_struct *mpr, const void *image, const kelvo_attributes *attr, uint32_t *status);
bool ftr_decode(kelvo_ftr_struct *ftr, const void *image, const kelvo_attributes *attr, uint32_t *status);

// The read of an FTR by the handle's version (kelvo_ftrread.cpp). A record whose arrays
// could not be had reads as 0.
codec::ReadResult ftr_read(int handle, const kelvo_header *header, kelvo_ftr_struct *ftr, uint32_t *status);

}  // namespace kelvo
