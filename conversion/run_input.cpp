#include "run_input.h"

#include <cstdint>
#include <utility>

namespace batch {

RunInput RunInputFrom(const FormState& state, std::vector<Entry> entries, std::string folder,
                      std::string pattern) {
    RunInput input;
    input.Entries = std::move(entries);
    input.Folder = std::move(folder);
    input.ConvertAll = state.ConvertAll;
    input.Pattern = std::move(pattern);
    if (!state.OutPathIsCurrent) {
        input.OutputFolder = state.OutPath;
    }
    input.SkipExisting = state.SkipExisting;
    input.Format = static_cast<int>(state.Format);
    const FormatChoice& chosen = state.Options(state.Format);
    input.Options.ResampleChoice = form_state::RateButton(state.Format, chosen.Rate).value_or(0);
    input.Options.Normalise = chosen.Normalise;
    input.Options.SplitToSixWav = state.Format == TargetFormat::Wav && state.SplitToSixWav;
    if (state.Format != TargetFormat::Wav) {
        input.Bitrate = static_cast<std::int16_t>(chosen.BitrateKbps);
    }
    input.HideConsole = static_cast<int>(state.Console);
    return input;
}

}  // namespace batch
