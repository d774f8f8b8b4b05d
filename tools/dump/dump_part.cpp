// kelvo-dump: PIR and PRR.
#include "dump/dump.h"

namespace {

void print_pir(dump::Printer &p, const kelvo_pir_struct &s, const uint32_t *) {
    p.u("HEAD_NUM", s.HEAD_NUM);
    p.u("SITE_NUM", s.SITE_NUM);
}

void print_prr(dump::Printer &p, const kelvo_prr_struct &s, const uint32_t *st) {
    p.u("HEAD_NUM", s.HEAD_NUM);
    p.u("SITE_NUM", s.SITE_NUM);
    p.hex("PART_FLG", s.PART_FLG);
    p.u("NUM_TEST", s.NUM_TEST);
    p.u("HARD_BIN", s.HARD_BIN);
    p.u("SOFT_BIN", s.SOFT_BIN, st[0]);
    p.i("X_COORD", s.X_COORD, st[1]);
    p.i("Y_COORD", s.Y_COORD, st[2]);
    p.u("TEST_T", s.TEST_T, st[3]);
    p.text("PART_ID", s.PART_ID, st[4]);
    p.text("PART_TXT", s.PART_TXT, st[5]);
    p.bn("PART_FIX", s.PART_FIX, st[6]);
}

const dump::Registration registration{
    dump::make_kind<kelvo_pir_struct>(
        "PIR", 5, 10,
        {[](int h, const kelvo_header *hd, kelvo_pir_struct *s, uint32_t *) { return kelvo_pirbuf_read(h, hd, s); },
         [](kelvo_pir_struct *s, const void *img, const kelvo_attributes *a, uint32_t *) {
             kelvo_pir_to_struct(s, img, a);
         },
         kelvo_pir_buf, kelvo_pir_size, kelvo_pir_to_memory, kelvo_pirwrite, print_pir,
         [](int h, kelvo_pir_struct *s, const void *img, const kelvo_attributes *a, uint32_t *) {
             kelvo_v3_pir_to_struct(s, img, a, h);
         }}),
    dump::make_kind<kelvo_prr_struct>("PRR", 5, 20,
                                      {kelvo_prrbuf_read, kelvo_prr_to_struct, kelvo_prr_buf, kelvo_prr_size,
                                       kelvo_prr_to_memory, kelvo_prrwrite, print_prr,
                                       [](int h, kelvo_prr_struct *s, const void *img, const kelvo_attributes *a,
                                          uint32_t *st) { kelvo_v3_prr_to_struct(s, img, a, st, h); }}),
};

}  // namespace
