// Version-3 names, FDR and FTR: list lookups on a list built here; names carried by FDR and FTR
// to the TSR of their test, per handle; FTR conversion in every byte order, every cut, counted
// fields cut short, the copy, and an array buffer that cannot be had.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "record_text.h"
#include "v3gen.h"

using namespace kt;
using v3gen::Fdr;
using v3gen::Ftr;
using v3gen::Tsr;

// Buffer growth that fails on demand: the library grows a buffer it holds with realloc.
namespace {
bool g_fail_realloc = false;
}
extern "C" void *realloc(void *p, size_t n) noexcept {
    static auto next = reinterpret_cast<void *(*)(void *, size_t)>(dlsym(RTLD_NEXT, "realloc"));
    return g_fail_realloc ? nullptr : next(p, n);
}

namespace {

const kelvo_attributes kV3[3] = {{0, 3}, {1, 3}, {2, 3}};
constexpr uint32_t kTop = 0xFFFFFFFFu;

// ------------------------------------------------------------ lists built here

struct List {
    std::vector<kelvo_name_entry> e;
    std::vector<kelvo_list_node> n;
    kelvo_list_head h{};
    explicit List(std::vector<uint32_t> nums) : e(nums.size()), n(nums.size()) {
        for (size_t i = 0; i < nums.size(); ++i) {
            e[i].TEST_NUM = nums[i];
            n[i] = {&e[i], i ? &n[i - 1] : nullptr, i + 1 < nums.size() ? &n[i + 1] : nullptr};
        }
        if (!n.empty()) h = {&n.front(), &n.back(), nullptr};
    }
    // Numbers first to last (back links checked), then the cursor's.
    std::string str() const {
        std::string r;
        const kelvo_list_node *prev = nullptr;
        for (const kelvo_list_node *x = h.first; x; prev = x, x = x->next) {
            if (x->prev != prev) r += "!";
            r += std::to_string(x->entry->TEST_NUM) + " ";
        }
        if (prev != h.last) r += "!last ";
        return r + "c" + (h.cursor ? std::to_string(h.cursor->entry->TEST_NUM) : "-");
    }
};

TEST(NameLists, LookupAndRemovalOnAListBuiltHere) {
    List l({0, 3, 5, 9, kTop});
    auto num = [](const kelvo_list_node *x) { return x ? std::to_string(x->entry->TEST_NUM) : std::string("-"); };
    struct Step { uint32_t num; int remove; const char *got, *after; } steps[] = {
        {5, 0, "5", "0 3 5 9 4294967295 c5"},
        {4, 0, "-", "0 3 5 9 4294967295 c4294967295"},  // a miss leaves the cursor at the last node
        {kTop, 0, "4294967295", "0 3 5 9 4294967295 c4294967295"},
        {0, 0, "0", "0 3 5 9 4294967295 c0"},  // below the cursor: from the first node
        {9, 1, "9 5,4294967295", "0 3 5 4294967295 c4294967295"},  // the removed node keeps its links
        {9, 0, "-", "0 3 5 4294967295 c4294967295"},
        {0, 1, "0 -,3", "3 5 4294967295 c3"},
        {kTop, 1, "4294967295 5,-", "3 5 c5"},  // the last: its predecessor is last and cursor
        {3, 1, "3 -,5", "5 c5"},
        {5, 1, "5 -,-", "c-"},  // the only one
        {5, 0, "-", "c-"},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(std::to_string(s.num) + (s.remove ? " removed" : ""));
        kelvo_list_node *x = kelvo_get_list_entry(&l.h, s.num, s.remove);
        EXPECT_EQ(num(x) + (x && s.remove ? " " + num(x->prev) + "," + num(x->next) : ""), s.got);
        EXPECT_EQ(l.str(), s.after);
    }
    EXPECT_EQ(kelvo_get_list_entry(nullptr, 5, 1), nullptr);
}

// ------------------------------------------------------------ names per handle

// Reads version-3 FDR, FTR and TSR records on a fresh handle (`before` runs first); the names
// each TSR ends up with.
template <class Before>
std::string tsr_names(int cpu, const std::string &path, Before before) {
    int h = kelvo_open(path.c_str(), "r");
    EXPECT_GE(h, 0);
    Kelvo_file_attributes[h] = kV3[cpu];
    before(h);
    std::string r;
    kelvo_header hd;
    while (kelvo_headread(h, &hd) == 4) {
        const int code = hd.REC_TYP << 8 | hd.REC_SUB;
        kelvo_ftr_struct f;
        kelvo_tsr_struct t;
        if (code == v3gen::FDR) EXPECT_GT(kelvo_v3_fdrread(h, &hd), 0);
        else if (code == v3gen::FTR) EXPECT_GT(kelvo_ftrread(h, &hd, &f, nullptr), 0);
        else if (code == v3gen::TSR && kelvo_tsrread(h, &hd, &t, nullptr) > 0)
            r += txt(t.TEST_NAM) + "/" + txt(t.SEQ_NAME) + " ";
    }
    kelvo_close(h);
    return r;
}
std::string tsr_names(int cpu, std::initializer_list<Bytes> records) {
    TempFile tmp(concat(records));
    return tsr_names(cpu, tmp.path(), [](int) {});
}

// Names reach the TSR only once the version-3 TSR decodes its own names.
bool tsr_takes_names() {
    return tsr_names(2, {v3gen::record(2, Tsr{.TEST_NAM = "own"})}).starts_with("\"own\"");
}

TEST(NameLists, FdrAndFtrNamesReachTheTsrOfTheirTest) {
    if (!tsr_takes_names()) GTEST_SKIP() << "the version-3 TSR does not take names yet";
    for (int cpu : {0, 1, 2}) {
        using v3gen::record, v3gen::cut;
        auto fdr = [cpu](uint32_t n, std::string t, std::string s = "") {
            return record(cpu, Fdr{.TEST_NUM = n, .TEST_NAM = t, .SEQ_NAME = s});
        };
        auto tsr = [cpu](uint32_t n) { return record(cpu, Tsr{.TEST_NUM = n}); };
        const Bytes ftr = record(cpu, Ftr{});  // test 200, "func", "fseq"
        struct Case { const char *what; std::vector<Bytes> records; const char *names; } cases[] = {
            {"empty names are replaced", {fdr(200, ""), ftr, tsr(200)}, "\"func\"/\"fseq\" "},
            {"the first non-empty stays", {fdr(200, "ABC", "s"), ftr, tsr(200)}, "\"ABC\"/\"s\" "},
            {"ordered, one entry a number", {fdr(5, "a"), fdr(3, "b"), fdr(9, "c"), fdr(3, "d"), tsr(3), tsr(5), tsr(9), tsr(3)},
             "\"b\"/\"\" \"a\"/\"\" \"c\"/\"\" \"\"/\"\" "},
            {"extreme numbers", {fdr(kTop, "max"), fdr(0, "zero"), fdr(7, "mid"), tsr(0), tsr(7), tsr(kTop)},
             "\"zero\"/\"\" \"mid\"/\"\" \"max\"/\"\" "},
            {"FTR names cut", {cut(cpu, ftr, 43), tsr(200)}, "\"func\"/\"fs\" "},
            {"FTR without names", {cut(cpu, ftr, 35), tsr(200)}, "\"\"/\"\" "},
            {"FDR without SEQ_NAME", {cut(cpu, fdr(200, "func", "s"), 10), tsr(200)}, "\"func\"/\"\" "},
        };
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.what) + " cpu " + std::to_string(cpu));
            Bytes all;
            for (const Bytes &r : c.records) all = concat({all, r});
            EXPECT_EQ(tsr_names(cpu, {all}), c.names);
        }
    }
    // A sequence name alone; handles outside 0-31 are ignored.
    TempFile tmp(v3gen::record(2, Tsr{.TEST_NUM = 7}));
    EXPECT_EQ(tsr_names(2, tmp.path(), [](int h) {
                  for (int bad : {-1, 32, 1000}) kelvo_add_test_nam(bad, 7, 1, "x");
                  kelvo_add_seq_name(h, 7, 2, "sq");
              }),
              "\"\"/\"sq\" ");
}

