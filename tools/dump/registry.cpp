// The registry of record kinds and the field printer.
#include <cinttypes>
#include <cmath>
#include <cstring>

#include "dump/dump.h"

namespace dump {

namespace {
// Where the toucher leaves what it read, so that the reads are not optimised away.
volatile uint8_t touched;

std::vector<RecordKind> &registry() {
    static std::vector<RecordKind> list;
    return list;
}
}  // namespace

void add_kind(const RecordKind &kind) { registry().push_back(kind); }

const RecordKind *find_kind(uint8_t typ, uint8_t sub) {
    for (const RecordKind &k : registry())
        if (k.typ == typ && k.sub == sub) return &k;
    return nullptr;
}

const std::vector<RecordKind> &kinds() { return registry(); }

FILE *null_output() {
    static FILE *sink = std::fopen("/dev/null", "w");
    return sink;
}

void Printer::line(const char *name, const std::string &value) {
    std::fprintf(out_, "  %-9s %s\n", name, value.c_str());
}

void Printer::touch(const void *p, size_t n) {
    const auto *b = static_cast<const volatile uint8_t *>(p);
    uint8_t sum = 0;
    for (size_t k = 0; k < n; ++k) sum = static_cast<uint8_t>(sum + b[k]);
    touched = sum;
}

void Printer::begin(const char *name, const kelvo_header &h, uint32_t rec_len, long index, uint64_t offset) {
    if (!out_) return;
    std::fprintf(out_, "#%ld %s (%u,%u) REC_LEN=%u offset=%" PRIu64 "\n", index, name, h.REC_TYP, h.REC_SUB,
                 rec_len, offset);
}

void Printer::missing(const char *name) {
    if (out_) line(name, "missing");
}

void Printer::note(const char *text) {
    if (out_) std::fprintf(out_, "  (%s)\n", text);
}

void Printer::u(const char *name, uint64_t v, uint32_t status) {
    if (!out_) return;
    if (!(status & KELVO_VALID)) return missing(name);
    line(name, std::to_string(v));
}

void Printer::i(const char *name, int64_t v, uint32_t status) {
    if (!out_) return;
    if (!(status & KELVO_VALID)) return missing(name);
    line(name, std::to_string(v));
}

void Printer::hex(const char *name, uint64_t v, uint32_t status) {
    if (!out_) return;
    if (!(status & KELVO_VALID)) return missing(name);
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%02" PRIx64, v);
    line(name, buf);
}

namespace {
bool g_exact_reals = false;
}  // namespace

void Printer::exact_reals(bool on) { g_exact_reals = on; }

std::string Printer::element(double v) {
    char buf[40];
    if (g_exact_reals) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        std::snprintf(buf, sizeof buf, "0x%016" PRIx64, bits);
    } else {
        std::snprintf(buf, sizeof buf, "%g", v);
    }
    return buf;
}

std::string Printer::element(float v) { return element(static_cast<double>(v)); }

void Printer::r(const char *name, double v, uint32_t status) {
    if (!out_) return;
    if (!(status & KELVO_VALID)) return missing(name);
    line(name, element(v));
}

namespace {
// A text in double quotes, unprintable bytes escaped.
std::string quoted(const char *s, uint32_t len) {
    std::string q = "\"";
    for (uint32_t k = 0; k < len; ++k) {
        auto c = static_cast<unsigned char>(s[k]);
        if (c == '"' || c == '\\') {
            q += '\\';
            q += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            q += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            q += buf;
        }
    }
    return q + "\"";
}

std::string hex_bytes(const uint8_t *p, uint32_t n) {
    std::string h;
    for (uint32_t k = 0; k < n; ++k) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%02x", p[k]);
        if (k) h += ' ';
        h += buf;
    }
    return h;
}
}  // namespace

std::string Printer::element(const kelvo_cn &v) { return v.str ? quoted(v.str, v.len) : "missing"; }

void Printer::ch(const char *name, char v, uint32_t status) {
    if (!out_) return;
    if (!(status & KELVO_VALID)) return missing(name);
    std::string q = quoted(&v, 1);
    line(name, "'" + q.substr(1, q.size() - 2) + "'");
}

void Printer::text(const char *name, const char *s, uint32_t len, uint32_t status) {
    if (!out_) {
        if (touch_ && s) touch(s, len);
        return;
    }
    if (!(status & KELVO_VALID) || (!s && len)) return missing(name);
    line(name, quoted(s ? s : "", len));
}

void Printer::text(const char *name, const kelvo_cn &s, uint32_t status) { text(name, s.str, s.len, status); }

void Printer::bytes(const char *name, const uint8_t *p, uint32_t n, uint32_t status) {
    if (!out_) {
        if (touch_ && p) touch(p, n);
        return;
    }
    if (!(status & KELVO_VALID) || (!p && n)) return missing(name);
    line(name, "[" + std::to_string(n) + " bytes] " + hex_bytes(p, n));
}

void Printer::bn(const char *name, const kelvo_bn &b, uint32_t status) { bytes(name, b.data, b.len, status); }

void Printer::dn(const char *name, const kelvo_dn &d, uint32_t status) {
    if (!out_) {
        if (touch_ && d.data) touch(d.data, (uint32_t{d.bits} + 7) / 8);
        return;
    }
    if (!(status & KELVO_VALID) || (!d.data && d.bits)) return missing(name);
    uint32_t n = (uint32_t{d.bits} + 7) / 8;
    line(name, "[" + std::to_string(d.bits) + " bits] " + hex_bytes(d.data, n));
}

}  // namespace dump
