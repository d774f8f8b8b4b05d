// The printer of a record whose layout is a table: every field in wire order, under
// its name, with its status word.
#pragma once

#include <string>
#include <utility>

#include "codec/layout.h"
#include "kinds/kinds.h"

namespace kinds {

// One field of structure `s` under `name`; `st` the layout's status words. Inlined where
// the field is known at compile time, so that its tests fold away.
[[gnu::always_inline]] inline void print_field(Printer &p, const kelvo::layout::Field &f, const void *s,
                                                const uint32_t *st, const char *name) {
    using namespace kelvo::layout;
    uint32_t status = f.word >= 0 ? st[f.word] : KELVO_VALID;
    if (f.show == Show::Held) status = (status & KELVO_PRESENT) ? KELVO_VALID : 0u;
    if (f.word < 0 && f.missing != 0 && f.type == Type::U4 && member<uint32_t>(s, f.member) == f.missing)
        status = 0;
    switch (f.type) {
    case Type::U1: case Type::U2: case Type::U4: {
        uint64_t v = f.type == Type::U1   ? member<uint8_t>(s, f.member)
                     : f.type == Type::U2 ? member<uint16_t>(s, f.member)
                                          : member<uint32_t>(s, f.member);
        if (f.show == Show::Hex) p.hex(name, v, status);
        else p.u(name, v, status);
        break;
    }
    case Type::I1: p.i(name, member<int8_t>(s, f.member), status); break;
    case Type::I2: p.i(name, member<int16_t>(s, f.member), status); break;
    case Type::I4: p.i(name, member<int32_t>(s, f.member), status); break;
    case Type::R4: p.r(name, member<float>(s, f.member), status); break;
    case Type::R8: p.r(name, member<double>(s, f.member), status); break;
    case Type::C1: p.ch(name, member<char>(s, f.member), status); break;
    case Type::Cn: p.text(name, member<kelvo_cn>(s, f.member), status); break;
    case Type::Bn: p.bn(name, member<kelvo_bn>(s, f.member), status); break;
    case Type::Dn: p.dn(name, member<kelvo_dn>(s, f.member), status); break;
    case Type::N1: break;  // an element type only
    case Type::Array: {
        const uint16_t n = member<uint16_t>(s, f.count);
        if (f.elem == Type::U2) p.list(name, member<uint16_t *>(s, f.member), n, status);
        else if (f.elem == Type::R4) p.list(name, member<float *>(s, f.member), n, status);
        else p.list(name, member<uint8_t *>(s, f.member), n, status);
        break;
    }
    }
}

// The fields from index `from` up to `to`; `prefix` (if any) before each name, the status
// words of the layout at `st`.
template <const auto &L>
void print_fields(Printer &p, const typename std::remove_cvref_t<decltype(L)>::Struct &s, const uint32_t *st,
                  size_t from = 0, const char *prefix = nullptr, size_t to = L.fields.size()) {
    std::string named;
    for (size_t k = from; k < to; ++k) {
        const char *name = L.fields[k].name;
        if (prefix) name = (named = std::string(prefix) + name).c_str();
        print_field(p, L.fields[k], &s, st, name);
    }
}

// Every field, unrolled over the table: kelvo-dump prints every record with it.
template <const auto &L>
void print_layout(Printer &p, const typename std::remove_cvref_t<decltype(L)>::Struct &s, const uint32_t *st) {
    [&]<size_t... I>(std::index_sequence<I...>) {
        (print_field(p, L.fields[I], &s, st, L.fields[I].name), ...);
    }(std::make_index_sequence<L.size()>{});
}

}  // namespace kinds
