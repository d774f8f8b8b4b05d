// MIR: master information record. Its reader is also where a version-3 file, which
// has no FAR and opens with its MIR, is recognised.
#include "codec/layout_codec.h"
#include "records/run/layout.h"
#include "records/run/mir.h"

KELVO_SOURCE_ID("kelvo_mirread")
KELVO_SOURCE_ID("kelvo_mirbuf_read")
KELVO_SOURCE_ID("kelvo_mirwrite")

using namespace kelvo;
using namespace kelvo::codec;
using kelvo::run::mir::kLayout;

namespace kelvo::mir {

ReadResult read(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status) {
    Status(status).present(kVersion3Word, false);
    kelvo_attributes *attr = handle_attributes(handle);
    if (!attr || !header || !mir) return {0, false};
    if (attr->cpu_type != -1 && !is_v3(attr)) {
        return read_decode(handle, header, mir,
                           [status](kelvo_mir_struct *s, const void *image, const kelvo_attributes *a) {
                               kelvo_mir_to_struct(s, image, a, status);
                           });
    }
    // No version-4 FAR: the body should open with a version-3 file's CPU type and
    // version bytes. Nothing is read past a record too short to hold them.
    if (header->REC_LEN == 0) return {-2, false};
    uint8_t cpu, version;
    if (kelvo_read(handle, &cpu, 1) != 1) return {-2, false};
    uint16_t len = header_length(header, cpu);
    if (len < 2 || kelvo_read(handle, &version, 1) != 1) return {-2, false};
    // Not a version-3 MIR: nothing decoded, the attributes unchanged.
    if (version != 3) return {-2, false};
    attr->cpu_type = cpu;
    attr->kelvo_ver = 3;
    // With the read buffer in hand the version-3 reader always decodes; without it the
    // rest of the body is passed over.
    if (!read_buffer().reserve(uint32_t{len} + 4)) {
        discard(open_slot(handle)->stream, len - 2u);
        return {0, false};
    }
    return {read_v3_mir(handle, header, mir, status), true};
}

}  // namespace kelvo::mir

extern "C" {

KELVO_API void kelvo_mir_to_struct(kelvo_mir_struct *mir, const void *image, const kelvo_attributes *attr,
                                   uint32_t *status) {
    layout::decode<kLayout>(mir, image, attr, status);
}

KELVO_API int kelvo_mirread(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status) {
    return mir::read(handle, header, mir, status).result;
}

// The strings come out one behind the other in wire order, each NUL-terminated, as a
// copy of the record's string tail with each length byte turned into the previous
// string's terminator; absent strings come last as empty strings. Room: the record's
// string tail and thirty terminators, REC_LEN + 15 bytes.
KELVO_API int kelvo_mir_buf(kelvo_mir_struct *mir) { return layout::copy<kLayout>(mir, uint32_t{mir->REC_LEN} + 15); }

KELVO_API int kelvo_mirbuf_read(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status) {
    return copy_decoded(mir::read(handle, header, mir, status), [handle, mir] {
        return !is_v3(handle) ? kelvo_mir_buf(mir) : kelvo_v3_mir_buf(mir);
    });
}

KELVO_LAYOUT_WRITERS(mir, kLayout)

}  // extern "C"
