#include "language.h"

#include <gtest/gtest.h>

using language::LocaleEnvironment;

TEST(Language, CodeOfALocaleName) {
    const std::pair<const char*, const char*> cases[] = {
        {"en_US.UTF-8", "en"},
        {"en_GB", "en"},
        {"en@quot", "en"},
        {"EN", "en"},
        {"de_DE.UTF-8", "de"},
        {"de_AT@euro", "de"},
        {"fr_FR.UTF-8", "fr"},
        {"C", ""},
        {"C.UTF-8", ""},
        {"POSIX", ""},
        {"", ""},
    };
    for (const auto& [locale, code] : cases) {
        EXPECT_EQ(language::CodeOf(locale), code) << locale;
    }
}

TEST(Language, LanguageListFirstThenTheFirstSetLocaleVariableElseGerman) {
    struct Case {
        LocaleEnvironment env;  // LANGUAGE, LC_ALL, LC_MESSAGES, LANG
        const char* shown;
    };
    const Case cases[] = {
        // Nothing set, or the plain C locale: the texts' own language.
        {{"", "", "", ""}, "de"},
        {{"", "", "", "C"}, "de"},
        {{"", "", "", "C.UTF-8"}, "de"},
        {{"", "", "", "POSIX"}, "de"},
        {{"", "", "", "de_DE.UTF-8"}, "de"},
        {{"", "", "", "en_US.UTF-8"}, "en"},
        {{"", "", "", "en_GB"}, "en"},
        // A language without a catalogue shows German, not English.
        {{"", "", "", "fr_FR.UTF-8"}, "de"},
        // LANGUAGE goes first, its first entry with a catalogue wins.
        {{"en:de", "", "", "de_DE.UTF-8"}, "en"},
        {{"de:en", "", "", "en_US.UTF-8"}, "de"},
        {{"fr:en", "", "", "de_DE.UTF-8"}, "en"},
        {{"en_GB:en", "", "", "C"}, "en"},
        // A LANGUAGE without any known entry leaves the choice to the locale.
        {{"fr:it", "", "", "en_US.UTF-8"}, "en"},
        {{"fr", "", "", ""}, "de"},
        {{":", "", "", "en_US.UTF-8"}, "en"},
        // LC_ALL before LC_MESSAGES before LANG; the first one set decides, even when it
        // names a language without a catalogue.
        {{"", "en_US.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8"}, "en"},
        {{"", "C", "en_US.UTF-8", "en_US.UTF-8"}, "de"},
        {{"", "", "en_US.UTF-8", "de_DE.UTF-8"}, "en"},
        {{"", "", "de_DE.UTF-8", "en_US.UTF-8"}, "de"},
        {{"", "", "fr_FR.UTF-8", "en_US.UTF-8"}, "de"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(language::Choose(c.env), c.shown)
            << "LANGUAGE=" << c.env.Language << " LC_ALL=" << c.env.LcAll
            << " LC_MESSAGES=" << c.env.LcMessages << " LANG=" << c.env.Lang;
    }
}
