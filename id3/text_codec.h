#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace id3 {

// Appends the UTF-8 form of the code point `cp` (U+FFFD for invalid values) to `out`.
void AppendUtf8(std::string& out, char32_t cp);

// The Windows-1252 byte of `cp`; -1 when the code page has none. The five unassigned bytes map
// to the C1 controls U+0081, U+008D, U+008F, U+0090 and U+009D, so every byte round-trips.
int Windows1252Byte(char32_t cp);

// The code point of Windows-1252 byte `b`.
char32_t Windows1252CodePoint(uint8_t b);

// The code points of UTF-8 text; bytes that do not form valid UTF-8 are taken as Windows-1252.
std::u32string DecodeUtf8(std::string_view text);

// The first `count` characters of UTF-8 text (all of it when shorter), as DecodeUtf8 reads them.
std::string FirstChars(std::string_view utf8, size_t count);

// `text` as Windows-1252 bytes; characters outside the code page become "?". `fits` (optional)
// is set to whether every character had a byte of its own.
std::string ToWindows1252(std::string_view utf8, bool* fits = nullptr);

// `utf8` as single bytes when every character is one that Windows-1252 and ISO-8859-1 give the
// same byte (ASCII, U+00A0-U+00FF and the five unassigned C1 codes); nullopt otherwise.
std::optional<std::string> ToSharedSingleByte(std::string_view utf8);

// Tag text bytes in ID3 encoding `encoding` (0 Windows-1252, 1 UTF-16 with byte-order mark,
// 2 UTF-16 big-endian, 3 UTF-8; others give "") as UTF-8, stopping at the first zero character
// when `stopAtZero`. Control characters (CR and LF among them) are kept unchanged.
std::string DecodeTagText(std::span<const uint8_t> bytes, int encoding, bool stopAtZero);

// Offset of the byte behind the zero terminator of the string at `from` in `bytes` (one zero
// byte for encodings 0 and 3, an aligned pair of zero bytes for 1 and 2); bytes.size() when
// the string has no terminator.
size_t SkipTerminatedString(std::span<const uint8_t> bytes, size_t from, int encoding);

// Writes the first `limit` characters of `text` (all when limit is 0 or larger than the text)
// to `destination` as Windows-1252 bytes, then a zero byte when `addZero`. Returns the bytes
// written; the caller provides room for limit (or the text's length) + 1 bytes.
size_t EncodeTagText(std::string_view text, size_t limit, uint8_t* destination, bool addZero);

// Appends `text` as UTF-16 little-endian with a byte-order mark and a zero terminator.
void AppendUtf16WithBom(std::vector<uint8_t>& out, std::string_view utf8);

}  // namespace id3
