#include "numeric_text.h"

#include <cstdlib>
#include <string>

namespace id3 {

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::optional<double> ParseNumber(std::string_view text) {
    const std::string_view t = TrimBlanks(text);
    size_t i = 0;
    auto digits = [&]() {
        const size_t from = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            ++i;
        }
        return i - from;
    };
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        ++i;
    }
    size_t count = digits();
    if (i < t.size() && t[i] == '.') {
        ++i;
        count += digits();
    }
    if (count == 0) {
        return std::nullopt;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            ++i;
        }
        if (digits() == 0) {
            return std::nullopt;
        }
    }
    if (i != t.size()) {
        return std::nullopt;
    }
    const std::string copy(t);
    return std::strtod(copy.c_str(), nullptr);
}

}  // namespace id3
