// Version-3 names, FDR and FTR: lookups on a list built here; names carried per handle from FDR
// and FTR to the TSR of their test; FTR conversion in every byte order and cut, the copy, and an
// array buffer that cannot be had.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "record_text.h"
#include "v3gen.h"

using namespace kt;
using v3gen::Fdr, v3gen::Ftr, v3gen::Tsr;

// Buffer growth that fails on demand: the library grows a buffer it holds with realloc.
static bool g_fail_realloc = false;
extern "C" void *realloc(void *p, size_t n) noexcept {
    static auto next = reinterpret_cast<void *(*)(void *, size_t)>(dlsym(RTLD_NEXT, "realloc"));
    return g_fail_realloc ? nullptr : next(p, n);
}

namespace {

const kelvo_attributes kV3[3] = {{0, 3}, {1, 3}, {2, 3}};
constexpr uint32_t kTop = 0xFFFFFFFFu;

TEST(NameLists, LookupAndRemovalOnAListBuiltHere) {
    const uint32_t nums[5] = {0, 3, 5, 9, kTop};
    kelvo_name_entry e[5] = {};
    kelvo_list_node n[5];
    for (int i = 0; i < 5; ++i) {
        e[i].TEST_NUM = nums[i];
        n[i] = {&e[i], i ? &n[i - 1] : nullptr, i < 4 ? &n[i + 1] : nullptr};
    }
    kelvo_list_head h{&n[0], &n[4], nullptr};
    auto num = [](const kelvo_list_node *x) { return x ? std::to_string(x->entry->TEST_NUM) : std::string("-"); };
    auto list = [&] {  // first to last (back links checked), then the cursor
        std::string r;
        const kelvo_list_node *prev = nullptr;
        for (const kelvo_list_node *x = h.first; x; prev = x, x = x->next) r += (x->prev == prev ? "" : "!") + num(x) + " ";
        return r + (prev == h.last ? "c" : "!c") + num(h.cursor);
    };
    struct Step { uint32_t num; int remove; const char *got, *after; } steps[] = {
        {5, 0, "5", "0 3 5 9 4294967295 c5"},
        {4, 0, "-", "0 3 5 9 4294967295 c4294967295"},  // a miss leaves the cursor at the last node
        {kTop, 0, "4294967295", "0 3 5 9 4294967295 c4294967295"},
        {0, 0, "0", "0 3 5 9 4294967295 c0"},                      // below the cursor: from the first
        {9, 1, "9 5,4294967295", "0 3 5 4294967295 c4294967295"},  // the removed node keeps its links
        {0, 1, "0 -,3", "3 5 4294967295 c3"},
        {kTop, 1, "4294967295 5,-", "3 5 c5"},  // the last: its predecessor is last and cursor
        {3, 1, "3 -,5", "5 c5"},
        {5, 1, "5 -,-", "c-"},  // the only one
        {5, 0, "-", "c-"},
    };
    for (const Step &s : steps) {
        kelvo_list_node *x = kelvo_get_list_entry(&h, s.num, s.remove);
        EXPECT_EQ(num(x) + (x && s.remove ? " " + num(x->prev) + "," + num(x->next) : ""), s.got) << s.num;
        EXPECT_EQ(list(), s.after) << s.num;
    }
    EXPECT_EQ(kelvo_get_list_entry(nullptr, 5, 1), nullptr);
}

// Reads version-3 FDR, FTR and TSR records on a fresh handle (`before` runs first); the names each
// TSR ends up with.
template <class Before>
std::string tsr_names(int cpu, const std::string &path, Before before) {
    int h = kelvo_open(path.c_str(), "r");
    Kelvo_file_attributes[h] = kV3[cpu];
    before(h);
    std::string r;
    kelvo_header hd, copy;
    kelvo_ftr_struct f;
    kelvo_tsr_struct t;
    while (kelvo_headread(h, &hd) == 4 && (copy = hd, true)) {
        const int code = hd.REC_TYP << 8 | hd.REC_SUB;
        EXPECT_GT(code == v3gen::FDR   ? kelvo_v3_fdrread(h, &hd)
                  : code == v3gen::FTR ? kelvo_ftrread(h, &hd, &f, nullptr)
                                       : kelvo_tsrread(h, &hd, &t, nullptr), 0);
        if (code == v3gen::TSR) r += txt(t.TEST_NAM) + "/" + txt(t.SEQ_NAME) + " ";
        EXPECT_EQ(std::memcmp(&hd, &copy, 4), 0);
    }
    kelvo_close(h);
    return r;
}
std::string tsr_names(int cpu, const Bytes &records) {
    TempFile tmp(records);
    return tsr_names(cpu, tmp.path(), [](int) {});
}
// Names reach the TSR only once the version-3 TSR decodes its own names.
bool tsr_takes_names() { return tsr_names(2, v3gen::record(2, Tsr{.TEST_NAM = "own"})).starts_with("\"own\""); }

TEST(NameLists, FdrAndFtrNamesReachTheTsrOfTheirTest) {
    if (!tsr_takes_names()) GTEST_SKIP() << "the version-3 TSR does not take names yet";
    for (int cpu : {0, 1, 2}) {
        auto fdr = [cpu](uint32_t n, std::string t, std::string s = "") {
            return v3gen::record(cpu, Fdr{.TEST_NUM = n, .TEST_NAM = t, .SEQ_NAME = s});
        };
        auto tsr = [cpu](uint32_t n) { return v3gen::record(cpu, Tsr{.TEST_NUM = n}); };
        const Bytes ftr = v3gen::record(cpu, Ftr{});  // test 200, "func", "fseq"
        struct Case { std::vector<Bytes> records; const char *names; } cases[] = {
            {{fdr(200, ""), ftr, tsr(200)}, "\"func\"/\"fseq\" "},        // empty names are replaced
            {{fdr(200, "ABC", "s"), ftr, tsr(200)}, "\"ABC\"/\"s\" "},  // the first non-empty stays
            {{fdr(5, "a"), fdr(kTop, "max"), fdr(3, "b"), fdr(0, "zero"), fdr(3, "d"), tsr(0), tsr(3), tsr(5), tsr(3), tsr(kTop)},
             "\"zero\"/\"\" \"b\"/\"\" \"a\"/\"\" \"\"/\"\" \"max\"/\"\" "},
            {{v3gen::cut(cpu, ftr, 43), tsr(200)}, "\"func\"/\"fs\" "},  // cut names
            {{v3gen::cut(cpu, ftr, 35), v3gen::cut(cpu, fdr(200, "f", "s"), 7), tsr(200)}, "\"f\"/\"\" "},
        };
        for (const Case &c : cases) {
            Bytes all;
            for (const Bytes &r : c.records) all = concat({all, r});
            EXPECT_EQ(tsr_names(cpu, all), c.names) << cpu;
        }
    }
    // A sequence name alone; handles outside 0-31 are ignored.
    TempFile tmp(v3gen::record(2, Tsr{.TEST_NUM = 7}));
    EXPECT_EQ(tsr_names(2, tmp.path(),
                        [](int h) {
                            for (int bad : {-1, 32}) kelvo_add_test_nam(bad, 7, 1, "x");
                            kelvo_add_seq_name(h, 7, 2, "sq");
                        }),
              "\"\"/\"sq\" ");
}

TEST(NameLists, AReopenedHandleForgetsAndReleasesEarlierNames) {
    // Thousands of files with names on one handle: LeakSanitizer sees every discarded entry.
    Bytes names;
    for (uint32_t t = 0; t < 20; ++t) names = concat({names, v3gen::record(2, Fdr{.TEST_NUM = t})});
    TempFile file(concat({names, v3gen::record(2, Ftr{.TEST_NUM = 3}), v3gen::record(2, Tsr{.TEST_NUM = 10})}));
    for (int i = 0; i < 2000; ++i) tsr_names(2, file.path(), [](int) {});
    EXPECT_EQ(tsr_names(2, v3gen::record(2, Tsr{.TEST_NUM = 3})), "\"\"/\"\" ");
}

std::string indexes(const uint16_t *p, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i)
        if (p[i] != i) return "!";
    return n ? "0-" + std::to_string(n - 1) : "-";
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

}  // namespace

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

