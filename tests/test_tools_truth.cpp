// kelvo-dump and kelvo-convert never report success after bad input or a failed write:
// compressed data cut at every point, unreadable inputs, standard input, closed pipes,
// full devices, every option in --help.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "testutil.h"

using namespace kt;
namespace fs = std::filesystem;

namespace {

const std::string kTools = KELVO_TOOLS_DIR;

struct Outcome {
    int status;  // bash's: the last command's exit status, 128 + the signal that ended it
    std::string out, err;
    long err_lines() const { return std::count(err.begin(), err.end(), '\n'); }
};

struct Dir {  // this process's own, removed with what it holds
    fs::path path = fs::temp_directory_path() / ("kelvo-truth-" + std::to_string(getpid()));
    Dir() { fs::create_directory(path); }
    ~Dir() { fs::remove_all(path); }
    std::string operator/(const std::string &name) const { return (path / name).string(); }
    long files() const { return std::distance(fs::directory_iterator(path), fs::directory_iterator()); }
};

void write_file(const std::string &path, const Bytes &b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(b.data()), std::streamsize(b.size()));
}

// Runs a bash command line in `dir`, the tools named by their names alone; its standard
// error goes to a file beside.
Outcome sh(const Dir &dir, const std::string &command) {
    std::string quoted;
    for (char c : "PATH='" + kTools + "':$PATH; cd " + dir.path.string() + "; " + command)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    const std::string err = dir.path.string() + ".err";
    FILE *p = popen(("bash -c '" + quoted + "' 2>" + err).c_str(), "r");
    Outcome r{-1, "", ""};
    char buf[4096];
    for (size_t n; p && (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    int st = p ? pclose(p) : -1;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.err = slurp(err);
    fs::remove(err);
    return r;
}

// A file of a FAR and four ATRs.
Bytes records() {
    Bytes file = far_record(2);
    for (uint32_t k = 1; k <= 4; ++k)
        file = concat({file, Image().u4(k * 7919u).cn("run " + std::to_string(k)).record(0, 20)});
    return file;
}

// `data` as one gzip member, flushed after each record, so that some cut points fall on
// record boundaries; `boundaries` gets the compressed size at each.
Bytes gzip(const Bytes &data, std::vector<size_t> *boundaries = nullptr) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    Bytes out(4096);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    for (size_t at = 0; at < data.size();) {
        size_t len = 4 + (data[at] | data[at + 1] << 8);  // CPU type 2
        z.next_in = const_cast<uint8_t *>(data.data() + at);
        z.avail_in = static_cast<uInt>(len);
        at += len;
        deflate(&z, at == data.size() ? Z_FINISH : Z_SYNC_FLUSH);
        if (boundaries) boundaries->push_back(out.size() - z.avail_out);
    }
    deflateEnd(&z);
    out.resize(out.size() - z.avail_out);
    return out;
}

// The inflaters the tools hold, as a prefix to their command: ISA-L's where they were built
// with it, and zlib.
std::vector<std::string> inflaters(const Dir &dir) {
    if (sh(dir, "kelvo-dump --help").out.find("with ISA-L") == std::string::npos) return {""};
    return {"", "env KELVO_INFLATE=zlib "};
}

}  // namespace

