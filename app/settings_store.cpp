#include "settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "replace_file.h"

namespace settings {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// One line of an INI file, classified.
struct Line {
    enum Kind { Other, Section, Key } kind = Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed
};

Line Classify(std::string_view raw) {
    const std::string_view s = Trim(raw);
    if (s.empty() || s.front() == ';' || s.front() == '#') {
        return {};
    }
    if (s.front() == '[') {
        const std::size_t close = s.find(']');
        if (close != std::string_view::npos) {
            return {Line::Section, Trim(s.substr(1, close - 1)), {}};
        }
        return {};
    }
    const std::size_t eq = s.find('=');
    if (eq == std::string_view::npos) {
        return {};
    }
    return {Line::Key, Trim(s.substr(0, eq)), Trim(s.substr(eq + 1))};
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return !in.bad();
}

}  // namespace

std::string ReadSetting(const std::string& iniPath, std::string_view section, std::string_view key,
                        std::string_view defaultValue) {
    std::string text;
    if (!ReadWholeFile(iniPath, text)) {
        return std::string(defaultValue);
    }
    bool inSection = false;
    for (const std::string& raw : SplitLines(text)) {
        const Line line = Classify(raw);
        if (line.kind == Line::Section) {
            inSection = EqualsNoCase(line.name, section);
        } else if (inSection && line.kind == Line::Key && EqualsNoCase(line.name, key)) {
            if (line.value.empty()) {
                return std::string(defaultValue);
            }
            return std::string(line.value.substr(0, kMaxValueLength));
        }
    }
    return std::string(defaultValue);
}

bool WriteSetting(const std::string& iniPath, std::string_view section, std::string_view key,
                  std::string_view value) {
    std::string text;
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(iniPath.c_str(), &st) == 0) {
        // A read-only settings file stays as it is, like any file we may not write.
        if (!S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) == 0 ||
            ::access(iniPath.c_str(), W_OK) != 0 || !ReadWholeFile(iniPath, text)) {
            return false;
        }
        mode = st.st_mode & 07777;
    }
    const bool crlf = text.find("\r\n") != std::string::npos;
    std::vector<std::string> lines = SplitLines(text);
    const std::string newLine = std::string(key) + "=" + std::string(value);

    std::size_t sectionStart = lines.size();  // index of the section line
    std::size_t insertAt = lines.size();      // after the last non-blank line of the section
    bool inSection = false;
    bool replaced = false;
    for (std::size_t i = 0; i < lines.size() && !replaced; ++i) {
        const Line line = Classify(lines[i]);
        if (line.kind == Line::Section) {
            if (inSection) {
                break;
            }
            inSection = EqualsNoCase(line.name, section);
            if (inSection) {
                sectionStart = i;
                insertAt = i + 1;
            }
        } else if (inSection) {
            if (line.kind == Line::Key && EqualsNoCase(line.name, key)) {
                lines[i] = newLine;
                replaced = true;
            } else if (!Trim(lines[i]).empty()) {
                insertAt = i + 1;
            }
        }
    }
    if (!replaced) {
        if (sectionStart == lines.size()) {
            std::string sectionLine = "[";
            sectionLine.append(section).append("]");
            lines.push_back(std::move(sectionLine));
            lines.push_back(newLine);
        } else {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
        }
    }
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += crlf ? "\r\n" : "\n";
    }
    return platform::ReplaceFile(iniPath, out, mode);
}

std::optional<std::int16_t> SettingToInt(std::string_view text) {
    // Keep only the characters that form the number, skipping blanks and tabs anywhere.
    std::string number;
    bool digits = false, point = false, exponent = false, expDigits = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t') {
            continue;
        }
        const bool atStart = number.empty();
        const bool afterE = !number.empty() && (number.back() == 'e');
        if ((c == '+' || c == '-') && (atStart || afterE)) {
            number.push_back(c);
        } else if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
            number.push_back(c);
            (exponent ? expDigits : digits) = true;
        } else if (c == '.' && !point && !exponent) {
            number.push_back(c);
            point = true;
        } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && digits && !exponent) {
            number.push_back('e');
            exponent = true;
        } else {
            break;
        }
    }
    if (!digits) {
        return std::int16_t{0};
    }
    if (exponent && !expDigits) {
        // "2e" or "2e+" : the exponent never started.
        while (!number.empty() &&
               (number.back() == 'e' || number.back() == '+' || number.back() == '-')) {
            number.pop_back();
        }
    }
    if (!number.empty() && number.front() == '+') {
        number.erase(0, 1);  // from_chars takes no plus sign
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec == std::errc::result_out_of_range) {
        return std::nullopt;
    }
    const double rounded = std::nearbyint(value);  // default rounding: half to even
    if (!std::isfinite(rounded) || rounded < -32768.0 || rounded > 32767.0) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(rounded);
}

}  // namespace settings
