#pragma once

// Prints a FormState field by field when a test compares two of them.
#include <ostream>

#include "form_state.h"

inline void PrintTo(const FormState& s, std::ostream* os) {
    *os << "{format " << static_cast<int>(s.Format);
    for (const FormatChoice& c : s.Formats) {
        *os << " (" << static_cast<int>(c.Rate) << " " << c.Normalise << " " << c.BitrateKbps
            << ")";
    }
    *os << " six " << s.SplitToSixWav << " all " << s.ConvertAll << " nodirs " << s.HideFolders
        << " console " << static_cast<int>(s.Console) << " filter " << static_cast<int>(s.Filter)
        << " outcur " << s.OutPathIsCurrent << " out '" << s.OutPath << "' last '" << s.LastOutPath
        << "' skip " << s.SkipExisting << "}";
}
