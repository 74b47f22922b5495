#pragma once

#include <string>

// The language of the window and the messages: German, the texts' own, or English.
namespace language {

// What the process's environment says about its language; an empty text means unset.
struct LocaleEnvironment {
    std::string Language;    // LANGUAGE: a list of languages separated by ":"
    std::string LcAll;       // LC_ALL
    std::string LcMessages;  // LC_MESSAGES
    std::string Lang;        // LANG
    bool operator==(const LocaleEnvironment&) const = default;
};

// The language the texts are written in, and the one shown when nothing else fits.
inline constexpr const char* kSource = "de";

// The variables above as this process has them.
LocaleEnvironment FromProcess();

// The language code of a locale name: "en_US.UTF-8" and "en@quot" give "en"; "C", "POSIX"
// and their ".UTF-8" forms give "" (no language).
std::string CodeOf(const std::string& locale);

// The language to show, "de" or "en": the first entry of LANGUAGE that is one of them, else
// the language of the first set of LC_ALL, LC_MESSAGES and LANG when it is English, else
// German.
std::string Choose(const LocaleEnvironment& env);

}  // namespace language
