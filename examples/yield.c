/* The yield of a test run: parts tested and good, and parts per hard and soft bin, counted
 * from the part results (PRR) and named from the bin records (HBR, SBR); version 4 or 3. */
#include <stdio.h>
#include <string.h>

#include "kelvo.h"

#define BINS 65536
static unsigned long hard[BINS], soft[BINS];
static char hard_name[BINS][32], soft_name[BINS][32];

static void keep_name(char *name, const kelvo_cn *s) {
    size_t n = s->len < 31 ? s->len : 31;
    memcpy(name, s->str, n);
    name[n] = '\0';
}

static void print_bins(const char *what, const unsigned long *count, char (*name)[32], unsigned long parts) {
    printf("%s bins:\n", what);
    for (long b = 0; b < BINS; ++b)
        if (count[b])
            printf("  %5ld  %-20s %8lu  %5.1f%%\n", b, name[b], count[b], 100.0 * (double)count[b] / (double)parts);
}

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: kelvo-yield FILE\n");
        return 2;
    }
    int h = kelvo_open(argv[1], "r");
    if (h < 0) {
        fprintf(stderr, "kelvo-yield: %s: cannot open\n", argv[1]);
        return 1;
    }
    unsigned long parts = 0, good = 0;
    kelvo_header hd;
    int ok = 1;
    while (ok && kelvo_headread(h, &hd) == 4) {
        int code = KELVO_REC_CODE(hd.REC_TYP, hd.REC_SUB), r;
        if (code == KELVO_REC_CODE(KELVO_FAR_TYP, KELVO_FAR_SUB)) {  /* fixes the byte order and version */
            kelvo_far_struct far;
            r = kelvo_farread(h, &hd, &far);
        } else if (code == KELVO_REC_CODE(KELVO_MIR_TYP, KELVO_MIR_SUB)) {  /* the run's identity */
            kelvo_mir_struct mir;
            r = kelvo_mirbuf_read(h, &hd, &mir, NULL);
            if (r > 0)
                printf("lot %s, part type %s, job %s, tester %s, node %s\n", mir.LOT_ID.str, mir.PART_TYP.str,
                       mir.JOB_NAM.str, mir.TSTR_TYP.str, mir.NODE_NAM.str);
        } else if (code == KELVO_REC_CODE(KELVO_PRR_TYP, KELVO_PRR_SUB)) {  /* one part */
            kelvo_prr_struct prr;
            r = kelvo_prrread(h, &hd, &prr, NULL);
            if (r > 0) {
                ++parts;
                good += (prr.PART_FLG & (KELVO_PART_FLG_FAILED | KELVO_PART_FLG_NO_PASS_FAIL)) == 0;
                ++hard[prr.HARD_BIN];
                ++soft[prr.SOFT_BIN];
            }
        } else if (code == KELVO_REC_CODE(KELVO_HBR_TYP, KELVO_HBR_SUB)) {  /* a hard bin's name */
            kelvo_hbr_struct bin;
            r = kelvo_hbrread(h, &hd, &bin, NULL);
            if (r > 0) keep_name(hard_name[bin.HBIN_NUM], &bin.HBIN_NAM);
        } else if (code == KELVO_REC_CODE(KELVO_SBR_TYP, KELVO_SBR_SUB)) {  /* a soft bin's name */
            kelvo_sbr_struct bin;
            r = kelvo_sbrread(h, &hd, &bin, NULL);
            if (r > 0) keep_name(soft_name[bin.SBIN_NUM], &bin.SBIN_NAM);
        } else {
            r = kelvo_skip_record(h, &hd);
        }
        ok = r == kelvo_body_length(h, &hd);
    }
    kelvo_close(h);
    kelvo_free();
    if (!ok) {
        fprintf(stderr, "kelvo-yield: %s: a record is cut short or damaged\n", argv[1]);
        return 1;
    }
    printf("parts tested %lu, good %lu: yield %.1f%%\n", parts, good, parts ? 100.0 * (double)good / (double)parts : 0.0);
    print_bins("hard", hard, hard_name, parts);
    print_bins("soft", soft, soft_name, parts);
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "kelvo-yield: standard output: a write failed\n");
        return 1;
    }
    return 0;
}