TEST(NameLists, AReopenedHandleForgetsAndReleasesEarlierNames) {
    // Thousands of files with names on one handle: LeakSanitizer sees every discarded entry.
    Bytes names;
    for (uint32_t t = 0; t < 20; ++t) names = concat({names, v3gen::record(2, Fdr{.TEST_NUM = t})});
    TempFile with_names(concat({names, v3gen::record(2, Ftr{.TEST_NUM = 3}), v3gen::record(2, Tsr{.TEST_NUM = 10})}));
    for (int i = 0; i < 2000; ++i) tsr_names(2, with_names.path(), [](int) {});
    EXPECT_EQ(tsr_names(2, {v3gen::record(2, Tsr{.TEST_NUM = 3})}), "\"\"/\"\" ");
}

TEST(Fdr, ReadsItsRecordAndNothingElse) {
    for (int cpu : {0, 1, 2}) {
        const Bytes full = v3gen::record(cpu, Fdr{}), cut = v3gen::cut(cpu, full, 7);
        TempFile tmp(concat({full, cut, Bytes(full.begin(), full.end() - 2)}));
        int h = kelvo_open(tmp.path().c_str(), "r");
        Kelvo_file_attributes[h] = kV3[cpu];
        kelvo_header hd = next_header(h), copy = hd;
        EXPECT_EQ(kelvo_v3_fdrread(h, &hd), 15);
        EXPECT_EQ(std::memcmp(&hd, &copy, 4), 0);
        hd = next_header(h);
        EXPECT_EQ(kelvo_v3_fdrbuf_read(h, &hd), 7);
        hd = next_header(h);
        EXPECT_EQ(kelvo_v3_fdrread(h, &hd), 0);  // cut short by the end of the file
        kelvo_close(h);
    }
}

