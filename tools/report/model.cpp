// The report's numbers from one walk of a file.
#include "report/model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <unordered_map>

namespace report {

namespace {

std::string str(const flatten::Text &t) {
    if (!t) return {};
    std::string s(*t);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

std::string time_text(const std::optional<uint32_t> &t) {
    if (!t || *t == 0) return {};
    std::time_t tt = *t;
    std::tm tm;
    gmtime_r(&tt, &tm);
    char b[32];
    std::strftime(b, sizeof b, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return b;
}

struct TestAcc {
    std::string name, units;
    char kind = 'P';
    std::optional<float> lo, hi;
    uint64_t failed = 0, executed = 0, below = 0, above = 0;
    uint32_t last_failed = 0, last_executed = 0;  // the part last counted (parts are 1, 2, ...)
    std::vector<float> results;
};

class Collector : public flatten::Visitor {
public:
    Collector(FileReport &out) : out_(out) {}
    unsigned tables() const override {
        return flatten::kParts | flatten::kTests | flatten::kFunctional | flatten::kBins | flatten::kFiles |
               flatten::kWafers | flatten::kSites;
    }

    bool part(const flatten::Part &p) override {
        ++out_.parts;
        const bool good = p.passed && *p.passed;
        if (!p.passed) ++out_.no_pass_fail;
        else ++(good ? out_.good : out_.failed);
        if (p.soft_bin) out_.soft_bins = true;
        std::string wafer = str(p.wafer_id);
        // A retest is a part tested where one was before: the same head, wafer and X/Y, or
        // without coordinates the same PART_ID.
        bool retest = false;
        if (p.x && p.y) {
            const size_t w = wafer_index(p.head, wafer);
            WaferMap &m = out_.wafers[w];
            ++m.parts;
            if (good) ++m.good;
            const uint64_t key = uint64_t{w} << 32 | uint32_t(uint16_t(*p.x)) << 16 | uint16_t(*p.y);
            auto [it, fresh] = die_at_.try_emplace(key, m.dies.size());
            if (fresh) {
                m.dies.push_back({*p.x, *p.y, p.hard_bin, p.soft_bin, good});
            } else {
                retest = true;
                ++m.retests;
                m.dies[it->second] = {*p.x, *p.y, p.hard_bin, p.soft_bin, good};
            }
        } else if (std::string id = str(p.part_id); !id.empty()) {
            auto [it, fresh] = by_id_.try_emplace(id, good);
            if (!fresh) retest = true, it->second = good;
        } else {
            ++loose_dies_, loose_good_ += good;
        }
        if (retest) ++out_.retests;
        SiteRow &s = site_[uint16_t(p.head << 8 | p.site)];
        s.head = p.head, s.site = p.site;
        ++s.parts;
        if (good) ++s.good;
        ++s.hard[p.hard_bin];
        auto &pf = bin_parts_[{true, p.hard_bin}];
        ++(good ? pf.first : pf.second);
        if (p.soft_bin) {
            auto &spf = bin_parts_[{false, *p.soft_bin}];
            ++(good ? spf.first : spf.second);
        }
        return true;
    }

    bool test(const flatten::Test &t) override {
        TestAcc &a = acc(t.test_num, t.test_name, 'P');
        if (a.units.empty() && t.units) a.units = str(t.units);
        // A limit that is not a finite number is no limit.
        auto finite = [](const std::optional<float> &v) { return v && std::isfinite(*v) ? v : std::nullopt; };
        const std::optional<float> lo = finite(t.lo_limit), hi = finite(t.hi_limit);
        if (!a.lo && !a.hi && (lo || hi)) a.lo = lo, a.hi = hi;
        count(a, t.part, t.passed);
        if (t.result && std::isfinite(*t.result)) {
            a.results.push_back(*t.result);
            if (lo && *t.result < *lo) ++a.below;
            if (hi && *t.result > *hi) ++a.above;
        }
        return true;
    }
    bool functional(const flatten::Functional &f) override {
        TestAcc &a = acc(f.test_num, f.test_name, 'F');
        count(a, f.part, f.passed);
        return true;
    }

    bool bin(const flatten::Bin &b) override {
        Kept &k = bins_[{b.hard, b.bin}];
        if (b.name && !b.name->empty() && k.name.empty()) k.name = str(b.name);
        if (b.pf && !k.pf) k.pf = b.pf;
        if (!b.count) return true;
        // A record of all heads is the bin's total; else the records of heads and sites add up.
        if (b.head == 255) {
            if (b.site == 255) k.all = *b.count;
            else k.all_heads += *b.count, k.has_all_heads = true;
        } else {
            k.per_site += *b.count, k.has_per_site = true;
        }
        return true;
    }

    bool file(const flatten::File &f) override {
        out_.version = f.version;
        out_.cpu_type = f.cpu_type;
        out_.records = f.records;
        auto add = [&](const char *label, std::string v) {
            if (!v.empty()) out_.identity.emplace_back(label, std::move(v));
        };
        add("Lot", str(f.lot_id));
        add("Sublot", str(f.sublot_id));
        add("Part type", str(f.part_type));
        add("Tester", str(f.tester_type));
        add("Node", str(f.node_name));
        std::string job = str(f.job_name);
        if (std::string rev = str(f.job_rev); !rev.empty()) job += job.empty() ? "rev " + rev : " rev " + rev;
        add("Program", job);
        add("Operator", str(f.operator_name));
        add("Temperature", str(f.test_temp));
        add("Test code", str(f.test_code));
        add("Facility", str(f.facility_id));
        add("Started", time_text(f.start_time));
        add("Finished", time_text(f.finish_time));
        if (f.mode_code) add("Mode", std::string(1, *f.mode_code));
        if (f.retest_code) add("Retest code", std::string(1, *f.retest_code));
        std::string exec = str(f.exec_type), ver = str(f.exec_ver);
        add("Executive", exec.empty() || ver.empty() ? exec + ver : exec + " " + ver);
        for (const std::string &e : equipment_) add("Equipment", e);
        out_.record_parts = f.part_count;
        out_.record_good = f.good_count;
        out_.record_retests = f.retest_count;
        return true;
    }

    bool wafer_config(const flatten::WaferConfig &c) override {
        if (!out_.config) out_.config = c;
        return true;
    }
    bool wafer(const flatten::WaferResult &w) override {
        const size_t i = wafer_index(w.head, str(w.wafer_id));
        out_.wafers[i].record_parts = w.part_count;
        out_.wafers[i].record_good = w.good_count;
        return true;
    }
    bool site_group(const flatten::SiteGroup &g) override {
        std::string e;
        for (const auto &[field, value] : g.equipment) {
            if (!e.empty()) e += ", ";
            std::string name = field;
            for (char &c : name) c = static_cast<char>(c == '_' ? ' ' : std::tolower(static_cast<unsigned char>(c)));
            e += name + " " + std::string(value);
        }
        if (!e.empty()) equipment_.push_back(std::move(e));
        return true;
    }

    void finish(const Options &opt) {
        // Bins: records and PRR counts side by side.
        std::map<std::pair<bool, uint16_t>, uint64_t> counted;
        for (const auto &[k, pf] : bin_parts_) counted[k] = pf.first + pf.second;
        std::set<std::pair<bool, uint16_t>> keys;
        for (const auto &[k, v] : bins_) keys.insert(k);
        for (const auto &[k, v] : counted) keys.insert(k);
        for (const auto &k : keys) {
            BinRow r;
            r.bin = k.second;
            r.counted = counted.count(k) ? counted[k] : 0;
            if (auto it = bins_.find(k); it != bins_.end()) {
                const Kept &b = it->second;
                r.name = b.name;
                r.pf = b.pf;
                if (b.all) r.count = *b.all;
                else if (b.has_all_heads) r.count = b.all_heads;
                else if (b.has_per_site) r.count = b.per_site;
            }
            auto pf = bin_parts_.count(k) ? bin_parts_[k] : std::pair<uint64_t, uint64_t>{0, 0};
            if (r.pf == 'P' || r.pf == 'F') {
                r.pass = *r.pf;
            } else {
                r.pass_from_parts = true;
                r.pass = pf.first && !pf.second ? 'P' : pf.second && !pf.first ? 'F' : '?';
            }
            (k.first ? out_.hard : out_.soft).push_back(std::move(r));
        }
        // Wafers, dies and sites.
        for (size_t w = 0; w < out_.wafers.size(); ++w) {
            WaferMap &m = out_.wafers[w];
            for (const Die &d : m.dies) m.dies_good += d.good;
            out_.dies += m.dies.size();
            out_.dies_good += m.dies_good;
            if (m.dies.empty()) continue;
            m.min_x = m.max_x = m.dies[0].x;
            m.min_y = m.max_y = m.dies[0].y;
            for (const Die &d : m.dies) {
                m.min_x = std::min(m.min_x, d.x), m.max_x = std::max(m.max_x, d.x);
                m.min_y = std::min(m.min_y, d.y), m.max_y = std::max(m.max_y, d.y);
            }
        }
        std::erase_if(out_.wafers, [](const WaferMap &m) { return m.dies.empty(); });
        out_.dies += by_id_.size() + loose_dies_;
        out_.dies_good += loose_good_;
        for (const auto &[id, good] : by_id_) out_.dies_good += good;
        for (const SiteRow *s : sites_sorted()) out_.sites.push_back(*s);

        // Tests: failing ones ranked, and the histograms.
        out_.tests_run = tests_.size();
        for (const auto &[num, a] : tests_)
            if (a.failed) out_.failing.push_back({num, a.name, a.kind, a.failed, a.executed});
        std::sort(out_.failing.begin(), out_.failing.end(), [](const FailingTest &a, const FailingTest &b) {
            return a.failed != b.failed ? a.failed > b.failed : a.test_num < b.test_num;
        });
        std::vector<uint32_t> chosen;
        for (const FailingTest &f : out_.failing)
            if (f.kind == 'P' && chosen.size() < opt.histograms && !tests_[f.test_num].results.empty())
                chosen.push_back(f.test_num);
        for (uint32_t t : opt.tests)
            if (tests_.count(t) && std::find(chosen.begin(), chosen.end(), t) == chosen.end()) chosen.push_back(t);
        for (uint32_t t : chosen) out_.histograms.push_back(histogram(t, tests_[t], opt.bars));
    }

private:
    struct Kept {
        std::string name;
        std::optional<char> pf;
        std::optional<uint64_t> all;
        uint64_t all_heads = 0, per_site = 0;
        bool has_all_heads = false, has_per_site = false;
    };

    size_t wafer_index(uint8_t head, const std::string &id) {
        auto [it, fresh] = wafer_at_.try_emplace({head, id}, out_.wafers.size());
        if (fresh) {
            out_.wafers.emplace_back();
            out_.wafers.back().id = id;
            out_.wafers.back().head = head;
        }
        return it->second;
    }
    TestAcc &acc(uint32_t num, const flatten::Text &name, char kind) {
        auto [it, fresh] = tests_.try_emplace(num);
        TestAcc &a = it->second;
        if (fresh) a.kind = kind;
        if (a.name.empty() && name && !name->empty()) a.name = str(name);
        return a;
    }
    static void count(TestAcc &a, const std::optional<uint32_t> &part, const std::optional<bool> &passed) {
        if (!part) {
            ++a.executed;
            if (passed && !*passed) ++a.failed;
            return;
        }
        if (a.last_executed != *part) ++a.executed, a.last_executed = *part;
        if (passed && !*passed && a.last_failed != *part) ++a.failed, a.last_failed = *part;
    }
    std::vector<const SiteRow *> sites_sorted() const {
        std::vector<const SiteRow *> v;
        for (const auto &[k, s] : site_) v.push_back(&s);
        std::sort(v.begin(), v.end(), [](const SiteRow *a, const SiteRow *b) {
            return a->head != b->head ? a->head < b->head : a->site < b->site;
        });
        return v;
    }

    static Histogram histogram(uint32_t num, TestAcc &a, int bars) {
        Histogram h;
        h.test_num = num;
        h.name = a.name;
        h.units = a.units;
        h.lo = a.lo, h.hi = a.hi;
        h.below = a.below, h.above = a.above, h.failed = a.failed;
        std::vector<float> &v = a.results;
        h.n = v.size();
        h.bars.assign(static_cast<size_t>(bars), 0);
        if (v.empty()) return h;
        double sum = 0, sq = 0;
        for (float x : v) sum += x;
        h.mean = sum / double(v.size());
        for (float x : v) sq += (x - h.mean) * (x - h.mean);
        h.sd = v.size() > 1 ? std::sqrt(sq / double(v.size() - 1)) : 0;
        std::sort(v.begin(), v.end());
        h.min = v.front(), h.max = v.back();
        // The axis spans the limits and the results but for the outermost 0.5 % on each side,
        // so that a few wild values do not squeeze the rest into one bar; with both limits,
        // it reaches no further than the limits' span beyond either of them.
        const size_t cut = v.size() / 200;
        double lo = v[cut], hi = v[v.size() - 1 - cut];
        const bool has_lo = h.lo && std::isfinite(*h.lo), has_hi = h.hi && std::isfinite(*h.hi);
        if (has_lo && has_hi && *h.hi > *h.lo) {
            const double span = double(*h.hi) - double(*h.lo);
            lo = std::max(lo, *h.lo - span), hi = std::min(hi, *h.hi + span);
        }
        if (has_lo) lo = std::min(lo, double(*h.lo));
        if (has_hi) hi = std::max(hi, double(*h.hi));
        double pad = (hi - lo) * 0.05;
        if (!(pad > 0)) pad = std::max(std::fabs(lo) * 0.05, 1e-9);
        lo -= pad, hi += pad;
        h.from = lo;
        h.width = (hi - lo) / bars;
        for (float x : v) {
            double i = std::floor((x - lo) / h.width);
            if (i < 0 || i >= bars) ++h.clipped;
            ++h.bars[static_cast<size_t>(std::clamp(i, 0.0, double(bars - 1)))];
        }
        std::vector<float>().swap(v);
        return h;
    }

    FileReport &out_;
    std::map<std::pair<uint8_t, std::string>, size_t> wafer_at_;
    std::unordered_map<uint64_t, size_t> die_at_;
    std::unordered_map<std::string, bool> by_id_;
    uint64_t loose_dies_ = 0, loose_good_ = 0;
    std::map<uint16_t, SiteRow> site_;
    std::map<std::pair<bool, uint16_t>, std::pair<uint64_t, uint64_t>> bin_parts_;  // good, not good
    std::map<std::pair<bool, uint16_t>, Kept> bins_;
    std::map<uint32_t, TestAcc> tests_;
    std::vector<std::string> equipment_;
};

}  // namespace

flatten::Result build(int handle, const std::string &path, const Options &opt, FileReport &out) {
    out = FileReport{};
    out.path = path;
    Collector c(out);
    flatten::Result r = flatten::walk(handle, c);
    if (r.ok && !r.stopped) c.finish(opt);
    return r;
}

}  // namespace report

namespace report {

std::string percent(uint64_t part, uint64_t whole, int decimals) {
    if (!whole) return "-";
    char b[32];
    std::snprintf(b, sizeof b, "%.*f %%", decimals, 100.0 * double(part) / double(whole));
    return b;
}

std::string real(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.4g", v);
    return b;
}

}  // namespace report
