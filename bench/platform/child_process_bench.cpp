// The two costs a batch run pays to the process layer, one program call each, to be timed
// from outside against the shell doing the same (child_process_vs_shell.sh):
//   child_process_bench drain BYTES   reads BYTES of a child's stdout through ChildProcess
//   child_process_bench spawn COUNT   starts and reaps /bin/true COUNT times
// Exit status 0 when every byte arrived and every child ended with 0.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "child_process.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: child_process_bench drain BYTES | spawn COUNT\n", stderr);
        return 2;
    }
    const long long amount = std::atoll(argv[2]);
    if (std::strcmp(argv[1], "drain") == 0) {
        platform::ChildProcess child(
            platform::ResolvedCommand{"head", {"-c", std::to_string(amount), "/dev/zero"}});
        long long received = 0;
        child.SetOutputHandler(
            [&](platform::ChildStream, std::string_view chunk) { received += chunk.size(); });
        const bool ok = child.Wait() == 0 && received == amount;
        return ok ? 0 : 1;
    }
    if (std::strcmp(argv[1], "spawn") == 0) {
        for (long long i = 0; i < amount; ++i) {
            platform::ChildProcess child(platform::ResolvedCommand{"/bin/true", {}});
            if (child.Wait() != 0) {
                return 1;
            }
        }
        return 0;
    }
    std::fprintf(stderr, "child_process_bench: unknown mode '%s'\n", argv[1]);
    return 2;
}
