// The common steps of every reader and writer: the body read into the read buffer,
// decoded, copied; a structure sized, encoded and written.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "codec/string_copy.h"
#include "codec/view.h"

namespace kelvo::codec {

// The attributes entry of a handle, or null outside 0-31.
inline kelvo_attributes *handle_attributes(int handle) {
    return handle >= 0 && handle < kMaxHandles ? &Kelvo_file_attributes[handle] : nullptr;
}

// Reads the body of the record whose header the caller read into the read buffer,
// behind the header. Returns the image, or null when the handle is not open or the
// buffer cannot be had (the body is then passed over); `result` gets REC_LEN, or 0 for
// a short read, whose missing bytes are zero.
inline const uint8_t *read_image(int handle, const kelvo_header *header, uint32_t &result) {
    result = 0;
    Slot *slot = open_slot(handle);
    if (!slot || !header) return nullptr;
    uint16_t len = header_length(header, Kelvo_file_attributes[handle].cpu_type);
    Buffer &buffer = read_buffer();
    if (!buffer.reserve(uint32_t{len} + 4)) {
        discard(slot->stream, len);
        return nullptr;
    }
    std::memcpy(buffer.data, header, 4);
    result = read_exact(slot->stream, buffer.data + 4, len);
    return buffer.data;
}

struct ReadResult {
    int result;    // what the reader returns
    bool decoded;  // the structure was decoded
};

// The common read: read the body, then decode whatever the read returned.
template <class S, class Decode>
inline ReadResult read_decode(int handle, const kelvo_header *header, S *s, Decode decode) {
    uint32_t result;
    const uint8_t *image = read_image(handle, header, result);
    if (!image) return {0, false};
    decode(s, image, &Kelvo_file_attributes[handle]);
    return {static_cast<int>(result), true};
}

// The common read for decoders that can fail (an array buffer that cannot be had):
// `decode` returns false then, and the record reads as 0 and is not copied.
template <class S, class Decode>
inline ReadResult read_decode_checked(int handle, const kelvo_header *header, S *s, Decode decode) {
    bool ok = true;
    ReadResult r = read_decode(handle, header, s, [&](S *t, const uint8_t *image, const kelvo_attributes *attr) {
        ok = decode(t, image, attr);
    });
    return ok ? r : ReadResult{0, false};
}

template <class S, class Decode>
inline int read_record(int handle, const kelvo_header *header, S *s, Decode decode) {
    return read_decode(handle, header, s, decode).result;
}

// The second step of every buf_read: the copy of a structure that the read decoded
// (none when it was not decoded); -3 when the copy fails, else the read's result.
template <class Copy>
inline int copy_decoded(ReadResult r, Copy copy) {
    if (!r.decoded) return r.result;
    return copy() ? r.result : -3;
}

// The common buf_read: the read, then the copy of a decoded structure.
template <class S, class Decode, class Copy>
inline int buf_read_record(int handle, const kelvo_header *header, S *s, Decode decode, Copy copy) {
    return copy_decoded(read_decode(handle, header, s, decode), [&] { return copy(s); });
}

// A decoder that takes a status array, and a copy.
template <class S>
using Decoder = void (*)(S *, const void *, const kelvo_attributes *, uint32_t *);
template <class S>
using Copy = int (*)(S *);

// A decoder with a status array that can fail (an array buffer that cannot be had).
template <class S>
using CheckedDecoder = bool (*)(S *, const void *, const kelvo_attributes *, uint32_t *);

template <class S>
inline ReadResult read_decode_checked(int handle, const kelvo_header *header, S *s, uint32_t *status,
                                      CheckedDecoder<S> decode) {
    return read_decode_checked(handle, header, s, [=](S *t, const void *image, const kelvo_attributes *attr) {
        return decode(t, image, attr, status);
    });
}

// The read of a record with such a decoder; a version-3 handle's records go to `v3`
// when there is one.
template <class S>
inline ReadResult read_decode(int handle, const kelvo_header *header, S *s, uint32_t *status, Decoder<S> v4,
                              std::type_identity_t<Decoder<S>> v3 = nullptr) {
    return read_decode(handle, header, s, [=](S *t, const void *image, const kelvo_attributes *attr) {
        (v3 && is_v3(attr) ? v3 : v4)(t, image, attr, status);
    });
}

template <class S>
inline int read_record(int handle, const kelvo_header *header, S *s, uint32_t *status, Decoder<S> v4,
                       std::type_identity_t<Decoder<S>> v3 = nullptr) {
    return read_decode(handle, header, s, status, v4, v3).result;
}

// The buf_read of a record with such a decoder: the read, then the copy of what was
// decoded, by the handle's version as the decoder was chosen.
template <class S>
inline int buf_read_record(int handle, const kelvo_header *header, S *s, uint32_t *status, Decoder<S> v4,
                           Copy<S> copy, std::type_identity_t<Decoder<S>> v3 = nullptr,
                           std::type_identity_t<Copy<S>> v3_copy = nullptr) {
    return copy_decoded(read_decode(handle, header, s, status, v4, v3),
                        [&] { return (v3_copy && is_v3(handle) ? v3_copy : copy)(s); });
}

// The write buffer of an open handle grown to `size`, or null.
uint8_t *write_buffer(int handle, uint32_t size);

// The common writer: codes set, size computed, encoded into the handle's write
// buffer and written. A record longer than 65535 body bytes is not written (0).
template <class S, class Size, class Encode>
inline int write_record(int handle, S *s, uint8_t typ, uint8_t sub, Size size, Encode encode) {
    if (handle == -1) return -1;
    s->REC_TYP = typ;
    s->REC_SUB = sub;
    int total = size(s);
    if (total < 4 || static_cast<uint32_t>(total) > kMaxBody + 4) return 0;
    uint8_t *out = write_buffer(handle, static_cast<uint32_t>(total));
    if (!out) return 0;
    encode(s, out);
    return static_cast<int>(kelvo_write(handle, out, static_cast<uint32_t>(total)));
}

}  // namespace kelvo::codec
