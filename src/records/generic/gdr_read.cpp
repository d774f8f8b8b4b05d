// GDR: generic data record, a list of fields each led by its type code.
#include "codec/codec.h"
#include "records/generic/gdr.h"

KELVO_SOURCE_ID("kelvo_gdrread")

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
