#define ZLIB_CONST
#include "frame_inflate.h"

#include <zlib.h>

#include <algorithm>

namespace id3 {
namespace {

// Deflate never packs more than 1032 bytes into one, so a larger claim is a lie.
constexpr int64_t kMaxDeflateRatio = 1032;

// A zlib inflate state, ended when the object goes.
class Inflater {
public:
    Inflater() { ready_ = inflateInit(&stream_) == Z_OK; }
    ~Inflater() {
        if (ready_) {
            inflateEnd(&stream_);
        }
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool Ready() const { return ready_; }
    z_stream& Stream() { return stream_; }

private:
    z_stream stream_{};
    bool ready_ = false;
};

}  // namespace

std::optional<std::vector<uint8_t>> InflateFrameData(std::span<const uint8_t> compressed,
                                                     int64_t declaredSize, int64_t limit) {
    const int64_t possible = static_cast<int64_t>(compressed.size()) * kMaxDeflateRatio + 64;
    limit = std::min(limit, possible);
    if (limit <= 0 || declaredSize > limit || compressed.size() > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    Inflater inflater;
    if (!inflater.Ready()) {
        return std::nullopt;
    }
    z_stream& z = inflater.Stream();
    z.next_in = compressed.data();
    z.avail_in = static_cast<uInt>(compressed.size());
    // The declared size is only a first guess: some writers get it wrong, the stream decides.
    // Memory is taken as the stream delivers, so a false claim costs no more than a true one;
    // pictures hardly shrink and text to a few times less, so four times the data is a start.
    const int64_t evidence = std::max<int64_t>(4096, 4 * static_cast<int64_t>(compressed.size()));
    const int64_t guess = declaredSize > 0 ? std::min(declaredSize, evidence) : evidence;
    std::vector<uint8_t> out(static_cast<size_t>(std::min(limit, guess)));
    size_t produced = 0;
    while (true) {
        if (produced == out.size()) {
            if (static_cast<int64_t>(out.size()) >= limit) {
                return std::nullopt;
            }
            const int64_t grown = std::max<int64_t>(static_cast<int64_t>(out.size()) * 2, 4096);
            out.resize(static_cast<size_t>(std::min(limit, grown)));
        }
        const size_t room = std::min<size_t>(out.size() - produced, 0x40000000);
        z.next_out = out.data() + produced;
        z.avail_out = static_cast<uInt>(room);
        const int rc = inflate(&z, Z_NO_FLUSH);
        produced += room - z.avail_out;
        if (rc == Z_STREAM_END) {
            out.resize(produced);
            return out;
        }
        if (rc != Z_OK) {
            return std::nullopt;  // damaged data, or input used up before the stream's end
        }
    }
}

}  // namespace id3