// ------------------------------------------------------------ FTR

std::string indexes(const uint16_t *p, uint32_t n) {
    if (n == 0) return "-";
    for (uint32_t i = 0; i < n; ++i)
        if (p[i] != i) return "!";
    return "0-" + std::to_string(n - 1);
}
std::string states(const uint8_t *p, uint32_t n) {
    std::string r = n ? "" : "-";
    for (uint32_t i = 0; i < n; ++i) r += static_cast<char>('0' + p[i]);
    return r;
}
std::string dn(const kelvo_dn &d) {
    std::string r = std::to_string(d.bits) + ":";
    if (!d.data) return r + "null";
    for (uint32_t i = 0; i < (d.bits + 7u) / 8u; ++i) r += (i ? "," : "") + std::to_string(d.data[i]);
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
    std::string st;  // status words, one letter each
    std::string all() const {
        std::string r;
        for (const std::string &x : f) r += x + " ";
        return r + "|" + st;
    }
};

// Decodes an image into a structure full of garbage; words start as 0x103 (see words()).
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

TEST(V3Ftr, CompleteRecordInEveryByteOrder) {
    for (int cpu : {0, 1, 2}) {
        SCOPED_TRACE(cpu);
        const Bytes img = v3gen::record(cpu, Ftr{.TEST_NUM = 0x01020304, .HEAD_NUM = 3, .SITE_NUM = 4, .TEST_FLG = 0x80});
        const Decoded d = decode(cpu, img);
        const kelvo_ftr_struct &s = d.s;
        EXPECT_EQ(cat(s.REC_LEN, s.REC_TYP, s.REC_SUB, s.TEST_NUM, s.HEAD_NUM, s.SITE_NUM, s.TEST_FLG),
                  "51 15 20 16909060 3 4 128");
        EXPECT_EQ(d.all(), "240 5000 4096 3 2 -1 -1 0 16 8 0-15 0000111111110000 0-7 10100000 8:129 \"\" \"7\" \"\" "
                           "\"ftext\" \"\" \"\" \"65535\" 255 8:255 |+++++---+++++++-+-+--+-+");
        // RTN_STAT right behind RTN_INDX; PGM_INDX 4 bytes past RTN_STAT's aligned end.
        EXPECT_EQ(s.RTN_STAT, reinterpret_cast<uint8_t *>(s.RTN_INDX) + 32);
        EXPECT_EQ(reinterpret_cast<uint8_t *>(s.PGM_INDX), s.RTN_STAT + 16 + 4);
        EXPECT_EQ(s.PGM_STAT, reinterpret_cast<uint8_t *>(s.PGM_INDX) + 16);
        EXPECT_EQ(s.FAIL_PIN.data, img.data() + 4 + 27);
        EXPECT_EQ(s.TEST_TXT.str, reinterpret_cast<const char *>(img.data()) + 4 + 46);
    }
}

TEST(V3Ftr, OptionFlagsAndDecimalTexts) {
    struct Case { uint8_t opt, time; uint16_t addr; const char *mapped, *words, *time_set, *rslt; } cases[] = {
        {0x00, 7, 65535, "240", "+++++---", "\"7\"", "\"65535\""},
        {0x01, 255, 0, "242", "++p++---", "\"255\"", "\"0\""},
        {0x30, 0, 1, "252", "+++pp---", "\"0\"", "\"1\""},
        {0x12, 10, 12345, "249", "+p++p---", "\"10\"", "\"12345\""},
        {0xFF, 99, 100, "255", "+pppp---", "\"99\"", "\"100\""},
    };
    for (int cpu : {0, 1, 2})
        for (const Case &c : cases) {
            SCOPED_TRACE(std::to_string(c.opt) + " cpu " + std::to_string(cpu));
            const Decoded d =
                decode(cpu, v3gen::record(cpu, Ftr{.OPT_FLAG = c.opt, .TIME_SET = c.time, .ADDR_WORD = c.addr}));
            EXPECT_EQ(d.f[0] + " " + d.st.substr(0, 8) + " " + d.f[16] + " " + d.f[21],
                      std::string(c.mapped) + " " + c.words + " " + c.time_set + " " + c.rslt);
        }
}

