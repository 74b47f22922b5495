#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "channel_mix.h"
#include "planes.h"
#include "resampler.h"

namespace transcoder {

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// The demuxers a source may be read with: those of the converter's input formats (mp3, mp2
// and mpa; ac3 and eac3; dts; the MPEG program stream of a vob; avi; ogg; wav, w64 and
// rf64). Playlists and scripts that name other files (concat, hls ...) are never opened.
inline constexpr const char* kInputFormats = "mp3,ac3,eac3,dts,dtshd,mpeg,avi,ogg,wav,w64";

// Opens the local file `path` (never a URL) with the demuxers of kInputFormats into
// `format`; FFmpeg's error code, negative on failure (AVERROR(EINVAL) for another format).
int OpenInput(const std::string& path, AVFormatContext*& format);

// Decodes the first audio stream of a file into float planes.
class Decoder {
public:
    // Opens `path` and decodes its first audio frame. `noCompression` switches off the
    // AC-3 decoder's dynamic range compression. Null, with `error` set, when the file
    // cannot be read, holds no audio stream or no decodable audio.
    static std::unique_ptr<Decoder> Open(const std::string& path, bool noCompression,
                                         std::string& error);

    // From now on maps every part of the stream, the first one included, by role onto
    // `roles` (in native order) instead of the layout the stream began with. Call before the
    // first Next. False, with `error` set, for roles no native layout holds in that order.
    bool ConformTo(const std::vector<AVChannel>& roles, std::string& error);

    int SampleRate() const { return rate_; }
    int Channels() const { return layout_.nb_channels; }
    const AVChannelLayout& Layout() const { return layout_; }

    // Decodes the next piece into `out` (one plane per channel of Layout(), at
    // SampleRate(): a part of the stream in another layout or at another rate is mapped
    // onto Layout() and the rate the stream began with). Returns the number of frames, 0 at the
    // end, -1 with `error` set on a read error or a bare stream that is mostly not frames
    // that decode (random data). Damage short of that is skipped and told by Damage().
    long Next(Planes& out, std::string& error);

    // Share of the file read so far, 0 to 1; 0 when the size is unknown.
    double Progress() const;

    // Once Next has returned 0: one line for each damaged stretch of the source (what
    // could not be decoded, and where) and for a source shorter than its header promises;
    // empty for an intact source. Stretches past the eighth are summed up in one line.
    const std::vector<std::string>& Damage() const { return damage_; }

    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

private:
    Decoder() = default;
    int Pull(std::string& error);  // 1 frame ready, 0 end, -1 error
    bool CheckComplete(std::string& error);
    // Notes `seconds` (`bytes` bytes) at `at` seconds that could not be decoded.
    // `framed` tells that they began with a frame header (or decoded in part).
    void Lost(double at, double seconds, std::int64_t bytes, bool framed);
    double PacketTime(const AVPacket& packet) const;
    // Sends `packet` to the decoder, frame by frame when it refuses the whole, and notes
    // what it refuses as lost.
    void Feed(AVPacket& packet);
    // Feeds the next frame (or junk) of rest_.
    void FeedRest();
    std::string HoleText(std::size_t index, bool atEnd) const;
    bool ToLayout(const AVFrame& frame, Planes& target, std::string& error);
    bool EndRateFix(Planes& tail, std::string& error);

    std::unique_ptr<AVFormatContext, FormatCloser> format_;
    std::unique_ptr<AVCodecContext, CodecFreer> codec_;
    std::unique_ptr<AVPacket, PacketFreer> packet_;
    std::unique_ptr<AVPacket, PacketFreer> rest_;  // what follows a refused AC-3 frame
    std::unique_ptr<AVFrame, FrameFreer> frame_;
    AVChannelLayout layout_{};       // the first part's, or the one ConformTo set
    AVChannelLayout conformFrom_{};  // the changed layout that conform_ maps
    MixPlan conform_;
    Planes changed_;
    std::unique_ptr<Resampler> rateFix_;  // for a part of the stream at another rate
    int rateFixFrom_ = 0;
    Planes otherRate_;
    Planes tail_;
    int stream_ = -1;
    int rate_ = 0;
    bool haveFrame_ = false;
    bool draining_ = false;
    bool finished_ = false;
    bool lastPacketBad_ = false;   // the last MPEG audio or DTS frame was cut short
    std::int64_t sentBytes_ = 0;   // packet bytes given to the decoder since its last frame
    std::int64_t audioBytes_ = 0;  // packet bytes that decoded into sound without error
    std::int64_t fileSize_ = 0;
    // Stretches that could not be decoded: the first ones as they are, the rest summed up.
    struct Hole {
        double at = 0.0;
        double seconds = 0.0;  // as the packets' durations say
        std::int64_t bytes = 0;
        int count = 0;
        bool framed = false;  // some of it began with a frame header
    };
    static constexpr std::size_t kListedHoles = 8;
    std::vector<Hole> holes_;    // at most kListedHoles + 1; the last one sums up the rest
    bool holeOpen_ = false;      // the last hole goes on until a frame decodes
    double lastPacketAt_ = 0.0;  // the last packet sent to the decoder: where, how long
    double lastPacketSeconds_ = 0.0;
    double pendingAt_ = -1.0;  // where the bytes in sentBytes_ begin
    double pendingSeconds_ = 0.0;
    double decodedSeconds_ = 0.0;  // of all frames, at their own rates
    double goodSeconds_ = 0.0;     // of the frames that decoded without error
    std::vector<std::string> damage_;
};

// Replaces the contents of `out` with the samples of `frame`, one float plane per
// channel. False for a sample format it does not know.
bool ToPlanarFloat(const AVFrame& frame, Planes& out);

// The text of an FFmpeg error code.
std::string AvErrorText(int code);

}  // namespace transcoder
