#pragma once

#include <string>

namespace id3 {

// The outcome of a tag write: whether it was done and, when not, why.
struct WriteStatus {
    bool Ok = true;
    std::string Reason;  // one line: the tag kind, what failed, the file and the system's reason

    bool operator==(const WriteStatus&) const = default;
};

// A failed status whose reason is `kind` + ": " + `what`.
WriteStatus WriteFailed(const std::string& kind, const std::string& what);

// A failed status: `kind`: `action` '`path`': the text of the current errno (or of `fallback`
// when errno is 0, as after a short read).
WriteStatus SystemWriteFailed(const std::string& kind, const std::string& action,
                              const std::string& path,
                              const std::string& fallback = "unexpected end of data");

}  // namespace id3
