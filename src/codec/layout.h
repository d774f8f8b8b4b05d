// A record's layout written once: its fields in wire order, each with its member of the
// public structure, its missing value, its status word and how its validity is judged.
// The library derives a record's decoder, size, encoder and string copy from the table
// (codec/layout_codec.h); the tools derive its printer. This header depends on the
// public header alone, so that the tools can share the tables.
//
// A table is written with KELVO_FIELD inside a scope where `S` names the structure:
//
//   using S = kelvo_wir_struct;
//   constexpr auto kWir = layout::record<S>("WIR", KELVO_WIR_TYP, KELVO_WIR_SUB, 6, {
//       KELVO_FIELD(HEAD_NUM, U1),
//       KELVO_FIELD(WAFER_ID, Cn).word(1),
//   });
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "kelvo.h"

namespace kelvo::layout {

enum class Type : uint8_t { U1, U2, U4, I1, I2, I4, R4, R8, C1, Cn, Bn, Dn, N1, Array };

// How a field's valid bit is judged when it is present.
enum class Valid : uint8_t {
    Always,     // valid when present
    Given,      // valid unless it holds its missing value (a text or Bn: unless empty)
    FlagClear,  // valid unless the record's flag byte (`flag`) has `bit` set, present or not
    PresentFlagClear,  // valid when present and the flag byte's `bit` is clear
    Regardless, // valid even when absent (a flag byte whose absence means "all bits set")
};

// How the printer shows a field: as a number, in hex, or (a text) as valid whenever the
// record holds it, empty or not.
enum class Show : uint8_t { Plain, Hex, Held };

// The missing value of an R4 field: the quiet NaN the decoders give.
constexpr uint32_t kMissingR4Bits = 0xFFC00000u;

struct Field {
    const char *name = "";
    Type type = Type::U1;
    uint16_t member = 0;     // offset of the member in the structure
    uint8_t size = 0;        // wire bytes (Cn and Bn: the length byte)
    bool optional = false;   // left off at the end of a record when it holds nothing (trailing omission)
    int8_t word = -1;        // field status word, -1 for none
    Valid valid = Valid::Given;
    uint64_t missing = 0;    // bit pattern of the value of an absent field
    uint16_t flag = 0;       // FlagClear: member offset of the flag byte
    uint8_t bit = 0;         // the bits of the flag byte that mark the field not valid; a field
                             // with bits is written when they are clear
    Show show = Show::Plain;
    bool held = false;       // in the leading block: present only when the record holds its first byte
    Type elem = Type::U1;    // Array: the element type (N1: states packed two to a byte)
    uint16_t count = 0;      // Array: member offset of the U2 count of elements

