// Walking a whole file record by record, as a caller of the library does.
#include "dump/dump.h"

namespace dump {

namespace {

uint16_t body_length(int handle, const kelvo_header &h) {
    uint16_t len = h.REC_LEN;
    kelvo_shortswap(Kelvo_file_attributes[handle].cpu_type, &len);
    return len;
}

// Names of the record codes, for records that no decoder is registered for.
const char *code_name(uint8_t typ, uint8_t sub) {
    static const struct {
        uint8_t typ, sub;
        const char *name;
    } names[] = {{0, 10, "FAR"},  {0, 20, "ATR"},  {1, 10, "MIR"},  {1, 20, "MRR"},  {1, 30, "PCR"},
                 {1, 40, "HBR"},  {1, 50, "SBR"},  {1, 60, "PMR"},  {1, 62, "PGR"},  {1, 63, "PLR"},
                 {1, 70, "RDR"},  {1, 80, "SDR"},  {2, 10, "WIR"},  {2, 20, "WRR"},  {2, 30, "WCR"},
                 {5, 10, "PIR"},  {5, 20, "PRR"},  {10, 30, "TSR"}, {15, 10, "PTR"}, {15, 15, "MPR"},
                 {15, 20, "FTR"}, {20, 10, "BPS"}, {20, 20, "EPS"}, {50, 10, "GDR"}, {50, 30, "DTR"}};
    for (const auto &n : names)
        if (n.typ == typ && n.sub == sub) return n.name;
    return nullptr;
}

std::string where(long index, uint64_t offset) {
    return "record " + std::to_string(index) + " at byte offset " + std::to_string(offset);
}

void count(WalkResult &w, const std::string &name) {
    for (auto &c : w.counts)
        if (c.first == name) {
            ++c.second;
            return;
        }
    w.counts.emplace_back(name, 1);
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
    kelvo_header h;
    uint64_t offset = 0;
    for (long index = 0; kelvo_headread(handle, &h) == 4; ++index, ++w.records) {
        const RecordKind *kind = nullptr;
        int result;
        std::string name;
        if (index == 0 && !(h.REC_TYP == 0 && h.REC_SUB == 10) && !(h.REC_TYP == 1 && h.REC_SUB == 10)) {
            w.ok = false;
            w.error = where(index, offset) + ": the file begins with neither a FAR nor a version-3 MIR";
            return w;
        }
        if (h.REC_TYP == 0 && h.REC_SUB == 10) {
            kelvo_far_struct far;
            result = kelvo_farread(handle, &h, &far);
            name = "FAR";
            // The FAR reader returns the CPU_TYPE byte plus the rest of the body read.
            if (result > 0 && result < body_length(handle, h)) result = 0;
            if (result > 0) {
                p.begin("FAR", h, far.REC_LEN, index, offset);
                p.u("CPU_TYPE", far.CPU_TYPE);
                p.u("KELVO_VER", far.KELVO_VER);
            }
        } else if ((kind = find_kind(h.REC_TYP, h.REC_SUB)) != nullptr) {
            name = kind->name;
            result = kind->dump(handle, &h, p, index, offset);
        } else {
            const char *known = code_name(h.REC_TYP, h.REC_SUB);
            name = known ? known : "(" + std::to_string(h.REC_TYP) + "," + std::to_string(h.REC_SUB) + ")";
            result = kelvo_skip_record(handle, &h);
            if (result > 0 || body_length(handle, h) == 0) {
                p.begin(known ? known : "unknown", h, body_length(handle, h), index, offset);
                p.note("not decoded");
            }
        }
        uint16_t len = body_length(handle, h);
        if (index == 0 && name != "FAR" && result == -2) {
            w.ok = false;
            w.error = where(index, offset) + ": the file begins with neither a FAR nor a version-3 MIR";
            return w;
        }
        if (result == -3) {
            w.ok = false;
            w.error = where(index, offset) + ": no memory to copy the " + name + " record";
            return w;
        }
        // A reader returns REC_LEN for a whole record (the version-3 MIR reader returns
        // less when the body after its first two bytes was cut short).
        if (result < 0 || (result == 0 && len != 0) || (result > 0 && result < len)) {
            w.ok = false;
            w.error = where(index, offset) + ": " + read_failure(handle, name, offset + 4 + len);
            return w;
        }
        count(w, name);
        offset += 4u + len;
    }
    return w;
}

}  // namespace dump
