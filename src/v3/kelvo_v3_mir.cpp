// Version-3 MIR: the record that opens a version-3 file. Its first two body bytes (CPU
// type and version) were read by kelvo_mirread; the rest is read here and decoded into
// the version-4 MIR structure, with the members version 3 lacks at their missing values.
#include "codec/codec.h"
#include "records/run/mir.h"

KELVO_SOURCE_ID("kelvo_v3_mir")

using namespace kelvo;
using namespace kelvo::codec;

namespace {

using Text = mir::Text;

// Record offsets of the fixed fields.
constexpr uint32_t kModeCod = 6, kStatNum = 7, kTestCod = 8, kRtstCod = 11, kProtCod = 12, kCmodCod = 13,
                   kSetupT = 14, kStartT = 18, kLotId = 22;
constexpr uint32_t kTestCodLen = 3;

// Status words of the members.
enum Word {
    kModeWord = 0, kRtstWord = 1, kProtWord = 2, kBurnWord = 3, kCmodWord = 4, kJobRevWord = 10,
    kSblotWord = 11, kTestCodWord = 15, kProcWord = 24, kSuprWord = 34, kHandWord = 36, kPrbWord = 37,
};

struct Field {
    Text text;
    int word;
};

// The seven strings that every version-3 MIR holds, then the six optional ones.
constexpr Field kLeadingTexts[] = {
    {&kelvo_mir_struct::LOT_ID, 5},   {&kelvo_mir_struct::PART_TYP, 6}, {&kelvo_mir_struct::JOB_NAM, 9},
    {&kelvo_mir_struct::OPER_NAM, 12}, {&kelvo_mir_struct::NODE_NAM, 7}, {&kelvo_mir_struct::TSTR_TYP, 8},
    {&kelvo_mir_struct::EXEC_TYP, 13},
};
constexpr Field kOptionalTexts[] = {
    {&kelvo_mir_struct::SUPR_NAM, kSuprWord}, {&kelvo_mir_struct::HAND_ID, kHandWord},
    {&kelvo_mir_struct::SBLOT_ID, kSblotWord}, {&kelvo_mir_struct::JOB_REV, kJobRevWord},
    {&kelvo_mir_struct::PROC_ID, kProcWord},  {&kelvo_mir_struct::PRB_CARD, kPrbWord},
};

// Strings that version 3 does not carry, and their status words.
constexpr Field kAbsentTexts[] = {
    {&kelvo_mir_struct::EXEC_VER, 14}, {&kelvo_mir_struct::TST_TEMP, 16}, {&kelvo_mir_struct::USER_TXT, 17},
    {&kelvo_mir_struct::AUX_FILE, 18}, {&kelvo_mir_struct::PKG_TYP, 19},  {&kelvo_mir_struct::FAMLY_ID, 20},
    {&kelvo_mir_struct::DATE_COD, 21}, {&kelvo_mir_struct::FACIL_ID, 22}, {&kelvo_mir_struct::FLOOR_ID, 23},
    {&kelvo_mir_struct::OPER_FRQ, 25}, {&kelvo_mir_struct::SPEC_NAM, 26}, {&kelvo_mir_struct::SPEC_VER, 27},
    {&kelvo_mir_struct::FLOW_ID, 28},  {&kelvo_mir_struct::SETUP_ID, 29}, {&kelvo_mir_struct::DSGN_REV, 30},
    {&kelvo_mir_struct::ENG_ID, 31},   {&kelvo_mir_struct::ROM_COD, 32},  {&kelvo_mir_struct::SERL_NUM, 33},
};

}  // namespace

