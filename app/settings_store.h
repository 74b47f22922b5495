#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The INI file that keeps the user's choices between runs. Section and key names are
// compared without regard to case; blanks around names and values are ignored; lines
// starting with ";" or "#" are comments.
namespace settings {

// Longest value returned by ReadSetting; longer stored values arrive cut to this length.
inline constexpr std::size_t kMaxValueLength = 2047;

// The value of `key` in `section` of the file `iniPath`, or `defaultValue` when the file,
// the section or the key is missing or the value is empty.
std::string ReadSetting(const std::string& iniPath, std::string_view section, std::string_view key,
                        std::string_view defaultValue);

// Writes `key`=`value` into `section`: replaces the key's line in place, or adds the key at
// the end of its section, adding the section (and the file) when missing. The file is
// replaced atomically, so a crash never leaves half a file. False when it could not be
// written (read-only file or folder); the file is then unchanged.
bool WriteSetting(const std::string& iniPath, std::string_view section, std::string_view key,
                  std::string_view value);

// The whole number that a stored text stands for: a decimal number read from the start
// (blanks and tabs ignored, anything that cannot continue it ends it, no number at all
// gives 0), rounded half to even. Empty when it does not fit a 16-bit signed integer.
std::optional<std::int16_t> SettingToInt(std::string_view text);

}  // namespace settings