// Every cut of a complete record: each field present when it begins inside the record, its
// value whole when held whole, else its missing value; the fields version 3 lacks never present.
TEST(V3Ftr, EveryCut) {
    struct Word { int word; char kind; const char *absent; };  // valid: a always, o with OPT_FLAG, p present, v not empty
    struct Field { uint32_t at, end; std::vector<Word> words; } fields[] = {
        {8, 9, {{0, 'a', "255"}}},    {9, 10, {{16, 'v', "null"}}},  {10, 14, {{2, 'o', "~0"}}},
        {14, 18, {{1, 'o', "~0"}}},   {18, 20, {{3, 'o', "~0"}}},    {20, 22, {{21, 'v', "\"\""}}},
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
            if (body >= 4) {
                EXPECT_EQ(d.s.TEST_NUM, 200u);
            }
            for (const Field &f : fields)
                for (const Word &w : f.words) {
                    SCOPED_TRACE(w.word);
                    const bool present = f.at < body, got_empty = empty(d.f[w.word]);
                    const bool valid = w.kind == 'a' || (w.kind == 'o' && body > 8) || (w.kind == 'p' && present) ||
                                       (w.kind == 'v' && present && !got_empty);
                    EXPECT_EQ(d.st[w.word], present ? (valid ? '+' : 'p') : (valid ? 'v' : '-'));
                    if (!present || f.end <= body) {
                        EXPECT_EQ(d.f[w.word], present ? whole.f[w.word] : w.absent);
                    }
                }
            for (int w : {5, 6, 7, 15, 17, 19, 20, 22}) {
                EXPECT_EQ(d.f[w], whole.f[w]);
                EXPECT_EQ(d.st[w], '-');
            }
            if (body <= 29) {  // no state bitmap holds a byte: no arrays at all
                EXPECT_EQ(d.s.RTN_INDX, nullptr);
                EXPECT_EQ(d.s.PGM_STAT, nullptr);
            }
        }
    }
}

// Counted fields running past the end of the record are cut to the bytes it holds.
TEST(V3Ftr, CountedFieldsCutAtTheEndOfTheRecord) {
    const Ftr wide{.FAIL_PIN = Bytes(200, 0xA5)}, three{.PGM_STATE = {1, 2, 3}};
    struct Case { const char *what; Ftr r; uint16_t body; const char *got; } cases[] = {
        {"FAIL_PIN of 200 bytes", wide, 250, "1600 8 16 8 \"ftext\""},
        {"FAIL_PIN cut to 100", wide, 127, "800 0 0 0 \"\""},
        {"program bitmap cut to 2", three, 31, "8 16 0 0 \"\""},
        {"return bitmap cut to 1", Ftr{}, 32, "8 8 8 0 \"\""},
        {"pin map with its count only", Ftr{}, 34, "8 8 16 0 \"\""},
        {"TEST_TXT cut to 2", Ftr{}, 48, "8 8 16 8 \"ft\""},
    };
    for (int cpu : {0, 1, 2})
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.what) + " cpu " + std::to_string(cpu));
            const Bytes img = v3gen::cut(cpu, v3gen::record(cpu, c.r), c.body);
            const kelvo_ftr_struct s = decode(cpu, img).s;
            EXPECT_EQ(cat(s.FAIL_PIN.bits, s.PGM_ICNT, s.RTN_ICNT, s.SPIN_MAP.bits, s.TEST_TXT), c.got);
            const uint8_t *end = img.data() + img.size();
            for (const kelvo_dn *b : {&s.FAIL_PIN, &s.SPIN_MAP}) EXPECT_LE(b->data + b->bits / 8, end);
            if (s.TEST_TXT.len) {
                EXPECT_LE(reinterpret_cast<const uint8_t *>(s.TEST_TXT.str) + s.TEST_TXT.len, end);
            }
            EXPECT_EQ(c.body == 250 ? s.PGM_STAT[0] + s.PGM_STAT[2] : 2, 2);  // read behind the 200 bytes
        }
}