extern "C" {

KELVO_API void kelvo_mir_v3_to_struct(kelvo_mir_struct *mir, const void *image, const kelvo_attributes *attr,
                                      uint32_t *status) {
    View v(image, attr);
    Status st(status);
    std::memcpy(mir, image, 4);
    v.fix_header(mir);
    mir->CPU_TYPE = static_cast<uint8_t>(attr_cpu(attr));
    mir->KELVO_VER = static_cast<uint8_t>(attr_ver(attr));

    // Fixed fields: a record too short for them has zeros in their place, not marked present.
    mir->MODE_COD = v.load<char>(kModeCod);
    mir->STAT_NUM = v.load<uint8_t>(kStatNum);
    mir->RTST_COD = v.load<char>(kRtstCod);
    mir->PROT_COD = v.load<char>(kProtCod);
    mir->CMOD_COD = v.load<char>(kCmodCod);
    mir->SETUP_T = v.integer_at<uint32_t>(kSetupT);
    mir->START_T = v.integer_at<uint32_t>(kStartT);
    mir->BURN_TIM = 65535;
    auto code = [&](int word, uint32_t offset, char c) {
        bool present = offset < v.end();
        st.set(word, present, present && c != ' ');
    };
    code(kModeWord, kModeCod, mir->MODE_COD);
    code(kRtstWord, kRtstCod, mir->RTST_COD);
    code(kProtWord, kProtCod, mir->PROT_COD);
    code(kCmodWord, kCmodCod, mir->CMOD_COD);
    st.set(kBurnWord, false, false);

    // TEST_COD: three characters without a length byte, cut to what the record holds.
    if (kTestCod < v.end()) {
        mir->TEST_COD.len = static_cast<uint8_t>(std::min(kTestCodLen, v.end() - kTestCod));
        mir->TEST_COD.str = reinterpret_cast<char *>(const_cast<uint8_t *>(v.image() + kTestCod));
    } else {
        set_empty(mir->TEST_COD);
    }
    st.text(kTestCodWord, kTestCod < v.end(), mir->TEST_COD);

    for (const Field &f : kAbsentTexts) {
        set_empty(mir->*f.text);
        st.set(f.word, false, false);
    }
    st.present(mir::kVersion3Word, true);

    // Strings in wire order; the first one that the record does not hold makes every
    // later one absent, and one that runs past the end is cut.
    v.seek(kLotId);
    for (const Field &f : kLeadingTexts) st.text(f.word, v.cn(mir->*f.text), mir->*f.text);
    for (const Field &f : kOptionalTexts) st.text(f.word, v.cn(mir->*f.text), mir->*f.text);
}

KELVO_API int read_v3_mir(int handle, const kelvo_header *header, kelvo_mir_struct *mir, uint32_t *status) {
    Slot *slot = open_slot(handle);
    if (!slot || !header || !mir) return 0;
    const kelvo_attributes &attr = Kelvo_file_attributes[handle];
    Buffer &buffer = read_buffer();
    uint16_t len = header_length(header, attr.cpu_type);
    // Its two leading bytes are already consumed: a shorter record has no rest to read.
    if (len < 2 || !buffer.reserve(uint32_t{len} + 4)) return 0;
    // The image as the file holds it: header, CPU type, version, the rest of the body.
    std::memcpy(buffer.data, header, 4);
    buffer.data[4] = static_cast<uint8_t>(attr.cpu_type);
    buffer.data[5] = static_cast<uint8_t>(attr.kelvo_ver);
    uint32_t rest = len - 2u;
    bool whole = rest == 0 || read_exact(slot->stream, buffer.data + 6, rest) == rest;
    kelvo_mir_v3_to_struct(mir, buffer.data, &attr, status);
    return whole ? len : 2;
}

// The thirteen strings in version-3 wire order, then TEST_COD, one behind the other,
// each NUL-terminated: the layout of the record's string tail with each length byte
// turned into the previous string's terminator. Each string is copied from its own
// characters, so nothing beyond them is read, whatever the structure holds.
KELVO_API int kelvo_v3_mir_buf(kelvo_mir_struct *mir) {
    uint32_t texts = uint32_t{mir->TEST_COD.len} + 1;
    for (const Field &f : kLeadingTexts) texts += uint32_t{(mir->*f.text).len} + 1;
    for (const Field &f : kOptionalTexts) texts += uint32_t{(mir->*f.text).len} + 1;
    StringCopy copy;
    if (!copy.reserve(std::max(uint32_t{mir->REC_LEN} + 12, texts))) return 0;
    for (const Field &f : kLeadingTexts) copy.text(mir->*f.text);
    for (const Field &f : kOptionalTexts) copy.text(mir->*f.text);
    copy.text(mir->TEST_COD);
    return 1;
}

}  // extern "C"
