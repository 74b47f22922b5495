// A child program for the launcher tests: writes its arguments, one per line, and the
// descriptors it inherited beyond the standard three, to the file named by
// TONQUELL_ARGV_OUT; prints a line on stdout and on stderr. With the first argument
// "--sleep-ms N" it waits N milliseconds first, so the caller's wait can be observed.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--sleep-ms") == 0) {
        usleep(static_cast<useconds_t>(std::atoi(argv[2])) * 1000U);
        first = 3;
    }
    std::printf("child-stdout\n");
    std::fprintf(stderr, "child-stderr\n");
    const char* out = std::getenv("TONQUELL_ARGV_OUT");
    if (out == nullptr) {
        return 3;
    }
    std::string text;
    for (int i = first; i < argc; ++i) {
        text += "arg:";
        text += argv[i];
        text += "\n";
    }
    DIR* dir = opendir("/proc/self/fd");
    if (dir != nullptr) {
        const int own = dirfd(dir);
        while (const dirent* e = readdir(dir)) {
            const int fd = std::atoi(e->d_name);
            if (e->d_name[0] != '.' && fd > 2 && fd != own) {
                text += "fd:" + std::to_string(fd) + "\n";
            }
        }
        closedir(dir);
    }
    std::FILE* f = std::fopen(out, "w");
    if (f == nullptr) {
        return 4;
    }
    std::fputs(text.c_str(), f);
    std::fclose(f);
    return 7;
}
