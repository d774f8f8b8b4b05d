/* Every valid PTR result of a file: test number, site, text and result. */
#include <stdio.h>
#include "kelvo.h"

int main(int argc, char **argv) {
    int h = kelvo_open(argv[1], "r");
    if (h < 0) return 1;
    kelvo_header hd;
    while (kelvo_headread(h, &hd) == 4) {
        if (hd.REC_TYP == 0 && hd.REC_SUB == 10) {          /* FAR: fixes byte order and version */
            kelvo_far_struct far;
            if (kelvo_farread(h, &hd, &far) < 1) break;
        } else if (hd.REC_TYP == 15 && hd.REC_SUB == 10) {  /* PTR */
            kelvo_ptr_struct ptr;
            uint32_t status[15];
            if (kelvo_ptrbuf_read(h, &hd, &ptr, status) < 1) break;
            if (status[0] & KELVO_VALID)
                printf("test %u site %u %s: %g\n", ptr.TEST_NUM, ptr.SITE_NUM, ptr.TEST_TXT.str, ptr.RESULT);
        } else if (kelvo_skip_record(h, &hd) < 1 && hd.REC_LEN != 0) {
            break;
        }
    }
    kelvo_close(h);
    kelvo_free();
    return 0;
}
