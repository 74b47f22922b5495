#pragma once

#include <string>
#include <string_view>

// Path text routines. They work on text only, in one of two styles: Windows paths
// ("\" separator, drive roots such as C:\) or the native POSIX paths ("/" separator).
namespace paths {

enum class PathStyle { Windows, Posix };

// The style the program uses on this system.
inline constexpr PathStyle kNativeStyle = PathStyle::Posix;

// The separator character of `style`.
constexpr char Separator(PathStyle style) {
    return style == PathStyle::Windows ? '\\' : '/';
}

// True when the file can be opened for reading (a folder is false).
bool FileExists(const std::string& path);

// The text with a separator appended when its last character is not one; "" gives the separator.
std::string AddBackslash(std::string_view text, PathStyle style = kNativeStyle);

// The folder part without a closing separator: one leading and one trailing separator are
// dropped, then everything before the last separator; the text itself when there is none.
// In POSIX style the leading "/" stays: "/home/u/a.mp3" gives "/home/u", "/a.mp3" gives "/".
std::string ParentPath(std::string_view path, PathStyle style = kNativeStyle);

// The last component: a trailing separator is dropped, then everything after the last one.
std::string LastPathPart(std::string_view path, PathStyle style = kNativeStyle);

// The path's full-length form when it exists (unchanged on POSIX, which has no short names),
// else CaseAdjusted(path).
std::string ExpandShortNames(std::string_view path, PathStyle style = kNativeStyle);

// Every character after a blank, "-", "(", "_" or the separator in upper case, every other
// one in lower case, then the first character in upper case. Characters without case stay.
std::string CaseAdjusted(std::string_view path, PathStyle style = kNativeStyle);

// Removes double quotes in place; the two characters after a removed quote are not examined,
// so of two adjacent quotes the second stays.
void StripQuotes(std::string& text);

}  // namespace paths
