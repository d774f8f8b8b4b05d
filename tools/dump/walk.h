// The walks of kelvo-dump and kelvo-diff over a whole file, record by record.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "kinds/kinds.h"

class Progress;

namespace dump {

using kinds::find_kind;
using kinds::Printer;
using kinds::RecordKind;

// Why a reader that was to read the record ending at byte `end` returned less than its
// REC_LEN: the file ended inside it, or (the body read whole) its decoder or copy found no
// memory; a stream that cannot tell its position may have either.
std::string read_failure(int handle, const std::string &name, uint64_t end);

// Walks a whole file as a caller would and prints it (or only counts it).
struct WalkResult {
    bool ok = true;
    bool output_failed = false;  // the printer could not write: the walk stopped there
    std::string error;  // one line: what went wrong, with record index and offset
    long records = 0;
    uint64_t end = 0;   // byte offset behind the last whole record
    std::vector<std::pair<std::string, long>> counts;  // per record type, in order of appearance
};
WalkResult walk(int handle, Printer &p);
// Counts the records by type without decoding them: only a FAR and the first record are
// read by their readers (they fix the byte order and version), the others are skipped.
// `progress` (if given) is told of the records counted.
WalkResult tally(int handle, Progress *progress = nullptr);

}  // namespace dump
