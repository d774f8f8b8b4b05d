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

}  // namespace kt
