// GDR: generic data record, a list of fields each led by its type code.
#include "codec/codec.h"
#include "records/generic/gdr.h"

KELVO_SOURCE_ID("kelvo_gdrread")
KELVO_SOURCE_ID("kelvo_gdrbuf_read")
KELVO_SOURCE_ID("kelvo_gdrwrite")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(offsetof(kelvo_gdr_struct, FLD_CNT) == 4);

namespace {

// The Bn or Dn descriptor of one field.
union Descriptor {
    kelvo_bn bn;
    kelvo_dn dn;
};
static_assert(sizeof(kelvo_gdr_field) % alignof(Descriptor) == 0);


// The values of one decode, placed one after another in the array buffer.
class Values {
public:
    explicit Values(Buffer &b) : base_(b.data), cap_(b.capacity) {}
    // Room for n bytes at a multiple of `align`; null when the buffer has no room left.
    uint8_t *take(uint32_t n, uint32_t align) {
        auto addr = reinterpret_cast<uintptr_t>(base_ + pos_);
        uint32_t at = pos_ + static_cast<uint32_t>((align - addr % align) % align);
        if (at > cap_ || n > cap_ - at) return nullptr;
        pos_ = at + n;
        return base_ + at;
    }
    template <class T>
    void *number(T value) {
        uint8_t *p = take(sizeof(T), sizeof(T));
        if (p) std::memcpy(p, &value, sizeof(T));
        return p;
    }

private:
    uint8_t *base_;
    uint32_t cap_;
    uint32_t pos_ = 0;
};

// Decodes the value of field `f` at the cursor; false when the record ends before it.
bool decode_value(View &v, kelvo_gdr_field &f, Descriptor &d, Values &values) {
    uint32_t width = gdr::fixed_width(f.type);
    if (width != 0) {
        if (v.left() < width) return false;
        uint32_t at = v.pos();
        switch (f.type) {
            case KELVO_GDR_U2: f.value = values.number(v.integer_at<uint16_t>(at)); break;
            case KELVO_GDR_I2: f.value = values.number(v.integer_at<int16_t>(at)); break;
            case KELVO_GDR_U4: f.value = values.number(v.integer_at<uint32_t>(at)); break;
            case KELVO_GDR_I4: f.value = values.number(v.integer_at<int32_t>(at)); break;
            case KELVO_GDR_R4: f.value = values.number(v.r4_at(at)); break;
            case KELVO_GDR_R8: f.value = values.number(v.r8_at(at)); break;
            case KELVO_GDR_I8: f.value = values.number(v.integer_at<int64_t>(at)); break;
            default: f.value = values.number(v.image()[at]); break;  // U1, I1, N1
        }
        f.size = width;
        v.skip(width);
        return f.value != nullptr;
    }
    switch (f.type) {
        case KELVO_GDR_CN: {
            kelvo_cn s;
            if (!v.cn(s)) return false;
            // A NUL-terminated copy, so that a decoded GDR can be written as it is.
            auto *copy = reinterpret_cast<char *>(values.take(uint32_t{s.len} + 1, 1));
            if (!copy) return false;
            std::memcpy(copy, s.str, s.len);
            copy[s.len] = '\0';
            f.len = s.len;
            f.size = uint32_t{s.len} + 1;
            f.value = copy;
            return true;
        }
        case KELVO_GDR_BN:
            if (!v.bn(d.bn)) return false;
            f.len = d.bn.len;
            f.size = uint32_t{d.bn.len} + 1;
            f.value = &d.bn;
            return true;
        case KELVO_GDR_DN: {
            if (v.left() < 2) return false;
            v.dn(d.dn);
            uint32_t bytes = (uint32_t{d.dn.bits} + 7) / 8;
            f.len = static_cast<uint16_t>(bytes);
            f.size = bytes + 2;
            f.value = &d.dn;
            return true;
        }
        default:  // pad, and codes without a value
            return true;
    }
}

}  // namespace

