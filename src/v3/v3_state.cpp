// The version-3 state of each handle: name lists and part states.
#include "v3/v3_state.h"

#include <cstdlib>

#include "file/internal.h"

KELVO_SOURCE_ID("kelvo_v3_state")

namespace kelvo::v3 {

namespace {
kelvo_list_head g_lists[kMaxHandles];
PartState *g_parts[kMaxHandles][kHeads][kSites];
}  // namespace

kelvo_list_head *name_list(int handle) {
    return handle >= 0 && handle < kMaxHandles ? &g_lists[handle] : nullptr;
}

PartState **part_state(int handle, unsigned head, unsigned site) {
    if (handle < 0 || handle >= kMaxHandles || head >= kHeads || site >= kSites) return nullptr;
    return &g_parts[handle][head][site];
}

namespace {

// Releases every entry, name and node of a list and empties it.
void release_names(kelvo_list_head &list) {
    for (kelvo_list_node *node = list.first; node;) {
        kelvo_list_node *next = node->next;
        if (node->entry) {
            std::free(node->entry->TEST_NAM);
            std::free(node->entry->SEQ_NAME);
            std::free(node->entry);
        }
        std::free(node);
        node = next;
    }
    list = kelvo_list_head{};
}

}  // namespace

void reset_handle(int handle) {
    kelvo_list_head *list = name_list(handle);
    if (!list) return;
    // Entries of an earlier file could never be found again: release them, so that a
    // program opening many files on one handle does not grow.
    release_names(*list);
    // Part states are bounded (one per head and site) and kept for reuse; nothing of
    // the earlier file carries over.
    for (auto &head : g_parts[handle])
        for (PartState *state : head)
            if (state) {
                state->pending = 0;
                if (state->name) state->name[0] = '\0';
            }
}

void release_closed_handles() {
    for (int handle = 0; handle < kMaxHandles; ++handle) {
        if (open_slot(handle)) continue;
        release_names(g_lists[handle]);
        for (auto &head : g_parts[handle])
            for (PartState *&state : head) {
                if (state) std::free(state->name);
                std::free(state);
                state = nullptr;
            }
    }
}

}  // namespace kelvo::v3
