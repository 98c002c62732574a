#include "base/bytes.h"

#include <algorithm>
#include <cstring>

namespace tavrin {

std::uint8_t ByteReader::u8() {
    if (!ok_ || remaining() < 1) {
        ok_ = false;
        pos_ = data_.size();
        return 0;
    }
    return data_[pos_++];
}

std::uint16_t ByteReader::u16() {
    if (!ok_ || remaining() < 2) {
        ok_ = false;
        pos_ = data_.size();
        return 0;
    }
    const auto v = getU16(data_, pos_);
    pos_ += 2;
    return v;
}

std::uint32_t ByteReader::u32() {
    if (!ok_ || remaining() < 4) {
        ok_ = false;
        pos_ = data_.size();
        return 0;
    }
    const auto v = getU32(data_, pos_);
    pos_ += 4;
    return v;
}

bool ByteReader::bytes(MutableByteSpan out) {
    const std::size_t n = ok_ ? std::min(out.size(), remaining()) : 0;
    if (n > 0) std::memcpy(out.data(), data_.data() + pos_, n);
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(n), out.end(), std::uint8_t{0});
    pos_ += n;
    if (n < out.size()) ok_ = false;
    return ok_;
}

bool ByteReader::skip(std::size_t n) {
    if (!ok_ || remaining() < n) {
        ok_ = false;
        pos_ = data_.size();
        return false;
    }
    pos_ += n;
    return true;
}

void ByteWriter::u16(std::uint16_t v) {
    out_.push_back(static_cast<std::uint8_t>(v));
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void ByteWriter::u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::string hexBytes(ByteSpan b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(b.size() * 3);
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (i) s += ' ';
        s += kDigits[b[i] >> 4];
        s += kDigits[b[i] & 15];
    }
    return s;
}

}  // namespace tavrin
