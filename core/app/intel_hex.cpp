#include "app/intel_hex.h"

#include <algorithm>

#include "link/firmware_image.h"

namespace tavrin {

namespace {

int hexDigit(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string lineError(const char* what, int line) {
    return "Ошибка в файле программы, строка " + std::to_string(line) + ": " + what;
}

void putU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void addSegment(Bytes& image, std::uint16_t number) {
    const std::size_t at = image.size();
    image.resize(at + firmware::kSegmentSize, 0xFF);
    image[at] = static_cast<std::uint8_t>(number >> 8);
    image[at + 1] = static_cast<std::uint8_t>(number);
    std::fill_n(image.begin() + at + 2, 8, 0);
}

}  // namespace

HexImage readIntelHex(ByteSpan text, Progress* progress) {
    HexImage out;
    const int colons = static_cast<int>(std::count(text.begin(), text.end(), ':'));
    if (progress) {
        progress->setRange(0, colons);
        progress->setPosition(0);
        progress->setVisible(true);
    }
    addSegment(out.image, 0);
    std::size_t segment = 0;      // offset of the current segment in the image
    bool segmentHasData = false;  // the first data record sets the start address

    std::size_t pos = 0;
    int line = 0;
    while (pos < text.size() && text[pos] == ':') {
        ++line;
        std::size_t end = pos + 1;
        while (end < text.size() && text[end] != '\n')
            ++end;
        std::size_t last = end;
        while (last > pos + 1 && (text[last - 1] == '\r' || text[last - 1] == ' '))
            --last;
        const std::size_t digits = last - pos - 1;
        if (digits % 2 != 0 || digits < 10) {
            out.error = lineError("неверный формат записи", line);
            return out;
        }
        std::uint8_t record[5 + 255];
        const std::size_t count = digits / 2;
        if (count > sizeof(record)) {
            out.error = lineError("неверный формат записи", line);
            return out;
        }
        for (std::size_t i = 0; i < count; ++i) {
            const int hi = hexDigit(text[pos + 1 + 2 * i]);
            const int lo = hexDigit(text[pos + 2 + 2 * i]);
            if (hi < 0 || lo < 0) {
                out.error = lineError("неверный формат записи", line);
                return out;
            }
            record[i] = static_cast<std::uint8_t>(hi * 16 + lo);
        }
        const int length = record[0];
        if (length > kHexMaxDataBytes) {
            out.error = lineError("в записи больше 16 байт данных", line);
            return out;
        }
        if (static_cast<std::size_t>(length) + 5 != count) {
            out.error = lineError("длина записи не совпадает с числом байт", line);
            return out;
        }
        unsigned sum = 0;
        for (std::size_t i = 0; i < count; ++i)
            sum += record[i];
        if ((sum & 0xFF) != 0) {
            out.error = kHexChecksumError;
            return out;
        }
        const std::uint32_t address = (record[1] << 8) | record[2];
        const int type = record[3];
        const std::uint8_t* data = record + 4;
        if (type == 0) {
            if (address + length > firmware::kSegmentDataSize) {
                out.error = lineError("данные выходят за границу сегмента", line);
                return out;
            }
            std::uint8_t* seg = out.image.data() + segment;
            std::copy_n(data, length, seg + firmware::kDataOffset + address);
            // The segment spans its lowest to its highest address, whatever
            // the order of the records in the file.
            const std::uint32_t start = address & 0xFF00u;
            const std::uint32_t stop = address + static_cast<std::uint32_t>(length);
            if (!segmentHasData || start < getU32(ByteSpan(seg + firmware::kStartOffset, 4), 0))
                putU32(seg + firmware::kStartOffset, start);
            if (!segmentHasData || stop > getU32(ByteSpan(seg + firmware::kEndOffset, 4), 0))
                putU32(seg + firmware::kEndOffset, stop);
            segmentHasData = true;
        } else if (type == 4) {
            if (length != 2) {
                out.error = lineError("неверная запись адреса сегмента", line);
                return out;
            }
            if (out.image.size() / firmware::kSegmentSize >= kHexMaxSegments) {
                out.error = lineError("слишком много сегментов", line);
                return out;
            }
            segment = out.image.size();
            addSegment(out.image, static_cast<std::uint16_t>((data[0] << 8) | data[1]));
            segmentHasData = false;
        }
        ++out.recordCount;
        if (progress) progress->setPosition(line);
        pos = end < text.size() ? end + 1 : end;
    }
    out.segmentCount = static_cast<int>(out.image.size() / firmware::kSegmentSize);
    out.ok = true;
    return out;
}

}  // namespace tavrin
