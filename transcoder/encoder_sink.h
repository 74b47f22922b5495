#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "audio_sink.h"
#include "output_file.h"
#include "status.h"

namespace transcoder {

// An encoder of one or two channels of float samples into a byte stream, as LAME and twolame
// are: the part of an encoder sink that differs from one encoder to the next. Taking float,
// they quantise nothing and need no dither.
class StreamEncoder {
public:
    virtual ~StreamEncoder() = default;

    // The encoder's name in messages ("MP3").
    virtual const char* Name() const = 0;
    // The most frames one Encode call takes.
    virtual std::size_t ChunkFrames() const = 0;
    // Room for what one call gives, in bytes.
    virtual std::size_t OutputRoom() const = 0;
    // Encodes `frames` frames (`right` null for one channel) into `out`; the bytes made, or
    // the encoder's negative error code.
    virtual int Encode(const float* left, const float* right, int frames, unsigned char* out,
                       int room) = 0;
    // Gives what the encoder still holds at the end; bytes, or a negative error code.
    virtual int Flush(unsigned char* out, int room) = 0;
    // Completes `file` once everything is written (the MP3 info frame at its start).
    virtual Status Complete(OutputFile& file) = 0;
};

// The sink around `encoder` that writes into the output file `path`; `channels` is 1 or 2.
// Fails when the file cannot be created.
Result<std::unique_ptr<AudioSink>> CreateEncoderSink(const std::string& path, int channels,
                                                     std::unique_ptr<StreamEncoder> encoder);

}  // namespace transcoder
