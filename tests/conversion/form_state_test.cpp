#include "form_state.h"

#include <gtest/gtest.h>

#include "../support/form_state_print.h"

#include <string>
#include <vector>

#include "run_input.h"

namespace {

const std::vector<batch::Entry> kEntries = {
    {"..", false, true, true}, {"a.wav", true, false}, {"b.mp3", false, false}};

// A state that differs from the defaults in every field, so that a field read from the wrong
// place shows.
FormState Busy() {
    FormState s;
    s.Formats = {{{SampleRate::Hz48000, true, 0},
                  {SampleRate::Hz44100, false, 128},
                  {SampleRate::Keep, true, 448},
                  {SampleRate::Hz48000, true, 640}}};
    s.SplitToSixWav = true;
    s.ConvertAll = true;
    s.HideFolders = true;
    s.Console = ConsoleMode::Greyed;
    s.Filter = FileFilter::Mp3;
    s.OutPathIsCurrent = false;
    s.OutPath = "/elsewhere/";
    s.LastOutPath = "/before/";
    s.SkipExisting = true;
    return s;
}

}  // namespace

// The run takes the chosen format's own frame: its rate as the button index, its normalise
// box and its bar; the six-WAV split only for WAV; the console mode as the check box value;
// the output path as typed while chkOutPath is unticked, and the skipping of existing targets.
// The other frames and the folder options play no part.
TEST(RunInputFrom, TakesTheChosenFormatsFrameAndNothingElse) {
    struct Case {
        const char* what;
        TargetFormat format;
        batch::FormatOptions options;
        int bitrate;
    } const cases[] = {
        {"WAV at 48 kHz, normalised, split", TargetFormat::Wav, {2, true, true}, 0},
        {"MP3 at 44.1 kHz, its own bar", TargetFormat::Mp3, {1, false, false}, 128},
        {"AC3 unchanged, its box ticked", TargetFormat::Ac3, {0, true, false}, 448},
        {"MPA at 48 kHz", TargetFormat::Mpa, {1, true, false}, 640},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FormState state = Busy();
        state.Format = c.format;
        const batch::RunInput input = batch::RunInputFrom(state, kEntries, "/music", "*.mp3");
        EXPECT_EQ(input.Entries, kEntries);
        EXPECT_EQ(input.Folder, "/music");
        EXPECT_EQ(input.Pattern, "*.mp3");
        EXPECT_EQ(input.OutputFolder, "/elsewhere/");
        EXPECT_TRUE(input.SkipExisting);
        EXPECT_TRUE(input.ConvertAll);
        EXPECT_EQ(input.Format, static_cast<int>(c.format));
        EXPECT_EQ(input.Options, c.options);
        EXPECT_EQ(input.Bitrate, c.bitrate);
        EXPECT_EQ(input.HideConsole, 2);
        // The same arguments give the same input.
        EXPECT_EQ(batch::RunInputFrom(state, kEntries, "/music", "*.mp3"), input);
        // Ticked, the text is the current folder's; the targets go beside their sources.
        state.OutPathIsCurrent = true;
        EXPECT_EQ(batch::RunInputFrom(state, kEntries, "/music", "*.mp3").OutputFolder, "");
    }
}

// The window's design values give the input a new window's run had; each console mode
// passes as its value, and a rate the chosen group does not offer counts as unchanged.
TEST(RunInputFrom, DefaultsConsoleModesAndRatesOutsideTheGroup) {
    const batch::RunInput fresh = batch::RunInputFrom(FormState{}, {}, "/", "*.*");
    batch::RunInput expected;
    expected.Folder = "/";
    EXPECT_EQ(fresh, expected);

    for (const auto& [mode, value] :
         {std::pair{ConsoleMode::Shown, 0}, std::pair{ConsoleMode::Hidden, 1},
          std::pair{ConsoleMode::Greyed, 2}}) {
        FormState state;
        state.Console = mode;
        EXPECT_EQ(batch::RunInputFrom(state, {}, "/", "*.*").HideConsole, value);
    }
    FormState odd;
    odd.Format = TargetFormat::Mp3;
    odd.Options(TargetFormat::Mp3) = {SampleRate::Hz48000, true, 320};
    const batch::RunInput input = batch::RunInputFrom(odd, {}, "/", "*.*");
    EXPECT_EQ(input.Options, (batch::FormatOptions{0, true, false}));
    EXPECT_EQ(input.Bitrate, 320);
}

