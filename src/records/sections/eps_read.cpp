// EPS: end program section, the header alone.
#include "codec/codec.h"

KELVO_SOURCE_ID("kelvo_epsread")

using namespace kelvo;
using namespace kelvo::codec;

static_assert(sizeof(kelvo_eps_struct) == 4);

extern "C" {

KELVO_API void kelvo_eps_to_struct(kelvo_eps_struct *eps, const void *image, const kelvo_attributes *attr) {
    View v(image, attr);
    v.leading_block(eps, 4);
    v.fix_header(eps);
}

KELVO_API int kelvo_epsread(int handle, const kelvo_header *header, kelvo_eps_struct *eps) {
    return read_record(handle, header, eps, kelvo_eps_to_struct);
}

}  // extern "C"
