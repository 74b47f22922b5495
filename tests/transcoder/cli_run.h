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

// What a finished run left: its exit status (128 + the signal when killed) and its output.
struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
    long maxRssKiB = 0;  // the peak resident memory of the process
};

// The whole contents of the file `path`; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// Starts `words` (the program first, found on PATH when it has no slash) with stdout and
// stderr caught in files of `folder`, and waits for the end. With `workDir` set the program
// starts in that folder. Status -1 when the program cannot be started.
RunResult Spawn(const std::vector<std::string>& words, const std::string& folder,
                const std::string& workDir = "");
