#pragma once

// A text that several holders keep at once without a copy each: the bytes a send writes to the
// pending list's file are the e-mail's body, the send journal's hash and the shared-folder
// guard's record of the file, and at tens of megabytes a copy costs more than the write. The
// text never changes once made; copying a SharedText copies a reference.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

class SharedText {
public:
    SharedText() = default;
    SharedText(std::string text) // NOLINT: a text is taken as it stands
        : text_(std::make_shared<const std::string>(std::move(text))) {}
    SharedText(const char* text) : SharedText(std::string(text)) {} // NOLINT

    const std::string& str() const { return text_ ? *text_ : none(); }
    operator std::string_view() const { return str(); } // NOLINT: read wherever a view is
    const char* data() const { return str().data(); }
    size_t size() const { return str().size(); }
    bool empty() const { return str().empty(); }

    friend bool operator==(const SharedText& a, std::string_view b) { return a.str() == b; }

private:
    static const std::string& none() {
        static const std::string text;
        return text;
    }
    std::shared_ptr<const std::string> text_;
};
