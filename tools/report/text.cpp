// The report as plain text, for a terminal: the page's numbers and an ASCII map per wafer.
#include <algorithm>
#include <cstdio>

#include "report/write.h"

namespace report {

namespace {

// printf into a std::string.
template <class... A>
void put(std::string &o, const char *f, A... a) {
    char b[512];
    int n = std::snprintf(b, sizeof b, f, a...);
    o.append(b, static_cast<size_t>(std::clamp(n, 0, int(sizeof b) - 1)));
}

// Texts are printed as they are, but for control characters.
std::string clean(std::string s) {
    for (char &c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return s;
}

std::string ull(uint64_t v) { return std::to_string(v); }

// The character of a die: '.' for a passing bin, the bin in base 36 for a failing one,
// '#' for a failing bin above 35.
char die_char(uint16_t bin, const std::vector<BinRow> &bins) {
    for (const BinRow &b : bins)
        if (b.bin == bin && b.pass == 'P') return '.';
    return bin < 10 ? char('0' + bin) : bin < 36 ? char('A' + bin - 10) : '#';
}

void bins(std::string &o, const FileReport &f, bool hard) {
    const std::vector<BinRow> &rows = hard ? f.hard : f.soft;
    if (rows.empty()) return;
    put(o, "\n%s bins (parts: PRRs; record: %s count)\n", hard ? "Hard" : "Soft", hard ? "HBR" : "SBR");
    put(o, "  %5s  %-3s  %7s  %7s  %7s  %s\n", "bin", "P/F", "parts", "share", "record", "name");
    std::vector<const BinRow *> order;
    for (const BinRow &b : rows) order.push_back(&b);
    std::stable_sort(order.begin(), order.end(), [](auto *a, auto *b) { return a->counted > b->counted; });
    for (const BinRow *b : order)
        put(o, "  %5u  %-3s  %7s  %7s  %7s  %s%s\n", unsigned(b->bin),
            (std::string(1, b->pass) + (b->pass_from_parts ? "*" : "")).c_str(), ull(b->counted).c_str(),
            percent(b->counted, f.parts, 1).c_str(), b->count ? ull(*b->count).c_str() : "-", clean(b->name).c_str(),
            b->disagrees() ? "  <- the bin record differs" : "");
}

void map(std::string &o, const FileReport &f, const WaferMap &m) {
    const Orientation orient(f.config);
    put(o, "\nWafer %s: %s parts, %s good, %s", m.id.empty() ? "(none)" : clean(m.id).c_str(), ull(m.parts).c_str(),
        ull(m.good).c_str(), percent(m.good, m.parts).c_str());
    if (m.retests) put(o, ", %s retests, final %s", ull(m.retests).c_str(), percent(m.dies_good, m.dies.size()).c_str());
    put(o, "\n  X %d..%d to the %s, Y %d..%d %s; '.' passing bin, 0-9 A-Z failing hard bin, # above 35\n",
        int(m.min_x), int(m.max_x), orient.x_left ? "left" : "right", int(m.min_y), int(m.max_y),
        orient.y_up ? "upwards" : "downwards");
    const int w = m.max_x - m.min_x + 1, h = m.max_y - m.min_y + 1;
    // Maps too large for a terminal are shown in part only.
    const int cw = std::min(w, 200), ch = std::min(h, 200);
    std::vector<std::string> rows(static_cast<size_t>(ch), std::string(static_cast<size_t>(cw), ' '));
    for (const Die &d : m.dies) {
        const int c = orient.column(m, d.x), r = orient.row(m, d.y);
        if (c < cw && r < ch) rows[size_t(r)][size_t(c)] = die_char(d.hard, f.hard);
    }
    for (std::string &r : rows) {
        while (!r.empty() && r.back() == ' ') r.pop_back();
        o += "  " + r + "\n";
    }
    if (cw < w || ch < h) put(o, "  (the first %d columns and %d rows of %d x %d)\n", cw, ch, w, h);
}

void histogram(std::string &o, const Histogram &h) {
    put(o, "  %u %s: %s results", unsigned(h.test_num), clean(h.name).c_str(), ull(h.n).c_str());
    if (h.n)
        put(o, ", mean %s, sd %s, %s to %s", real(h.mean).c_str(), real(h.sd).c_str(), real(h.min).c_str(),
            real(h.max).c_str());
    if (!h.units.empty()) put(o, " %s", clean(h.units).c_str());
    put(o, "\n    limits %s to %s; %s outside (%s below, %s above)\n", h.lo ? real(*h.lo).c_str() : "none",
        h.hi ? real(*h.hi).c_str() : "none", ull(h.below + h.above).c_str(), ull(h.below).c_str(),
        ull(h.above).c_str());
    if (!h.n) return;
    // One character per bar, darker for more results; L and H mark the bars of the limits.
    static const char shades[] = " .:-=+*#%@";
    uint64_t top = 1;
    for (uint64_t c : h.bars) top = std::max(top, c);
    std::string bars, marks;
    for (size_t i = 0; i < h.bars.size(); ++i) {
        const uint64_t c = h.bars[i];
        bars += c ? shades[1 + (c * 8 + top - 1) / top] : ' ';
        const double a = h.from + double(i) * h.width, b = a + h.width;
        char m = ' ';
        if (h.lo && *h.lo >= a && *h.lo < b) m = 'L';
        if (h.hi && *h.hi >= a && *h.hi < b) m = m == 'L' ? 'B' : 'H';
        marks += m;
    }
    put(o, "    %s |%s| %s\n    %*s  %s\n", real(h.from).c_str(), bars.c_str(),
        real(h.from + h.width * double(h.bars.size())).c_str(), int(real(h.from).size()), "", marks.c_str());
}

}  // namespace

std::string text(const std::vector<FileReport> &files) {
    std::string o;
    for (const FileReport &f : files) {
        if (!o.empty()) o += "\n";
        put(o, "== %s (version %d, CPU type %d, %s records)\n", clean(f.path).c_str(), f.version, f.cpu_type,
            ull(f.records).c_str());
        for (const auto &[k, v] : f.identity) put(o, "%-12s %s\n", k.c_str(), clean(v).c_str());
        put(o, "\nParts tested %s, good %s, failed %s, yield %s, retests %s", ull(f.parts).c_str(), ull(f.good).c_str(),
            ull(f.failed).c_str(), percent(f.good, f.parts).c_str(), ull(f.retests).c_str());
        if (f.retests) put(o, ", final yield %s of %s dies", percent(f.dies_good, f.dies).c_str(), ull(f.dies).c_str());
        if (f.no_pass_fail) put(o, ", %s without pass/fail", ull(f.no_pass_fail).c_str());
        o += "\n";
        bins(o, f, true);
        if (f.soft_bins) bins(o, f, false);
        for (const WaferMap &m : f.wafers) map(o, f, m);
        if (!f.failing.empty()) {
            const size_t shown = std::min<size_t>(f.failing.size(), 25);
            put(o, "\nFailing tests (%s of %s tests run failed; the first %s)\n", ull(f.failing.size()).c_str(),
                ull(f.tests_run).c_str(), ull(shown).c_str());
            put(o, "  %4s  %10s  %7s  %8s  %s\n", "rank", "test", "failed", "of parts", "name");
            for (size_t i = 0; i < shown; ++i) {
                const FailingTest &t = f.failing[i];
                put(o, "  %4s  %10u  %7s  %8s  %s%s\n", ull(i + 1).c_str(), unsigned(t.test_num), ull(t.failed).c_str(),
                    percent(t.failed, f.parts, 1).c_str(), clean(t.name).c_str(), t.kind == 'F' ? " (functional)" : "");
            }
        } else {
            o += "\nNo test failed.\n";
        }
        if (!f.histograms.empty()) {
            o += "\nDistributions\n";
            for (const Histogram &h : f.histograms) histogram(o, h);
        }
        if (f.sites.size() > 1) {
            o += "\nSites\n";
            put(o, "  %4s  %4s  %7s  %7s  %8s  %s\n", "head", "site", "parts", "good", "yield", "hard bins (bin:parts)");
            for (const SiteRow &s : f.sites) {
                std::string hb;
                for (const auto &[bin, n] : s.hard) hb += " " + ull(bin) + ":" + ull(n);
                put(o, "  %4u  %4u  %7s  %7s  %8s %s\n", unsigned(s.head), unsigned(s.site), ull(s.parts).c_str(),
                    ull(s.good).c_str(), percent(s.good, s.parts).c_str(), hb.c_str());
            }
        }
    }
    return o;
}

}  // namespace report
