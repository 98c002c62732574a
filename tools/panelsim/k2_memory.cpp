#include "k2_memory.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace panelsim::k2 {

namespace {

std::uint8_t negSum(const std::uint8_t* b, std::size_t n) {
    unsigned s = 0;
    for (std::size_t i = 0; i < n; ++i)
        s += b[i];
    return static_cast<std::uint8_t>(0x100 - (s & 0xFF));
}

// Reads sections of a file in order; a short file stops quietly.
class Reader {
  public:
    explicit Reader(const Bytes& data) : data_(data) {}
    bool u32(std::uint32_t& v) {
        if (data_.size() - pos_ < 4) return false;
        v = static_cast<std::uint32_t>(data_[pos_]) | (data_[pos_ + 1] << 8) |
            (data_[pos_ + 2] << 16) | (static_cast<std::uint32_t>(data_[pos_ + 3]) << 24);
        pos_ += 4;
        return true;
    }
    bool skip(std::size_t n) {
        if (data_.size() - pos_ < n) return false;
        pos_ += n;
        return true;
    }
    // Copies n bytes to `out`; false (and nothing copied) past the end.
    bool section(std::uint8_t* out, std::size_t n) {
        if (data_.size() - pos_ < n) return false;
        std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(pos_), n, out);
        pos_ += n;
        return true;
    }
    std::size_t pos() const { return pos_; }

  private:
    const Bytes& data_;
    std::size_t pos_ = 0;
};

}  // namespace

Memory::Memory() {
    for (std::size_t i = 0; i < kDevices; ++i) {
        std::uint8_t* d = &devices[i * kDeviceSize];
        d[0] = d[1] = 0;
        d[2] = 0x70;
        d[3] = d[4] = d[5] = 0xFF;
        d[6] = 0;
        d[7] = negSum(d, 7);
    }
    for (std::size_t i = 0; i < kLoops; ++i) {
        std::uint8_t* l = &loops[i * kLoopSize];
        l[0] = l[1] = 0;
        l[2] = static_cast<std::uint8_t>(i);
        l[3] = l[4] = l[5] = l[6] = 0xFF;
        l[7] = i < 64 ? 0 : 0xFF;
        l[8] = negSum(l, 8);
    }
    for (std::size_t i = 0; i < kKeys; ++i) {
        std::uint8_t* k = &keysSecond[i * kKeyHalfSize];
        k[0] = 0xFF;
        k[1] = 3;
    }
    names.fill(' ');
}

bool loadDatabaseFile(const std::string& path, Memory& m, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    const Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!loadDatabaseBytes(data, m, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool loadDatabaseBytes(const Bytes& data, Memory& m, std::string& error) {
    Reader r(data);
    std::uint32_t word = 0;
    if (!r.u32(word)) {
        error = "not a database file";
        return false;
    }
    const auto version = static_cast<std::int32_t>(word);
    if (version < 0 || version > 3) {
        error = "unknown database version " + std::to_string(version);
        return false;
    }
    if (version >= 1) {
        std::uint32_t length = 0;
        if (!r.u32(length)) return true;
        // The firmware text of the file is not the panel's: skip it.
        if (length > 2 && !r.skip(length)) return true;
    }
    const std::size_t nameBytes = (version >= 3 ? kNames : kOldNames) * kNameSize;
    std::array<std::uint8_t, kLoops * kLoopSize> loops{};
    const bool ok = r.section(m.deviceMap.data(), m.deviceMap.size()) &&
                    r.section(m.devices.data(), m.devices.size()) &&
                    r.section(loops.data(), loops.size()) &&
                    (m.loops = loops, r.section(m.keyMap.data(), m.keyMap.size())) &&
                    r.section(m.keysFirst.data(), m.keysFirst.size()) &&
                    r.section(m.keysSecond.data(), m.keysSecond.size()) &&
                    r.section(m.names.data(), nameBytes) &&
                    r.section(m.panelBlock.data(), m.panelBlock.size()) && version >= 2 &&
                    r.section(m.blockedDevices.data(), m.blockedDevices.size()) &&
                    r.section(m.blockedLoops.data(), m.blockedLoops.size());
    (void)ok;
    return true;
}

void addDemoDevices(Memory& m, std::size_t count) {
    for (std::size_t i = 0; i < count && i < kDevices; ++i) {
        std::uint8_t* d = &m.devices[i * kDeviceSize];
        d[0] = static_cast<std::uint8_t>(0x10 + i);
        d[1] = 0x20;
        d[2] = 0x00;                                    // type 0, condition 0
        d[3] = static_cast<std::uint8_t>(32 + i % 32);  // a fire loop
        d[4] = static_cast<std::uint8_t>(i + 1);
        d[5] = 0;
        d[6] = 0;
        d[7] = negSum(d, 7);
        m.deviceMap[i / 8] = static_cast<std::uint8_t>(m.deviceMap[i / 8] | (1u << (i % 8)));
    }
}

}  // namespace panelsim::k2
