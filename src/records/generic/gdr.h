// GDR internals: the decoder behind the reader and buf_read, and the value sizes and
// value encoding shared by the GDR and scan encodings.
#pragma once

#include "codec/codec.h"

namespace kelvo::gdr {

// Wire bytes of a fixed-width value; 0 for codes without a value and for Cn, Bn, Dn.
inline uint32_t fixed_width(uint8_t type) {
    switch (type) {
        case KELVO_GDR_U1: case KELVO_GDR_I1: case KELVO_GDR_N1: return 1;
        case KELVO_GDR_U2: case KELVO_GDR_I2: return 2;
        case KELVO_GDR_U4: case KELVO_GDR_I4: case KELVO_GDR_R4: return 4;
        case KELVO_GDR_R8: case KELVO_GDR_I8: return 8;
        default: return 0;
    }
}

// Sets the field's value size (and, for Cn, Bn and Dn, its length) to what the encoders
// write after the type code, and returns it. N1 values are cut to their low 4 bits.
uint32_t size_value(kelvo_gdr_field &f);

// Writes the field's value as the GDR and scan encodings do.
void encode_value(codec::Encoder &e, const kelvo_gdr_field &f);

// Decodes a GDR image; false (and an empty table) when its storage cannot be had.
bool decode(kelvo_gdr_struct *gdr, const void *image, const kelvo_attributes *attr);

// The GDR reader: the body bytes read, or 0 when the record was not read whole (it is
// then not decoded) or its storage cannot be had.
int read(int handle, const kelvo_header *header, kelvo_gdr_struct *gdr);

}  // namespace kelvo::gdr
