/* Every valid PTR result of a file: test number, site, text and result. */
#include <stdio.h>
#include "kelvo.h"

int main(int argc, char **argv) {
    int h = argc == 2 ? kelvo_open(argv[1], "r") : -1;
    if (h < 0) return 1;
    kelvo_header hd;
    while (kelvo_headread(h, &hd) == 4) {
        if (hd.REC_TYP == KELVO_FAR_TYP && hd.REC_SUB == KELVO_FAR_SUB) {  /* fixes byte order and version */
            kelvo_far_struct far;
            if (kelvo_farread(h, &hd, &far) < 2) break;
        } else if (hd.REC_TYP == KELVO_PTR_TYP && hd.REC_SUB == KELVO_PTR_SUB) {
            kelvo_ptr_struct ptr;
            uint32_t status[KELVO_PTR_STATUS_WORDS] = {0};
            if (kelvo_ptrbuf_read(h, &hd, &ptr, status) != kelvo_body_length(h, &hd)) break;
            if (status[KELVO_PTR_RESULT] & KELVO_VALID)
                printf("test %u site %u %s: %g\n", ptr.TEST_NUM, ptr.SITE_NUM, ptr.TEST_TXT.str, ptr.RESULT);
        } else if (kelvo_skip_record(h, &hd) != kelvo_body_length(h, &hd)) {
            break;
        }
    }
    kelvo_close(h);
    kelvo_free();
    return 0;
}
