// Name lists: per handle, test and sequence names by test number, in ascending order.
// A cursor remembers where the last lookup stopped, so lookups in ascending order cost
// one step each; insertion searches backward from the last node, so appending does too.
#include <cstdlib>
#include <cstring>

#include "file/internal.h"
#include "v3/names.h"
#include "v3/v3.h"
#include "v3/v3_state.h"

KELVO_SOURCE_ID("kelvo_names")

namespace {

// Links `node` behind the last node whose number is not greater than its own.
void insert(kelvo_list_head *head, kelvo_list_node *node) {
    const uint32_t num = node->entry->TEST_NUM;
    kelvo_list_node *at = head->last;
    while (at && at->entry->TEST_NUM > num) at = at->prev;
    kelvo_list_node *next = at ? at->next : head->first;
    node->prev = at;
    node->next = next;
    if (at) at->next = node;
    else head->first = node;
    if (next) next->prev = node;
    else head->last = node;
}

// A NUL-terminated heap copy of `len` characters, or null.
char *copy_name(uint8_t len, const char *chars) {
    auto *copy = static_cast<char *>(std::calloc(uint32_t{len} + 1, 1));
    if (copy && len) std::memcpy(copy, chars, len);
    return copy;
}

using Name = char *kelvo_name_entry::*;
using Length = uint8_t kelvo_name_entry::*;

// Offers a name of one kind: the first non-empty one stays; an empty or absent one is
// replaced; a test number without an entry gets one. False when storage failed.
bool offer(int handle, uint32_t test_num, uint8_t len, const char *chars, Name name, Length length) {
    kelvo_list_head *head = kelvo::v3::name_list(handle);
    if (!head) return true;
    if (!chars) len = 0;  // no characters: an empty name
    if (kelvo_list_node *node = kelvo_get_list_entry(head, test_num, 0)) {
        kelvo_name_entry *e = node->entry;
        if (e->*name && (e->*name)[0] != '\0') return true;
        std::free(e->*name);
        e->*name = copy_name(len, chars);
        e->*length = e->*name ? len : 0;
        return e->*name != nullptr;
    }
    auto *e = static_cast<kelvo_name_entry *>(std::calloc(1, sizeof(kelvo_name_entry)));
    auto *node = static_cast<kelvo_list_node *>(std::calloc(1, sizeof(kelvo_list_node)));
    char *copy = copy_name(len, chars);
    if (!e || !node || !copy) {
        std::free(e);
        std::free(node);
        std::free(copy);
        return false;
    }
    e->TEST_NUM = test_num;
    e->*name = copy;
    e->*length = len;
    node->entry = e;
    insert(head, node);
    return true;
}

}  // namespace

bool kelvo::v3::offer_name(int handle, uint32_t test_num, uint8_t len, const char *chars, bool sequence) {
    return sequence ? offer(handle, test_num, len, chars, &kelvo_name_entry::SEQ_NAME, &kelvo_name_entry::SEQ_NAME_LEN)
                    : offer(handle, test_num, len, chars, &kelvo_name_entry::TEST_NAM, &kelvo_name_entry::TEST_NAM_LEN);
}

extern "C" {

KELVO_API kelvo_list_node *kelvo_get_list_entry(kelvo_list_head *head, uint32_t test_num, int remove) {
    if (!head) return nullptr;
    kelvo_list_node *node = head->cursor;
    if (!node || node->entry->TEST_NUM > test_num) node = head->first;
    while (node && node->entry->TEST_NUM < test_num) node = node->next;
    if (!node || node->entry->TEST_NUM != test_num) {
        head->cursor = head->last;
        return nullptr;
    }
    head->cursor = node;
    if (!remove) return node;
    // Unlinked; its own prev and next are left as they were.
    if (node->prev) node->prev->next = node->next;
    else head->first = node->next;
    if (node->next) node->next->prev = node->prev;
    else head->last = node->prev;
    head->cursor = node->next ? node->next : node->prev;
    return node;
}

KELVO_API void kelvo_add_test_nam(int handle, uint32_t test_num, uint8_t len, const char *chars) {
    kelvo::v3::offer_name(handle, test_num, len, chars, false);
}

KELVO_API void kelvo_add_seq_name(int handle, uint32_t test_num, uint8_t len, const char *chars) {
    kelvo::v3::offer_name(handle, test_num, len, chars, true);
}

}  // extern "C"
