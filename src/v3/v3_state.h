// Per-handle state of the version-3 conversion: the name lists that carry test and
// sequence names from description and result records to the TSR, and the part
// states that carry a PIR's coordinates and PART_ID to its PRR.
#pragma once

#include <cstdint>

#include "kelvo.h"
#include "v3/v3.h"

namespace kelvo::v3 {

// reset_handle (v3.h): the name list is released; part states are kept for reuse, with
// nothing pending and empty names.

// The name list of a handle, or null outside 0-31.
kelvo_list_head *name_list(int handle);

// What a version-3 PIR leaves for the PRR of its head and site.
struct PartState {
    int16_t X_COORD;
    int16_t Y_COORD;
    uint8_t pending;         // 1 while the coordinates wait for their PRR
    uint32_t name_capacity;  // bytes of `name`
    char *name;              // the last PIR's PART_ID, NUL-terminated; null until one came
};

constexpr unsigned kHeads = 4, kSites = 32;

// The part-state reference of (handle, head, site), or null when any is out of range.
PartState **part_state(int handle, unsigned head, unsigned site);

}  // namespace kelvo::v3