    // A text always written (its length byte at least).
    constexpr Field required(int status_word) const {
        Field f = *this;
        f.word = static_cast<int8_t>(status_word);
        return f;
    }
    // An optional field with its status word and missing value (trailing omission).
    constexpr Field opt(int status_word, uint64_t missing_bits = 0) const {
        Field f = *this;
        f.optional = true;
        f.word = static_cast<int8_t>(status_word);
        f.missing = missing_bits;
        return f;
    }
    // A field always written, with a status word: taken when it begins inside the record,
    // else given its missing value (in the leading block: always present).
    constexpr Field status(int status_word, uint64_t missing_bits = 0) const {
        Field f = *this;
        f.word = static_cast<int8_t>(status_word);
        f.missing = missing_bits;
        return f;
    }
    // A field without a status word that may hold its missing value (the printer shows
    // it as missing then).
    constexpr Field missing_value(uint64_t missing_bits) const {
        Field f = *this;
        f.missing = missing_bits;
        return f;
    }
    constexpr Field held_only() const {
        Field f = *this;
        f.held = true;
        return f;
    }
    constexpr Field shown_when_held() const {
        Field f = *this;
        f.show = Show::Held;
        return f;
    }
    constexpr Field hex() const {
        Field f = *this;
        f.show = Show::Hex;
        return f;
    }
    constexpr Field valid_when(Valid v) const {
        Field f = *this;
        f.valid = v;
        return f;
    }
    // Valid (and written) unless bits `b` of the flag byte at member offset `flag_member` are set.
    constexpr Field unless_flag(uint16_t flag_member, uint8_t b) const {
        Field f = *this;
        f.valid = Valid::FlagClear;
        f.flag = flag_member;
        f.bit = b;
        return f;
    }
};

template <Type T> struct Cpp;
template <> struct Cpp<Type::U1> { using type = uint8_t; };
template <> struct Cpp<Type::U2> { using type = uint16_t; };
template <> struct Cpp<Type::U4> { using type = uint32_t; };
template <> struct Cpp<Type::I1> { using type = int8_t; };
template <> struct Cpp<Type::I2> { using type = int16_t; };
template <> struct Cpp<Type::I4> { using type = int32_t; };
template <> struct Cpp<Type::R4> { using type = float; };
template <> struct Cpp<Type::R8> { using type = double; };
template <> struct Cpp<Type::C1> { using type = char; };
template <> struct Cpp<Type::Cn> { using type = kelvo_cn; };
template <> struct Cpp<Type::Bn> { using type = kelvo_bn; };
template <> struct Cpp<Type::Dn> { using type = kelvo_dn; };
template <> struct Cpp<Type::N1> { using type = uint8_t; };

template <Type T> using cpp_t = typename Cpp<T>::type;

// Bit pattern of a missing value given as the member's type.
template <class T>
constexpr uint64_t bits(T value) {
    if constexpr (sizeof(T) == 1) return std::bit_cast<uint8_t>(value);
    else if constexpr (sizeof(T) == 2) return std::bit_cast<uint16_t>(value);
    else if constexpr (sizeof(T) == 4) return std::bit_cast<uint32_t>(value);
    else return std::bit_cast<uint64_t>(value);
}

// The value of type T whose bit pattern is `b`.
template <class T>
constexpr T from_bits(uint64_t b) {
    if constexpr (sizeof(T) == 1) return std::bit_cast<T>(static_cast<uint8_t>(b));
    else if constexpr (sizeof(T) == 2) return std::bit_cast<T>(static_cast<uint16_t>(b));
    else if constexpr (sizeof(T) == 4) return std::bit_cast<T>(static_cast<uint32_t>(b));
    else return std::bit_cast<T>(b);
}

template <class Member, Type T>
constexpr Field field(const char *name, size_t member) {
    static_assert(std::is_same_v<std::remove_cv_t<Member>, cpp_t<T>>, "field type and member type differ");
    constexpr uint8_t size = T == Type::Cn || T == Type::Bn ? 1 : T == Type::Dn ? 2 : sizeof(cpp_t<T>);
    return Field{name, T, static_cast<uint16_t>(member), size};
}

// An array of `count` elements of type E; the member points at them (N1: one state a byte).
template <class Member, Type E, class Count>
constexpr Field array(const char *name, size_t member, size_t count) {
    static_assert(std::is_same_v<std::remove_cv_t<Member>, cpp_t<E> *>, "array type and member type differ");
    static_assert(std::is_same_v<std::remove_cv_t<Count>, uint16_t>, "an array's count is a U2");
    Field f{name, Type::Array, static_cast<uint16_t>(member), 0};
    f.elem = E;
    f.count = static_cast<uint16_t>(count);
    return f;
}

// Wire bytes of `n` elements of type E.
constexpr uint32_t array_bytes(Type e, uint32_t n) {
    return e == Type::N1 ? (n + 1) / 2 : e == Type::U2 ? 2 * n : e == Type::R4 ? 4 * n : n;
}

template <class S, size_t N>
struct Record {
    using Struct = S;
    const char *name;
    uint8_t typ, sub;
    // Bytes at the start of the wire image that the structure holds in the same places
    // (header included): copied as one block, their integers converted afterwards.
    uint16_t leading;
    // Fields whose wire bytes all have to lie inside the record to be taken; otherwise a
    // field is taken when it begins inside the record, bytes past the end read as zero.
    bool whole;
    std::array<Field, N> fields;
    static constexpr size_t size() { return N; }
};

template <class S, size_t N>
constexpr Record<S, N> record(const char *name, uint8_t typ, uint8_t sub, uint16_t leading,
                              const Field (&fields)[N], bool whole = false) {
    Record<S, N> r{name, typ, sub, leading, whole, {}};
    for (size_t i = 0; i < N; ++i) r.fields[i] = fields[i];
    return r;
}

// The index of the field named `name` (a compile-time error when there is none).
template <class R>
constexpr size_t index_of(const R &r, std::string_view name) {
    for (size_t i = 0; i < r.fields.size(); ++i)
        if (name == r.fields[i].name) return i;
    throw "no field of that name";
}

// The member a field describes, in a structure.
template <class T, class S>
inline T &member(S *s, uint16_t offset) {
    return *reinterpret_cast<T *>(reinterpret_cast<unsigned char *>(s) + offset);
}
template <class T, class S>
inline const T &member(const S *s, uint16_t offset) {
    return *reinterpret_cast<const T *>(reinterpret_cast<const unsigned char *>(s) + offset);
}

}  // namespace kelvo::layout

// A field of structure `S` (a name in scope): KELVO_FIELD(TEST_NUM, U4).
#define KELVO_FIELD(MEMBER, TYPE) \
    ::kelvo::layout::field<decltype(S::MEMBER), ::kelvo::layout::Type::TYPE>(#MEMBER, offsetof(S, MEMBER))
// An array of structure `S` with its count: KELVO_ARRAY(RTN_RSLT, R4, RSLT_CNT).
#define KELVO_ARRAY(MEMBER, ELEM, COUNT)                                                                     \
    ::kelvo::layout::array<decltype(S::MEMBER), ::kelvo::layout::Type::ELEM, decltype(S::COUNT)>(#MEMBER,     \
                                                                                                 offsetof(S, MEMBER), \
                                                                                                 offsetof(S, COUNT))
