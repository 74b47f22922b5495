#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "carried_frame.h"

// Frames made from plain values, in the ID3v2.3 form a carried frame has: text in single bytes
// where every character has the same byte in ISO-8859-1 and Windows-1252, else in UTF-16 with a
// byte-order mark.
namespace id3 {

// The data of a text frame holding `strings` (UTF-8), separated by terminators.
std::vector<uint8_t> EncodedTextData(const std::vector<std::string>& strings);

// A text frame (T...) `id` holding `text`.
CarriedFrame MakeTextFrame(const std::string& id, const std::string& text);

// A TXXX frame: `text` under `description`.
CarriedFrame MakeUserTextFrame(const std::string& description, const std::string& text);

// A COMM (`id` "COMM") or USLT (`id` "USLT") frame in language "eng": `text` under
// `description`.
CarriedFrame MakeDescribedTextFrame(const std::string& id, const std::string& description,
                                    const std::string& text);

// An APIC frame: picture `type` (0-255), `mime` (ASCII), `description` and the image bytes.
CarriedFrame MakePictureFrame(int type, const std::string& mime, const std::string& description,
                              std::span<const uint8_t> image);

// A UFID frame: `identifier` (at most 64 bytes are kept) under the owner `owner`.
CarriedFrame MakeUniqueIdFrame(const std::string& owner, const std::string& identifier);

// The TDAT ("DDMM") and TIME ("HHMM") frames for an ISO 8601 date "yyyy-MM-dd[THH:mm[:ss]]", as
// far down as it reaches; none for a coarser or malformed date.
CarriedFrames DayAndTimeFrames(const std::string& date);

}  // namespace id3
