// kelvo-convert: byte orders in, CPU type 2 out, all or nothing; the real files end to end.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "testutil.h"

using namespace kt;
namespace fs = std::filesystem;

namespace {

ToolRun convert(const std::string &in, const std::string &out) { return run_tool("kelvo-convert", in + " " + out); }

struct TempDir {  // this process's own, removed with what it holds
    fs::path path = fs::temp_directory_path() / ("kelvo-convert-" + std::to_string(getpid()));
    TempDir() { fs::create_directory(path); }
    ~TempDir() { fs::remove_all(path); }
    std::string operator/(const std::string &name) const { return (path / name).string(); }
    long files() const { return std::distance(fs::directory_iterator(path), fs::directory_iterator()); }
};

Bytes read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void write_file(const std::string &path, const Bytes &b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(b.data()), std::streamsize(b.size()));
}

// An ATR and a GDR of every number type in the byte order of `cpu` (VAX reals for 0), converted: sample(2).
Bytes sample(int cpu) {
    Image g(cpu);
    g.u2(5).u1(2).u2(0x1234).u1(6).u4(static_cast<uint32_t>(-5)).u1(10).cn("name").u1(12).u2(12).bytes({0xAB, 0xC0});
    (cpu == 0 ? g.u1(7).bytes({0xC0, 0x40, 0, 0}) : g.u1(7).r4(1.5f));  // 1.5, a VAX F real for 0
    return concat({far_record(cpu), Image(cpu).u4(0x01020304).cn("cmd").record(0, 20), g.record(50, 10)});
}

}  // namespace

TEST(Convert, EveryCpuTypeBecomesLittleEndianIeee) {
    TempDir dir;
    gzFile gz = gzopen((dir / "in.gz").c_str(), "wb");
    gzwrite(gz, sample(1).data(), static_cast<unsigned>(sample(1).size())), gzclose(gz);
    write_file(dir / "out", Bytes(500, 7));  // an older, longer output is replaced
    for (int cpu : {0, 1, 2, 3}) {           // 3: the big-endian sample compressed
        SCOPED_TRACE(cpu);
        if (cpu < 3) write_file(dir / "in", sample(cpu));
        ToolRun r = convert(dir / (cpu < 3 ? "in" : "in.gz"), dir / "out");
        EXPECT_EQ((std::pair{r.status, r.out}), (std::pair{0, std::string()}));
        EXPECT_EQ(read_file(dir / "out"), sample(2));
        EXPECT_EQ(dir.files(), 3);  // in, in.gz, out: no temporary left behind
    }
    EXPECT_EQ(convert(dir / "in", dir / "no/such/dir").status, 1);
    std::string d = run_tool("kelvo-dump", "--exact " + (dir / "out")).out;  // reals exactly, for the real files
    for (const char *line : {"[4] R4    0x3ff8000000000000", "[3] Dn    [12 bits] ab c0"})
        EXPECT_NE(d.find(line), std::string::npos) << d;
}

TEST(Convert, UsageAndAnythingUnconvertibleLeaveTheOutputAlone) {
    EXPECT_EQ(run_tool("kelvo-convert", "--help").status, 0);
    EXPECT_NE(run_tool("kelvo-convert", "--help").out.find("usage: kelvo-convert [--drop-unknown] [--quiet] [--] IN OUT"), std::string::npos);
    for (const char *args : {"", "a", "a b c", "--bogus a b"}) EXPECT_EQ(run_tool("kelvo-convert", args).status, 2) << args;
    TempDir dir;
    const Bytes big = sample(1);
    const std::pair<Bytes, std::string> cases[] = {
        {concat({big, Image(1).u2(1).record(99, 7)}),
         "record 3 at byte offset 48: record type (99,7) cannot be converted"},
        {Bytes(big.begin(), big.end() - 2), "record 2 at byte offset 18: GDR record cut short by the end of the file"},
        {concat({big, {0}}), "the file ends inside a record header"},
        {concat({sample(2), far_record(1)}), "record 3 at byte offset 48: a FAR that is not the first record"},
        {far_record(2, 3), "only a version-4 FAR is converted"},
        {Image().bytes({3, 4}).record(1, 10), "neither a FAR nor a version-3 MIR"},
        {Image().u4(1).record(0, 20), "the file does not begin with a FAR"},
        {Bytes{}, "empty file"}};
    for (const auto &[in, message] : cases) {
        SCOPED_TRACE(message);
        write_file(dir / "in", in);
        write_file(dir / "out", {1, 2, 3});
        ToolRun r = convert(dir / "in", dir / "out");
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.out.find(message, r.out.find("kelvo-convert: " + (dir / "in") + ": ")), std::string::npos) << r.out;
        EXPECT_EQ(read_file(dir / "out"), (Bytes{1, 2, 3}));
        EXPECT_EQ(dir.files(), 2);
    }
    fs::remove(dir / "out");
    EXPECT_EQ(convert(dir / "missing", dir / "out").status, 1);
    EXPECT_EQ(dir.files(), 1);
}

// Exact dumps equal to the last record but for CPU_TYPE, REC_LEN and offsets; converted again: the same bytes.
TEST(Convert, RealFilesKeepEveryValue) {
    TempDir dir;
    auto dump = [](const std::string &f) { return run_tool("kelvo-dump", "--exact " + f + " | sed 's/ REC_LEN=.*//'").out; };
    for (auto [name, last] : {std::pair{"lot2", "#58019 "}, std::pair{"lot3", "#59889 "}}) {
        SCOPED_TRACE(name);
        std::string original = data_file(name), once = dir / "once", twice = dir / "twice";
        ASSERT_EQ(convert(original, once).status, 0);
        std::string a = dump(original), b = dump(once);
        EXPECT_EQ(a.substr(a.rfind("\n#") + 1, 7), last);
        a.replace(a.find("CPU_TYPE  1"), 11, "CPU_TYPE  2");  // the FAR's
        auto diff = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
        EXPECT_TRUE(a == b) << "the dumps differ from line " << std::count(a.begin(), diff.first, '\n') + 1;
        ASSERT_EQ(convert(once, twice).status, 0);
        EXPECT_EQ(read_file(once), read_file(twice));
    }
}
