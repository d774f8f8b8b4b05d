// The library's own loops that the tools' speed is measured against:
//   loops skip FILE      kelvo_headread + kelvo_skip_record over every record
//   loops copy IN OUT    kelvo_headread + the record's buf_read reader + its writer
// Built and run by tools/measure/speed; uses only the public header.
#include <cstdio>
#include <cstring>

#include "kelvo.h"

namespace {

template <class S>
int copy(int in, const kelvo_header *h, int out, int (*rd)(int, const kelvo_header *, S *, uint32_t *),
         int (*wr)(int, S *)) {
    S s{};
    uint32_t status[64];
    return (rd(in, h, &s, status) > 0 || h->REC_LEN == 0) && wr(out, &s) > 0;
}

template <class S>
int copy(int in, const kelvo_header *h, int out, int (*rd)(int, const kelvo_header *, S *), int (*wr)(int, S *)) {
    S s{};
    return (rd(in, h, &s) > 0 || h->REC_LEN == 0) && wr(out, &s) > 0;
}

int copy_record(int in, const kelvo_header *h, int out) {
    switch (h->REC_TYP << 8 | h->REC_SUB) {
    case 0x000A: return copy(in, h, out, kelvo_farbuf_read, kelvo_farwrite);
    case 0x0014: return copy(in, h, out, kelvo_atrbuf_read, kelvo_atrwrite);
    case 0x010A: return copy(in, h, out, kelvo_mirbuf_read, kelvo_mirwrite);
    case 0x0114: return copy(in, h, out, kelvo_mrrbuf_read, kelvo_mrrwrite);
    case 0x011E: return copy(in, h, out, kelvo_pcrbuf_read, kelvo_pcrwrite);
    case 0x0128: return copy(in, h, out, kelvo_hbrbuf_read, kelvo_hbrwrite);
    case 0x0132: return copy(in, h, out, kelvo_sbrbuf_read, kelvo_sbrwrite);
    case 0x0150: return copy(in, h, out, kelvo_sdrbuf_read, kelvo_sdrwrite);
    case 0x020A: return copy(in, h, out, kelvo_wirbuf_read, kelvo_wirwrite);
    case 0x0214: return copy(in, h, out, kelvo_wrrbuf_read, kelvo_wrrwrite);
    case 0x021E: return copy(in, h, out, kelvo_wcrbuf_read, kelvo_wcrwrite);
    case 0x050A: return copy(in, h, out, kelvo_pirbuf_read, kelvo_pirwrite);
    case 0x0514: return copy(in, h, out, kelvo_prrbuf_read, kelvo_prrwrite);
    case 0x0A1E: return copy(in, h, out, kelvo_tsrbuf_read, kelvo_tsrwrite);
    case 0x0F0A: return copy(in, h, out, kelvo_ptrbuf_read, kelvo_ptrwrite);
    case 0x0F0F: return copy(in, h, out, kelvo_mprbuf_read, kelvo_mprwrite);
    case 0x0F14: return copy(in, h, out, kelvo_ftrbuf_read, kelvo_ftrwrite);
    case 0x140A: return copy(in, h, out, kelvo_bpsbuf_read, kelvo_bpswrite);
    case 0x1414: return copy(in, h, out, kelvo_epsbuf_read, kelvo_epswrite);
    case 0x320A: return copy(in, h, out, kelvo_gdrbuf_read, kelvo_gdrwrite);
    case 0x321E: return copy(in, h, out, kelvo_dtrbuf_read, kelvo_dtrwrite);
    default: return 0;
    }
}

}  // namespace

int main(int argc, char **argv) {
    const bool skip = argc == 3 && std::strcmp(argv[1], "skip") == 0;
    if (!skip && !(argc == 4 && std::strcmp(argv[1], "copy") == 0)) {
        std::fputs("usage: loops skip FILE | loops copy IN OUT\n", stderr);
        return 2;
    }
    int in = kelvo_open(argv[2], "r");
    int out = skip ? -1 : kelvo_open(argv[3], "w");
    if (in < 0 || (!skip && out < 0)) return 1;
    kelvo_header h;
    long records = 0;
    for (; kelvo_headread(in, &h) == 4; ++records) {
        int ok;
        if (skip) {
            kelvo_far_struct far;
            ok = h.REC_TYP == 0 && h.REC_SUB == 10 ? kelvo_farread(in, &h, &far) > 0
                                                   : kelvo_skip_record(in, &h) > 0 || h.REC_LEN == 0;
        } else {
            ok = copy_record(in, &h, out);
        }
        if (!ok) {
            std::fprintf(stderr, "loops: record %ld (%d,%d) not read\n", records, h.REC_TYP, h.REC_SUB);
            return 1;
        }
    }
    kelvo_close(in);
    if (out >= 0 && kelvo_flush(out) != 0) return 1;
    kelvo_close(out);
    std::printf("%ld records\n", records);
    return 0;
}
