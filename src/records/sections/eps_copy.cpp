// EPS: nothing to copy; buf_read is the read.
#include "codec/codec.h"

KELVO_SOURCE_ID("kelvo_epsbuf_read")

extern "C" {

KELVO_API int kelvo_epsbuf_read(int handle, const kelvo_header *header, kelvo_eps_struct *eps) {
    return kelvo_epsread(handle, header, eps);
}

}  // extern "C"
