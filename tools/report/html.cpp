// The report as one HTML page: inline CSS, inline SVG maps and histograms, no script.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "report/write.h"

namespace report {

namespace {

const char kStyle[] = R"CSS(
:root{--ink:#1d2733;--mute:#5b6b7c;--line:#dfe4ea;--bg:#f3f5f8;--card:#fff;--accent:#1f5f8b;--bad:#c62828;--good:#2e7d32}
*{box-sizing:border-box}
body{margin:0;background:var(--bg);color:var(--ink);font:14px/1.4 system-ui,-apple-system,"Segoe UI",Roboto,Helvetica,Arial,sans-serif}
main{max-width:1400px;margin:0 auto;padding:16px 20px 28px}
input.kind{position:absolute;opacity:0;pointer-events:none}
h1{font-size:22px;margin:0}
h1 small{font-weight:400;color:var(--mute);font-size:15px;margin-left:8px}
h2{font-size:15px;margin:0 0 8px;color:var(--accent);text-transform:uppercase;letter-spacing:.04em}
h3{font-size:13px;margin:10px 0 4px;color:var(--mute)}
.file{margin-bottom:26px}
.top{background:#22364a;color:#fff;border-radius:8px;padding:12px 18px;display:flex;flex-wrap:wrap;gap:6px 28px;align-items:baseline}
.top h1 small{color:#b9c7d6}
.top .path{color:#b9c7d6;font-size:12px;flex-basis:100%}
.ident{display:flex;flex-wrap:wrap;gap:4px 22px;margin:0;font-size:12.5px;flex-basis:100%}
.ident div{display:flex;gap:6px}.ident dt{color:#9fb2c6}.ident dd{margin:0;font-weight:600}
.kpis{display:grid;grid-template-columns:repeat(auto-fit,minmax(120px,1fr));gap:10px;margin:12px 0}
.kpi{background:var(--card);border:1px solid var(--line);border-radius:8px;padding:8px 14px}
.kpi b{display:block;font-size:24px;line-height:1.2}.kpi span{color:var(--mute);font-size:12px}
.kpi.yield b{color:var(--good)}.kpi.warn b{color:var(--bad)}
.grid{display:grid;grid-template-columns:minmax(0,1.05fr) minmax(0,1fr);gap:12px;margin-bottom:12px}
.card{background:var(--card);border:1px solid var(--line);border-radius:8px;padding:12px 14px;min-width:0}
table{border-collapse:collapse;width:100%;font-size:12.5px;font-variant-numeric:tabular-nums}
th{text-align:left;color:var(--mute);font-weight:600;border-bottom:1px solid var(--line);padding:3px 6px;white-space:nowrap}
td{padding:2px 6px;border-bottom:1px solid #f0f2f5;white-space:nowrap}
td.n,th.n{text-align:right}
td.name{white-space:normal;max-width:260px;overflow-wrap:anywhere}
.sw{display:inline-block;width:11px;height:11px;border-radius:2px;vertical-align:-1px;margin-right:5px}
.bar{height:9px;background:#6b8cae;border-radius:2px;min-width:1px}
.bar.p{background:#4caf50}.bar.f{background:#d9534f}
.pf{font-size:11px;font-weight:700;padding:0 5px;border-radius:3px}
.pf.P{background:#e3f3e5;color:var(--good)}.pf.F{background:#fbe3e2;color:var(--bad)}.pf.Q{background:#eee;color:#666}
.pf.inf{font-weight:400;font-style:italic}
.warn{color:var(--bad);font-weight:600}
tr.bad td{background:#fff4f3}
.switch{display:inline-flex;border:1px solid var(--line);border-radius:6px;overflow:hidden;margin-left:10px;vertical-align:1px}
.switch label{padding:1px 10px;font-size:12px;cursor:pointer;color:var(--mute)}
#k-hard:checked~main label[for=k-hard],#k-soft:checked~main label[for=k-soft]{background:var(--accent);color:#fff}
#k-hard:checked~main .softv,#k-soft:checked~main .hardv{display:none}
.maps{display:grid;grid-template-columns:repeat(auto-fill,minmax(230px,1fr));gap:10px}
.maps.one{grid-template-columns:1fr}
figure{margin:0}
figure.wmap svg{display:block;width:100%;max-height:490px}
figcaption{font-size:12.5px;margin-bottom:4px}
figcaption b{font-size:13.5px}
.legend{display:flex;flex-wrap:wrap;gap:3px 12px;font-size:12px;margin-top:8px}
.hists{display:grid;grid-template-columns:repeat(auto-fill,minmax(300px,1fr));gap:12px}
figure.hist svg{display:block;width:100%}
.note{color:var(--mute);font-size:12px}
footer{color:var(--mute);font-size:12px;margin-top:16px;border-top:1px solid var(--line);padding-top:8px}
footer li{margin:2px 0}
@media (max-width:1000px){.grid{grid-template-columns:1fr}}
@media print{body{background:#fff;font-size:11px}main{max-width:none;padding:0}
 .switch{display:none}.softv,.hardv{display:block!important}
 .card,.kpi{border-color:#ccc;break-inside:avoid}.top{background:#fff;color:#000;border:1px solid #999}
 .top .path,.top h1 small,.ident dt{color:#444}.grid{grid-template-columns:1fr 1fr}.file{break-before:page}
 .file:first-of-type{break-before:auto}figure{break-inside:avoid}}
)CSS";

// Bytes as HTML text: markup characters escaped, bytes that are not UTF-8 taken as
// the characters U+0080 to U+00FF.
std::string esc(std::string_view t) {
    std::string o;
    o.reserve(t.size());
    const auto *p = reinterpret_cast<const unsigned char *>(t.data());
    for (size_t i = 0, n = t.size(); i < n;) {
        unsigned char c = p[i];
        size_t len = 0;
        if (c >= 0xC2 && c <= 0xDF) len = 2;
        else if (c >= 0xE0 && c <= 0xEF) len = 3;
        else if (c >= 0xF0 && c <= 0xF4) len = 4;
        bool ok = len && i + len <= n;
        for (size_t k = 1; ok && k < len; ++k) ok = (p[i + k] & 0xC0) == 0x80;
        if (ok && len == 3 && ((c == 0xE0 && p[i + 1] < 0xA0) || (c == 0xED && p[i + 1] >= 0xA0))) ok = false;
        if (ok && len == 4 && ((c == 0xF0 && p[i + 1] < 0x90) || (c == 0xF4 && p[i + 1] >= 0x90))) ok = false;
        if (ok) {
            o.append(t.data() + i, len), i += len;
            continue;
        }
        switch (c) {
        case '&': o += "&amp;"; break;
        case '<': o += "&lt;"; break;
        case '>': o += "&gt;"; break;
        case '"': o += "&quot;"; break;
        default:
            if (c >= 0x80 || (c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
                char b[12];
                std::snprintf(b, sizeof b, "&#%u;", c < 0x20 || c == 0x7F ? 0xFFFDu : unsigned(c));
                o += b;
            } else {
                o += static_cast<char>(c);
            }
        }
        ++i;
    }
    return o;
}

std::string num(uint64_t v) { return std::to_string(v); }
std::string fmt(const char *f, double a, double b = 0, double c = 0, double d = 0) {
    char buf[160];
    std::snprintf(buf, sizeof buf, f, a, b, c, d);
    return buf;
}

// Fixed colours: pass bins in greens, fail bins in distinct hues, the most common first.
const char *const kPass[] = {"#2e9d4a", "#7cc36b", "#b5dc8e", "#1b6b34", "#a3d9b1", "#5e9c5e"};
const char *const kFail[] = {"#d73027", "#f28e2b", "#4e79a7", "#9c5fb5", "#e15fa0", "#8c564b",
                             "#edc948", "#17becf", "#b2182b", "#76b7b2", "#ff9da7", "#5a3d8a"};
const char kOther[] = "#9e9e9e";

std::map<uint16_t, std::string> colours(const std::vector<BinRow> &bins) {
    std::vector<const BinRow *> pass, fail;
    for (const BinRow &b : bins) (b.pass == 'P' ? pass : fail).push_back(&b);
    auto order = [](const BinRow *a, const BinRow *b) {
        return a->counted != b->counted ? a->counted > b->counted : a->bin < b->bin;
    };
    std::sort(pass.begin(), pass.end(), order);
    std::sort(fail.begin(), fail.end(), order);
    std::map<uint16_t, std::string> c;
    for (size_t i = 0; i < pass.size(); ++i) c[pass[i]->bin] = i < std::size(kPass) ? kPass[i] : kOther;
    for (size_t i = 0; i < fail.size(); ++i) c[fail[i]->bin] = i < std::size(kFail) ? kFail[i] : kOther;
    return c;
}

class Page {
public:
    std::string out;

    void file(const FileReport &f) {
        const std::vector<BinRow> &main_bins = f.hard;
        hard_colour_ = colours(f.hard);
        soft_colour_ = colours(f.soft);
        out += "<section class=\"file\">\n<div class=\"top\"><h1>";
        std::string lot, sub, type;
        for (const auto &[k, v] : f.identity) {
            if (k == "Lot") lot = v;
            else if (k == "Sublot") sub = v;
            else if (k == "Part type") type = v;
        }
        out += esc(lot.empty() ? "Lot not named" : "Lot " + lot);
        if (!sub.empty()) out += " &middot; " + esc(sub);
        if (!type.empty()) out += "<small>" + esc(type) + "</small>";
        out += "</h1><div class=\"path\">" + esc(f.path) + " &middot; version " + num(f.version) + ", CPU type " +
               num(f.cpu_type) + " &middot; " + num(f.records) + " records</div><dl class=\"ident\">";
        for (const auto &[k, v] : f.identity)
            if (k != "Lot" && k != "Sublot" && k != "Part type")
                out += "<div><dt>" + esc(k) + "</dt><dd>" + esc(v) + "</dd></div>";
        out += "</dl></div>\n";
        kpis(f);
        out += "<div class=\"grid\"><div class=\"card\">";
        maps(f);
        out += "</div><div class=\"card\">";
        bins(f, true);
        if (f.soft_bins || !f.soft.empty()) bins(f, false);
        out += "</div></div>\n<div class=\"grid\"><div class=\"card\">";
        failing(f);
        out += "</div><div class=\"card\">";
        histograms(f);
        out += "</div></div>\n";
        if (f.sites.size() > 1) sites(f, main_bins);
        out += "</section>\n";
    }

    void overview(const std::vector<FileReport> &files) {
        out += "<div class=\"card\" style=\"margin-bottom:14px\"><h2>Files</h2><table><tr><th>File</th><th>Lot</th>"
               "<th>Sublot</th><th class=n>Wafers</th><th class=n>Parts</th><th class=n>Good</th><th class=n>Yield</th>"
               "<th class=n>Retests</th></tr>";
        uint64_t parts = 0, good = 0, retests = 0;
        for (const FileReport &f : files) {
            std::string lot, sub;
            for (const auto &[k, v] : f.identity) {
                if (k == "Lot") lot = v;
                else if (k == "Sublot") sub = v;
            }
            out += "<tr><td>" + esc(f.path) + "</td><td>" + esc(lot) + "</td><td>" + esc(sub) + "</td><td class=n>" +
                   num(f.wafers.size()) + "</td><td class=n>" + num(f.parts) + "</td><td class=n>" + num(f.good) +
                   "</td><td class=n>" + percent(f.good, f.parts) + "</td><td class=n>" + num(f.retests) + "</td></tr>";
            parts += f.parts, good += f.good, retests += f.retests;
        }
        out += "<tr><th>All</th><th></th><th></th><th></th><th class=n>" + num(parts) + "</th><th class=n>" + num(good) +
               "</th><th class=n>" + percent(good, parts) + "</th><th class=n>" + num(retests) + "</th></tr></table></div>\n";
    }

private:
    void kpi(const std::string &value, const std::string &label, const char *cls = "") {
        out += std::string("<div class=\"kpi ") + cls + "\"><b>" + value + "</b><span>" + label + "</span></div>";
    }
    void kpis(const FileReport &f) {
        out += "<div class=\"kpis\">";
        kpi(num(f.parts), "parts tested");
        kpi(num(f.good), "good");
        kpi(num(f.failed), "failed", f.failed ? "warn" : "");
        kpi(percent(f.good, f.parts), "yield (good / tested)", "yield");
        kpi(num(f.retests), "retests");
        if (f.retests) kpi(percent(f.dies_good, f.dies), "final yield (" + num(f.dies) + " dies, last test)", "yield");
        kpi(num(f.wafers.size()), f.wafers.size() == 1 ? "wafer map" : "wafer maps");
        kpi(num(f.failing.size()) + " / " + num(f.tests_run), "tests failing / run");
        if (f.no_pass_fail) kpi(num(f.no_pass_fail), "without pass/fail");
        out += "</div>\n";
    }

    void maps(const FileReport &f) {
        const bool soft = f.soft_bins;
        out += "<h2>Wafer map" + std::string(f.wafers.size() == 1 ? "" : "s");
        if (soft)
            out += "<span class=\"switch\"><label for=\"k-hard\">Hard bin</label><label for=\"k-soft\">Soft "
                   "bin</label></span>";
        out += "</h2>";
        if (f.wafers.empty()) {
            out += "<p class=\"note\">No part has X/Y coordinates: there is no map to draw.</p>";
            return;
        }
        const Orientation o(f.config);
        out += f.wafers.size() == 1 ? "<div class=\"maps one\">" : "<div class=\"maps\">";
        for (const WaferMap &m : f.wafers) {
            out += "<figure class=\"wmap\"><figcaption><b>" +
                   esc(m.id.empty() ? std::string("Parts outside a wafer") : "Wafer " + m.id) + "</b>";
            if (m.head != 1) out += " &middot; head " + num(m.head);
            out += " &middot; " + num(m.parts) + " parts, " + num(m.good) + " good, " + percent(m.good, m.parts) +
                   "</b>";
            if (m.retests) out += " &middot; " + num(m.retests) + " retests, final " + percent(m.dies_good, m.dies.size());
            if (m.record_parts && *m.record_parts != m.parts)
                out += " <span class=\"warn\">&#9888; WRR says " + num(*m.record_parts) + " parts</span>";
            out += "</figcaption>";
            map_svg(f, m, o, true);
            if (soft) map_svg(f, m, o, false);
            out += "</figure>";
        }
        out += "</div>";
        legend(f.hard, hard_colour_, soft ? "hardv" : "");
        if (soft) legend(f.soft, soft_colour_, "softv");
        out += "<p class=\"note\">X grows to the " + std::string(o.x_left ? "left" : "right") + ", Y " +
               (o.y_up ? "upwards" : "downwards") + (f.config ? " (from the WCR)" : " (the file has no WCR)");
        if (f.config && f.config->flat) out += ", flat " + flat_name(*f.config->flat);
        out += ". Each die shows the last part tested there.</p>";
    }
    static std::string flat_name(char c) {
        switch (c) {
        case 'U': return "at the top";
        case 'D': return "at the bottom";
        case 'L': return "on the left";
        case 'R': return "on the right";
        }
        return "not given";
    }

    void map_svg(const FileReport &f, const WaferMap &m, const Orientation &o, bool hard) {
        const int w = m.max_x - m.min_x + 1, h = m.max_y - m.min_y + 1;
        // The wafer's outline: a circle around every die, with its flat where the WCR puts it.
        const double cx = w / 2.0, cy = h / 2.0;
        double r = 0;
        for (const Die &d : m.dies) {
            double dx = std::max(std::fabs(o.column(m, d.x) - cx), std::fabs(o.column(m, d.x) + 1 - cx));
            double dy = std::max(std::fabs(o.row(m, d.y) - cy), std::fabs(o.row(m, d.y) + 1 - cy));
            r = std::max(r, std::sqrt(dx * dx + dy * dy));
        }
        r = std::max(r + 0.3, std::max(w, h) * 0.5);
        const double pad = 0.6;
        const double vx = cx - r - pad, vy = cy - r - pad, vs = 2 * (r + pad);
        out += "<svg class=\"" + std::string(hard ? "hardv" : "softv") + "\" viewBox=\"" +
               fmt("%.2f %.2f %.2f %.2f", vx, vy, vs, vs) +
               "\" role=\"img\" aria-label=\"wafer map by " + (hard ? "hard" : "soft") + " bin\">";
        // The dies of each bin as one path of horizontal runs.
        std::map<int, std::vector<std::pair<int, int>>> cells;  // bin (-1: none) -> (row, column)
        for (const Die &d : m.dies) {
            int bin = hard ? d.hard : d.soft ? int(*d.soft) : -1;
            cells[bin].emplace_back(o.row(m, d.y), o.column(m, d.x));
        }
        const char flat = f.config && f.config->flat ? *f.config->flat : 0;
        const double angle = flat == 'D' ? 0 : flat == 'L' ? 90 : flat == 'U' ? 180 : flat == 'R' ? 270 : -1;
        if (angle >= 0) {
            const double d = r * 0.97, c = std::sqrt(r * r - d * d);
            out += fmt("<path d=\"M%.2f %.2fA%.2f %.2f 0 1 1 ", cx - c, cy + d, r, r) +
                   fmt("%.2f %.2fZ\" ", cx + c, cy + d) + fmt("transform=\"rotate(%.0f %.2f %.2f)\" ", angle, cx, cy) +
                   "fill=\"#f7f8fa\" stroke=\"#8a96a3\" stroke-width=\"1.2\" vector-effect=\"non-scaling-stroke\"/>";
        } else {
            out += fmt("<circle cx=\"%.2f\" cy=\"%.2f\" r=\"%.2f\" ", cx, cy, r) +
                   "fill=\"#f7f8fa\" stroke=\"#8a96a3\" stroke-width=\"1.2\" vector-effect=\"non-scaling-stroke\"/>";
        }
        const auto &palette = hard ? hard_colour_ : soft_colour_;
        const std::vector<BinRow> &rows = hard ? f.hard : f.soft;
        for (auto &[bin, list] : cells) {
            std::sort(list.begin(), list.end());
            auto col = palette.find(static_cast<uint16_t>(bin));
            std::string colour = bin < 0 || col == palette.end() ? "#cfd4da" : col->second;
            std::string title = bin < 0 ? "no soft bin" : (hard ? "hard bin " : "soft bin ") + num(bin);
            for (const BinRow &b : rows)
                if (int(b.bin) == bin && !b.name.empty()) title += " " + b.name;
            out += "<path fill=\"" + colour + "\" d=\"";
            for (size_t i = 0; i < list.size();) {
                size_t j = i + 1;
                while (j < list.size() && list[j].first == list[i].first && list[j].second == list[j - 1].second + 1) ++j;
                out += "M" + num(list[i].second) + " " + num(list[i].first) + "h" + num(j - i) + "v1h-" + num(j - i) + "z";
                i = j;
            }
            out += "\"><title>" + esc(title) + ": " + num(list.size()) + " dies</title></path>";
        }
        // Die edges: a grid of thin lines over the map, where dies are large enough to see them.
        if (w > 400 || h > 400) {
            out += "</svg>";
            return;
        }
        std::string grid;
        for (int x = 0; x <= w; ++x) grid += "M" + num(x) + " 0v" + num(h);
        for (int y = 0; y <= h; ++y) grid += "M0 " + num(y) + "h" + num(w);
        out += "<path d=\"" + grid + "\" stroke=\"#fff\" stroke-width=\"0.08\" fill=\"none\"/>";
        out += "</svg>";
    }

    void legend(const std::vector<BinRow> &bins, const std::map<uint16_t, std::string> &palette, const char *cls) {
        std::vector<const BinRow *> v;
        for (const BinRow &b : bins)
            if (b.counted) v.push_back(&b);
        std::sort(v.begin(), v.end(), [](auto *a, auto *b) { return a->counted > b->counted; });
        out += std::string("<div class=\"legend ") + cls + "\">";
        for (const BinRow *b : v)
            out += "<span><i class=\"sw\" style=\"background:" + palette.at(b->bin) + "\"></i>" + num(b->bin) +
                   (b->name.empty() ? "" : " " + esc(b->name)) + " (" + num(b->counted) + ")</span>";
        out += "</div>";
    }

    void bins(const FileReport &f, bool hard) {
        const std::vector<BinRow> &rows = hard ? f.hard : f.soft;
        const auto &palette = hard ? hard_colour_ : soft_colour_;
        out += std::string("<h2>") + (hard ? "Hard" : "Soft") + " bins</h2>";
        if (rows.empty()) {
            out += "<p class=\"note\">No bins.</p>";
            return;
        }
        uint64_t most = 1;
        for (const BinRow &b : rows) most = std::max(most, b.counted);
        std::vector<const BinRow *> order;
        for (const BinRow &b : rows) order.push_back(&b);
        std::stable_sort(order.begin(), order.end(), [](auto *a, auto *b) { return a->counted > b->counted; });
        bool disagree = false, names = false;
        for (const BinRow &b : rows) names |= !b.name.empty();
        out += std::string("<table><tr><th>Bin</th>") + (names ? "<th>Name</th>" : "") + "<th>P/F</th><th class=n>Parts</th><th class=n>Share</th>"
               "<th style=\"width:30%\"></th><th class=n>Bin record</th></tr>";
        for (const BinRow *b : order) {
            disagree |= b->disagrees();
            const char *pf = b->pass == 'P' ? "P" : b->pass == 'F' ? "F" : "Q";
            out += std::string("<tr") + (b->disagrees() ? " class=\"bad\"" : "") + "><td><i class=\"sw\" style=\"background:" +
                   palette.at(b->bin) + "\"></i>" + num(b->bin) + "</td>" + (names ? "<td class=\"name\">" + esc(b->name) + "</td>" : "") +
                   "<td><span class=\"pf " + pf + (b->pass_from_parts ? " inf" : "") + "\"" +
                   (b->pass_from_parts ? " title=\"no P/F in the bin record: from its parts\"" : "") + ">" +
                   (b->pass == '?' ? "?" : std::string(1, b->pass)) + "</span></td><td class=n>" + num(b->counted) +
                   "</td><td class=n>" + percent(b->counted, f.parts, 1) + "</td><td><div class=\"bar" +
                   (b->pass == 'P' ? " p" : " f") + "\" style=\"width:" + fmt("%.1f", 100.0 * double(b->counted) / double(most)) +
                   "%\"></div></td><td class=n>" + (b->count ? num(*b->count) : "&ndash;") +
                   (b->disagrees() ? " <span class=\"warn\" title=\"the bin record and the PRRs disagree\">&#9888;</span>" : "") +
                   "</td></tr>";
        }
        out += "</table>";
        if (disagree)
            out += "<p class=\"warn\">&#9888; The bin records' counts differ from the parts' PRRs where marked.</p>";
    }

    void failing(const FileReport &f) {
        out += "<h2>Failing tests</h2>";
        if (f.failing.empty()) {
            out += "<p class=\"note\">No test failed.</p>";
            return;
        }
        const size_t shown = std::min<size_t>(f.failing.size(), 25);
        const uint64_t most = std::max<uint64_t>(1, f.failing.front().failed);
        out += "<table><tr><th class=n>#</th><th class=n>Test</th><th>Name</th><th class=n>Failed</th>"
               "<th class=n>Of parts</th><th style=\"width:22%\"></th><th class=n>Ran</th></tr>";
        for (size_t i = 0; i < shown; ++i) {
            const FailingTest &t = f.failing[i];
            out += "<tr><td class=n>" + num(i + 1) + "</td><td class=n>" + num(t.test_num) + "</td><td class=\"name\">" +
                   esc(t.name) + (t.kind == 'F' ? " <span class=\"note\">(functional)</span>" : "") + "</td><td class=n>" +
                   num(t.failed) + "</td><td class=n>" + percent(t.failed, f.parts) +
                   "</td><td><div class=\"bar f\" style=\"width:" + fmt("%.1f", 100.0 * double(t.failed) / double(most)) +
                   "%\"></div></td><td class=n>" + num(t.executed) + "</td></tr>";
        }
        out += "</table>";
        if (shown < f.failing.size())
            out += "<p class=\"note\">" + num(f.failing.size() - shown) + " more tests failed less often.</p>";
    }

    void histograms(const FileReport &f) {
        out += "<h2>Distributions</h2>";
        if (f.histograms.empty()) {
            out += "<p class=\"note\">No parametric test failed (use --test N to draw one).</p>";
            return;
        }
        out += "<div class=\"hists\">";
        for (const Histogram &h : f.histograms) histogram(h);
        out += "</div>";
    }

    void histogram(const Histogram &h) {
        out += "<figure class=\"hist\"><figcaption><b>" + num(h.test_num) + "</b> " + esc(h.name) + "<br><span class=\"note\">" +
               num(h.n) + " results";
        if (h.n) out += ", mean " + real(h.mean) + ", sd " + real(h.sd) + ", " + real(h.min) + " to " + real(h.max);
        out += (h.units.empty() ? "" : " " + esc(h.units)) + "</span><br>";
        out += (h.below + h.above ? "<span class=\"warn\">" : "<span>") + num(h.below + h.above) + " outside the limits (" +
               num(h.below) + " below, " + num(h.above) + " above)</span></figcaption>";
        const double X0 = 34, X1 = 392, Y0 = 14, Y1 = 150;
        const int n = static_cast<int>(h.bars.size());
        uint64_t top = 1;
        for (uint64_t c : h.bars) top = std::max(top, c);
        auto xof = [&](double v) { return X0 + (v - h.from) / (h.width * n) * (X1 - X0); };
        out += "<svg viewBox=\"0 0 400 178\" role=\"img\" aria-label=\"histogram of test " + num(h.test_num) +
               "\" font-size=\"10\" font-family=\"system-ui,sans-serif\">";
        out += fmt("<path d=\"M%.1f %.1fH%.1f\" stroke=\"#99a3ad\" stroke-width=\"1\"/>", X0, Y1, X1);
        const double bw = (X1 - X0) / n;
        for (int i = 0; i < n; ++i) {
            if (!h.bars[size_t(i)]) continue;
            const double mid = h.from + (i + 0.5) * h.width;
            const bool out_of = (h.lo && mid < *h.lo) || (h.hi && mid > *h.hi);
            const double bh = (Y1 - Y0) * double(h.bars[size_t(i)]) / double(top);
            out += fmt("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" ", X0 + i * bw + 0.4, Y1 - bh,
                       std::max(bw - 0.8, 0.6), bh) +
                   "fill=\"" + (out_of ? "#d9534f" : "#6b8cae") + "\"><title>" + real(h.from + i * h.width) + " to " +
                   real(h.from + (i + 1) * h.width) + ": " + num(h.bars[size_t(i)]) + "</title></rect>";
        }
        out += fmt("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\" fill=\"#5b6b7c\">", X0 - 3, Y0 + 4) + num(top) +
               "</text>";
        out += fmt("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\" fill=\"#5b6b7c\">0</text>", X0 - 3, Y1);
        // Ticks at round values.
        const double span = h.width * n;
        double step = std::pow(10.0, std::floor(std::log10(span / 5)));
        for (double m : {2.0, 5.0, 10.0})
            if (span / step > 6) step = std::pow(10.0, std::floor(std::log10(span / 5))) * m;
        int ticks = 0;
        for (double t = std::ceil(h.from / step) * step; t <= h.from + span && ticks < 12; t += step, ++ticks) {
            const double x = xof(t);
            out += fmt("<path d=\"M%.1f %.1fv4\" stroke=\"#99a3ad\"/>", x, Y1) +
                   fmt("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\" fill=\"#5b6b7c\">", x, Y1 + 15) +
                   real(std::fabs(t) < step * 1e-6 ? 0 : t) + "</text>";
        }
        auto limit = [&](const std::optional<float> &v, const char *label) {
            if (!v || !std::isfinite(*v)) return;
            const double x = xof(*v);
            if (x < X0 - 0.5 || x > X1 + 0.5) return;
            const char *anchor = x > X1 - 40 ? "end" : x < X0 + 40 ? "start" : "middle";
            out += fmt("<path d=\"M%.1f %.1fV%.1f\" stroke=\"#c62828\" stroke-width=\"1.4\" stroke-dasharray=\"4 3\"/>", x,
                       Y0 - 4, Y1) +
                   fmt("<text x=\"%.1f\" y=\"%.1f\" fill=\"#c62828\" font-weight=\"600\" ", x, Y0 - 5) +
                   "text-anchor=\"" + anchor + "\">" +
                   label + " " + real(*v) + "</text>";
        };
        limit(h.lo, "LL");
        limit(h.hi, "HL");
        if (h.clipped)
            out += fmt("<text x=\"%.1f\" y=\"176\" fill=\"#5b6b7c\">", X0) + num(h.clipped) +
                   " results past the axis are in its end bars</text>";
        out += "</svg></figure>";
    }

    void sites(const FileReport &f, const std::vector<BinRow> &bins) {
        out += "<div class=\"card\" style=\"margin-bottom:12px\"><h2>Sites</h2><table><tr><th>Head</th><th>Site</th>"
               "<th class=n>Parts</th><th class=n>Good</th><th class=n>Yield</th>";
        for (const BinRow &b : bins)
            out += "<th class=n><i class=\"sw\" style=\"background:" + hard_colour_.at(b.bin) + "\"></i>HB " + num(b.bin) + "</th>";
        out += "</tr>";
        for (const SiteRow &s : f.sites) {
            out += "<tr><td>" + num(s.head) + "</td><td>" + num(s.site) + "</td><td class=n>" + num(s.parts) +
                   "</td><td class=n>" + num(s.good) + "</td><td class=n>" + percent(s.good, s.parts) + "</td>";
            for (const BinRow &b : bins) {
                auto it = s.hard.find(b.bin);
                out += "<td class=n>" + (it == s.hard.end() ? std::string("&ndash;") : num(it->second)) + "</td>";
            }
            out += "</tr>";
        }
        out += "</table></div>\n";
    }

    std::map<uint16_t, std::string> hard_colour_, soft_colour_;
};

}  // namespace

std::string html(const std::vector<FileReport> &files) {
    Page p;
    std::string title = "Test report";
    if (!files.empty())
        for (const auto &[k, v] : files[0].identity)
            if (k == "Lot") title += ": lot " + v;
    p.out = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
            "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
            esc(title) + "</title>\n<style>" + kStyle + "</style></head>\n<body>\n"
            "<input type=\"radio\" name=\"kind\" id=\"k-hard\" class=\"kind\" checked>"
            "<input type=\"radio\" name=\"kind\" id=\"k-soft\" class=\"kind\">\n<main>\n";
    if (files.size() > 1) p.overview(files);
    for (const FileReport &f : files) p.file(f);
    p.out += "<footer><ul>"
             "<li>Parts tested: PRRs. Good: PRRs that say the part passed; yield is good over tested. A part is a retest "
             "when a part before it in the file was tested at the same head, wafer and X/Y (without coordinates: the "
             "same PART_ID); the final yield counts the last test of each die.</li>"
             "<li>Bins: <em>Parts</em> counts the PRRs with the bin, <em>Bin record</em> is the HBR or SBR count (of all "
             "heads and sites where the file has one, else summed); &#9888; marks a disagreement. P/F in italics comes "
             "from the bin's parts where its record gives none.</li>"
             "<li>Failing tests: parts that failed the test at least once. Histograms: every valid result; limits are "
             "those of the test's first result that has them; a result is outside when it is beyond its own limits. "
             "Red bars lie outside the limits.</li>"
             "</ul>Written by kelvo-report.</footer>\n</main>\n</body></html>\n";
    return p.out;
}

}  // namespace report
