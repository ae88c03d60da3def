#pragma once
// A nullable owned copy of a zero-terminated text, for the descriptive records.

#include <new>
#include <optional>
#include <string>
#include <utility>

#include "base/status_codes.h"

namespace vovido {

class OwnedText {
public:
    // The text, or null when unset; valid until the next change.
    const char* Get() const { return text_ ? text_->c_str() : nullptr; }
    bool IsSet() const { return text_.has_value(); }

    // Replaces the text by a copy of text (null clears it). kOutOfMemory when the copy cannot be made; the
    // old text is then kept. text may point into the current text.
    [[nodiscard]] int Set(const char* text) {
        if (text == nullptr) {
            text_.reset();
            return kSuccess;
        }
        std::string copy;
        if (const int rc = MakeCopy(text, copy)) return rc;
        text_ = std::move(copy);
        return kSuccess;
    }
    // Takes a copy made beforehand (MakeCopy); cannot fail.
    void Take(std::string&& text) noexcept { text_ = std::move(text); }
    void Reset() noexcept { text_.reset(); }

    // copy = text; kOutOfMemory when out of memory.
    [[nodiscard]] static int MakeCopy(const char* text, std::string& copy) {
        try {
            copy.assign(text);
        } catch (const std::bad_alloc&) {
            return kOutOfMemory;
        }
        return kSuccess;
    }

private:
    std::optional<std::string> text_;
};

}  // namespace vovido