TEST(FormStateRules, RateButtonsFilterForFileAndNumberedValues) {
    struct Rates {
        TargetFormat format;
        std::vector<SampleRate> buttons;
    } const groups[] = {
        {TargetFormat::Wav, {SampleRate::Keep, SampleRate::Hz44100, SampleRate::Hz48000}},
        {TargetFormat::Mp3, {SampleRate::Keep, SampleRate::Hz44100}},
        {TargetFormat::Ac3, {SampleRate::Keep, SampleRate::Hz48000}},
        {TargetFormat::Mpa, {SampleRate::Keep, SampleRate::Hz48000}},
    };
    for (const Rates& g : groups) {
        SCOPED_TRACE(static_cast<int>(g.format));
        ASSERT_EQ(form_state::RateButtonCount(g.format), static_cast<int>(g.buttons.size()));
        for (int i = 0; i < static_cast<int>(g.buttons.size()); ++i) {
            EXPECT_EQ(form_state::RateOfButton(g.format, i),
                      g.buttons[static_cast<std::size_t>(i)]);
            EXPECT_EQ(form_state::RateButton(g.format, g.buttons[static_cast<std::size_t>(i)]), i);
        }
        EXPECT_EQ(form_state::RateOfButton(g.format, -1), std::nullopt);
        EXPECT_EQ(form_state::RateOfButton(g.format, form_state::RateButtonCount(g.format)),
                  std::nullopt);
    }
    EXPECT_EQ(form_state::RateButton(TargetFormat::Mp3, SampleRate::Hz48000), std::nullopt);
    EXPECT_EQ(form_state::RateButton(TargetFormat::Ac3, SampleRate::Hz44100), std::nullopt);

    const std::pair<const char*, std::optional<FileFilter>> files[] = {
        {"/m/a.avi", FileFilter::Avi},
        {"/m/A.AC3", FileFilter::Ac3},
        {"x.Mp2", FileFilter::Mp2},
        {"song.mp3", FileFilter::Mp3},
        {"t.mpa", FileFilter::MpaMp2},
        {"v.ogg", FileFilter::Ogg},
        {"d.VOB", FileFilter::Vob},
        {"w.wav", FileFilter::Wav},
        {"mp", std::nullopt},
        {"", std::nullopt},
        // Every other kind the transcoder takes selects "erlaubte Formate"; the extension is the
        // real one, not the name's last three characters.
        {"s.dts", FileFilter::Allowed},
        {"x.flac", FileFilter::Allowed},
        {"/m/v.Opus", FileFilter::Allowed},
        {"/m/a.M4A", FileFilter::Allowed},
        {"/m/live.mkv", FileFilter::Allowed},
        {"/m/x.ts", FileFilter::Allowed},
        {"/m/amp3", std::nullopt},
        {"/m/a.mp3/noext", std::nullopt},
        {"/m/cover.jpg", std::nullopt},
        {"/m/a.mp3.part", std::nullopt},
    };
    for (const auto& [file, filter] : files) {
        EXPECT_EQ(form_state::FilterForFile(file), filter) << file;
    }

    EXPECT_EQ(form_state::FormatAt(3), TargetFormat::Mpa);
    EXPECT_EQ(form_state::FormatAt(4), std::nullopt);
    EXPECT_EQ(form_state::FormatAt(-1), std::nullopt);
    EXPECT_EQ(form_state::ConsoleModeOf(2), ConsoleMode::Greyed);
    EXPECT_EQ(form_state::ConsoleModeOf(3), std::nullopt);
    EXPECT_EQ(form_state::FilterAt(10), FileFilter::Allowed);
    EXPECT_EQ(form_state::FilterAt(11), std::nullopt);
}
