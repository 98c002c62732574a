// Little-endian numbers over byte spans, read and written by explicit helpers
// (never by casting structs). Nothing here reads or writes out of bounds:
// the get/put helpers check the offset and ByteReader stops at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrin {

using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;
using MutableByteSpan = std::span<std::uint8_t>;

// Reads at an offset; 0 when the value does not lie wholly inside the span.
inline std::uint8_t getU8(ByteSpan b, std::size_t off) {
    return off < b.size() ? b[off] : 0;
}
inline std::uint16_t getU16(ByteSpan b, std::size_t off) {
    if (off > b.size() || b.size() - off < 2) return 0;
    return static_cast<std::uint16_t>(b[off] | (b[off + 1] << 8));
}
inline std::uint32_t getU32(ByteSpan b, std::size_t off) {
    if (off > b.size() || b.size() - off < 4) return 0;
    return static_cast<std::uint32_t>(b[off]) | (static_cast<std::uint32_t>(b[off + 1]) << 8) |
           (static_cast<std::uint32_t>(b[off + 2]) << 16) |
           (static_cast<std::uint32_t>(b[off + 3]) << 24);
}

// Writes at an offset; false (and nothing written) when it does not fit.
inline bool putU8(MutableByteSpan b, std::size_t off, std::uint8_t v) {
    if (off >= b.size()) return false;
    b[off] = v;
    return true;
}
inline bool putU16(MutableByteSpan b, std::size_t off, std::uint16_t v) {
    if (off > b.size() || b.size() - off < 2) return false;
    b[off] = static_cast<std::uint8_t>(v);
    b[off + 1] = static_cast<std::uint8_t>(v >> 8);
    return true;
}
inline bool putU32(MutableByteSpan b, std::size_t off, std::uint32_t v) {
    if (off > b.size() || b.size() - off < 4) return false;
    for (int i = 0; i < 4; ++i)
        b[off + i] = static_cast<std::uint8_t>(v >> (8 * i));
    return true;
}

// Sequential reader. Once a read runs past the end, ok() turns false, every
// later read yields zeros, and nothing is read out of bounds.
class ByteReader {
  public:
    explicit ByteReader(ByteSpan data) : data_(data) {}

    bool ok() const { return ok_; }
    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    // Copies exactly out.size() bytes; on a short read copies what is left,
    // zero-fills the rest and turns ok() false.
    bool bytes(MutableByteSpan out);
    // Skips n bytes; past the end it stops at the end and turns ok() false.
    bool skip(std::size_t n);

  private:
    ByteSpan data_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// Appending writer.
class ByteWriter {
  public:
    void u8(std::uint8_t v) { out_.push_back(v); }
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void bytes(ByteSpan b) { out_.insert(out_.end(), b.begin(), b.end()); }

    const Bytes& data() const { return out_; }
    Bytes take() { return std::move(out_); }

  private:
    Bytes out_;
};

// "0A 1B FF" — upper-case hex bytes separated by spaces, for messages and tests.
std::string hexBytes(ByteSpan b);

}  // namespace tavrin
