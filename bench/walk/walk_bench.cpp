// The folder walk of a library run, on a tree of 10,000 files in 500 folders (25 artists of
// 20 albums of 20 tracks, one cover picture each album):
//   walk_bench make DIR   makes the tree below DIR
//   walk_bench walk DIR   walks the tree once as a run does (MP3 filter) and prints the count
//   walk_bench steps DIR  walks it a round at a time, as the window does (32 folders between
//                         two passes of its event loop), and prints the whole time, the
//                         longest round and the number of rounds, medians of 7 walks
// walk_vs_find.sh times "walk" against find and sort in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "batch_run.h"
#include "source_walk.h"

namespace fs = std::filesystem;

namespace {

constexpr int kArtists = 25;
constexpr int kAlbums = 20;
constexpr int kTracks = 20;
constexpr int kFoldersPerRound = 32;  // as the run reads them
constexpr int kWalks = 7;

std::vector<batch::Entry> Artists() {
    std::vector<batch::Entry> entries;
    for (int a = 0; a < kArtists; ++a) {
        entries.push_back({"Künstler " + std::to_string(a), true, true});
    }
    return entries;
}

int Make(const fs::path& root) {
    for (int a = 0; a < kArtists; ++a) {
        for (int b = 0; b < kAlbums; ++b) {
            const fs::path album =
                root / ("Künstler " + std::to_string(a)) / ("Album " + std::to_string(b));
            fs::create_directories(album);
            for (int t = 0; t < kTracks; ++t) {
                std::ofstream(album / ("Titel " + std::to_string(t) + ".mp3"));
            }
            std::ofstream(album / "cover.jpg");
        }
    }
    return 0;
}

int Walk(const fs::path& root) {
    const std::size_t count = batch::WalkSources(root.string(), Artists(), false, "*.mp3").size();
    std::printf("%zu\n", count);
    return count == static_cast<std::size_t>(kArtists * kAlbums * kTracks) ? 0 : 1;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int Steps(const fs::path& root) {
    using Clock = std::chrono::steady_clock;
    const auto ms = [](Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    };
    std::vector<double> wholes;
    std::vector<double> longest;
    int rounds = 0;
    for (int w = 0; w < kWalks; ++w) {
        batch::SourceWalk walk(root.string(), Artists(), false, "*.mp3", std::nullopt);
        double most = 0;
        rounds = 0;
        const Clock::time_point start = Clock::now();
        bool done = false;
        while (!done) {
            const Clock::time_point before = Clock::now();
            done = walk.Step(kFoldersPerRound);
            most = std::max(most, ms(Clock::now() - before));
            ++rounds;
        }
        wholes.push_back(ms(Clock::now() - start));
        longest.push_back(most);
    }
    std::printf("%d files in %d folders: %.1f ms in all, longest round %.2f ms, %d rounds\n",
                kArtists * kAlbums * kTracks, kArtists * (kAlbums + 1), Median(wholes),
                Median(longest), rounds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: walk_bench make|walk|steps DIR\n");
        return 2;
    }
    const std::string what = argv[1];
    const fs::path root = argv[2];
    if (what == "make") {
        return Make(root);
    }
    if (what == "walk") {
        return Walk(root);
    }
    if (what == "steps") {
        return Steps(root);
    }
    std::fprintf(stderr, "usage: walk_bench make|walk|steps DIR\n");
    return 2;
}
