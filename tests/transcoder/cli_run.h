#pragma once

// Running build/BeSweet.exe from a test, and the tones of the generated 5.1 sources.
#include <string>
#include <vector>

inline const std::string kTranscoder = std::string(TONQUELL_BUILD_DIR) + "/BeSweet.exe";

// The tones of the generated 5.1 sources, in the order FL FR FC LFE SL SR.
inline constexpr double kTones[6] = {300, 500, 700, 60, 900, 1100};
inline const char* const kSuffixes[6] = {"_FL", "_FR", "_C", "_LFE", "_SL", "_SR"};

// An ffmpeg filter graph of `seconds` seconds of 5.1(side), each channel a sine of kTones.
std::string SixToneGraph(int seconds);

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// The whole contents of the file `path`; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// Starts `words` with stdout and stderr in files in `folder` and waits for the end.
RunResult Spawn(const std::vector<std::string>& words, const std::string& folder);
