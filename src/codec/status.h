// Field status words: only the present and valid bits of a word change.
#pragma once

#include <cstdint>

#include "kelvo.h"

namespace kelvo::codec {

class Status {
public:
    explicit Status(uint32_t *words) : words_(words) {}
    // Sets the present and valid bits of word i; the other bits stay as they were.
    void set(int i, bool present, bool valid) const {
        if (!words_) return;
        words_[i] = (words_[i] & ~(KELVO_PRESENT | KELVO_VALID)) | (present ? KELVO_PRESENT : 0u) |
                    (valid ? KELVO_VALID : 0u);
    }
    void present(int i, bool present) const {
        if (words_) words_[i] = (words_[i] & ~KELVO_PRESENT) | (present ? KELVO_PRESENT : 0u);
    }
    void valid(int i, bool valid) const {
        if (words_) words_[i] = (words_[i] & ~KELVO_VALID) | (valid ? KELVO_VALID : 0u);
    }
    // A string: present when it begins inside the record, valid when not empty.
    void text(int i, bool present, const kelvo_cn &s) const { set(i, present, present && s.len != 0); }
    explicit operator bool() const { return words_ != nullptr; }
    uint32_t *words() const { return words_; }

private:
    uint32_t *words_;
};

}  // namespace kelvo::codec
