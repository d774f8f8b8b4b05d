// HBR: writing (size and encoder shared with SBR).
#include "records/kelvo_bins.h"

KELVO_SOURCE_ID("kelvo_hbrwrite")

using namespace kelvo;

extern "C" {

KELVO_API int kelvo_hbr_size(kelvo_hbr_struct *hbr) { return bins::size(hbr); }

KELVO_API void kelvo_hbr_to_memory(const kelvo_hbr_struct *hbr, void *out) { bins::to_memory(hbr, out); }

KELVO_API int kelvo_hbrwrite(int handle, kelvo_hbr_struct *hbr) {
    return codec::write_record(handle, hbr, 1, 40, kelvo_hbr_size, kelvo_hbr_to_memory);
}

}  // extern "C"