// Every cut of the compressed data, on a record boundary or not: one line, exit 1, no output file.
TEST(ToolsTruth, CompressedDataCutAnywhereIsAnError) {
    Dir dir;
    std::vector<size_t> boundaries;
    const Bytes gz = gzip(records(), &boundaries);
    write_file(dir / "whole.gz", gz);
    for (const std::string &env : inflaters(dir)) {
        SCOPED_TRACE(env);
        EXPECT_EQ(sh(dir, env + "kelvo-dump --summary whole.gz").status, 0);
        for (size_t cut = 1; cut < gz.size(); ++cut) {
            SCOPED_TRACE(cut);
            write_file(dir / "cut.gz", Bytes(gz.begin(), gz.begin() + static_cast<long>(cut)));
            Outcome d = sh(dir, env + "kelvo-dump --summary cut.gz");
            EXPECT_EQ(d.status, 1);
            EXPECT_EQ(d.err_lines(), 1) << d.err;
            EXPECT_EQ(d.err.rfind("kelvo-dump: cut.gz: ", 0), 0u) << d.err;
            // Where the cut leaves whole records, the records before it are all read.
            auto b = std::find(boundaries.begin(), boundaries.end(), cut);
            if (b != boundaries.end()) {
                EXPECT_NE(d.err.find("record " + std::to_string(b - boundaries.begin() + 1) + " at byte offset"),
                          std::string::npos) << d.err;
            }
            Outcome c = sh(dir, env + "kelvo-convert cut.gz out");
            EXPECT_EQ(c.status, 1);
            EXPECT_EQ(c.err_lines(), 1) << c.err;
            EXPECT_EQ(dir.files(), 2);  // whole.gz and cut.gz: no output, no temporary
        }
    }
}

// Inputs that are not a whole file, each with its own line; standard input, plain or gzip.
TEST(ToolsTruth, InputsGetTheirOwnMessage) {
    Dir dir;
    const Bytes plain = records(), gz = gzip(plain);
    Bytes flipped = gz, garbage = concat({gz, {'x', 'y', 'z', 'z', 'y', 'x', 'x', 'y', 'z', 'z', 'y', 'x'}});
    flipped[gz.size() - 6] ^= 0x40;  // the CRC
    write_file(dir / "plain", plain);
    write_file(dir / "gz", gz);
    const Bytes first(plain.begin(), plain.begin() + 6), rest(plain.begin() + 6, plain.end());
    write_file(dir / "two.gz", concat({gzip(first), gzip(rest), Bytes(8, 0)}));  // two members, zero padding
    write_file(dir / "flipped.gz", flipped);
    write_file(dir / "garbage.gz", garbage);
    write_file(dir / "empty", {});
    write_file(dir / "short", concat({plain, {1, 2}}));
    write_file(dir / "cut", Bytes(plain.begin(), plain.end() - 3));
    write_file(dir / "noread", plain);
    chmod((dir / "noread").c_str(), 0);
    fs::create_directory(dir / "dir");
    // As root, the unreadable file is tried as an unprivileged user, where one can run the tools.
    std::string as_user = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const bool unreadable = sh(dir, as_user + "kelvo-dump --help").status == 0;
    const std::string end = std::to_string(plain.size());
    const struct {
        std::string feed, input, redirect;  // kelvo-dump --summary INPUT, kelvo-convert INPUT out
        int status;
        std::string says;
    } cases[] = {
        {"", "plain", "", 0, ""},
        {"", "-", "< plain", 0, ""},
        {"", "-", "< gz", 0, ""},
        {"cat gz |", "-", "", 0, ""},
        {"cat plain |", "-", "", 0, ""},
        {"", "two.gz", "", 0, ""},
        {"", "dir", "", 1, ": is a directory"},
        {"", "missing", "", 1, ": No such file or directory"},
        {as_user, "noread", "", 1, ": Permission denied"},
        {"", "empty", "", 1, ": empty file"},
        {": |", "-", "", 1, ": empty file"},
        {"", "short", "", 1, "byte offset " + end + ": the file ends inside a record header"},
        {"cat short |", "-", "", 1, "byte offset " + end + ": the file ends inside a record header"},
        {"", "cut", "", 1, "record 4 at byte offset 48: ATR record cut short by the end of the file"},
        {"cat cut |", "-", "", 1, "record 4 at byte offset 48: ATR record cut short by the end of the file"},
        {"", "flipped.gz", "", 1, ": damaged compressed data"},
        {"", "garbage.gz", "", 1, "compressed data"},
        {"head -c 30 gz |", "-", "", 1, ": the compressed data is cut short"},
    };
    for (const std::string &env : inflaters(dir))
        for (const auto &c : cases) {
            SCOPED_TRACE(env + c.feed + " " + c.input + " " + c.redirect);
            if (c.input == "noread" && !unreadable) continue;
            Outcome d = sh(dir, c.feed + env + "kelvo-dump --summary " + c.input + " " + c.redirect);
            EXPECT_EQ(d.status, c.status) << d.err;
            EXPECT_EQ(d.err_lines(), c.status ? 1 : 0) << d.err;
            EXPECT_NE(d.err.find(c.says), std::string::npos) << d.err;
            if (c.status == 0) {
                EXPECT_NE(d.out.find(": CPU type 2, version 4, 5 records"), std::string::npos) << d.out;
            }
            Outcome v = sh(dir, c.feed + env + "kelvo-convert " + c.input + " out " + c.redirect + "; s=$?; " +
                                    "if [ $s = 0 ]; then cmp out plain; elif [ -e out ]; then echo left; fi; " +
                                    "rm -f out; exit $s");
            EXPECT_EQ(v.status, c.status) << v.err;
            EXPECT_EQ(v.err_lines(), c.status ? 1 : 0) << v.err;
            EXPECT_NE(v.err.find(c.says), std::string::npos) << v.err;
            EXPECT_EQ(v.out, "");  // a CPU type 2 file converts to itself; a failure leaves no output
        }
}

