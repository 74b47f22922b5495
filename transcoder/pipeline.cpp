#include "pipeline.h"

#include <sys/stat.h>
#include <unistd.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "ac3_sink.h"
#include "decoder.h"
#include "format_limits.h"
#include "layout_scan.h"
#include "mp3_sink.h"
#include "mpa_sink.h"
#include "parallel.h"
#include "resampler.h"
#include "wav_sink.h"

namespace transcoder {
namespace {

bool TakesSixChannels(const Options& options) {
    return options.sixWaves || options.channels == ChannelSwitch::Six;
}

// The channels of all parts of the stream together, as far as they are known before
// decoding; `first` those of the part it begins with. A stream may widen later (broadcasts
// switch from stereo to 5.1), which only matters when the output could take more channels
// than the first part has; AC-3 sources are then scanned for it.
std::vector<AVChannel> SourceRoles(const Options& options, const std::vector<AVChannel>& first) {
    const bool couldWiden = TakesSixChannels(options) || (options.target == Target::Ac3 &&
                                                          options.channels == ChannelSwitch::None);
    if (!couldWiden || first.size() >= 6) {
        return first;
    }
    std::vector<AVChannel> all = Ac3StreamRoles(options.input);
    // The decoder's roles for the first part win over the headers' where they differ.
    for (const AVChannel role : first) {
        if (std::find(all.begin(), all.end(), role) == all.end()) {
            return first;
        }
    }
    return all.empty() ? first : all;
}

// The layout the decoder maps every part of the stream onto; empty to keep the one the
// stream begins with. Targets of six channels get 5.1 from the start, so that no part is
// squeezed into the layout of an earlier one; an AC3 target without a channel switch gets
// the channels of all parts (5.1 when the encoder cannot take them) when the stream is known
// to widen.
std::vector<AVChannel> ReferenceRoles(const Options& options, const std::vector<AVChannel>& first,
                                      const std::vector<AVChannel>& all) {
    if (TakesSixChannels(options)) {
        return SixPlan(all).outRoles;
    }
    if (options.target == Target::Ac3 && options.channels == ChannelSwitch::None &&
        all.size() > first.size()) {
        return Ac3TakesLayout(all) ? all : SixPlan(all).outRoles;
    }
    return {};
}

// Decoding, channel mixing and resampling: the part of the chain both passes share.
class Source {
public:
    static std::unique_ptr<Source> Open(const Options& options, std::string& error) {
        std::unique_ptr<Source> s(new Source());
        s->decoder_ = Decoder::Open(options.input, options.allChannels, error);
        if (!s->decoder_) {
            return nullptr;
        }
        const std::vector<AVChannel> first = ChannelRoles(s->decoder_->Layout());
        s->sourceRoles_ = SourceRoles(options, first);
        const std::vector<AVChannel> reference = ReferenceRoles(options, first, s->sourceRoles_);
        if (!reference.empty() && !s->decoder_->ConformTo(reference, error)) {
            return nullptr;
        }
        s->plan_ = ChoosePlan(options, ChannelRoles(s->decoder_->Layout()));
        return s;
    }

    // Sets the output rate before the first block; false, with `error` set, on failure.
    bool ResampleTo(int outRate, std::string& error) {
        if (outRate == decoder_->SampleRate()) {
            return true;
        }
        resampler_ = Resampler::Create(decoder_->SampleRate(), outRate,
                                       static_cast<int>(plan_.outRoles.size()), error);
        return resampler_ != nullptr;
    }

    // What Next found.
    enum class Pull { Block, End, Failed };