namespace kelvo::gdr {

bool decode(kelvo_gdr_struct *gdr, const void *image, const kelvo_attributes *attr) {
    View v(image, attr);
    v.leading_block(gdr, 6);
    v.fix_header(gdr);
    fix(v, gdr->FLD_CNT);
    // Every field takes at least its code byte, so the record holds no more fields than
    // body bytes after FLD_CNT; every value copy needs at most 7 bytes of alignment
    // beyond its own wire bytes.
    uint32_t room = v.left();
    uint32_t slots = std::min<uint32_t>(gdr->FLD_CNT, room);
    uint32_t table_bytes = slots * uint32_t{sizeof(kelvo_gdr_field) + sizeof(Descriptor)};
    Buffer &array = array_buffer();
    // The field table, followed by one descriptor slot per field: grown when a record has
    // more fields than any before, reused by every decode.
    Buffer &table = table_buffer();
    if (!table.reserve(table_bytes) || !array.reserve(slots * 8 + room)) {
        gdr->FLD_CNT = 0;
        gdr->GEN_DATA = nullptr;
        return false;
    }
    auto *fields = reinterpret_cast<kelvo_gdr_field *>(table.data);
    auto *descriptors = reinterpret_cast<Descriptor *>(table.data + slots * sizeof(kelvo_gdr_field));
    Values values(array);
    // Fields are taken while their code byte lies inside the record; a value cut off by
    // the end of the record ends the list there.
    uint32_t n = 0;
    while (n < slots && v.present()) {
        kelvo_gdr_field &f = fields[n];
        f = kelvo_gdr_field{v.image()[v.pos()], 0, 0, nullptr};
        v.skip(1);
        if (!decode_value(v, f, descriptors[n], values)) break;
        ++n;
    }
    gdr->FLD_CNT = static_cast<uint16_t>(n);
    gdr->GEN_DATA = fields;
    return true;
}

int read(int handle, const kelvo_header *header, kelvo_gdr_struct *gdr) {
    uint32_t result;
    const uint8_t *image = read_image(handle, header, result);
    // Only a record read whole is decoded.
    if (!image || result == 0) return 0;
    return decode(gdr, image, &Kelvo_file_attributes[handle]) ? static_cast<int>(result) : 0;
}

}  // namespace kelvo::gdr

extern "C" {

KELVO_API void kelvo_gdr_to_struct(kelvo_gdr_struct *gdr, const void *image, const kelvo_attributes *attr) {
    gdr::decode(gdr, image, attr);
}

KELVO_API int kelvo_gdrread(int handle, const kelvo_header *header, kelvo_gdr_struct *gdr) {
    return gdr::read(handle, header, gdr);
}

}  // extern "C"

// GDR: copy of the Cn values into the string buffer.
extern "C" {

KELVO_API int kelvo_gdr_buf(kelvo_gdr_struct *gdr) {
    if (!gdr->GEN_DATA) return 1;
    uint64_t need = 0;
    for (uint32_t i = 0; i < gdr->FLD_CNT; ++i)
        if (gdr->GEN_DATA[i].type == KELVO_GDR_CN) need += uint64_t{gdr->GEN_DATA[i].len} + 1;
    StringCopy copy;
    if (need > UINT32_MAX - 254 || !copy.reserve(static_cast<uint32_t>(need), 254)) return 0;
    for (uint32_t i = 0; i < gdr->FLD_CNT; ++i) {
        kelvo_gdr_field &f = gdr->GEN_DATA[i];
        if (f.type != KELVO_GDR_CN) continue;
        char *text = copy.bytes(static_cast<const char *>(f.value), f.len);
        copy.bytes<char>(nullptr, 1);
        f.value = text;
    }
    return 1;
}

KELVO_API int kelvo_gdrbuf_read(int handle, const kelvo_header *header, kelvo_gdr_struct *gdr) {
    int result = gdr::read(handle, header, gdr);
    // An undecoded structure is never copied.
    if (result <= 0) return result;
    return kelvo_gdr_buf(gdr) ? result : -3;
}

}  // extern "C"

// GDR writing: the GDR encoding, the scan encoding and the writer's code selector.
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
