// Version-3 names, FDR and FTR: lookups on a list built here, names carried per handle to the TSR
// of their test, the FTR in every byte order and cut, its copy, and an array buffer that cannot be had.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "record_text.h"
#include "v3gen.h"

using namespace kt;
using namespace v3gen;

// Buffer growth that fails on demand: the library grows a buffer it holds with realloc.
static bool g_fail_realloc = false;
extern "C" void *realloc(void *p, size_t n) noexcept {
    static auto next = reinterpret_cast<void *(*)(void *, size_t)>(dlsym(RTLD_NEXT, "realloc"));
    return g_fail_realloc ? nullptr : next(p, n);
}

namespace {

const kelvo_attributes kV3[3] = {{0, 3}, {1, 3}, {2, 3}};

TEST(NameLists, LookupAndRemovalOnAListBuiltHere) {
    const uint32_t nums[5] = {0, 3, 5, 9, kMax};
    kelvo_name_entry e[5] = {};
    kelvo_list_node n[5];
    for (int i = 0; i < 5; ++i) {
        e[i].TEST_NUM = nums[i];
        n[i] = {&e[i], i ? &n[i - 1] : nullptr, i < 4 ? &n[i + 1] : nullptr};
    }
    kelvo_list_head h{&n[0], &n[4], nullptr};
    auto num = [](const kelvo_list_node *x) { return x ? txt(unsigned{x->entry->TEST_NUM}) : std::string("-"); };
    auto list = [&] {  // first to last (back links checked), then the cursor
        std::string r;
        const kelvo_list_node *prev = nullptr;
        for (const kelvo_list_node *x = h.first; x; prev = x, x = x->next) r += (x->prev == prev ? "" : "!") + num(x) + " ";
        return r + (prev == h.last ? "c" : "!c") + num(h.cursor);
    };
    // What the lookup gives (a removed node with the links it keeps) | the list after it.
    struct Step { uint32_t num; int remove; const char *want; } steps[] = {
        {5, 0, "5 | 0 3 5 9 ~0 c5"}, {4, 0, "- | 0 3 5 9 ~0 c~0"},  // a miss leaves the cursor at the last node
        {kMax, 0, "~0 | 0 3 5 9 ~0 c~0"}, {0, 0, "0 | 0 3 5 9 ~0 c0"},  // below the cursor: from the first
        {9, 1, "9 5,~0 | 0 3 5 ~0 c~0"}, {0, 1, "0 -,3 | 3 5 ~0 c3"},
        {kMax, 1, "~0 5,- | 3 5 c5"}, {3, 1, "3 -,5 | 5 c5"},  // the last: its predecessor is last and cursor
        {5, 1, "5 -,- | c-"}, {5, 0, "- | c-"},  // the only one, then an empty list
    };
    for (const Step &s : steps) {
        kelvo_list_node *x = kelvo_get_list_entry(&h, s.num, s.remove);
        EXPECT_EQ(num(x) + (x && s.remove ? " " + num(x->prev) + "," + num(x->next) : "") + " | " + list(), s.want);
    }
    EXPECT_EQ(kelvo_get_list_entry(nullptr, 5, 1), nullptr);
    for (int bad : {-1, 32}) kelvo_add_test_nam(bad, 7, 1, "x");  // handles outside 0-31 are ignored
}

// Reads version-3 FDR, FTR and TSR records on a fresh handle: the names each TSR ends up with.
std::string tsr_names(int cpu, const Bytes &records) {
    TempFile tmp;
    int h = open_bytes(records, tmp);
    Kelvo_file_attributes[h] = kV3[cpu];
    std::string r;
    kelvo_ftr_struct f;
    kelvo_tsr_struct t;
    for (kelvo_header hd; kelvo_headread(h, &hd) == 4;) {
        const int code = hd.REC_TYP << 8 | hd.REC_SUB;
        EXPECT_GT(code == FDR ? kelvo_v3_fdrread(h, &hd) : code == FTR ? kelvo_ftrread(h, &hd, &f, nullptr)
                                                                     : kelvo_tsrread(h, &hd, &t, nullptr), 0);
        if (code == TSR) r += txt(t.TEST_NAM) + "/" + txt(t.SEQ_NAME) + " ";
    }
    kelvo_close(h);
    return r;
}

// Each file on a fresh handle, which forgets (and releases: LeakSanitizer) the names of the file before.
TEST(NameLists, FdrAndFtrNamesReachTheTsrOfTheirTest) {
    for (int cpu : {0, 1, 2}) {
        auto fdr = [cpu](uint32_t n, std::string t, std::string s = "") { return record(cpu, Fdr{n, 0, t, s}); };
        auto tsr = [cpu](uint32_t n) { return record(cpu, Tsr{.TEST_NUM = n}); };
        const Bytes ftr = record(cpu, Ftr{});  // test 200, "func", "fseq"
        struct Case { Bytes records; const char *names; } cases[] = {
            {concat({fdr(200, ""), ftr, tsr(200)}), "\"func\"/\"fseq\" "},        // empty names are replaced
            {concat({fdr(200, "ABC", "s"), ftr, tsr(200)}), "\"ABC\"/\"s\" "},  // the first non-empty stays
            {concat({fdr(5, "a"), fdr(kMax, "max"), fdr(3, "b"), fdr(0, "zero"), fdr(3, "d"), fdr(9, "x"), fdr(8, "y"),
                     tsr(0), tsr(3), tsr(5), tsr(3), tsr(kMax)}),  // 8 and 9 are left on the list
             "\"zero\"/\"\" \"b\"/\"\" \"a\"/\"\" \"\"/\"\" \"max\"/\"\" "},
            {concat({cut(cpu, ftr, 43), tsr(9), tsr(200)}), "\"\"/\"\" \"func\"/\"fs\" "},  // cut names
            {concat({cut(cpu, ftr, 35), cut(cpu, fdr(200, "f", "s"), 7), tsr(200)}), "\"f\"/\"\" "},
        };
        for (const Case &c : cases) EXPECT_EQ(tsr_names(cpu, c.records), c.names) << cpu;
    }
}

std::string indexes(const uint16_t *p, uint32_t n) {  // "0-<n-1>" when entry i holds i
    std::string r = n ? "0-" + std::to_string(n - 1) : "-";
    for (uint32_t i = 0; i < n; ++i) r = p[i] == i ? r : "!";
    return r;
}
std::string states(const uint8_t *p, uint32_t n) {
    std::string r = n ? "" : "-";
    for (uint32_t i = 0; i < n; ++i) r += static_cast<char>('0' + p[i]);
    return r;
}
std::string dn(const kelvo_dn &d) {
    std::string r = std::to_string(d.bits) + ":" + (d.data ? "" : "null");
    for (uint32_t i = 0; d.data && i < (d.bits + 7u) / 8u; ++i) r += (i ? "," : "") + std::to_string(d.data[i]);
    return r;
}

// The fields of an FTR, one per status word.
std::vector<std::string> show(const kelvo_ftr_struct &s) {
    auto u = [](uint32_t v) { return txt(unsigned{v}); };
    auto i = [](int32_t v) { return txt(int{v}); };
    return {u(s.OPT_FLAG), u(s.CYCL_CNT), u(s.REL_VADR), u(s.REPT_CNT), u(s.NUM_FAIL), i(s.XFAIL_AD), i(s.YFAIL_AD),
            i(s.VECT_OFF), u(s.RTN_ICNT), u(s.PGM_ICNT), indexes(s.RTN_INDX, s.RTN_ICNT), states(s.RTN_STAT, s.RTN_ICNT),
            indexes(s.PGM_INDX, s.PGM_ICNT), states(s.PGM_STAT, s.PGM_ICNT), dn(s.FAIL_PIN), txt(s.VECT_NAM),
            txt(s.TIME_SET), txt(s.OP_CODE), txt(s.TEST_TXT), txt(s.ALARM_ID), txt(s.PROG_TXT), txt(s.RSLT_TXT),
            u(s.PATG_NUM), dn(s.SPIN_MAP)};
}

// The structure, show() of it and the status words as letters (words()).
struct Decoded { kelvo_ftr_struct s; std::vector<std::string> f; std::string st; };

// Decodes into a structure full of garbage, the status words 0x103 (absent fields clear 3).
Decoded decode(int cpu, const Bytes &img) {
    kelvo_ftr_struct s;
    std::memset(&s, 0x5A, sizeof s);
    uint32_t st[24];
    std::fill_n(st, 24, 0x100 | PV);
    kelvo_v3_ftr_to_struct(-1, &s, img.data(), &kV3[cpu], st);
    return {s, show(s), words(st, 24, 0x100).substr(3)};
}

TEST(V3Ftr, CompleteRecordAndOptionFlags) {
    for (int cpu : {0, 1, 2}) {
        const Bytes img = record(cpu, Ftr{.TEST_NUM = 0x01020304, .HEAD_NUM = 3, .SITE_NUM = 4, .TEST_FLG = 0x80});
        const Decoded d = decode(cpu, img);
        const kelvo_ftr_struct &s = d.s;
        std::string all = cat(s.REC_LEN, s.REC_TYP, s.REC_SUB, s.TEST_NUM, s.HEAD_NUM, s.SITE_NUM, s.TEST_FLG) + " |";
        for (const std::string &x : d.f) all += " " + x;
        EXPECT_EQ(all + " | " + d.st,
                  "51 15 20 16909060 3 4 128 | 240 5000 4096 3 2 -1 -1 0 16 8 0-15 0000111111110000 0-7 10100000 8:129 "
                  "\"\" \"7\" \"\" \"ftext\" \"\" \"\" \"65535\" 255 8:255 | +++++---+++++++-+-+--+-+") << cpu;
        // RTN_STAT behind RTN_INDX, PGM_INDX 4 bytes past its end (aligned), PGM_STAT behind PGM_INDX.
        const auto *a = reinterpret_cast<const uint8_t *>(s.RTN_INDX);
        EXPECT_EQ(std::vector<const void *>({s.RTN_STAT, s.PGM_INDX, s.PGM_STAT, s.FAIL_PIN.data, s.TEST_TXT.str}),
                  std::vector<const void *>({a + 32, a + 52, a + 68, img.data() + 31, img.data() + 50})) << cpu;
    }
    // Each version-3 option bit set and clear once, the unused ones set.
    struct Case { uint8_t opt, time; uint16_t addr; const char *got; } cases[] = {
        {0xED, 255, 0, "246 ++pp+--- \"255\" \"0\""}, {0x12, 0, 12345, "249 +p++p--- \"0\" \"12345\""},
    };
    for (const Case &c : cases) {
        const Decoded d = decode(1, record(1, Ftr{.OPT_FLAG = c.opt, .TIME_SET = c.time, .ADDR_WORD = c.addr}));
        EXPECT_EQ(d.f[0] + " " + d.st.substr(0, 8) + " " + d.f[16] + " " + d.f[21], c.got);
    }
}

// Every cut: a field present when it begins inside the record, as in the whole record when held
// whole, else its missing value; the fields version 3 lacks never present.
TEST(V3Ftr, EveryCut) {
    // Valid bit: a always, o when OPT_FLAG is held, p when present, v when present and not empty.
    struct Word { int word; char kind; const char *absent; };
    struct Field { uint32_t at, end; std::vector<Word> words; } fields[] = {
        {8, 9, {{0, 'a', "255"}}}, {9, 10, {{16, 'v', "null"}}}, {10, 14, {{2, 'o', "~0"}}}, {14, 18, {{1, 'o', "~0"}}},
        {18, 20, {{3, 'o', "~0"}}}, {20, 22, {{21, 'v', "\"\""}}}, {22, 26, {{4, 'o', "~0"}}}, {26, 28, {{14, 'v', "0:null"}}},
        {28, 30, {{9, 'p', "0"}, {12, 'v', "-"}, {13, 'v', "-"}}}, {30, 33, {{8, 'p', "0"}, {10, 'v', "-"}, {11, 'v', "-"}}},
        {33, 35, {{23, 'v', "0:null"}}}, {45, 51, {{18, 'v', "\"\""}}},
    };
    auto empty = [](const std::string &s) { return s == "-" || s == "\"\"" || s == "null" || s.starts_with("0:"); };
    const Bytes full = record(1, Ftr{});
    const Decoded whole = decode(1, full);
    for (uint16_t body = 0; body <= 51; ++body) {
        SCOPED_TRACE("body " + std::to_string(body));
        const Decoded d = decode(1, cut(1, full, body));
        for (const Field &f : fields)
            for (const Word &w : f.words) {
                const bool present = f.at < body;
                const bool valid = w.kind == 'a' || (w.kind == 'o' && body > 8) || (w.kind == 'p' && present) ||
                                   (w.kind == 'v' && present && !empty(d.f[w.word]));
                EXPECT_EQ(d.st[w.word], present ? (valid ? '+' : 'p') : (valid ? 'v' : '-')) << w.word;
                if (!present || f.end <= body) {
                    EXPECT_EQ(d.f[w.word], present ? whole.f[w.word] : w.absent) << w.word;
                }
            }
        for (int w : {5, 6, 7, 15, 17, 19, 20, 22}) EXPECT_EQ(d.f[w] + d.st[w], whole.f[w] + '-');
        EXPECT_TRUE(body >= 30 || (!d.s.RTN_INDX && !d.s.RTN_STAT && !d.s.PGM_INDX && !d.s.PGM_STAT));  // no bitmap byte
    }
}

// Counted fields that run past the end of the record are cut to the bytes it holds.
TEST(V3Ftr, CountedFieldsCutAtTheEndOfTheRecord) {
    const Ftr wide{.FAIL_PIN = Bytes(200, 0xA5)}, three{.PGM_STATE = {1, 2, 3}};
    struct Case { Ftr r; uint16_t body; const char *got; } cases[] = {
        {wide, 250, "1600 8 16 8 \"ftext\""}, {wide, 127, "800 0 0 0 \"\""},  // FAIL_PIN 200 bytes, whole and cut to 100
        {three, 31, "8 16 0 0 \"\""},          {Ftr{}, 32, "8 8 8 0 \"\""},  // the bitmaps cut to 2 and 1 bytes
        {Ftr{}, 34, "8 8 16 0 \"\""},          {Ftr{}, 48, "8 8 16 8 \"ft\""},  // pin map 0 bytes, TEST_TXT 2
    };
    for (const Case &c : cases) {
        const Bytes img = cut(0, record(0, c.r), c.body);
        const kelvo_ftr_struct s = decode(0, img).s;
        EXPECT_EQ(cat(s.FAIL_PIN.bits, s.PGM_ICNT, s.RTN_ICNT, s.SPIN_MAP.bits, s.TEST_TXT), c.got) << c.body;
        for (const kelvo_dn *b : {&s.FAIL_PIN, &s.SPIN_MAP}) EXPECT_TRUE(!b->data || b->data + b->bits / 8 <= &img.back() + 1);
    }
}

// The copy moves TEST_TXT only. When the array buffer cannot be had, everything else is decoded,
// the state arrays are missing, the names are offered, and the read reports 0 (buf_read copies nothing).
TEST(V3Ftr, CopyAndAnArrayBufferThatCannotBeHad) {
    const int cpu = 1;
    const Ftr big{.FAIL_PIN = Bytes(255, 1), .PIN_MAP = Bytes(255, 2), .TEST_TXT = std::string(255, 'x')};
    Ftr wide{.TEST_NUM = 0x01020304, .PGM_STATE = Bytes(255, 0xFF), .RTN_STATE = Bytes(255, 1)};
    const Bytes named = record(cpu, wide), first = record(cpu, big);  // named: the only FTR of the TSR's test
    wide.TEST_NUM = 9;
    const Bytes st = record(cpu, wide);
    const int len = rec_len(cpu, st);
    TempFile tmp;
    int h = open_bytes(concat({first, named, record(cpu, Ftr{}), st, st, first, record(cpu, Tsr{.TEST_NUM = 0x01020304})}), tmp);
    Kelvo_file_attributes[h] = kV3[cpu];
    auto next = [h](auto read, auto *s, uint32_t *w, bool fail = false) {
        kelvo_header hd = next_header(h);
        g_fail_realloc = fail;
        const int n = read(h, &hd, s, w);
        g_fail_realloc = false;
        return n;
    };
    kelvo_ftr_struct s, plain;
    uint32_t w[24] = {};
    ASSERT_GT(next(kelvo_ftrread, &s, nullptr), len);  // the read buffer now holds every later record
    EXPECT_EQ(next(kelvo_ftrread, &s, w, true), 0);
    EXPECT_EQ(cat(s.REC_LEN, s.TEST_NUM, s.RTN_ICNT, s.PGM_ICNT, s.FAIL_PIN.bits, s.TEST_TXT, s.TIME_SET) + words(w, 24),
              std::to_string(len) + " 16909060 0 0 8 \"ftext\" \"7\" | +++++---++pppp+-+-+--+-+");
    EXPECT_TRUE(!s.RTN_INDX && !s.RTN_STAT && !s.PGM_INDX && !s.PGM_STAT);
    EXPECT_EQ(next(kelvo_ftrread, &plain, nullptr), 51);  // the failed growth released the array buffer
    EXPECT_EQ(next(kelvo_ftrbuf_read, &s, nullptr, true), 0);
    EXPECT_EQ(next(kelvo_ftrbuf_read, &s, nullptr), len);
    EXPECT_EQ(cat(s.RTN_ICNT, s.PGM_ICNT) + " " + states(s.RTN_STAT, 9) + " " + states(s.PGM_STAT, 9),
              "2040 2040 100000001 111111111");
    EXPECT_TRUE(s.TIME_SET.str == plain.TIME_SET.str && s.RSLT_TXT.str == plain.RSLT_TXT.str);  // static areas
    EXPECT_GT(next(kelvo_ftrread, &plain, nullptr), len);  // overwrites the read buffer; the copy stays
    EXPECT_STREQ(s.TEST_TXT.str, "ftext");
    kelvo_tsr_struct t;
    EXPECT_GT(next(kelvo_tsrread, &t, nullptr), 0);
    EXPECT_EQ(txt(t.TEST_NAM) + txt(t.SEQ_NAME), "\"func\"\"fseq\"");  // from the failed read alone
    kelvo_close(h);
}

}  // namespace
