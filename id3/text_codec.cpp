#include "text_codec.h"

#include <array>

namespace id3 {
namespace {

constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Appends one decoded character. Control characters, CR and LF included, are kept as they
// stand, as other tag readers do: the writer stores every character back unchanged, so a text
// read from a tag survives being written and read again.
void AppendTagChar(std::string& out, char32_t cp) {
    AppendUtf8(out, cp);
}

// Length of the valid UTF-8 sequence at `i` and its code point; 0 when it is not valid.
size_t Utf8Sequence(std::string_view s, size_t i, char32_t& cp) {
    const auto b0 = static_cast<uint8_t>(s[i]);
    size_t length = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        length = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > s.size()) {
        return 0;
    }
    for (size_t k = 1; k < length; ++k) {
        const auto b = static_cast<uint8_t>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return length;
}

std::string DecodeUtf16(std::span<const uint8_t> bytes, bool bigEndian, bool stopAtZero) {
    std::string out;
    size_t i = 0;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        bigEndian = false, i = 2;
    } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        bigEndian = true, i = 2;
    }
    auto unitAt = [&](size_t at) -> char32_t {
        return bigEndian ? (char32_t{bytes[at]} << 8) | bytes[at + 1]
                         : (char32_t{bytes[at + 1]} << 8) | bytes[at];
    };
    for (; i + 1 < bytes.size(); i += 2) {
        char32_t unit = unitAt(i);
        if (unit == 0 && stopAtZero) {
            break;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendTagChar(out, unit);
    }
    return out;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        cp = 0xFFFD;
    }
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char32_t Windows1252CodePoint(uint8_t b) {
    if (b >= 0x80 && b < 0xA0) {
        return kHighControls[b - 0x80];
    }
    return b;
}

int Windows1252Byte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<int>(cp);
    }
    for (size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == cp) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

std::u32string DecodeUtf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char32_t cp = 0;
        const size_t length = Utf8Sequence(text, i, cp);
        if (length == 0) {
            out += Windows1252CodePoint(static_cast<uint8_t>(text[i]));
            ++i;
        } else {
            out += cp;
            i += length;
        }
    }
    return out;
}

std::string FirstChars(std::string_view utf8, size_t count) {
    std::string out;
    for (const char32_t cp : DecodeUtf8(utf8)) {
        if (count-- == 0) {
            break;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string ToWindows1252(std::string_view utf8, bool* fits) {
    std::string out;
    bool all = true;
    for (const char32_t cp : DecodeUtf8(utf8)) {
        const int b = Windows1252Byte(cp);
        all = all && b >= 0;
        out += static_cast<char>(b >= 0 ? b : '?');
    }
    if (fits != nullptr) {
        *fits = all;
    }
    return out;
}

std::optional<std::string> ToSharedSingleByte(std::string_view utf8) {
    std::string out;
    for (const char32_t cp : DecodeUtf8(utf8)) {
        const int b = Windows1252Byte(cp);
        if (b < 0 || cp != static_cast<char32_t>(b)) {
            return std::nullopt;
        }
        out += static_cast<char>(b);
    }
    return out;
}

std::string DecodeTagText(std::span<const uint8_t> bytes, int encoding, bool stopAtZero) {
    std::string out;
    switch (encoding) {
        case 0:
            for (const uint8_t b : bytes) {
                if (b == 0 && stopAtZero) {
                    break;
                }
                AppendTagChar(out, Windows1252CodePoint(b));
            }
            return out;
        case 1:
        case 2:
            return DecodeUtf16(bytes, encoding == 2, stopAtZero);
        case 3: {
            std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            if (stopAtZero) {
                raw = raw.substr(0, raw.find('\0'));
            }
            for (const char32_t cp : DecodeUtf8(raw)) {
                AppendTagChar(out, cp);
            }
            return out;
        }
        default:
            return out;
    }
}

size_t SkipTerminatedString(std::span<const uint8_t> bytes, size_t from, int encoding) {
    if (encoding == 1 || encoding == 2) {
        for (size_t i = from; i + 1 < bytes.size(); i += 2) {
            if (bytes[i] == 0 && bytes[i + 1] == 0) {
                return i + 2;
            }
        }
        return bytes.size();
    }
    for (size_t i = from; i < bytes.size(); ++i) {
        if (bytes[i] == 0) {
            return i + 1;
        }
    }
    return bytes.size();
}

size_t EncodeTagText(std::string_view text, size_t limit, uint8_t* destination, bool addZero) {
    const std::string single = ToWindows1252(text);
    size_t count = (limit > 0 && limit <= single.size()) ? limit : single.size();
    for (size_t i = 0; i < count; ++i) {
        destination[i] = static_cast<uint8_t>(single[i]);
    }
    if (addZero) {
        destination[count++] = 0;
    }
    return count;
}

void AppendUtf16WithBom(std::vector<uint8_t>& out, std::string_view utf8) {
    out.push_back(0xFF);
    out.push_back(0xFE);
    auto unit = [&](char32_t u) {
        out.push_back(static_cast<uint8_t>(u & 0xFF));
        out.push_back(static_cast<uint8_t>(u >> 8));
    };
    for (const char32_t cp : DecodeUtf8(utf8)) {
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
    unit(0);
}

}  // namespace id3
