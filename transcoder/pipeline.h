#pragma once

#include <functional>
#include <string>

#include "options.h"
#include "status.h"

namespace transcoder {

// Told the share of the work done, 0 to 1.
using ProgressFn = std::function<void(double)>;
// Told one warning line (the file is still made).
using WarningFn = std::function<void(const std::string&)>;

// Converts options.input into options.output (and, for the six-channel profile, the mono
// files beside it). A failure names the file at fault (the input unless the output is), and
// no output file is left under a final name; an existing file of that name is kept.
Status Convert(const Options& options, const ProgressFn& progress, const WarningFn& warn);

}  // namespace transcoder
