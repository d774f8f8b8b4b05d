// Version-3 TSR: the summary of one test over all sites. Its names are often empty in
// the file; the names that the test's description and result records gave are then
// taken from the handle's name list, and the test's entry is removed from it.
#include "codec/codec.h"
#include "v3/v3_state.h"
#include "v3/v3_summary.h"

KELVO_SOURCE_ID("kelvo_v3_tsr")

using namespace kelvo;
using namespace kelvo::codec;
using namespace kelvo::v3;

namespace {

// Names taken from the list live here until the next version-3 TSR that takes one.
char g_test_nam[256];
char g_seq_name[256];

// An empty name takes the entry's, copied into its static area.
void take_name(kelvo_cn &name, const char *entry_name, uint8_t entry_len, char (&area)[256]) {
    if (name.len != 0 || !entry_name || entry_len == 0) return;
    std::memcpy(area, entry_name, entry_len);
    area[entry_len] = '\0';
    name.len = entry_len;
    name.str = area;
}

// Fills the empty names from the test's entry and releases the entry.
void take_names(int handle, kelvo_tsr_struct *tsr) {
    kelvo_list_node *node = kelvo_get_list_entry(v3::name_list(handle), tsr->TEST_NUM, 1);
    if (!node) return;
    if (kelvo_name_entry *e = node->entry) {
        take_name(tsr->TEST_NAM, e->TEST_NAM, e->TEST_NAM_LEN, g_test_nam);
        take_name(tsr->SEQ_NAME, e->SEQ_NAME, e->SEQ_NAME_LEN, g_seq_name);
        std::free(e->TEST_NAM);
        std::free(e->SEQ_NAME);
        std::free(e);
    }
    std::free(node);
}

}  // namespace

extern "C" {

KELVO_API void kelvo_v3_tsr_to_struct(int handle, kelvo_tsr_struct *tsr, const void *image,
                                      const kelvo_attributes *attr, uint32_t *status) {
    View v(image, attr);
    Status st(status);
    v.leading_block(tsr, 4);  // the header
    tsr->HEAD_NUM = 255;      // all heads and sites
    tsr->SITE_NUM = 255;
    tsr->TEST_TYP = ' ';
    set_empty(tsr->TEST_LBL);
    st.set(kTestTyp, false, false);
    st.set(kTestLbl, false, false);
    tsr->TEST_NUM = v.integer_at<uint32_t>(4);
    v.seek(8);

    v3::decode_summary(v, tsr, st);

    st.present(kTestNam, v.cn(tsr->TEST_NAM));
    st.present(kSeqName, v.cn(tsr->SEQ_NAME));
    // Every version-3 TSR removes its test's entry, whether or not it uses the names.
    take_names(handle, tsr);
    st.valid(kTestNam, tsr->TEST_NAM.len != 0);
    st.valid(kSeqName, tsr->SEQ_NAME.len != 0);
    v.fix_header(tsr);
}

}  // extern "C"
