#pragma once

#include <string>
#include <vector>

#include "batch_engine.h"
#include "form_state.h"

namespace batch {

// What a run takes when the start button is pressed, from the form's `state`, the file list's
// `entries` (in list order) and the current `folder`: whole-folder mode, the chosen format
// with the options and the bitrate of its own frame (a bar's value belongs to its format
// alone), the six-WAV split for WAV only, and the console mode. A rate the chosen format's
// group does not offer counts as "unverändert". Pure: the same arguments give the same input.
RunInput RunInputFrom(const FormState& state, std::vector<Entry> entries, std::string folder);

}  // namespace batch
