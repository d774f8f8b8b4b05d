// The printer of a record whose layout is a table: every field in wire order, under
// its name, with its status word.
#pragma once

#include "dump/dump.h"
#include "records/layout.h"

namespace dump {

template <const auto &L>
void print_layout(Printer &p, const typename std::remove_cvref_t<decltype(L)>::Struct &s, const uint32_t *st) {
    using namespace kelvo::layout;
    for (const Field &f : L.fields) {
        uint32_t status = f.word >= 0 ? st[f.word] : KELVO_VALID;
        switch (f.type) {
        case Type::U1: case Type::U2: case Type::U4: {
            uint64_t v = f.type == Type::U1   ? member<uint8_t>(&s, f.member)
                         : f.type == Type::U2 ? member<uint16_t>(&s, f.member)
                                              : member<uint32_t>(&s, f.member);
            if (f.show == Show::Hex) p.hex(f.name, v, status);
            else p.u(f.name, v, status);
            break;
        }
        case Type::I1: p.i(f.name, member<int8_t>(&s, f.member), status); break;
        case Type::I2: p.i(f.name, member<int16_t>(&s, f.member), status); break;
        case Type::I4: p.i(f.name, member<int32_t>(&s, f.member), status); break;
        case Type::R4: p.r(f.name, member<float>(&s, f.member), status); break;
        case Type::R8: p.r(f.name, member<double>(&s, f.member), status); break;
        case Type::C1: p.ch(f.name, member<char>(&s, f.member), status); break;
        case Type::Cn: p.text(f.name, member<kelvo_cn>(&s, f.member), status); break;
        case Type::Bn: p.bn(f.name, member<kelvo_bn>(&s, f.member), status); break;
        }
    }
}

}  // namespace dump
