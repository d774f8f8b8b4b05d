// STR: copy of the texts into the string buffer.
#include "codec/codec.h"
#include "records/generic/str.h"

KELVO_SOURCE_ID("kelvo_strbuf_read")

using namespace kelvo;
using namespace kelvo::codec;
using S = kelvo_str_struct;

namespace {

struct List {
    uint16_t S::*count;
    uint8_t *S::*lengths;
    char **S::*texts;
};
constexpr List kLists[] = {{&S::COND_CNT, &S::COND_LEN, &S::COND_LST}, {&S::TXT_CNT, &S::USER_TXT_LEN, &S::USER_TXT}};

uint32_t length(const S *s, const List &l, uint32_t i) { return s->*l.lengths ? (s->*l.lengths)[i] : 0; }

}  // namespace

extern "C" {

// Layout: the five texts, the texts of both lists, then (at a multiple of 8) both lists'
// pointer arrays and length arrays. A structure copied before is copied onto itself,
// every piece at the place it already has.
KELVO_API int kelvo_str_buf(S *str) {
    uint64_t need = 5 + 7;
    for (auto text : {&S::LOG_TYP, &S::TEST_TXT, &S::ALARM_ID, &S::PROG_TXT, &S::RSLT_TXT}) need += (str->*text).len;
    for (const List &l : kLists)
        for (uint32_t i = 0; i < str->*l.count; ++i) need += length(str, l, i) + 1 + 1 + sizeof(char *);
    StringCopy copy;
    if (need > UINT32_MAX - 255 || !copy.reserve(static_cast<uint32_t>(need))) return 0;

    for (auto text : {&S::LOG_TYP, &S::TEST_TXT, &S::ALARM_ID, &S::PROG_TXT, &S::RSLT_TXT}) copy.text(str->*text);
    uint32_t first[2];
    for (int k = 0; k < 2; ++k) {
        const List &l = kLists[k];
        first[k] = copy.pos();
        for (uint32_t i = 0; i < str->*l.count; ++i) {
            copy.bytes(str->*l.texts ? (str->*l.texts)[i] : nullptr, length(str, l, i));
            copy.bytes<char>(nullptr, 1);
        }
    }
    copy.seek((copy.pos() + 7) & ~7u);
    char **pointers[2];
    for (int k = 0; k < 2; ++k) {
        const List &l = kLists[k];
        uint32_t count = str->*l.count;
        pointers[k] = count ? reinterpret_cast<char **>(copy.base() + copy.pos()) : nullptr;
        for (uint32_t i = 0, at = first[k]; i < count; at += length(str, l, i) + 1, ++i)
            pointers[k][i] = reinterpret_cast<char *>(copy.base() + at);
        copy.seek(copy.pos() + count * uint32_t{sizeof(char *)});
    }
    for (int k = 0; k < 2; ++k) {
        const List &l = kLists[k];
        uint32_t count = str->*l.count;
        uint8_t *lengths = count ? copy.bytes(str->*l.lengths, count) : nullptr;
        str->*l.lengths = lengths;
        str->*l.texts = pointers[k];
    }
    return 1;
}

KELVO_API int kelvo_strbuf_read(int handle, const kelvo_header *header, S *str, uint32_t *status) {
    return copy_decoded(str::read(handle, header, str, status), [str] { return kelvo_str_buf(str); });
}

}  // extern "C"
