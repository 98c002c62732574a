#include "families/s5/link/frames.h"

#include "base/crc8.h"

namespace tavrin::s5 {

bool sealFrame(MutableByteSpan frame) {
    if (frame.size() < kFrameMin) return false;
    const std::size_t n = frame[kOffLength];
    if (n < kFrameMin || n > frame.size()) return false;
    frame[n - 1] = Crc8(frame.first(n - 1));
    return true;
}

bool frameChecksumOk(ByteSpan frame) {
    if (frame.size() < kFrameMin) return false;
    const std::size_t n = frame[kOffLength];
    if (n < kFrameMin || n > frame.size()) return false;
    return Crc8(frame.first(n - 1)) == frame[n - 1];
}

Bytes computerFrame(std::uint8_t kind, std::initializer_list<std::uint8_t> data) {
    // Built by appending into reserved room (an insert after a braced start
    // draws a false out-of-bounds warning from the optimiser).
    Bytes f;
    f.reserve(data.size() + kFrameMin);
    f.push_back(kComputerStart);
    f.push_back(static_cast<std::uint8_t>(data.size() + kFrameMin));
    f.push_back(kind);
    for (const std::uint8_t b : data)
        f.push_back(b);
    f.push_back(0);
    sealFrame(f);
    return f;
}

Bytes ackFrame() {
    return computerFrame(kKindAck, {});
}

}  // namespace tavrin::s5