namespace {

struct Decoded {
    kelvo_ftr_struct s;
    std::vector<std::string> f;
    std::string st;  // status words, a letter each (words())
};

// Decodes into a structure full of garbage, the status words 0x103 (absent fields clear 3).
Decoded decode(int cpu, const Bytes &img) {
    Decoded d;
    std::memset(&d.s, 0x5A, sizeof d.s);
    uint32_t st[24];
    std::fill_n(st, 24, 0x100 | PV);
    kelvo_v3_ftr_to_struct(-1, &d.s, img.data(), &kV3[cpu], st);
    d.f = show(d.s);
    d.st = words(st, 24, 0x100).substr(3);
    return d;
}

TEST(V3Ftr, CompleteRecordAndOptionFlags) {
    for (int cpu : {0, 1, 2}) {
        const Bytes img = v3gen::record(cpu, Ftr{.TEST_NUM = 0x01020304, .HEAD_NUM = 3, .SITE_NUM = 4, .TEST_FLG = 0x80});
        const Decoded d = decode(cpu, img);
        const kelvo_ftr_struct &s = d.s;
        std::string all = cat(s.REC_LEN, s.REC_TYP, s.REC_SUB, s.TEST_NUM, s.HEAD_NUM, s.SITE_NUM, s.TEST_FLG) + " |";
        for (const std::string &x : d.f) all += " " + x;
        EXPECT_EQ(all + " | " + d.st,
                  "51 15 20 16909060 3 4 128 | 240 5000 4096 3 2 -1 -1 0 16 8 0-15 0000111111110000 0-7 10100000 8:129 "
                  "\"\" \"7\" \"\" \"ftext\" \"\" \"\" \"65535\" 255 8:255 | +++++---+++++++-+-+--+-+") << cpu;
        // RTN_STAT behind RTN_INDX; PGM_INDX 4 bytes past RTN_STAT's end, which is aligned.
        EXPECT_EQ(s.RTN_STAT, reinterpret_cast<uint8_t *>(s.RTN_INDX) + 32);
        EXPECT_EQ(reinterpret_cast<uint8_t *>(s.PGM_INDX), s.RTN_STAT + 16 + 4);
        EXPECT_EQ(s.PGM_STAT, reinterpret_cast<uint8_t *>(s.PGM_INDX) + 16);
        EXPECT_EQ(s.FAIL_PIN.data, img.data() + 31);
        EXPECT_EQ(s.TEST_TXT.str, reinterpret_cast<const char *>(img.data()) + 50);
    }
    struct Case { uint8_t opt, time; uint16_t addr; const char *got; } cases[] = {
        {0x01, 255, 0, "242 ++p++--- \"255\" \"0\""},  {0x30, 0, 1, "252 +++pp--- \"0\" \"1\""},
        {0x12, 10, 12345, "249 +p++p--- \"10\" \"12345\""}, {0xFF, 99, 100, "255 +pppp--- \"99\" \"100\""},
    };
    for (const Case &c : cases) {
        const Decoded d = decode(1, v3gen::record(1, Ftr{.OPT_FLAG = c.opt, .TIME_SET = c.time, .ADDR_WORD = c.addr}));
        EXPECT_EQ(d.f[0] + " " + d.st.substr(0, 8) + " " + d.f[16] + " " + d.f[21], c.got);
    }
}

// Every cut: a field present when it begins inside the record, as in the whole record when held
// whole, else its missing value; the fields version 3 lacks never present.
TEST(V3Ftr, EveryCut) {
    // Valid bit: a always, o when OPT_FLAG is held, p when present, v when present and not empty.
    struct Word { int word; char kind; const char *absent; };
    struct Field { uint32_t at, end; std::vector<Word> words; } fields[] = {
        {8, 9, {{0, 'a', "255"}}},    {9, 10, {{16, 'v', "null"}}}, {10, 14, {{2, 'o', "~0"}}},
        {14, 18, {{1, 'o', "~0"}}},   {18, 20, {{3, 'o', "~0"}}},   {20, 22, {{21, 'v', "\"\""}}},
        {22, 26, {{4, 'o', "~0"}}},   {26, 28, {{14, 'v', "0:null"}}},
        {28, 30, {{9, 'p', "0"}, {12, 'v', "-"}, {13, 'v', "-"}}},
        {30, 33, {{8, 'p', "0"}, {10, 'v', "-"}, {11, 'v', "-"}}},
        {33, 35, {{23, 'v', "0:null"}}}, {45, 51, {{18, 'v', "\"\""}}},
    };
    auto empty = [](const std::string &s) { return s == "-" || s == "\"\"" || s == "null" || s.starts_with("0:"); };
    for (int cpu : {0, 1, 2}) {
        const Bytes full = v3gen::record(cpu, Ftr{});
        const Decoded whole = decode(cpu, full);
        for (uint16_t body = 0; body <= 51; ++body) {
            SCOPED_TRACE("body " + std::to_string(body) + " cpu " + std::to_string(cpu));
            const Decoded d = decode(cpu, v3gen::cut(cpu, full, body));
            EXPECT_EQ(d.s.REC_LEN, body);
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
            if (body < 30) {  // no state bitmap holds a byte: no arrays at all
                EXPECT_TRUE(!d.s.RTN_INDX && !d.s.RTN_STAT && !d.s.PGM_INDX && !d.s.PGM_STAT);
            }
        }
    }
}

// Counted fields that run past the end of the record are cut to the bytes it holds.
TEST(V3Ftr, CountedFieldsCutAtTheEndOfTheRecord) {
    const Ftr wide{.FAIL_PIN = Bytes(200, 0xA5)}, three{.PGM_STATE = {1, 2, 3}};
    struct Case { Ftr r; uint16_t body; const char *got; } cases[] = {
        {wide, 250, "1600 8 16 8 \"ftext\""}, {wide, 127, "800 0 0 0 \"\""},  // FAIL_PIN 200 bytes, cut to 100
        {three, 31, "8 16 0 0 \"\""},          {Ftr{}, 32, "8 8 8 0 \"\""},  // the bitmaps cut to 2 and 1 bytes
        {Ftr{}, 34, "8 8 16 0 \"\""},          {Ftr{}, 48, "8 8 16 8 \"ft\""},  // pin map 0 bytes, TEST_TXT 2
    };
    for (int cpu : {0, 1, 2})
        for (const Case &c : cases) {
            const Bytes img = v3gen::cut(cpu, v3gen::record(cpu, c.r), c.body);
            const kelvo_ftr_struct s = decode(cpu, img).s;
            EXPECT_EQ(cat(s.FAIL_PIN.bits, s.PGM_ICNT, s.RTN_ICNT, s.SPIN_MAP.bits, s.TEST_TXT), c.got) << c.body;
            for (const kelvo_dn *b : {&s.FAIL_PIN, &s.SPIN_MAP}) EXPECT_TRUE(!b->data || b->data + b->bits / 8 <= &img.back() + 1);
            EXPECT_EQ(c.body == 250 ? s.PGM_STAT[0] + s.PGM_STAT[2] : 2, 2);  // read behind the 200 bytes
        }
}

// The copy moves TEST_TXT only. When the array buffer cannot be had, everything else is decoded,
// the state arrays are missing, the names are offered, and the read reports 0 (buf_read copies nothing).
TEST(V3Ftr, CopyAndAnArrayBufferThatCannotBeHad) {
    const int cpu = 1;
    const Ftr big{.FAIL_PIN = Bytes(255, 1), .PIN_MAP = Bytes(255, 2), .TEST_TXT = std::string(255, 'x')};
    const Ftr wide{.TEST_NUM = 0x01020304, .PGM_STATE = Bytes(255, 0xFF), .RTN_STATE = Bytes(255, 1)};
    const Bytes st = v3gen::record(cpu, wide), small = v3gen::record(cpu, Ftr{});
    const int len = v3gen::rec_len(cpu, st);
    const Bytes first = v3gen::record(cpu, big);
    TempFile tmp(concat({first, st, small, st, st, first, v3gen::record(cpu, Tsr{.TEST_NUM = 0x01020304})}));
    int h = kelvo_open(tmp.path().c_str(), "r");
    Kelvo_file_attributes[h] = kV3[cpu];
    kelvo_ftr_struct s, plain;
    uint32_t w[24] = {};
    kelvo_header hd = next_header(h);
    ASSERT_GT(kelvo_ftrread(h, &hd, &s, nullptr), len);  // the read buffer now holds every later record
    hd = next_header(h);
    g_fail_realloc = true;
    EXPECT_EQ(kelvo_ftrread(h, &hd, &s, w), 0);
    g_fail_realloc = false;
    EXPECT_EQ(cat(s.REC_LEN, s.TEST_NUM, s.RTN_ICNT, s.PGM_ICNT, s.FAIL_PIN.bits, s.TEST_TXT, s.TIME_SET),
              std::to_string(len) + " 16909060 0 0 8 \"ftext\" \"7\"");
    EXPECT_TRUE(!s.RTN_INDX && !s.RTN_STAT && !s.PGM_INDX && !s.PGM_STAT);
    EXPECT_EQ(words(w, 24).substr(3, 14), "+++++---++pppp");
    hd = next_header(h);  // the failed growth released the array buffer: a small record gets one again
    EXPECT_EQ(kelvo_ftrread(h, &hd, &plain, nullptr), 51);
    hd = next_header(h);
    g_fail_realloc = true;
    EXPECT_EQ(kelvo_ftrbuf_read(h, &hd, &s, nullptr), 0);
    g_fail_realloc = false;
    hd = next_header(h);
    EXPECT_EQ(kelvo_ftrbuf_read(h, &hd, &s, nullptr), len);
    EXPECT_EQ(cat(s.RTN_ICNT, s.PGM_ICNT) + " " + states(s.RTN_STAT, 9) + " " + states(s.PGM_STAT, 9),
              "2040 2040 100000001 111111111");
    EXPECT_TRUE(s.TIME_SET.str == plain.TIME_SET.str && s.RSLT_TXT.str == plain.RSLT_TXT.str);  // static areas
    hd = next_header(h);
    EXPECT_GT(kelvo_ftrread(h, &hd, &plain, nullptr), len);  // overwrites the read buffer; the copy stays
    EXPECT_STREQ(s.TEST_TXT.str, "ftext");
    kelvo_tsr_struct t;
    hd = next_header(h);
    EXPECT_GT(kelvo_tsrread(h, &hd, &t, nullptr), 0);
    EXPECT_EQ(txt(t.TEST_NAM) + txt(t.SEQ_NAME), tsr_takes_names() ? "\"func\"\"fseq\"" : "\"\"\"\"");
    kelvo_close(h);
}

}  // namespace
