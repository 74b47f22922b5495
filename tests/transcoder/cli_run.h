#pragma once

#include <string>
#include <vector>

// Running the transcoder from outside, as the tests of its command line do.

// What a finished run left: its exit status (128 + the signal when killed) and its output.
struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// The whole contents of the file `path`; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// Starts `words` (the program first, found on PATH when it has no slash) with stdout and
// stderr caught in files of `folder`, and waits for the end. With `workDir` set the program
// starts in that folder. Status -1 when the program cannot be started.
RunResult Spawn(const std::vector<std::string>& words, const std::string& folder,
                const std::string& workDir = "");
