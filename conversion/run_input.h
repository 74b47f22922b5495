#pragma once

#include <string>
#include <vector>

#include "batch_engine.h"
#include "form_state.h"

namespace batch {

// What a run takes when the start button is pressed, from the form's `state`, the file list's
// `entries` (in list order), the current `folder` and the filter `pattern` the list shows:
// whole-folder mode, the chosen format with the options and the bitrate of its own frame (a
// bar's value belongs to its format alone), the six-WAV split for WAV only, the console mode,
// the output-path text while "Ausgabepfad = Aktueller Pfad" is unticked (empty while ticked:
// targets beside their sources) and the skipping of existing targets. A rate the chosen
// format's group does not offer counts as "unverändert". The output folder is taken as typed;
// PrepareOutputFolder checks it before a run. Pure: the same arguments give the same input.
RunInput RunInputFrom(const FormState& state, std::vector<Entry> entries, std::string folder,
                      std::string pattern);

}  // namespace batch
