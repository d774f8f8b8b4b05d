// EPS writing: always the 4 bytes 00 00 14 14.
#include "codec/codec.h"

KELVO_SOURCE_ID("kelvo_epswrite")

using namespace kelvo;
using namespace kelvo::codec;

extern "C" {

KELVO_API int kelvo_eps_size(kelvo_eps_struct *eps) { return finish_size(eps, 0); }

KELVO_API void kelvo_eps_to_memory(const kelvo_eps_struct *eps, void *out) {
    Encoder e(out, 0);
    e.raw(eps, 4);
}

KELVO_API int kelvo_epswrite(int handle, kelvo_eps_struct *eps) {
    return write_record(handle, eps, KELVO_EPS_TYP, KELVO_EPS_SUB, kelvo_eps_size, kelvo_eps_to_memory);
}

}  // extern "C"
