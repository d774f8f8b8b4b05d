// The operations a record's layout table gives: decoder, size, encoder and string copy.
// Each is unrolled over the table at compile time, so a table record decodes as fast as
// a hand-written walk.
#pragma once

#include <utility>

#include "codec/arrays.h"
#include "codec/codec.h"
#include "codec/layout.h"

namespace kelvo::layout {

namespace detail {

template <size_t N, class F>
inline void each(F &&f) {
    [&]<size_t... I>(std::index_sequence<I...>) { (f(std::integral_constant<size_t, I>{}), ...); }(
        std::make_index_sequence<N>{});
}

template <size_t N, class F>
inline void each_reversed(F &&f) {
    [&]<size_t... I>(std::index_sequence<I...>) { (f(std::integral_constant<size_t, N - 1 - I>{}), ...); }(
        std::make_index_sequence<N>{});
}

// Fields of variable length: counted strings and bytes, bit strings, arrays.
constexpr bool variable_length(Type t) { return t == Type::Cn || t == Type::Bn || t == Type::Dn || t == Type::Array; }

// A field that lies in the leading block, where the structure mirrors the wire.
template <const auto &L, size_t I>
constexpr bool in_block() {
    constexpr Field f = L.fields[I];
    return !variable_length(f.type) && f.member + f.size <= L.leading;
}

// Wire bytes of the fields that are always written, behind the header.
template <const auto &L>
constexpr uint32_t fixed_body() {
    uint32_t n = L.leading - 4;
    bool optional_seen = false;
    for (size_t i = 0; i < L.fields.size(); ++i) {
        const Field &f = L.fields[i];
        if (f.optional) {
            optional_seen = true;
            continue;
        }
        if (f.type == Type::Array) continue;  // sized by its count
        if (optional_seen) throw "a field always written follows an optional one";
        if (f.member + f.size > L.leading || variable_length(f.type)) n += f.size;
    }
    return n;
}

// A real holds its missing value when it equals it (0.0 and -0.0 alike); a NaN missing
// value is matched by its bits. Other fields compare their bits.
template <class T>
inline bool holds_missing(const T &value, uint64_t missing) {
    if constexpr (std::is_floating_point_v<T>) {
        const T m = from_bits<T>(missing);
        return m == m ? value == m : bits(value) == missing;
    }
    return bits(value) == missing;
}

// The valid bit of a present (or, for Regardless, any) field.
template <const auto &L, size_t I, class S, class T>
inline bool judged_valid(const S *s, const T &value, bool present) {
    constexpr Field F = L.fields[I];
    if constexpr (F.valid == Valid::Regardless) return true;
    else if constexpr (F.valid == Valid::FlagClear) return !(member<uint8_t>(s, F.flag) & F.bit);
    else if constexpr (F.valid == Valid::PresentFlagClear) return present && !(member<uint8_t>(s, F.flag) & F.bit);
    else if constexpr (F.valid == Valid::Always) return present;
    else if constexpr (F.type == Type::Cn || F.type == Type::Bn) return present && value.len != 0;
    else if constexpr (F.type == Type::Dn) return present && value.bits != 0;
    else return present && !holds_missing(value, F.missing);
}

template <class T>
inline T read_at(const codec::View &v, uint32_t at) {
    if constexpr (std::is_same_v<T, float>) return v.r4_at(at);
    else if constexpr (std::is_same_v<T, double>) return v.r8_at(at);
    else if constexpr (std::is_same_v<T, char>) return static_cast<char>(v.integer_at<uint8_t>(at));
    else return v.integer_at<T>(at);
}

// An array: its storage is the record's to share out, so `arrays` converts it at the
// cursor and says whether the record holds it.
template <const auto &L, size_t I, class S, class Arrays>
inline void decode_array(S *s, const codec::Status &st, Arrays &arrays) {
    constexpr Field f = L.fields[I];
    using E = cpp_t<f.elem>;
    const bool present = arrays(std::integral_constant<size_t, I>{});
    if constexpr (f.word >= 0)
        st.set(f.word, present, member<E *>(s, f.member) != nullptr && member<uint16_t>(s, f.count) != 0);
}

template <const auto &L, size_t I, class S>
inline void decode_value(S *s, codec::View &v, const codec::Status &st) {
    constexpr Field f = L.fields[I];
    using T = cpp_t<f.type>;
    T &m = member<T>(s, f.member);
    bool present;
    if constexpr (in_block<L, I>()) {
        // Taken with the block (zero where the record ends first); converted here.
        if constexpr (std::is_floating_point_v<T>) m = read_at<T>(v, f.member);
        else codec::fix(v, m);
        present = !f.held || f.member < v.end();
    } else if constexpr (f.type == Type::Cn) {
        present = v.cn(m);
    } else if constexpr (f.type == Type::Bn) {
        present = v.bn(m);
    } else if constexpr (f.type == Type::Dn) {
        present = v.dn(m);
    } else if constexpr (L.whole) {
        present = v.pos() + f.size <= v.end();
        m = present ? read_at<T>(v, v.pos()) : from_bits<T>(f.missing);
        if (v.present()) v.skip(f.size);
    } else if constexpr (!f.optional && f.word < 0) {
        // A fixed field without a status word: bytes past the end read as zero.
        m = read_at<T>(v, v.pos());
        v.skip(f.size);
        present = true;
    } else {
        present = v.present();
        m = present ? read_at<T>(v, v.pos()) : from_bits<T>(f.missing);
        if (present) v.skip(f.size);
    }
    if constexpr (f.word >= 0) st.set(f.word, present, judged_valid<L, I>(s, m, present));
}

template <const auto &L, size_t I, class S, class Arrays>
inline void decode_field(S *s, codec::View &v, const codec::Status &st, Arrays &arrays) {
    if constexpr (L.fields[I].type == Type::Array) decode_array<L, I>(s, st, arrays);
    else decode_value<L, I>(s, v, st);
}

// For layouts without arrays.
struct NoArrays {
    template <class I>
    bool operator()(I) const { return false; }
};

}  // namespace detail

// Decodes the record image into the structure and sets the fields' status words.
// `after_block` runs behind the leading block (a version's extra fields).
// `arrays(std::integral_constant<size_t, I>)` converts array field I at the cursor and
// returns whether the record holds it.
template <const auto &L, class S, class AfterBlock, class Arrays = detail::NoArrays>
inline void decode(S *s, codec::View &v, const codec::Status &st, AfterBlock after_block, Arrays arrays = {}) {
    v.leading_block(s, L.leading);
    after_block();
    detail::each<L.size()>([&](auto i) { detail::decode_field<L, i>(s, v, st, arrays); });
    v.fix_header(s);
}

// Decodes the fields from index `From` on at the cursor, without the leading block (a
// layout embedded in another record).
template <const auto &L, size_t From, class S>
inline void decode_fields(S *s, codec::View &v, const codec::Status &st) {
    detail::each<L.size()>([&](auto i) {
        detail::NoArrays none;
        if constexpr (i >= From) detail::decode_field<L, i>(s, v, st, none);
    });
}

template <const auto &L, class S>
inline void decode(S *s, const void *image, const kelvo_attributes *attr, uint32_t *status) {
    codec::View v(image, attr);
    decode<L>(s, v, codec::Status(status), [] {});
}

// The record's total size (header included) with the optional fields that hold nothing
// left off its end; REC_LEN is stored, texts' lengths taken from their characters.
// `extra`: bytes of a record's hand-written part (an array behind the leading block).
template <const auto &L, class S>
inline int size(S *s, uint32_t extra = 0) {
    codec::Tail t;
    detail::each_reversed<L.size()>([&](auto i) {
        constexpr Field f = L.fields[i];
        if constexpr (f.type == Type::Array) {
            t.always(array_bytes(f.elem, member<uint16_t>(s, f.count)));
        } else if constexpr (!f.optional && f.type == Type::Cn) {
            // A required text: its length byte is in the fixed part, its characters here.
            kelvo_cn &m = member<kelvo_cn>(s, f.member);
            m.len = codec::text_length(m.str);
            t.always(m.len);
        } else if constexpr (f.optional) {
            using T = cpp_t<f.type>;
            T &m = member<T>(s, f.member);
            if constexpr (f.type == Type::Cn) t.text(m);
            else if constexpr (f.type == Type::Bn) t.field(m.data != nullptr && m.len != 0, uint32_t{m.len} + 1);
            else if constexpr (f.type == Type::Dn) {
                // A bit string without bytes is written (when it has to be) as a count of 0.
                if (!m.data) m.bits = 0;
                t.field(m.bits != 0, 2 + (uint32_t{m.bits} + 7) / 8);
            }
            else if constexpr (f.bit != 0) t.field(!(member<uint8_t>(s, f.flag) & f.bit), f.size);
            else t.field(!detail::holds_missing(m, f.missing), f.size);
        }
    });
    constexpr uint32_t fixed = detail::fixed_body<L>();
    return codec::finish_size(s, fixed + extra + t.bytes());
}

// The wire image of a structure whose REC_LEN the size function set; `after_block`
// writes a record's hand-written part behind the leading block.
template <const auto &L, class S, class AfterBlock>
inline void encode(const S *s, void *out, AfterBlock after_block) {
    codec::Encoder e(out, s->REC_LEN);
    e.leading_block(s, L.leading);
    after_block(e);
    detail::each<L.size()>([&](auto i) {
        constexpr Field f = L.fields[i];
        if constexpr (!detail::in_block<L, i>()) {
            if constexpr (f.type == Type::Array) {
                using E = cpp_t<f.elem>;
                const E *a = member<E *>(s, f.member);
                const uint16_t n = member<uint16_t>(s, f.count);
                if constexpr (f.elem == Type::N1) e.nibbles(a, n);
                else e.array<E>(a, n, from_bits<E>(f.missing));
            } else {
                using T = cpp_t<f.type>;
                const T &m = member<T>(s, f.member);
                if constexpr (f.type == Type::Cn) e.cn(m);
                else if constexpr (f.type == Type::Bn) e.bn(m);
                else if constexpr (f.type == Type::Dn) e.dn(m);
                else e.put<T>(m);
            }
        }
    });
}

template <const auto &L, class S>
inline void encode(const S *s, void *out) {
    encode<L>(s, out, [](codec::Encoder &) {});
}

// The counted strings copied into the string buffer in field order, each NUL-terminated;
// at least `reserve` bytes are made room for.
template <const auto &L, class S>
inline int copy(S *s, uint32_t reserve = 0) {
    uint32_t need = 0;
    detail::each<L.size()>([&](auto i) {
        if constexpr (L.fields[i].type == Type::Cn) need += uint32_t{member<kelvo_cn>(s, L.fields[i].member).len} + 1;
    });
    codec::StringCopy c;
    if (!c.reserve(std::max(need, reserve))) return 0;
    detail::each<L.size()>([&](auto i) {
        if constexpr (L.fields[i].type == Type::Cn) c.text(member<kelvo_cn>(s, L.fields[i].member));
    });
    return 1;
}

// The copy of a record whose texts lie in runs between other fields: each run that
// still lies as decoded is moved as one block. Every terminator lies inside the room
// reserved; 0 when the string buffer cannot be had.
template <const auto &L, class S>
inline int copy_runs(S *s) {
    std::array<kelvo_cn *, L.size()> texts{};
    std::array<bool, L.size()> ends{};
    size_t n = 0;
    uint32_t need = 0;
    for (const Field &f : L.fields) {
        if (f.type != Type::Cn) {
            if (n) ends[n - 1] = true;
            continue;
        }
        texts[n] = &member<kelvo_cn>(s, f.member);
        need += uint32_t{texts[n]->len} + 1;
        ++n;
    }
    if (n) ends[n - 1] = true;
    codec::StringCopy copy;
    if (!copy.reserve(need)) return 0;
    for (size_t k = 0, start = 0; k < n; ++k) {
        if (!ends[k]) continue;
        codec::copy_run(copy, texts.data() + start, k + 1 - start);
        start = k + 1;
    }
    return 1;
}

// The copy, except that with every text empty the string buffer stays as it is and the
// texts become the static empty string (a decoder's pointer may lie at the record's
// end, where no terminator follows).
template <const auto &L, class S>
inline int copy_unless_empty(S *s) {
    bool empty = true;
    detail::each<L.size()>([&](auto i) {
        if constexpr (L.fields[i].type == Type::Cn) empty = empty && member<kelvo_cn>(s, L.fields[i].member).len == 0;
    });
    if (!empty) return copy<L>(s);
    detail::each<L.size()>([&](auto i) {
        if constexpr (L.fields[i].type == Type::Cn) codec::set_empty(member<kelvo_cn>(s, L.fields[i].member));
    });
    return 1;
}

}  // namespace kelvo::layout

