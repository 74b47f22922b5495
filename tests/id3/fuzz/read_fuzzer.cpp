// Fuzz target over the readers: ID3v2 in read and collect mode, the choice of the frames a
// conversion carries, the ID3v1 block, frame text.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "byte_source.h"
#include "id3v1.h"
#include "id3v2_reader.h"
#include "id3v2_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const id3::MemorySource source(std::span<const uint8_t>(data, size));
    id3::TagSet tag;
    id3::ReadId3v2From(source, tag);

    id3::TagSet scratch;
    id3::CarriedFrames carried;
    id3::ParseId3v2Tag(source, 0, scratch, &carried);
    for (size_t i = 0; i < carried.size(); ++i) {
        id3::ConvertCarriedFrame(carried, i);  // a second conversion must be harmless too
    }

    // The frames a conversion would carry: the whole chain, the selection and its rules.
    id3::CarriedFrames chain;
    id3::CollectId3v2FramesFrom(source, chain);
    const id3::CarriedFrames selected = id3::SelectCarriedFrames(carried, chain);
    for (const auto& frame : selected) {
        id3::FrameSlotKey(frame);
        id3::DescribesOldAudio(frame);
    }

    if (size >= 128) {
        id3::Id3v1Block block{};
        std::memcpy(block.data(), data + size - 128, 128);
        id3::ParseId3v1Block(block, tag);
    }
    if (size >= 4) {
        const std::string id(reinterpret_cast<const char*>(data), 4);
        id3::ReadFrameText(std::span<const uint8_t>(data + 4, size - 4), id);
        id3::ReadFrameText(std::span<const uint8_t>(data + 4, size - 4), id.substr(0, 3));
    }
    return 0;
}
