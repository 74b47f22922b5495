#include "pipeline.h"

#include <sys/stat.h>
#include <unistd.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "ac3_sink.h"
#include "audio_source.h"
#include "channel_plan.h"
#include "format_limits.h"
#include "late_resampler.h"
#include "mp3_sink.h"
#include "mpa_sink.h"
#include "parallel.h"
#include "wav_sink.h"

namespace transcoder {
namespace {

// What the encoder is given, as agreed between the options and what it can take.
struct Agreement {
    int rate = 0;     // the output's sample rate
    int bitrate = 0;  // kbit/s; 0 for WAV
    MixPlan plan;     // the source's channels onto the output's
};

// How far the work has come: the measuring pass of a normalisation takes the first half.
struct Share {
    double base = 0.0;
    double part = 1.0;
    double Of(double done) const { return base + done * part; }
};

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
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

float PeakOf(const Planes& planes) {
    float peak = 0.0f;
    for (const auto& plane : planes) {
        peak = std::max(peak, PeakOf(plane.data(), plane.size()));
    }
    return peak;
}

Result<std::unique_ptr<AudioSink>> CreateSink(const Options& options, const Agreement& agreed) {
    const StreamShape shape{agreed.rate, agreed.plan.outRoles};
    switch (options.target) {
        case Target::Mp3:
            return CreateMp3Sink(options.output, shape, {agreed.bitrate, options.crc});
        case Target::Ac3:
            return CreateAc3Sink(options.output, shape, agreed.bitrate);
        case Target::Mpa:
            return CreateMpaSink(options.output, shape,
                                 {agreed.bitrate, options.crc, options.mpaMode});
        case Target::Wav:
            break;
    }
    return options.sixWaves ? CreateSixWavSink(options.output, shape)
                            : CreateWavSink(options.output, shape);
}

// Agrees on the output's rate, bitrate and channels for `source`, warning where the encoder
// cannot take what the options or the source ask for.
Agreement Negotiate(const Options& options, const AudioSource& source, const WarningFn& warn) {
    Agreement agreed;
    agreed.plan = source.plan();
    const int wantedRate = options.rate != 0 ? options.rate : source.decoder().SampleRate();
    agreed.rate = EncoderRate(options.target, wantedRate);
    if (agreed.rate != wantedRate) {
        warn("'" + options.input + "': the encoder cannot take " + std::to_string(wantedRate) +
             " Hz; resampling to " + std::to_string(agreed.rate) + " Hz");
    }
    const int channels = static_cast<int>(agreed.plan.outRoles.size());
    agreed.bitrate = EncoderBitrate(options.target, options.bitrate, agreed.rate, channels);
    if (agreed.bitrate != options.bitrate && options.target != Target::Wav) {
        warn("the encoder cannot take " + std::to_string(options.bitrate) + " kbit/s here; using " +
             std::to_string(agreed.bitrate) + " kbit/s");
    }
    // A part lacking channels that another part has is normal in a stream that switches.
    const std::vector<AVChannel>& inRoles = source.sourceRoles();
    if (HasSilentOutput(ChoosePlan(options, inRoles))) {
        warn("the source (" + LayoutName(inRoles) + ") lacks some of the output's channels; " +
             "they stay silent");
    }
    return agreed;
}

// The first pass of normalisation: the gain that brings the largest absolute sample after
// mixing and resampling to full scale, with decoding and resampling on separate threads when
// `threads` is 2. Damage fails the pass when the options are strict.
Result<float> MeasureGain(const Options& options, AudioSource& source, int outRate, int threads,
                          const ProgressFn& progress) {
    LateResampler resampler;
    const int channels = static_cast<int>(source.plan().outRoles.size());
    if (Status opened = resampler.Open(source.decoder().SampleRate(), outRate, channels);
        !opened.ok()) {
        return opened;
    }
    float peak = 0.0f;
    const Status measured = RunSteps(
        threads, [&](Block& block) { return source.Next(block); }, resampler.Middle(),
        [&](Block& block) {
            const Result<Planes*> planes = resampler.Apply(block);
            if (!planes) {
                return planes.status();
            }
            if (FrameCount(**planes) > 0) {
                peak = std::max(peak, PeakOf(**planes));
                progress(block.progress * 0.5);
            }
            return Status::Ok();
        });
    if (!measured.ok()) {
        return measured;
    }
    const Result<Planes*> rest = resampler.Flush();
    if (!rest) {
        return rest.status();
    }
    if (FrameCount(**rest) > 0) {
        peak = std::max(peak, PeakOf(**rest));
        progress(source.decoder().Progress() * 0.5);
    }
    if (options.strict && !source.decoder().Damage().empty()) {
        return Status::Failure(source.decoder().Damage().front());
    }
    return peak > 0.0f ? 1.0f / peak : 1.0f;
}

// The pass that makes the output: every block of `source`, resampled to the agreed rate
// where the writing side resamples, scaled by `gain` and written to `sink`. A failure names
// the input or the output, whichever failed.
Status EncodePass(const Options& options, AudioSource& source, AudioSink& sink,
                  const Agreement& agreed, float gain, const Share& share,
                  const ProgressFn& progress) {
    // The work is split in two: decoding and mixing on one thread, encoding on the other.
    // Writing WAV costs little, so there the resampler goes with it; encoders have enough to
    // do on their own, so there the resampler goes with the decoder.
    LateResampler late;
    const int channels = static_cast<int>(agreed.plan.outRoles.size());
    const Status resampling = options.target == Target::Wav
                                  ? late.Open(source.decoder().SampleRate(), agreed.rate, channels)
                                  : source.ResampleTo(agreed.rate);
    if (!resampling.ok()) {
        return resampling.Of(options.input);
    }
    // Scales and encodes one block of output; resampled or scaled samples are finer than
    // 16 bits, whatever the source's were.
    auto write = [&](Planes& planes, Depth depth, double done) {
        if (gain != 1.0f) {
            for (auto& plane : planes) {
                for (float& v : plane) {
                    v *= gain;
                }
            }
        }
        const bool changed = gain != 1.0f || late.Active();
        if (Status written = sink.Write(planes, changed ? Depth::Finer : depth); !written.ok()) {
            return written.Of(options.output);
        }
        progress(share.Of(done));
        return Status::Ok();
    };
    const Status passed = RunSteps(
        ThreadCount(), [&](Block& block) { return source.Next(block); }, late.Middle(),
        [&](Block& block) {
            const Result<Planes*> planes = late.Apply(block);
            if (!planes) {
                return planes.status().Of(options.input);
            }
            return FrameCount(**planes) == 0 ? Status::Ok()
                                             : write(**planes, block.depth, block.progress);
        });
    if (!passed.ok()) {
        return passed.Of(options.input);
    }
    const Result<Planes*> rest = late.Flush();
    if (!rest) {
        return rest.status().Of(options.input);
    }
    return FrameCount(**rest) > 0 ? write(**rest, Depth::Finer, source.decoder().Progress())
                                  : Status::Ok();
}

// Completes the output: a damaged source fails now when the options are strict, before the
// output takes its name; otherwise the file(s) take their names and each damaged stretch is
// told in a warning.
Status Finish(const Options& options, const AudioSource& source, AudioSink& sink,
              const ProgressFn& progress, const WarningFn& warn) {
    const std::vector<std::string>& damage = source.decoder().Damage();
    if (options.strict && !damage.empty()) {
        return Status::Failure(damage.front()).Of(options.input);
    }
    if (Status finished = sink.Finish(); !finished.ok()) {
        return finished.Of(options.output);
    }
    if (Status committed = sink.Commit(); !committed.ok()) {
        return committed.Of(options.output);
    }
    progress(1.0);
    for (const std::string& line : damage) {
        warn("'" + options.input + "': " + line);
    }
    return Status::Ok();
}

Status ConvertFile(const Options& options, const ProgressFn& progress, const WarningFn& warn) {
    if (options.normalize && !IsRegularFile(options.input) &&
        access(options.input.c_str(), F_OK) == 0) {
        return Status::Failure(
            "--normalize reads the input twice and needs a regular file, not a pipe");
    }
    Result<std::unique_ptr<AudioSource>> source = AudioSource::Open(options);
    if (!source) {
        return source.status();
    }
    const Agreement agreed = Negotiate(options, **source, warn);
    // The output is created before the work starts, so an unwritable folder shows at once.
    Result<std::unique_ptr<AudioSink>> sink = CreateSink(options, agreed);
    if (!sink) {
        return sink.status().Of(options.output);
    }
    float gain = 1.0f;
    Share share;
    if (options.normalize) {
        const Result<float> measured =
            MeasureGain(options, **source, agreed.rate, ThreadCount(), progress);
        if (!measured) {
            return measured.status();
        }
        gain = *measured;
        share = {0.5, 0.5};
        // The second pass decodes the file again, so memory does not grow with its length.
        source = AudioSource::Open(options);
        if (!source) {
            return source.status();
        }
    }
    if (Status encoded = EncodePass(options, **source, **sink, agreed, gain, share, progress);
        !encoded.ok()) {
        return encoded;
    }
    return Finish(options, **source, **sink, progress, warn);
}

}  // namespace

Status Convert(const Options& options, const ProgressFn& progress, const WarningFn& warn) {
    // A failure that names no file is the source's.
    return ConvertFile(options, progress, warn).Of(options.input);
}

}  // namespace transcoder
