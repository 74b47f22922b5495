#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace transcoder {

// The stretches of a source that could not be decoded, noted while it is read and told in
// one line each at the end: the first eight as they are, the rest summed up in one more line.
class DamageLog {
public:
    // Notes `seconds` (`bytes` bytes) at `at` seconds that could not be decoded; `framed` tells
    // that they began with a frame header (or decoded in part). Joins the stretch still open.
    void Lost(double at, double seconds, std::int64_t bytes, bool framed);

    // A frame decoded cleanly: the open stretch, if any, has ended.
    void Decoded() { open_ = false; }

    // Whether the last stretch goes on up to now.
    bool InStretch() const { return open_; }

    // At the end of the source: forgets a last stretch that held no frame at all (padding, a
    // tag: nothing was lost), and measures each stretch at least by its bytes at `byteRate`
    // bytes a second (damaged packets need not tell their length). Call once, before the
    // rest.
    void Close(double byteRate);

    // Once closed: whether the last stretch runs to the end of the source.
    bool CutOff() const { return cutOff_; }
    // Once closed: the seconds of all stretches.
    double LostSeconds() const;

    // Once closed: one line per stretch, and, when `promised` is above 0, the line that the
    // source holds `present` of the `promised` seconds its header speaks of (which stands
    // for a cut at the end as well). Empty for an intact source.
    std::vector<std::string> Lines(double promised, double present) const;

private:
    struct Hole {
        double at = 0.0;
        double seconds = 0.0;  // as the packets' durations say
        std::int64_t bytes = 0;
        int count = 0;
        bool framed = false;  // some of it began with a frame header
    };
    static constexpr std::size_t kListed = 8;

    std::string HoleText(std::size_t index, bool atEnd) const;

    std::vector<Hole> holes_;  // at most kListed + 1; the last one sums up the rest
    bool open_ = false;        // the last hole goes on until a frame decodes
    bool cutOff_ = false;
};

}  // namespace transcoder
