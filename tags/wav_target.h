#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tag_transfer.h"

namespace tags {

// The LIST/INFO chunk (header included, padded to an even size) holding the basic fields of
// `record` as UTF-8: INAM, IART, IPRD, ICRD (with the day from a TDAT frame of `frames` where
// there is one), IGNR, ICMT, ITRK, ICOP, IMUS, ITCH. Empty when the record has none of them.
std::vector<uint8_t> RenderInfoList(const id3::TagSet& record, const id3::CarriedFrames& frames);

// Gives the WAV file at `path` the tags of `tags`: a LIST/INFO chunk and an "id3 " chunk with the
// ID3v2.3 tag behind its other chunks, replacing such chunks it had; every other chunk is kept
// as it is, in its order. The file is replaced as a whole (platform/replace_file.h), then read
// back and checked. Tags without any field leave the file untouched. An RF64 file, or one the
// chunks would make too large for 32-bit RIFF sizes, is left as it is: the status is then Ok
// with a Reason that says why. Failed, with the reason, for a file that is no intact RIFF WAVE
// file or that could not be replaced; the file is then as it was.
id3::WriteStatus WriteWavTags(const std::string& path, const id3::SourceTags& tags);

}  // namespace tags
