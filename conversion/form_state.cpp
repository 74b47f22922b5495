#include "form_state.h"

#include <cstddef>

#include "source_kinds.h"

namespace {

std::size_t Slot(TargetFormat format) {
    const int index = static_cast<int>(format);
    return static_cast<std::size_t>(index >= 0 && index <= 3 ? index : 0);
}

// The rates of each format's group, in the order of its buttons.
struct RateGroup {
    std::array<SampleRate, 3> rates;
    int count;
};
constexpr std::array<RateGroup, 4> kRateGroups = {{
    {{SampleRate::Keep, SampleRate::Hz44100, SampleRate::Hz48000}, 3},
    {{SampleRate::Keep, SampleRate::Hz44100, SampleRate::Keep}, 2},
    {{SampleRate::Keep, SampleRate::Hz48000, SampleRate::Keep}, 2},
    {{SampleRate::Keep, SampleRate::Hz48000, SampleRate::Keep}, 2},
}};

struct ExtensionFilter {
    std::string_view extension;
    FileFilter filter;
};
constexpr std::array<ExtensionFilter, 8> kExtensionFilters = {{{"avi", FileFilter::Avi},
                                                               {"ac3", FileFilter::Ac3},
                                                               {"mp2", FileFilter::Mp2},
                                                               {"mp3", FileFilter::Mp3},
                                                               {"mpa", FileFilter::MpaMp2},
                                                               {"ogg", FileFilter::Ogg},
                                                               {"vob", FileFilter::Vob},
                                                               {"wav", FileFilter::Wav}}};

}  // namespace

const FormatChoice& FormState::Options(TargetFormat format) const {
    return Formats[Slot(format)];
}

FormatChoice& FormState::Options(TargetFormat format) {
    return Formats[Slot(format)];
}

namespace form_state {

std::optional<int> RateButton(TargetFormat format, SampleRate rate) {
    const RateGroup& group = kRateGroups[Slot(format)];
    for (int i = 0; i < group.count; ++i) {
        if (group.rates[static_cast<std::size_t>(i)] == rate) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<SampleRate> RateOfButton(TargetFormat format, int index) {
    const RateGroup& group = kRateGroups[Slot(format)];
    if (index < 0 || index >= group.count) {
        return std::nullopt;
    }
    return group.rates[static_cast<std::size_t>(index)];
}

int RateButtonCount(TargetFormat format) {
    return kRateGroups[Slot(format)].count;
}

std::optional<TargetFormat> FormatAt(int index) {
    if (index < 0 || index > 3) {
        return std::nullopt;
    }
    return static_cast<TargetFormat>(index);
}

std::optional<ConsoleMode> ConsoleModeOf(int value) {
    if (value < 0 || value > 2) {
        return std::nullopt;
    }
    return static_cast<ConsoleMode>(value);
}

std::optional<FileFilter> FilterAt(int index) {
    if (index < 0 || index > 10) {
        return std::nullopt;
    }
    return static_cast<FileFilter>(index);
}

std::optional<FileFilter> FilterForFile(std::string_view file) {
    const std::string extension = source_kinds::ExtensionOf(file);
    for (const ExtensionFilter& f : kExtensionFilters) {
        if (f.extension == extension) {
            return f.filter;
        }
    }
    if (source_kinds::IsSourceExtension(extension)) {
        return FileFilter::Allowed;
    }
    return std::nullopt;
}

}  // namespace form_state
