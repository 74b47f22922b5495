#include "damage_log.h"

#include <algorithm>
#include <cstdio>

namespace transcoder {
namespace {

std::string Seconds(double seconds, int decimals = 2) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f s", decimals, seconds);
    return text;
}

// "A s, B s" with as many decimals as it takes (2 to 6) for the two to differ.
std::string TwoDurations(double a, double b, const char* between) {
    int decimals = 2;
    while (decimals < 6 && Seconds(a, decimals) == Seconds(b, decimals)) {
        ++decimals;
    }
    return Seconds(a, decimals) + between + Seconds(b, decimals);
}

}  // namespace

void DamageLog::Lost(double at, double seconds, std::int64_t bytes, bool framed) {
    if (open_ && !holes_.empty()) {
        holes_.back().seconds += seconds;
        holes_.back().bytes += bytes;
        holes_.back().framed = holes_.back().framed || framed;
        return;
    }
    open_ = true;
    if (holes_.size() <= kListed) {
        holes_.push_back({at, seconds, bytes, 1, framed});
    } else {
        Hole& rest = holes_.back();
        rest.seconds += seconds;
        rest.bytes += bytes;
        ++rest.count;
        rest.framed = rest.framed || framed;
    }
}

void DamageLog::Close(double byteRate) {
    // Junk after the last frame that holds no frame at all (padding, a tag) lost nothing.
    if (open_ && holes_.size() <= kListed && !holes_.back().framed) {
        holes_.pop_back();
        open_ = false;
    }
    cutOff_ = open_;
    if (byteRate > 0.0) {
        for (Hole& hole : holes_) {
            hole.seconds = std::max(hole.seconds, static_cast<double>(hole.bytes) / byteRate);
        }
    }
}

double DamageLog::LostSeconds() const {
    double lost = 0.0;
    for (const Hole& hole : holes_) {
        lost += hole.seconds;
    }
    return lost;
}

std::vector<std::string> DamageLog::Lines(double promised, double present) const {
    std::vector<std::string> lines;
    const std::size_t listed = std::min(holes_.size(), kListed);
    for (std::size_t i = 0; i < listed; ++i) {
        // A short file says so in its own line, which covers the cut at its end.
        const bool last = i + 1 == holes_.size();
        if (!(last && cutOff_ && promised > 0.0)) {
            lines.push_back(HoleText(i, last && cutOff_));
        }
    }
    if (holes_.size() > kListed) {
        const Hole& rest = holes_.back();
        lines.push_back(std::to_string(rest.count) + " more damaged stretches, " +
                        Seconds(rest.seconds) + " in all, could not be decoded");
    }
    if (promised > 0.0) {
        lines.push_back("the file is truncated: the header promises " +
                        TwoDurations(promised, present, ", ") + " are present");
    }
    return lines;
}

std::string DamageLog::HoleText(std::size_t index, bool atEnd) const {
    const Hole& hole = holes_[index];
    // Less than a hundredth of a second still shows as lost.
    const std::string text =
        Seconds(std::max(hole.seconds, 0.01)) + " at " + Seconds(hole.at) + " could not be decoded";
    return atEnd ? "the file is cut off: " + text : text;
}

}  // namespace transcoder
