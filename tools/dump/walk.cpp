// Walking a whole file record by record, as a caller of the library does.
#include "dump/walk.h"
#include "progress.h"

namespace dump {

namespace {

uint16_t body_length(int handle, const kelvo_header &h) {
    uint16_t len = h.REC_LEN;
    kelvo_shortswap(Kelvo_file_attributes[handle].cpu_type, &len);
    return len;
}

// The name a record is counted under: its decoder's, its code's, or the code itself.
std::string count_name(uint8_t typ, uint8_t sub) {
    if (const RecordKind *kind = find_kind(typ, sub)) return kind->name;
    if (const char *known = kinds::code_name(typ, sub)) return known;
    return "(" + std::to_string(typ) + "," + std::to_string(sub) + ")";
}

std::string where(long index, uint64_t offset) {
    return "record " + std::to_string(index) + " at byte offset " + std::to_string(offset);
}

const char kBadStart[] = ": the file begins with neither a FAR nor a version-3 MIR";

bool is_far(const kelvo_header &h) { return h.REC_TYP == 0 && h.REC_SUB == 10; }
bool is_mir(const kelvo_header &h) { return h.REC_TYP == 1 && h.REC_SUB == 10; }

// Counts records by code, in order of appearance.
class Counter {
public:
    Counter() : slot_(65536, -1) {}
    void add(const kelvo_header &h) {
        int &s = slot_[h.REC_TYP << 8 | h.REC_SUB];
        if (s < 0) {
            s = static_cast<int>(codes_.size());
            codes_.push_back({h.REC_TYP, h.REC_SUB, 0});
        }
        ++codes_[static_cast<size_t>(s)].count;
    }
    // The counts by name (codes of one name added up).
    void into(WalkResult &w) const {
        for (const Code &c : codes_) {
            std::string name = count_name(c.typ, c.sub);
            bool merged = false;
            for (auto &entry : w.counts)
                if (entry.first == name) entry.second += c.count, merged = true;
            if (!merged) w.counts.emplace_back(std::move(name), c.count);
        }
    }

private:
    struct Code {
        uint8_t typ, sub;
        long count;
    };
    std::vector<int> slot_;
    std::vector<Code> codes_;
};

// Reads a FAR: REC_LEN for a whole record, else 0 or below (the FAR reader returns the
// CPU_TYPE byte plus the rest of the body read).
int read_far(int handle, const kelvo_header &h, kelvo_far_struct &far) {
    int result = kelvo_farread(handle, &h, &far);
    return result > 0 && result < body_length(handle, h) ? 0 : result;
}

// Checks a reader's result for the record at `offset`: "" when it read the record whole,
// else the one-line error.
std::string check(int handle, const kelvo_header &h, int result, const char *name, long index, uint64_t offset) {
    uint16_t len = body_length(handle, h);
    if (index == 0 && !is_far(h) && result == -2) return where(index, offset) + kBadStart;
    if (result == -3) return where(index, offset) + ": no memory to copy the " + name + " record";
    // A reader returns REC_LEN for a whole record (the version-3 MIR reader returns
    // less when the body after its first two bytes was cut short).
    if (result < 0 || (result == 0 && len != 0) || (result > 0 && result < len))
        return where(index, offset) + ": " + read_failure(handle, name, offset + 4 + len);
    return "";
}

}  // namespace

std::string read_failure(int handle, const std::string &name, uint64_t end) {
    long pos = kelvo_seek(handle, 0, SEEK_CUR);
    if (pos < 0) return name + " record cut short by the end of the file, or no memory to decode it";
    if (static_cast<uint64_t>(pos) == end) return "no memory to decode the " + name + " record";
    return name + " record cut short by the end of the file";
}

WalkResult walk(int handle, Printer &p) {
    WalkResult w;
    Counter counter;
    kelvo_header h;
    uint64_t offset = 0;
    for (long index = 0; kelvo_headread(handle, &h) == 4; ++index) {
        if (index == 0 && !is_far(h) && !is_mir(h)) {
            w.ok = false;
            w.error = where(index, offset) + kBadStart;
            break;
        }
        const RecordKind *kind = nullptr;
        int result;
        const char *name;
        char unknown[16];
        if (is_far(h)) {
            kelvo_far_struct far;
            name = "FAR";
            result = read_far(handle, h, far);
            if (result > 0) {
                p.begin("FAR", h, far.REC_LEN, index, offset);
                p.u("CPU_TYPE", far.CPU_TYPE);
                p.u("KELVO_VER", far.KELVO_VER);
            }
        } else if ((kind = find_kind(h.REC_TYP, h.REC_SUB)) != nullptr) {
            name = kind->name;
            result = kind->dump(handle, &h, p, index, offset);
        } else {
            const char *known = kinds::code_name(h.REC_TYP, h.REC_SUB);
            std::snprintf(unknown, sizeof unknown, "(%u,%u)", h.REC_TYP, h.REC_SUB);
            name = known ? known : unknown;
            result = kelvo_skip_record(handle, &h);
            if (result > 0 || body_length(handle, h) == 0) {
                p.begin(known ? known : "unknown", h, body_length(handle, h), index, offset);
                p.note("not decoded");
            }
        }
        if (p.failed()) {
            w.ok = false;
            w.output_failed = true;
            break;
        }
        w.error = check(handle, h, result, name, index, offset);
        if (!w.error.empty()) {
            w.ok = false;
            break;
        }
        counter.add(h);
        ++w.records;
        offset += 4u + body_length(handle, h);
    }
    w.end = offset;
    counter.into(w);
    return w;
}

WalkResult tally(int handle, Progress *progress) {
    WalkResult w;
    Counter counter;
    kelvo_header h;
    uint64_t offset = 0;
    Printer none(nullptr);
    for (long index = 0; kelvo_headread(handle, &h) == 4; ++index) {
        int result;
        if (is_far(h)) {
            kelvo_far_struct far;
            result = read_far(handle, h, far);
        } else if (index > 0) {
            result = kelvo_skip_record(handle, &h);
        } else if (const RecordKind *kind = is_mir(h) ? find_kind(h.REC_TYP, h.REC_SUB) : nullptr) {
            result = kind->dump(handle, &h, none, index, offset);  // a version-3 file's MIR
        } else {
            w.ok = false;
            w.error = where(index, offset) + kBadStart;
            break;
        }
        // Only a failure needs the record's name.
        if (result <= 0 || result < body_length(handle, h)) {
            w.error = check(handle, h, result, count_name(h.REC_TYP, h.REC_SUB).c_str(), index, offset);
            if (!w.error.empty()) {
                w.ok = false;
                break;
            }
        }
        counter.add(h);
        ++w.records;
        offset += 4u + body_length(handle, h);
        if (progress) progress->tick(w.records);
    }
    w.end = offset;
    counter.into(w);
    return w;
}

}  // namespace dump
