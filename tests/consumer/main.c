/* A program built only against an installed kelvo: it writes a small file, reads it back,
 * then counts the records of another file. Exit status 1 on any failure. */
#include <kelvo.h>
#include <stdio.h>
#include <string.h>

static const float results[] = {1.5f, -2.25f, 1024.0f};
enum { NRESULTS = sizeof results / sizeof results[0] };

/* FAR, then one PTR per result. */
static int write_file(const char *path) {
    int h = kelvo_open(path, "w");
    if (h < 0) return 0;
    kelvo_far_struct far;
    int ok = kelvo_farwrite(h, &far) == 6;
    for (int i = 0; i < NRESULTS && ok; i++) {
        kelvo_ptr_struct ptr;
        memset(&ptr, 0, sizeof ptr);
        ptr.TEST_NUM = 100 + (uint32_t)i;
        ptr.RESULT = results[i];
        ptr.TEST_TXT.str = "consumer";
        ok = kelvo_ptrwrite(h, &ptr) > 0;
    }
    ok = kelvo_flush(h) == 0 && ok;
    kelvo_close(h);
    return ok;
}

/* Counts the records of a file, and its PTRs whose result is one of `results` in order.
 * Returns -1 if the file cannot be opened or a record cannot be read whole. */
static long count_records(const char *path, int *matching_ptrs) {
    int h = kelvo_open(path, "r");
    if (h < 0) return -1;
    long records = 0;
    int ok = 1;
    kelvo_header hd;
    *matching_ptrs = 0;
    while (ok && kelvo_headread(h, &hd) == 4) {
        records++;
        if (hd.REC_TYP == 0 && hd.REC_SUB == 10) { /* FAR: the file's byte order and version */
            kelvo_far_struct far;
            ok = kelvo_farread(h, &hd, &far) > 0;
        } else if (hd.REC_TYP == 1 && hd.REC_SUB == 10) { /* MIR: opens a version-3 file */
            kelvo_mir_struct mir;
            uint32_t status[64];
            ok = kelvo_mirread(h, &hd, &mir, status) > 0;
        } else if (hd.REC_TYP == 15 && hd.REC_SUB == 10) {
            kelvo_ptr_struct ptr;
            uint32_t status[16];
            ok = kelvo_ptrread(h, &hd, &ptr, status) > 0;
            if (ok && *matching_ptrs < NRESULTS && ptr.RESULT == results[*matching_ptrs]) ++*matching_ptrs;
        } else {
            ok = kelvo_skip_record(h, &hd) > 0 || hd.REC_LEN == 0;
        }
    }
    kelvo_close(h);
    kelvo_free();
    return ok ? records : -1;
}

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: kelvo-consumer SCRATCH_FILE KELVO_FILE\n");
        return 2;
    }
    int ptrs;
    if (!write_file(argv[1])) {
        fprintf(stderr, "%s: cannot write\n", argv[1]);
        return 1;
    }
    long n = count_records(argv[1], &ptrs);
    if (n != 1 + NRESULTS || ptrs != NRESULTS) {
        fprintf(stderr, "%s: read back %ld records, %d PTRs as written\n", argv[1], n, ptrs);
        return 1;
    }
    n = count_records(argv[2], &ptrs);
    if (n < 1) {
        fprintf(stderr, "%s: cannot be read\n", argv[2]);
        return 1;
    }
    printf("wrote and read back %d records; %s: %ld records\n", 1 + NRESULTS, argv[2], n);
    return 0;
}
