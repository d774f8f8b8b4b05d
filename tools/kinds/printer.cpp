// The field printer.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "kinds/kinds.h"

namespace kinds {

namespace {
// Where the toucher leaves what it read, so that the reads are not optimised away.
volatile uint8_t touched;

}  // namespace

FILE *null_output() {
    static FILE *sink = std::fopen("/dev/null", "w");
    return sink;
}

namespace {
bool g_exact_reals = false;

// Reals as printf's %g prints them, formatted once per value: limits and many results
// repeat from part to part.
struct RealText {
    uint64_t bits = 0;
    uint8_t len = 0;  // 0: an empty entry
    char text[15];
};
RealText g_reals[4096];
}  // namespace

void Printer::exact_reals(bool on) { g_exact_reals = on; }

bool Printer::flush() {
    if (!out_ || len_ == 0 || error_) {
        len_ = 0;
        return error_ == 0;
    }
    errno = 0;
    if (std::fwrite(buf_.data(), 1, len_, out_) != len_) error_ = errno ? errno : EIO;
    len_ = 0;
    return error_ == 0;
}

void Printer::make_room(size_t n) {
    if (out_ && len_ > 0) flush();
    if (buf_.size() - len_ < n) buf_.resize(std::max(len_ + n, 2 * kFlushAt));
}

void Printer::put_u(uint64_t v) {
    char *p = room(24);
    len_ += static_cast<size_t>(std::to_chars(p, p + 24, v).ptr - p);
}

void Printer::put_i(int64_t v) {
    char *p = room(24);
    len_ += static_cast<size_t>(std::to_chars(p, p + 24, v).ptr - p);
}

void Printer::put_real(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    if (g_exact_reals) {
        char *p = room(18);
        p[0] = '0', p[1] = 'x';
        for (int k = 0; k < 16; ++k) p[2 + k] = "0123456789abcdef"[(bits >> (60 - 4 * k)) & 15];
        len_ += 18;
        return;
    }
    RealText &e = g_reals[(bits * 0x9E3779B97F4A7C15ull) >> 52];
    if (e.len == 0 || e.bits != bits) {
        // to_chars with a precision prints exactly as %g does, without the locale.
        auto r = std::to_chars(e.text, e.text + sizeof e.text, v, std::chars_format::general, 6);
        e.bits = bits;
        e.len = static_cast<uint8_t>(r.ptr - e.text);
    }
    put(e.text, e.len);
}

// A text with unprintable bytes, quotes and backslashes escaped.
void Printer::put_quoted(const char *s, uint32_t len, char quote) {
    char *p = room(size_t{len} * 4 + 2), *start = p;
    *p++ = quote;
    for (uint32_t k = 0; k < len; ++k) {
        auto c = static_cast<unsigned char>(s[k]);
        if (c == '"' || c == '\\') {
            *p++ = '\\';
            *p++ = static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            *p++ = static_cast<char>(c);
        } else {
            *p++ = '\\', *p++ = 'x', *p++ = "0123456789abcdef"[c >> 4], *p++ = "0123456789abcdef"[c & 15];
        }
    }
    *p++ = quote;
    len_ += static_cast<size_t>(p - start);
}

void Printer::put_hex_bytes(const uint8_t *data, uint32_t n) {
    char *p = room(size_t{n} * 3), *start = p;
    for (uint32_t k = 0; k < n; ++k) {
        if (k) *p++ = ' ';
        *p++ = "0123456789abcdef"[data[k] >> 4];
        *p++ = "0123456789abcdef"[data[k] & 15];
    }
    len_ += static_cast<size_t>(p - start);
}

void Printer::field(const char *name) {
    size_t n = std::strlen(name);
    char *p = room(n + 12), *start = p;
    *p++ = ' ', *p++ = ' ';
    std::memcpy(p, name, n), p += n;
    for (; n < 9; ++n) *p++ = ' ';
    *p++ = ' ';
    len_ += static_cast<size_t>(p - start);
}

void Printer::touch(const void *p, size_t n) {
    const auto *b = static_cast<const volatile uint8_t *>(p);
    uint8_t sum = 0;
    for (size_t k = 0; k < n; ++k) sum = static_cast<uint8_t>(sum + b[k]);
    touched = sum;
}

void Printer::begin(const char *name, const kelvo_header &h, uint32_t rec_len, long index, uint64_t offset) {
    if (!out_) {
        if (collector_) collector_->begin(name, h, rec_len, index, offset);
        return;
    }
    put('#');
    put_i(index);
    put(' ');
    put(name);
    put(" (", 2);
    put_u(h.REC_TYP);
    put(',');
    put_u(h.REC_SUB);
    put(") REC_LEN=", 10);
    put_u(rec_len);
    put(" offset=", 8);
    put_u(offset);
    end_line();
}

void Printer::missing(const char *name) {
    if (!out_) {
        if (collector_) collector_->missing(name);
        return;
    }
    field(name);
    put("missing", 7);
    end_line();
}

void Printer::note(const char *text) {
    if (!out_) {
        if (collector_) collector_->note(text);
        return;
    }
    put("  (", 3);
    put(text);
    put(')');
    end_line();
}

void Printer::line(const std::string &text) {
    if (!out_) return;
    put(text.data(), text.size());
    end_line();
}

void Printer::u(const char *name, uint64_t v, uint32_t status) {
    if (!out_) {
        if (collector_ && !collected(name, status)) collector_->u(name, v, false);
        return;
    }
    if (!(status & KELVO_VALID)) return missing(name);
    field(name);
    put_u(v);
    end_line();
}

void Printer::i(const char *name, int64_t v, uint32_t status) {
    if (!out_) {
        if (collector_ && !collected(name, status)) collector_->i(name, v);
        return;
    }
    if (!(status & KELVO_VALID)) return missing(name);
    field(name);
    put_i(v);
    end_line();
}

void Printer::hex(const char *name, uint64_t v, uint32_t status) {
    if (!out_) {
        if (collector_ && !collected(name, status)) collector_->u(name, v, true);
        return;
    }
    if (!(status & KELVO_VALID)) return missing(name);
    field(name);
    char *p = room(20);
    p[0] = '0', p[1] = 'x';
    if (v < 16) p[2] = '0';
    char *end = std::to_chars(p + (v < 16 ? 3 : 2), p + 20, v, 16).ptr;
    len_ += static_cast<size_t>(end - p);
    end_line();
}

void Printer::r(const char *name, double v, uint32_t status) {
    if (!out_) {
        if (collector_ && !collected(name, status)) collector_->r(name, v);
        return;
    }
    if (!(status & KELVO_VALID)) return missing(name);
    field(name);
    put_real(v);
    end_line();
}

void Printer::element(const kelvo_cn &v) {
    if (v.str) put_quoted(v.str, v.len, '"');
    else put("missing", 7);
}

void Printer::ch(const char *name, char v, uint32_t status) {
    if (!out_) {
        if (collector_ && !collected(name, status)) collector_->ch(name, v);
        return;
    }
    if (!(status & KELVO_VALID)) return missing(name);
    field(name);
    put_quoted(&v, 1, '\'');
    end_line();
}

void Printer::text(const char *name, const char *s, uint32_t len, uint32_t status) {
    if (!out_) {
        if (collector_) {
            if (!(status & KELVO_VALID) || (!s && len)) collector_->missing(name);
            else collector_->text(name, s, len);
        } else if (touch_ && s) {
            touch(s, len);
        }
        return;
    }
    if (!(status & KELVO_VALID) || (!s && len)) return missing(name);
    field(name);
    put_quoted(s ? s : "", len, '"');
    end_line();
}

void Printer::text(const char *name, const kelvo_cn &s, uint32_t status) { text(name, s.str, s.len, status); }

void Printer::bytes(const char *name, const uint8_t *p, uint32_t n, uint32_t status) {
    if (!out_) {
        if (collector_) {
            if (!(status & KELVO_VALID) || (!p && n)) collector_->missing(name);
            else collector_->bytes(name, p, n, false);
        } else if (touch_ && p) {
            touch(p, n);
        }
        return;
    }
    if (!(status & KELVO_VALID) || (!p && n)) return missing(name);
    field(name);
    put('[');
    put_u(n);
    put(" bytes] ", 8);
    put_hex_bytes(p, n);
    end_line();
}

void Printer::bn(const char *name, const kelvo_bn &b, uint32_t status) {
    if (!out_ && collector_) {
        if (!(status & KELVO_VALID) || (!b.data && b.len)) collector_->missing(name);
        else collector_->bytes(name, b.data, b.len, true);
        return;
    }
    bytes(name, b.data, b.len, status);
}

void Printer::dn(const char *name, const kelvo_dn &d, uint32_t status) {
    if (!out_) {
        if (collector_) {
            if (!(status & KELVO_VALID) || (!d.data && d.bits)) collector_->missing(name);
            else collector_->dn(name, d.data, d.bits);
        } else if (touch_ && d.data) {
            touch(d.data, (uint32_t{d.bits} + 7) / 8);
        }
        return;
    }
    if (!(status & KELVO_VALID) || (!d.data && d.bits)) return missing(name);
    field(name);
    put('[');
    put_u(d.bits);
    put(" bits] ", 7);
    put_hex_bytes(d.data, (uint32_t{d.bits} + 7) / 8);
    end_line();
}

}  // namespace kinds
