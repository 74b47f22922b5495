#include "language.h"

#include <array>
#include <cstdlib>
#include <string_view>

namespace language {
namespace {

constexpr std::array<std::string_view, 2> kShown = {"de", "en"};

bool Shown(const std::string& code) {
    for (const std::string_view shown : kShown) {
        if (code == shown) {
            return true;
        }
    }
    return false;
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

LocaleEnvironment FromProcess() {
    return {Variable("LANGUAGE"), Variable("LC_ALL"), Variable("LC_MESSAGES"), Variable("LANG")};
}

std::string CodeOf(const std::string& locale) {
    const std::size_t end = locale.find_first_of("_.@");
    std::string code = locale.substr(0, end);
    for (char& c : code) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    if (code == "c" || code == "posix") {
        return {};
    }
    return code;
}

std::string Choose(const LocaleEnvironment& env) {
    std::size_t start = 0;
    while (start < env.Language.size()) {
        std::size_t end = env.Language.find(':', start);
        if (end == std::string::npos) {
            end = env.Language.size();
        }
        const std::string code = CodeOf(env.Language.substr(start, end - start));
        if (Shown(code)) {
            return code;
        }
        start = end + 1;
    }
    // The first variable that is set decides, as for every other category of the locale.
    for (const std::string* locale : {&env.LcAll, &env.LcMessages, &env.Lang}) {
        if (!locale->empty()) {
            const std::string code = CodeOf(*locale);
            return Shown(code) ? code : std::string(kSource);
        }
    }
    return kSource;
}

}  // namespace language