    // The next block of output planes in `block` (Block), the end of the stream (End), or
    // a failure with its reason in `error` (Failed). The block stays valid until the next
    // call and may be changed.
    Pull Next(Planes*& block, std::string& error) {
        while (!flushed_) {
            const long n = decoder_->Next(decoded_, error);
            if (n < 0) {
                return Pull::Failed;
            }
            if (n == 0) {
                flushed_ = true;
                if (!resampler_) {
                    return Pull::End;
                }
                if (!resampler_->Process(nullptr, resampled_, error)) {
                    return Pull::Failed;
                }
            } else {
                Planes* mixed = &decoded_;
                if (!plan_.identity) {
                    ApplyMix(plan_, decoded_, mixed_);
                    mixed = &mixed_;
                }
                if (!resampler_) {
                    block = mixed;
                    return Pull::Block;
                }
                if (!resampler_->Process(mixed, resampled_, error)) {
                    return Pull::Failed;
                }
            }
            if (FrameCount(resampled_) > 0) {
                block = &resampled_;
                return Pull::Block;
            }
        }
        return Pull::End;
    }

    const Decoder& decoder() const { return *decoder_; }
    const MixPlan& plan() const { return plan_; }
    // The source's channels as far as they are known before decoding: those of all parts
    // together when the headers were scanned, otherwise those the stream begins with.
    const std::vector<AVChannel>& sourceRoles() const { return sourceRoles_; }

private:
    Source() = default;
    std::unique_ptr<Decoder> decoder_;
    std::unique_ptr<Resampler> resampler_;
    MixPlan plan_;
    std::vector<AVChannel> sourceRoles_;
    Planes decoded_;
    Planes mixed_;
    Planes resampled_;
    bool flushed_ = false;
};

std::unique_ptr<AudioSink> CreateSink(const Options& options, const StreamShape& shape, int bitrate,
                                      std::string& error) {
    switch (options.target) {
        case Target::Mp3:
            return CreateMp3Sink(options.output, shape, {bitrate, options.crc}, error);
        case Target::Ac3:
            return CreateAc3Sink(options.output, shape, bitrate, error);
        case Target::Mpa:
            return CreateMpaSink(options.output, shape, {bitrate, options.crc, options.mpaMode},
                                 error);
        case Target::Wav:
            break;
    }
    if (options.sixWaves) {
        return CreateSixWavSink(options.output, shape, error);
    }
    return CreateWavSink(options.output, shape, error);
}

// The largest absolute value of `count` samples.
float PeakOf(const float* samples, std::size_t count) {
    std::size_t i = 0;
    float peak = 0.0f;
#ifdef __SSE2__
    const __m128 signBits = _mm_set1_ps(-0.0f);
    __m128 peaks = _mm_setzero_ps();
    for (; i + 4 <= count; i += 4) {
        peaks = _mm_max_ps(peaks, _mm_andnot_ps(signBits, _mm_loadu_ps(samples + i)));
    }
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, peaks);
    peak = std::max(std::max(lanes[0], lanes[1]), std::max(lanes[2], lanes[3]));
#endif
    for (; i < count; ++i) {
        peak = std::max(peak, std::fabs(samples[i]));
    }
    return peak;
}

// The producer's side of a chain: the next block from `source` (decoded, mixed and, when
// the source resamples, resampled), swapped into `block` so that the buffers circulate.
Made NextBlock(Source& source, Block& block, std::string& error) {
    Planes* planes = nullptr;
    switch (source.Next(planes, error)) {
        case Source::Pull::Block:
            std::swap(block.planes, *planes);
            block.progress = source.decoder().Progress();
            return Made::Block;
        case Source::Pull::End:
            return Made::End;
        case Source::Pull::Failed:
            break;
    }
    return Made::Failed;
}

// Resampling on the consumer's side of a chain, for a consumer that has less to do than the
// decoder: blocks pass through unchanged when no resampling is asked for. Sources of several
// channels split it: the consumer resamples the front half of the channels, and the back
// half is the chain's middle step, which the producer takes on while it is ahead.
class LateResampler {
public:
    // False, with `error` set, when the resampler cannot be set up.
    bool Open(const Source& source, int outRate, std::string& error) {
        const int inRate = source.decoder().SampleRate();
        if (outRate == inRate) {
            return true;
        }
        const int channels = static_cast<int>(source.plan().outRoles.size());
        const int front = channels / 2;
        if (front == 0) {
            front_ = Resampler::Create(inRate, outRate, channels, error);
            return front_ != nullptr;
        }
        front_ = Resampler::Create(inRate, outRate, 0, front, error);
        back_ = Resampler::Create(inRate, outRate, front, channels - front, error);
        return front_ != nullptr && back_ != nullptr;
    }

