#pragma once

#include <memory>
#include <string>

#include "audio_sink.h"

namespace transcoder {

// A 16-bit PCM WAV file (WAVE_FORMAT_EXTENSIBLE with a channel mask for more than two
// channels) that turns into RF64 by itself when it grows past 4 GiB. Fails when the file
// cannot be created.
Result<std::unique_ptr<AudioSink>> CreateWavSink(const std::string& path, const StreamShape& shape);

// The six-channel profile: the 5.1 WAV `path` and beside it one mono WAV per channel,
// named from `path` without its extension plus _FL, _FR, _C, _LFE, _SL, _SR and ".wav".
// `shape` must hold six channels. Fails when one of the files cannot be created, naming the
// mono file at fault.
Result<std::unique_ptr<AudioSink>> CreateSixWavSink(const std::string& path,
                                                    const StreamShape& shape);

// The names of the six mono files that go with `path`, in the channel order of `shape`.
std::vector<std::string> SixWavNames(const std::string& path, const StreamShape& shape);

}  // namespace transcoder
