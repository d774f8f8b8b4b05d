// SBR: writing (size and encoder shared with HBR).
#include "records/kelvo_bins.h"

KELVO_SOURCE_ID("kelvo_sbrwrite")

using namespace kelvo;

extern "C" {

KELVO_API int kelvo_sbr_size(kelvo_sbr_struct *sbr) { return bins::size(sbr); }

KELVO_API void kelvo_sbr_to_memory(const kelvo_sbr_struct *sbr, void *out) { bins::to_memory(sbr, out); }

KELVO_API int kelvo_sbrwrite(int handle, kelvo_sbr_struct *sbr) {
    return codec::write_record(handle, sbr, 1, 50, kelvo_sbr_size, kelvo_sbr_to_memory);
}

}  // extern "C"
