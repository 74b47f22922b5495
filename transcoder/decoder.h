#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "av_handles.h"
#include "damage_log.h"
#include "planes.h"
#include "status.h"
#include "stream_conformer.h"

namespace transcoder {

// What one call of Decoder::Next made: its frames (0 at the end of the stream), and whether
// they are the source's 16-bit values as they were.
struct Piece {
    std::size_t frames = 0;
    Depth depth = Depth::Finer;
    bool operator==(const Piece&) const = default;
};

// Decodes the first audio stream of a file into float planes, noting what it cannot decode.
class Decoder {
public:
    // Opens `path` and decodes its first audio frame. `noCompression` switches off the
    // AC-3 decoder's dynamic range compression. Fails when the file cannot be read, holds no
    // audio stream or no decodable audio.
    static Result<std::unique_ptr<Decoder>> Open(const std::string& path, bool noCompression);

    // From now on maps every part of the stream, the first one included, by role onto
    // `roles` (in native order) instead of the layout the stream began with. Call before the
    // first Next. Fails for roles no native layout holds in that order.
    Status ConformTo(const std::vector<AVChannel>& roles) { return conformer_.ConformTo(roles); }

    int SampleRate() const { return conformer_.SampleRate(); }
    int Channels() const { return conformer_.Layout().nb_channels; }
    const AVChannelLayout& Layout() const { return conformer_.Layout(); }

    // Decodes the next piece into `out` (one plane per channel of Layout(), at SampleRate():
    // a part of the stream in another layout or at another rate is mapped onto Layout() and
    // the rate the stream began with). Fails on a read error or for a bare stream that is
    // mostly not frames that decode (random data); damage short of that is skipped and told
    // by Damage().
    Result<Piece> Next(Planes& out);

    // Share of the file read so far, 0 to 1; 0 when the size is unknown.
    double Progress() const;

    // Once Next has returned 0: one line for each damaged stretch of the source (what
    // could not be decoded, and where) and for a source shorter than its header promises;
    // empty for an intact source. Stretches past the eighth are summed up in one line.
    const std::vector<std::string>& Damage() const { return damage_; }

    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

private:
    Decoder() = default;
    Status OpenCodec(bool noCompression);
    // The next frame into frame_: true, or false at the end of the stream.
    Result<bool> Pull();
    // Counts the frame just received as sound, or as lost when it decoded with an error.
    void CountFrame();
    // Notes what the decoder was given since its last frame as lost; it gave up on it.
    void DropRefused();
    // Gives the decoder more to work on: the rest of a refused packet, the next packet, or
    // the end of the stream.
    Status FeedMore();
    // Sends `packet` to the decoder, frame by frame when it refuses the whole, and notes
    // what it refuses as lost.
    void Feed(AVPacket& packet);
    // Feeds the next frame (or junk) of rest_.
    void FeedRest();
    double PacketTime(const AVPacket& packet) const;
    // At the end of the stream: refuses random data, and turns the damage noted into lines.
    Status Finish();
    // The bytes a second of the stream takes, as far as it is known.
    double ByteRate() const;

    FormatHandle format_;
    CodecHandle codec_;
    PacketHandle packet_;
    PacketHandle rest_;  // what follows a refused AC-3 frame
    FrameHandle frame_;
    StreamConformer conformer_;
    DamageLog log_;
    int stream_ = -1;
    bool haveFrame_ = false;
    bool draining_ = false;
    bool finished_ = false;
    bool lastPacketBad_ = false;   // the last MPEG audio or DTS frame was cut short
    std::int64_t sentBytes_ = 0;   // packet bytes given to the decoder since its last frame
    std::int64_t audioBytes_ = 0;  // packet bytes that decoded into sound without error
    std::int64_t fileSize_ = 0;
    double lastPacketAt_ = 0.0;  // the last packet sent to the decoder: where, how long
    double lastPacketSeconds_ = 0.0;
    double pendingAt_ = -1.0;  // where the bytes in sentBytes_ begin
    double pendingSeconds_ = 0.0;
    double decodedSeconds_ = 0.0;  // of all frames, at their own rates
    double goodSeconds_ = 0.0;     // of the frames that decoded without error
    std::vector<std::string> damage_;
};

}  // namespace transcoder