    // The chain's middle step: resamples the back channels of a block into its side planes,
    // false with `error` set on failure; empty when there is nothing to share.
    std::function<bool(Block&)> Middle(std::string& error) {
        if (!back_) {
            return {};
        }
        return [this, &error](Block& block) {
            return back_->Process(&block.planes, block.side, error);
        };
    }

    // The planes that `block` turns into (possibly none yet), or null with `error` set.
    Planes* Apply(Block& block, std::string& error) {
        if (!front_) {
            return &block.planes;
        }
        if (!back_) {
            return front_->Process(&block.planes, out_, error) ? &out_ : nullptr;
        }
        if (!front_->Process(&block.planes, frontOut_, error)) {
            return nullptr;
        }
        return Join(block.side, error);
    }

    // What is left in the resampler at the end (possibly none), or null with `error` set.
    // Only once the chain has ended.
    Planes* Flush(std::string& error) {
        out_.clear();
        if (!front_) {
            return &out_;
        }
        if (!back_) {
            return front_->Process(nullptr, out_, error) ? &out_ : nullptr;
        }
        if (!front_->Process(nullptr, frontOut_, error) ||
            !back_->Process(nullptr, backRest_, error)) {
            return nullptr;
        }
        return Join(backRest_, error);
    }

private:
    // The front channels followed by `back`, swapped into place so that the buffers
    // circulate; null, with `error` set, when the halves differ in length.
    Planes* Join(Planes& back, std::string& error) {
        if (FrameCount(back) != FrameCount(frontOut_)) {
            error = "resampling failed: the channels came out of step";
            return nullptr;
        }
        out_.resize(frontOut_.size() + back.size());
        for (std::size_t c = 0; c < frontOut_.size(); ++c) {
            std::swap(out_[c], frontOut_[c]);
        }
        for (std::size_t c = 0; c < back.size(); ++c) {
            std::swap(out_[frontOut_.size() + c], back[c]);
        }
        return &out_;
    }

