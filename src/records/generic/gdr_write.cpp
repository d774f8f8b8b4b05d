// GDR writing: the GDR encoding, the scan encoding and the writer's code selector.
#include "codec/codec.h"
#include "records/generic/gdr.h"

KELVO_SOURCE_ID("kelvo_gdrwrite")

using namespace kelvo;
using namespace kelvo::codec;

namespace {

// The header of a scan-encoded record: its REC_LEN is kept here by kelvo_scan_size,
// not in the structure, and cleared after each scan-encoded write.
kelvo_header g_scan_header;

// The record codes that REC_TYP 0-7 select; other values keep the caller's codes.
constexpr uint8_t kSelected[8][2] = {{50, 10}, {1, 90}, {1, 91}, {1, 92}, {1, 93}, {1, 94}, {15, 30}, {0, 30}};

// Sum of the value sizes, plus `per_field` bytes for each field (at most 65535 fields of
// at most 8194 bytes: no overflow).
uint32_t size_fields(kelvo_gdr_struct *record, uint32_t per_field) {
    uint32_t body = per_field * record->FLD_CNT;
    if (record->GEN_DATA)
        for (uint32_t i = 0; i < record->FLD_CNT; ++i) body += gdr::size_value(record->GEN_DATA[i]);
    return body;
}

}  // namespace

namespace kelvo::gdr {

uint32_t size_value(kelvo_gdr_field &f) {
    uint32_t width = fixed_width(f.type);
    if (width != 0) {
        if (f.type == KELVO_GDR_N1 && f.value) *static_cast<uint8_t *>(f.value) &= 0x0F;
        f.size = width;
        return width;
    }
    switch (f.type) {
        case KELVO_GDR_CN:
            f.len = text_length(static_cast<const char *>(f.value));
            f.size = uint32_t{f.len} + 1;
            break;
        case KELVO_GDR_BN: {
            const auto *b = static_cast<const kelvo_bn *>(f.value);
            f.len = b ? b->len : 0;
            f.size = uint32_t{f.len} + 1;
            break;
        }
        case KELVO_GDR_DN: {
            const auto *d = static_cast<const kelvo_dn *>(f.value);
            f.len = static_cast<uint16_t>(d ? (uint32_t{d->bits} + 7) / 8 : 0);
            f.size = uint32_t{f.len} + 2;
            break;
        }
        default:
            f.size = 0;
            break;
    }
    return f.size;
}

void encode_value(Encoder &e, const kelvo_gdr_field &f) {
    uint32_t width = fixed_width(f.type);
    if (f.type == KELVO_GDR_N1) {
        e.put<uint8_t>(f.value ? *static_cast<const uint8_t *>(f.value) & 0x0F : 0);
    } else if (width != 0) {
        e.raw(f.value, width);
    } else if (f.type == KELVO_GDR_CN) {
        auto len = static_cast<uint8_t>(std::min<uint32_t>(f.len, 255));
        e.put<uint8_t>(len);
        e.raw(f.value, len);
    } else if (f.type == KELVO_GDR_BN) {
        const auto *b = static_cast<const kelvo_bn *>(f.value);
        e.bn(b ? *b : kelvo_bn{0, nullptr});
    } else if (f.type == KELVO_GDR_DN) {
        const auto *d = static_cast<const kelvo_dn *>(f.value);
        e.dn(d ? *d : kelvo_dn{0, nullptr});
    }
}

}  // namespace kelvo::gdr

extern "C" {

KELVO_API int kelvo_gdr_size(kelvo_gdr_struct *gdr) {
    // FLD_CNT, then a code byte and the value of each field.
    return finish_size(gdr, 2 + size_fields(gdr, 1));
}

KELVO_API void kelvo_gdr_to_memory(const kelvo_gdr_struct *gdr, void *out) {
    Encoder e(out, gdr->REC_LEN);
    e.leading_block(gdr, 6);
    for (uint32_t i = 0; i < gdr->FLD_CNT; ++i) {
        // A missing field table is written as pad fields.
        if (!gdr->GEN_DATA) {
            e.put<uint8_t>(KELVO_GDR_B0);
            continue;
        }
        e.put<uint8_t>(gdr->GEN_DATA[i].type);
        gdr::encode_value(e, gdr->GEN_DATA[i]);
    }
}

KELVO_API int kelvo_scan_size(kelvo_gdr_struct *gdr) { return finish_size(&g_scan_header, size_fields(gdr, 0)); }

KELVO_API void kelvo_scan_to_memory(const kelvo_gdr_struct *gdr, void *out) {
    g_scan_header.REC_TYP = gdr->REC_TYP;
    g_scan_header.REC_SUB = gdr->REC_SUB;
    Encoder e(out, g_scan_header.REC_LEN);
    e.raw(&g_scan_header, 4);
    if (!gdr->GEN_DATA) return;
    for (uint32_t i = 0; i < gdr->FLD_CNT; ++i) gdr::encode_value(e, gdr->GEN_DATA[i]);
}

KELVO_API int kelvo_gdrwrite(int handle, kelvo_gdr_struct *gdr) {
    if (handle == -1) return -1;
    if (!gdr) return 0;
    if (gdr->REC_TYP < 8) {
        gdr->REC_SUB = kSelected[gdr->REC_TYP][1];
        gdr->REC_TYP = kSelected[gdr->REC_TYP][0];
    }
    if (gdr->REC_SUB == 10)
        return write_record(handle, gdr, gdr->REC_TYP, gdr->REC_SUB, kelvo_gdr_size, kelvo_gdr_to_memory);
    int result = write_record(handle, gdr, gdr->REC_TYP, gdr->REC_SUB, kelvo_scan_size, kelvo_scan_to_memory);
    g_scan_header = kelvo_header{};
    return result;
}

}  // extern "C"
