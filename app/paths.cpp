#include "paths.h"

#include <sys/stat.h>

#include "file_attributes.h"

namespace paths {
namespace {

// Case mapping for ASCII and the Latin-1 letters (À..Þ, à..þ) that file names here carry
// as UTF-8; every other code point is passed through as it stands.
char32_t ToUpper(char32_t c) {
    if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
        return c - 0x20;
    }
    return c;
}

char32_t ToLower(char32_t c) {
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
        return c + 0x20;
    }
    return c;
}

// Splits UTF-8 into units: each unit is one code point (or one stray byte, kept as is).
struct Unit {
    char32_t codePoint;  // 0xFFFFFFFF for a byte that is not valid UTF-8
    std::string_view bytes;
};

Unit NextUnit(std::string_view text, std::size_t pos) {
    const auto b0 = static_cast<unsigned char>(text[pos]);
    if (b0 < 0x80) {
        return {b0, text.substr(pos, 1)};
    }
    if (b0 >= 0xC2 && b0 <= 0xDF && pos + 1 < text.size()) {
        const auto b1 = static_cast<unsigned char>(text[pos + 1]);
        if ((b1 & 0xC0) == 0x80) {
            return {static_cast<char32_t>(((b0 & 0x1F) << 6) | (b1 & 0x3F)), text.substr(pos, 2)};
        }
    }
    return {0xFFFFFFFF, text.substr(pos, 1)};
}

void AppendUnit(std::string& out, const Unit& unit, char32_t mapped) {
    if (mapped == unit.codePoint && unit.codePoint != 0xFFFFFFFF) {
        out += unit.bytes;
    } else if (unit.codePoint == 0xFFFFFFFF) {
        out += unit.bytes;
    } else if (mapped < 0x80) {
        out.push_back(static_cast<char>(mapped));
    } else {
        out.push_back(static_cast<char>(0xC0 | (mapped >> 6)));
        out.push_back(static_cast<char>(0x80 | (mapped & 0x3F)));
    }
}

}  // namespace

bool FileExists(const std::string& path) {
    return platform::FileExists(path);
}

std::string AddBackslash(std::string_view text, PathStyle style) {
    std::string result(text);
    if (result.empty() || result.back() != Separator(style)) {
        result.push_back(Separator(style));
    }
    return result;
}

std::string ParentPath(std::string_view path, PathStyle style) {
    const char sep = Separator(style);
    if (style == PathStyle::Posix) {
        // An absolute path keeps its root: the parent of "/a.mp3" is "/".
        if (path.size() > 1 && path.back() == sep) {
            path.remove_suffix(1);
        }
        const std::size_t last = path.rfind(sep);
        if (last == std::string_view::npos) {
            return std::string(path);
        }
        return std::string(last == 0 ? path.substr(0, 1) : path.substr(0, last));
    }
    if (!path.empty() && path.front() == sep) {
        path.remove_prefix(1);
    }
    if (!path.empty() && path.back() == sep) {
        path.remove_suffix(1);
    }
    const std::size_t last = path.rfind(sep);
    return std::string(last == std::string_view::npos ? path : path.substr(0, last));
}

std::string LastPathPart(std::string_view path, PathStyle style) {
    const char sep = Separator(style);
    if (!path.empty() && path.back() == sep) {
        path.remove_suffix(1);
    }
    const std::size_t last = path.rfind(sep);
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string ExpandShortNames(std::string_view path, PathStyle style) {
    if (style == PathStyle::Posix && !path.empty()) {
        struct stat st {};
        const std::string text(path);
        if (::stat(text.c_str(), &st) == 0) {
            return text;
        }
    }
    return CaseAdjusted(path, style);
}

std::string CaseAdjusted(std::string_view path, PathStyle style) {
    const char sep = Separator(style);
    std::string out;
    out.reserve(path.size());
    char32_t previous = 0;
    bool first = true;
    for (std::size_t pos = 0; pos < path.size();) {
        const Unit unit = NextUnit(path, pos);
        char32_t mapped = unit.codePoint;
        if (unit.codePoint != 0xFFFFFFFF) {
            const bool afterBreak = previous == U' ' || previous == U'-' || previous == U'(' ||
                                    previous == U'_' || previous == static_cast<char32_t>(sep);
            mapped = (first || afterBreak) ? ToUpper(unit.codePoint) : ToLower(unit.codePoint);
        }
        AppendUnit(out, unit, mapped);
        previous = unit.codePoint;
        first = false;
        pos += unit.bytes.size();
    }
    return out;
}

void StripQuotes(std::string& text) {
    // Positions are those of the original length; removal shifts the rest to the left.
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        if (i < text.size() && text[i] == '"') {
            text.erase(i, 1);
            i += 2;
        } else {
            ++i;
        }
    }
}

}  // namespace paths