    std::unique_ptr<Resampler> front_;
    std::unique_ptr<Resampler> back_;
    Planes frontOut_;
    Planes backRest_;
    Planes out_;
};

// The first pass of normalisation: the largest absolute sample after mixing and
// resampling, with decoding and resampling on separate threads when `threads` is 2. Empty,
// with `error` set, on failure.
std::optional<float> MeasurePeak(Source& source, int outRate, int threads,
                                 const ProgressFn& progress, std::string& error) {
    LateResampler resampler;
    if (!resampler.Open(source, outRate, error)) {
        return std::nullopt;
    }
    float peak = 0.0f;
    auto measure = [&peak](const Planes& planes) {
        for (const auto& plane : planes) {
            peak = std::max(peak, PeakOf(plane.data(), plane.size()));
        }
    };
    std::string decodeError;
    std::string middleError;
    const ChainEnd end = RunChain(
        threads, [&](Block& block) { return NextBlock(source, block, decodeError); },
        resampler.Middle(middleError),
        [&](Block& block) {
            const Planes* planes = resampler.Apply(block, error);
            if (planes == nullptr) {
                return false;
            }
            if (FrameCount(*planes) > 0) {
                measure(*planes);
                progress(block.progress * 0.5);
            }
            return true;
        });
    if (end == ChainEnd::ProducerFailed) {
        error = decodeError;
    }
    if (end == ChainEnd::MiddleFailed) {
        error = middleError;
    }
    if (end != ChainEnd::Done) {
        return std::nullopt;
    }
    const Planes* rest = resampler.Flush(error);
    if (rest == nullptr) {
        return std::nullopt;
    }
    if (FrameCount(*rest) > 0) {
        measure(*rest);
        progress(source.decoder().Progress() * 0.5);
    }
    return peak;
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// True when some output channel takes nothing from the source.
bool HasSilentOutput(const MixPlan& plan) {
    const std::size_t in = static_cast<std::size_t>(plan.inChannels);
    for (std::size_t o = 0; o < plan.outRoles.size(); ++o) {
        const auto row = plan.matrix.begin() + static_cast<std::ptrdiff_t>(o * in);
        if (std::all_of(row, row + static_cast<std::ptrdiff_t>(in),
                        [](float w) { return w == 0.0f; })) {
            return true;
        }
    }
    return false;
}

std::string LayoutName(const std::vector<AVChannel>& roles) {
    std::string names;
    for (const AVChannel role : roles) {
        char name[32] = {};
        av_channel_name(name, sizeof name, role);
        if (!names.empty()) {
            names += '+';
        }
        names += name;
    }
    return names;
}

}  // namespace

MixPlan ChoosePlan(const Options& options, const std::vector<AVChannel>& inRoles) {
    if (TakesSixChannels(options)) {
        return SixPlan(inRoles);
    }
    if (options.channels == ChannelSwitch::Stereo) {
        return StereoPlan(inRoles);
    }
    switch (options.target) {
        case Target::Wav:
            return KeepPlan(inRoles);
        case Target::Mp3:
        case Target::Mpa:
            return inRoles.size() > 2 ? StereoPlan(inRoles) : KeepPlan(inRoles);
        case Target::Ac3:
            if (Ac3TakesLayout(inRoles)) {
                return KeepPlan(inRoles);
            }
            return inRoles.size() > 2 ? SixPlan(inRoles) : StereoPlan(inRoles);
    }
    return KeepPlan(inRoles);
}

namespace {

// Where a failure lies: the source (the default) or the output.
enum class Culprit { Input, Output };

Status ConvertFile(const Options& options, const ProgressFn& progress, const WarningFn& warn,
                   Culprit& culprit) {
    std::string error;
    auto fail = [&](Culprit where) {
        culprit = where;
        return Status::Failure(error);
    };
    if (options.normalize && !IsRegularFile(options.input) &&
        access(options.input.c_str(), F_OK) == 0) {
        error = "--normalize reads the input twice and needs a regular file, not a pipe";
        return fail(Culprit::Input);
    }
    std::unique_ptr<Source> source = Source::Open(options, error);
    if (!source) {
        return fail(Culprit::Input);
    }
    const int sourceRate = source->decoder().SampleRate();
    const std::vector<AVChannel> inRoles = source->sourceRoles();
    const MixPlan plan = source->plan();
    const int wantedRate = options.rate != 0 ? options.rate : sourceRate;
    const int outRate = EncoderRate(options.target, wantedRate);
    if (outRate != wantedRate) {
        warn("the encoder cannot take " + std::to_string(wantedRate) + " Hz; resampling to " +
             std::to_string(outRate) + " Hz");
    }
    const int channels = static_cast<int>(plan.outRoles.size());
    const int bitrate = EncoderBitrate(options.target, options.bitrate, outRate, channels);
    if (bitrate != options.bitrate && options.target != Target::Wav) {
        warn("the encoder cannot take " + std::to_string(options.bitrate) + " kbit/s here; using " +
             std::to_string(bitrate) + " kbit/s");
    }
    // A part lacking channels that another part has is normal in a stream that switches.
    if (HasSilentOutput(ChoosePlan(options, inRoles))) {
        warn("the source (" + LayoutName(inRoles) + ") lacks some of the output's channels; " +
             "they stay silent");
    }

    // The output is created before the work starts, so an unwritable folder shows at once.
    std::unique_ptr<AudioSink> sink =
        CreateSink(options, StreamShape{outRate, plan.outRoles}, bitrate, error);
    if (!sink) {
        return fail(Culprit::Output);
    }
    const int threads = ThreadCount();
    float gain = 1.0f;
    if (options.normalize) {
        const std::optional<float> peak = MeasurePeak(*source, outRate, threads, progress, error);
        if (!peak) {
            return fail(Culprit::Input);
        }
        if (options.strict && !source->decoder().Damage().empty()) {
            error = source->decoder().Damage().front();
            return fail(Culprit::Input);
        }
        gain = *peak > 0.0f ? 1.0f / *peak : 1.0f;
        // The second pass decodes the file again, so memory does not grow with its length.
        source = Source::Open(options, error);
        if (!source) {
            return fail(Culprit::Input);
        }
    }
    // The work is split in two: decoding and mixing on one thread, encoding on the other.
    // Writing WAV costs little, so there the resampler goes with it; encoders have enough to
    // do on their own, so there the resampler goes with the decoder.
    LateResampler lateResampler;
    const bool resampleLate = options.target == Target::Wav;
    if (!(resampleLate ? lateResampler.Open(*source, outRate, error)
                       : source->ResampleTo(outRate, error))) {
        return fail(Culprit::Input);
    }
    const double progressBase = options.normalize ? 0.5 : 0.0;
    const double progressShare = 1.0 - progressBase;
    // Scales and encodes one block of output; false, with the culprit and `error` set.
    auto write = [&](Planes& planes, double share) {
        if (gain != 1.0f) {
            for (auto& plane : planes) {
                for (float& v : plane) {
                    v *= gain;
                }
            }
        }
        if (!sink->Write(planes, error)) {
            culprit = Culprit::Output;
            return false;
        }
        progress(progressBase + share * progressShare);
        return true;
    };
    std::string decodeError;
    std::string middleError;
    const ChainEnd end = RunChain(
        threads, [&](Block& block) { return NextBlock(*source, block, decodeError); },
        lateResampler.Middle(middleError),
        [&](Block& block) {
            Planes* planes = lateResampler.Apply(block, error);
            if (planes == nullptr) {
                culprit = Culprit::Input;
                return false;
            }
            return FrameCount(*planes) == 0 || write(*planes, block.progress);
        });
    if (end == ChainEnd::ProducerFailed) {
        error = decodeError;
        return fail(Culprit::Input);
    }
    if (end == ChainEnd::MiddleFailed) {
        error = middleError;
        return fail(Culprit::Input);
    }
    if (end == ChainEnd::ConsumerFailed) {
        return fail(culprit);
    }
    Planes* rest = lateResampler.Flush(error);
    if (rest == nullptr) {
        return fail(Culprit::Input);
    }
    if (FrameCount(*rest) > 0 && !write(*rest, source->decoder().Progress())) {
        return fail(Culprit::Output);
    }
    // A damaged source gives what decodes, with a warning for each damaged stretch, once
    // the file is made; asked to be strict, it fails before the output takes its name.
    const std::vector<std::string>& damage = source->decoder().Damage();
    if (options.strict && !damage.empty()) {
        error = damage.front();
        return fail(Culprit::Input);
    }
    if (!sink->Finish(error) || !sink->Commit(error)) {
        return fail(Culprit::Output);
    }
    progress(1.0);
    for (const std::string& line : damage) {
        warn("'" + options.input + "': " + line);
    }
    return Status::Ok();
}

}  // namespace

Status Convert(const Options& options, const ProgressFn& progress, const WarningFn& warn) {
    Culprit culprit = Culprit::Input;
    const Status status = ConvertFile(options, progress, warn, culprit);
    if (status.ok()) {
        return status;
    }
    const std::string& reason = status.reason();
    if (!reason.empty() && reason.front() == '\'') {  // the reason names its file already
        return status;
    }
    const std::string& file = culprit == Culprit::Output ? options.output : options.input;
    return Status::Failure("'" + file + "': " + (reason.empty() ? "failed" : reason));
}

}  // namespace transcoder
