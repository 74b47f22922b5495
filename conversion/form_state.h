#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "command_line.h"

// The choices of the main window's form as one value. The window gives it out and takes it
// back; the run's input, start-up and closing work with it, and nobody else reads a widget.

// A format's sample-rate choice. WAV offers all three, MP3 keeps or forces 44.1 kHz, AC3 and
// MPA keep or force 48 kHz.
enum class SampleRate { Keep, Hz44100, Hz48000 };

// "BeSweet Box verstecken": ticked hides the transcoder's console window; unticked and
// greyed show it. The numbers are the check box's values, as the "HideBS" key stores them.
enum class ConsoleMode : int { Shown = 0, Hidden = 1, Greyed = 2 };

// The file-type filters, numbered as their buttons. Dts and Mp2 exist but are never shown.
enum class FileFilter : int {
    Avi = 0,
    Ac3 = 1,
    Dts = 2,
    Mp2 = 3,
    Mp3 = 4,
    MpaMp2 = 5,
    Ogg = 6,
    Vob = 7,
    Wav = 8,
    AllFiles = 9,
    Allowed = 10,
};

// One format's options frame.
struct FormatChoice {
    SampleRate Rate = SampleRate::Keep;
    bool Normalise = false;  // "Normalisieren"; a run uses it only with a forced rate
    int BitrateKbps = 0;     // the frame's bitrate bar; 0 for WAV, which has none
    bool operator==(const FormatChoice&) const = default;
};

// The whole form, with the design values of a new window as defaults.
struct FormState {
    TargetFormat Format = TargetFormat::Wav;
    // By format index (WAV, MP3, AC3, MPA).
    std::array<FormatChoice, 4> Formats = {{{SampleRate::Keep, false, 0},
                                            {SampleRate::Keep, false, 192},
                                            {SampleRate::Hz48000, false, 320},
                                            {SampleRate::Hz48000, false, 320}}};
    bool SplitToSixWav = false;                 // "AC3 --> 6 WAV-Dateien"
    bool ConvertAll = false;                    // "kompletten Ordner konvertieren" (chkAll)
    bool HideFolders = false;                   // "Verzeichnisse ausblenden" (chkDirs)
    ConsoleMode Console = ConsoleMode::Hidden;  // Check1
    FileFilter Filter = FileFilter::AllFiles;
    bool OutPathIsCurrent = true;  // "Ausgabepfad = Aktueller Pfad" (chkOutPath)
    // The output-path text (txtOutPath) in UTF-8. The text box holds text, not bytes: a folder
    // name that is not valid UTF-8 shows replacement characters there.
    std::string OutPath;
    // The output folder last chosen, typed or used ("OutPath" in the settings): txtOutPath
    // takes it when chkOutPath is unticked.
    std::string LastOutPath;
    bool SkipExisting = false;  // "vorhandene Ziele überspringen" ("SkipExisting")

    // The options frame of `format`.
    const FormatChoice& Options(TargetFormat format) const;
    FormatChoice& Options(TargetFormat format);
    bool operator==(const FormState&) const = default;
};

namespace form_state {

// The button of `rate` in the sample-rate group of `format` (0 is "unverändert"); nullopt
// when the group has no such button (MP3 at 48 kHz, AC3 or MPA at 44.1 kHz).
std::optional<int> RateButton(TargetFormat format, SampleRate rate);
// The rate of button `index` of `format`'s group; nullopt outside the group.
std::optional<SampleRate> RateOfButton(TargetFormat format, int index);
// The number of buttons in `format`'s sample-rate group: 3 for WAV, else 2.
int RateButtonCount(TargetFormat format);

// The format numbered `index` (0 WAV, 1 MP3, 2 AC3, 3 MPA); nullopt for any other number.
std::optional<TargetFormat> FormatAt(int index);
// The console mode of the check box value `value` (0, 1 or 2); nullopt for others.
std::optional<ConsoleMode> ConsoleModeOf(int value);
// The filter numbered `index` (0..10); nullopt for others.
std::optional<FileFilter> FilterAt(int index);
// The filter for a file by the extension of its name, case ignored: the button of its own
// kind for avi, ac3, mp2, mp3, mpa, ogg, vob and wav, "erlaubte Formate" for every other kind
// the transcoder takes (flac, m4a, opus ...); nullopt for any other name.
std::optional<FileFilter> FilterForFile(std::string_view file);

}  // namespace form_state