// The exported size, encoder and writer of a table record `rec` (kelvo_rec_size,
// kelvo_rec_to_memory, kelvo_recwrite), inside extern "C".
#define KELVO_LAYOUT_WRITERS(rec, L)                                                                     \
    KELVO_API int kelvo_##rec##_size(kelvo_##rec##_struct *s) { return ::kelvo::layout::size<L>(s); }    \
    KELVO_API void kelvo_##rec##_to_memory(const kelvo_##rec##_struct *s, void *out) {                   \
        ::kelvo::layout::encode<L>(s, out);                                                              \
    }                                                                                                    \
    KELVO_API int kelvo_##rec##write(int handle, kelvo_##rec##_struct *s) {                              \
        return ::kelvo::codec::write_record(handle, s, L.typ, L.sub, kelvo_##rec##_size,                 \
                                            kelvo_##rec##_to_memory);                                    \
    }

// The exported decoder and reader of a table record `rec` (kelvo_rec_to_struct,
// kelvo_recread); a version-3 handle's records go to `v3` (or nullptr), inside extern "C".
#define KELVO_LAYOUT_READER(rec, L, v3)                                                                   \
    KELVO_API void kelvo_##rec##_to_struct(kelvo_##rec##_struct *s, const void *image,                   \
                                           const kelvo_attributes *attr, uint32_t *status) {             \
        ::kelvo::layout::decode<L>(s, image, attr, status);                                               \
    }                                                                                                     \
    KELVO_API int kelvo_##rec##read(int handle, const kelvo_header *header, kelvo_##rec##_struct *s,       \
                                    uint32_t *status) {                                                   \
        return ::kelvo::codec::read_record(handle, header, s, status, kelvo_##rec##_to_struct, v3);       \
    }