// Output that cannot be written: a closed pipe ends the dump at once and silently, a full
// device or file size limit is one line and exit 1, and nothing is left behind.
TEST(ToolsTruth, FailedWritesAreErrors) {
    Dir dir;
    const std::string lot2 = data_file("lot2");
    // An endless file on standard input: the dump ends only if it stops at the closed pipe.
    Outcome r = sh(dir, "{ head -c 6 " + lot2 + "; while tail -c +7 " + lot2 + "; do :; done; } | " +
                            "timeout 120 kelvo-dump - | head -c 100 >/dev/null; echo ${PIPESTATUS[1]}");
    EXPECT_EQ(r.out, "141\n");  // 128 + SIGPIPE
    EXPECT_EQ(r.err, "");
    for (const std::string &args : {lot2, "--summary " + lot2, std::string("--help")}) {
        SCOPED_TRACE(args);
        r = sh(dir, "kelvo-dump " + args + " > /dev/full");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "kelvo-dump: standard output: No space left on device\n");
    }
    r = sh(dir, "ulimit -f 100; kelvo-convert " + lot2 + " out");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err_lines(), 1);
    EXPECT_NE(r.err.find("kelvo-convert: out: cannot write record"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
    EXPECT_EQ(dir.files(), 0);
    // Renamed over, a device would be replaced: a pipe stands for one.
    r = sh(dir, "mkfifo pipe; kelvo-convert " + lot2 + " pipe; s=$?; test -p pipe || echo replaced; rm pipe; exit $s");
    EXPECT_EQ((std::pair{r.status, r.out}), (std::pair{1, std::string()}));
    EXPECT_EQ(r.err, "kelvo-convert: pipe: not a regular file\n");
    EXPECT_EQ(sh(dir, "kelvo-convert " + lot2 + " -").status, 2);
}

// --help names every option, and every option it names is taken.
TEST(ToolsTruth, HelpListsEveryOption) {
    Dir dir;
    write_file(dir / "f", records());
    const struct {
        std::string tool, file_args;
        std::vector<std::string> options;
    } tools[] = {{"kelvo-dump", "f", {"--summary", "--exact", "--help", "--"}},
                 {"kelvo-convert", "f out", {"--drop-unknown", "--help", "--"}}};
    for (const auto &t : tools) {
        Outcome help = sh(dir, t.tool + " --help");
        EXPECT_EQ(help.status, 0);
        for (const std::string &o : t.options) {
            SCOPED_TRACE(t.tool + " " + o);
            EXPECT_NE(help.out.find("  " + o + " "), std::string::npos) << help.out;
            EXPECT_EQ(sh(dir, t.tool + " " + o + " " + t.file_args).status, 0);
        }
        EXPECT_EQ(sh(dir, t.tool + " --bogus " + t.file_args).status, 2);
    }
}
