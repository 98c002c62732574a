// One simulated panel behind the pseudo-terminal: it says how long a frame
// is, answers whole request frames, and knows its own frame layout well
// enough for the fault injector to spoil a reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace panelsim {

using Bytes = std::vector<std::uint8_t>;

class Panel {
  public:
    virtual ~Panel() = default;
    // Bytes in a frame that begins with `head`, or 0 while too little is known.
    virtual std::size_t frameSize(const Bytes& head) const = 0;
    // The reply frames to one whole request frame (empty: keep silent).
    virtual std::vector<Bytes> handle(const Bytes& request) = 0;
    // The refusal to a request; `status` is the second family's refusal code.
    virtual Bytes refusal(const Bytes& request, int status) const = 0;
    // Recomputes the checksum byte at the end of a frame.
    virtual void sealFrame(Bytes& frame) const = 0;
    // Spoils the record index a reply echoes (a no-op for replies without one).
    virtual void spoilIndex(Bytes& frame) const = 0;
    // Puts the record index of the request before into a reply that echoes one.
    virtual void staleIndex(Bytes& /*frame*/) const {}
    // Takes one byte off the body, keeping the length byte and checksum consistent.
    virtual void shortenBody(Bytes& /*frame*/) const {}
    // A frame with a body too long for the configurator's reply buffer
    // (the frame unchanged when the family has no such frame).
    virtual Bytes oversize(const Bytes& frame) const { return frame; }
    // The offset of the reply type byte that a second reply carries, or -1.
    virtual int typeOffset() const { return -1; }
    // Keeps a copy of the panel's memory; whether the memory changed since;
    // puts the copy back (a write answered but not kept).
    virtual void remember() = 0;
    virtual bool changedSinceRemembered() const = 0;
    virtual void forget() = 0;
};

}  // namespace panelsim