TEST(V3Ftr, ReadersAndTheCopy) {
    // No MIR (version 0) decodes as version 3 too; the copy moves TEST_TXT only.
    TempFile tmp(concat({v3gen::record(2, Ftr{}), v3gen::record(2, Ftr{}), v3gen::record(2, Ftr{.TEST_TXT = "other"})}));
    int h = kelvo_open(tmp.path().c_str(), "r");
    kelvo_header hd = next_header(h);
    kelvo_ftr_struct plain, copy;
    EXPECT_EQ(kelvo_ftrread(h, &hd, &plain, nullptr), 51);
    hd = next_header(h);
    EXPECT_EQ(kelvo_ftrbuf_read(h, &hd, &copy, nullptr), 51);
    EXPECT_NE(copy.TEST_TXT.str, plain.TEST_TXT.str);
    EXPECT_STREQ(copy.TEST_TXT.str, "ftext");
    EXPECT_EQ(copy.TIME_SET.str, plain.TIME_SET.str);
    EXPECT_EQ(copy.RSLT_TXT.str, plain.RSLT_TXT.str);
    EXPECT_EQ(copy.FAIL_PIN.data, plain.FAIL_PIN.data);  // still in the read buffer
    EXPECT_EQ(show(copy), show(plain));
    hd = next_header(h);
    EXPECT_EQ(kelvo_ftrread(h, &hd, &plain, nullptr), 51);
    EXPECT_STREQ(copy.TEST_TXT.str, "ftext");  // the read buffer was overwritten, the copy stays
    kelvo_close(h);
}

// When the array buffer cannot be had, everything else is decoded, the state arrays are missing,
// the names are offered, and the read reports 0 (a buf_read copies nothing).
TEST(V3Ftr, ArrayBufferThatCannotBeHad) {
    const int cpu = 1;
    const Ftr big{.FAIL_PIN = Bytes(255, 1), .PIN_MAP = Bytes(255, 2), .TEST_TXT = std::string(255, 'x')};
    const Ftr wide{.TEST_NUM = 0x01020304, .PGM_STATE = Bytes(255, 0xFF), .RTN_STATE = Bytes(255, 1)};
    const Bytes st = v3gen::record(cpu, wide), small = v3gen::record(cpu, Ftr{});
    const int len = v3gen::rec_len(cpu, st);
    TempFile tmp(concat({v3gen::record(cpu, big), st, small, st, st, v3gen::record(cpu, Tsr{.TEST_NUM = 0x01020304})}));
    int h = kelvo_open(tmp.path().c_str(), "r");
    Kelvo_file_attributes[h] = kV3[cpu];
    kelvo_ftr_struct s;
    uint32_t w[24] = {};
    // The read buffer grows here to hold every later record; the array buffer stays small.
    kelvo_header hd = next_header(h);
    ASSERT_GT(kelvo_ftrread(h, &hd, &s, nullptr), len);
    hd = next_header(h);
    g_fail_realloc = true;
    EXPECT_EQ(kelvo_ftrread(h, &hd, &s, w), 0);
    g_fail_realloc = false;
    EXPECT_EQ(cat(s.REC_LEN, s.TEST_NUM, s.RTN_ICNT, s.PGM_ICNT, s.FAIL_PIN.bits, s.TEST_TXT, s.TIME_SET),
              std::to_string(len) + " 16909060 0 0 8 \"ftext\" \"7\"");
    EXPECT_TRUE(!s.RTN_INDX && !s.RTN_STAT && !s.PGM_INDX && !s.PGM_STAT);
    EXPECT_EQ(words(w, 24).substr(3, 14), "+++++---++pppp");
    // The failed growth released the array buffer; a small record gets one again.
    hd = next_header(h);
    EXPECT_EQ(kelvo_ftrread(h, &hd, &s, nullptr), 51);
    hd = next_header(h);
    g_fail_realloc = true;
    EXPECT_EQ(kelvo_ftrbuf_read(h, &hd, &s, nullptr), 0);
    g_fail_realloc = false;
    hd = next_header(h);
    EXPECT_EQ(kelvo_ftrbuf_read(h, &hd, &s, nullptr), len);
    EXPECT_EQ(cat(s.RTN_ICNT, s.PGM_ICNT) + " " + states(s.RTN_STAT, 9) + " " + states(s.PGM_STAT, 9),
              "2040 2040 100000001 111111111");
    // The names of the failed read were offered.
    kelvo_tsr_struct t;
    hd = next_header(h);
    EXPECT_GT(kelvo_tsrread(h, &hd, &t, nullptr), 0);
    EXPECT_EQ(txt(t.TEST_NAM) + txt(t.SEQ_NAME), tsr_takes_names() ? "\"func\"\"fseq\"" : "\"\"\"\"");
    kelvo_close(h);
}

}  // namespace
