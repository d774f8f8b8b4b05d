#include "testutil.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace kt {

Image &Image::put(uint64_t v, int n) {
    for (int i = 0; i < n; ++i) {
        int shift = cpu_ == 1 ? 8 * (n - 1 - i) : 8 * i;
        b_.push_back(static_cast<uint8_t>(v >> shift));
    }
    return *this;
}

Bytes Image::record(uint8_t typ, uint8_t sub, uint16_t rec_len) const {
    Bytes r;
    if (cpu_ == 1) {
        r = {static_cast<uint8_t>(rec_len >> 8), static_cast<uint8_t>(rec_len & 0xFF), typ, sub};
    } else {
        r = {static_cast<uint8_t>(rec_len & 0xFF), static_cast<uint8_t>(rec_len >> 8), typ, sub};
    }
    r.insert(r.end(), b_.begin(), b_.end());
    return r;
}

Bytes far_record(int cpu, int version) {
    if (cpu == 1) return {0, 2, 0, 10, 1, static_cast<uint8_t>(version)};
    return {2, 0, 0, 10, static_cast<uint8_t>(cpu), static_cast<uint8_t>(version)};
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes &p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

TempFile::TempFile() {
    char name[] = "/tmp/kelvo-test-XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    path_ = name;
}

TempFile::TempFile(const Bytes &contents) : TempFile() { write(contents); }

TempFile::~TempFile() { std::remove(path_.c_str()); }

Bytes TempFile::contents() const {
    std::ifstream in(path_, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void TempFile::write(const Bytes &contents) const {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(contents.data()), static_cast<std::streamsize>(contents.size()));
}

std::string slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

int open_bytes(const Bytes &bytes, TempFile &tmp) {
    tmp.write(bytes);
    return kelvo_open(tmp.path().c_str(), "r");
}

kelvo_header next_header(int handle) {
    kelvo_header h{};
    EXPECT_EQ(kelvo_headread(handle, &h), 4);
    return h;
}

std::string data_file(const std::string &name) { return std::string(KELVO_DATA_DIR) + "/" + name + ".kelvo"; }

ToolRun run_tool(const std::string &tool, const std::string &args) {
    ToolRun r{-1, ""};
    FILE *p = popen((std::string(KELVO_TOOLS_DIR) + "/" + tool + " " + args + " 2>&1").c_str(), "r");
    char buf[4096];
    for (size_t n; p && (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    if (int st = p ? pclose(p) : -1; WIFEXITED(st)) r.status = WEXITSTATUS(st);
    return r;
}

Bytes every_type_record(int cpu) {
    Image i(cpu);
    i.u2(16).u1(0).u1(1).u1(0xAB).u1(2).u2(0x1234).u1(3).u4(0x89ABCDEF).u1(4).u1(0xFE);
    i.u1(5).u2(static_cast<uint16_t>(-300)).u1(6).u4(static_cast<uint32_t>(-70000)).u1(7).r4(1.5f).u1(8).r8(-2.25);
    i.u1(9).u1(10).cn("hi").u1(11).bytes({3, 1, 2, 3}).u1(12).u2(10).bytes({0xFF, 0xC0});
    return i.u1(13).u1(0x0A).u1(14).u8(0x0102030405060708).u1(20).record(50, 10);
}

Bytes full_str_record(int cpu) {
    Image i(cpu);
    i.u1(1).u4(100000).u1(2).u1(3).u2(0x0405).u1(0x80).cn("").cn("scan").cn("").cn("p").cn("ok").u1(6).u1(5);
    i.u2(3).u1(0xE0).u2(20).bytes({1, 2, 0x30});
    for (int k = 0; k < 6; ++k) i.u4(1000u * (k + 1));
    i.u4(77).u2(2).u2(9).bytes({1, 2, 3, 8, 4, 3, 0, 4, 1}).u2(12).cn("c-0").cn("");
    i.u2(2).bytes({0x11, 0x22}).u2(3).u2(0x1234).u2(5).u2(0xFFFF).u2(1);
    i.bytes(cpu == 1 ? Bytes{0xAB, 0xCD, 0xEF} : Bytes{0xEF, 0xCD, 0xAB});
    i.u2(2).bytes({9, 8}).u2(1).bytes({7}).u2(0).u2(2).u8(0x0A0B0C0D01020304).u8(0x0000000105060708);
    i.u2(1).u4(42).u2(1).bytes(cpu == 1 ? Bytes{0x12, 0x34, 0x56} : Bytes{0x56, 0x34, 0x12});
    return i.u2(2).u2(1).u4(0).u2(2).cn("u0").cn("v").record(15, 30);
}

}  // namespace kt
