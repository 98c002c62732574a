#include "files/dust_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/text.h"

namespace tavrin {

namespace {

std::string textField(const std::uint8_t* field, std::size_t size) {
    const auto* end = std::find(field, field + size, std::uint8_t{0});
    return cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(field),
                                         static_cast<std::size_t>(end - field)));
}

void putTextField(std::uint8_t* field, const std::string& utf8) {
    const std::string bytes = utf8ToCp1251(utf8);
    const std::size_t n = std::min(bytes.size(), kDustTextSize - 1);
    std::memcpy(field, bytes.data(), n);
}

std::size_t recordSizeOfKind(std::uint32_t kind) {
    switch (kind) {
        case 0:
            return kDustKind0RecordSize;
        case 1:
        case 2:
            return kDustRecordSize;
        default:
            return 0;
    }
}

void refuse(const std::string& path, Prompter& prompter) {
    prompter.message("Это не файл запыленности!\n" + path, "Чтение запыленности",
                     PromptIcon::Error);
}

}  // namespace

DustRecord DustRecord::make(const std::string& first, const std::string& second,
                            std::uint8_t level) {
    DustRecord r;
    putTextField(r.bytes.data(), first);
    putTextField(r.bytes.data() + kDustTextSize, second);
    r.bytes[kDustLevelOffset] = level;
    return r;
}

std::string DustRecord::firstText() const {
    return textField(bytes.data(), kDustTextSize);
}

std::string DustRecord::secondText() const {
    return textField(bytes.data() + kDustTextSize, kDustTextSize);
}

DustReadStatus parseDustinessFile(ByteSpan data, const std::string& path, Prompter& prompter,
                                  std::vector<DustRecord>& out) {
    out.clear();
    ByteReader in(data);
    const std::uint32_t kind = in.u32();
    const std::uint32_t mark = in.u32();
    const std::uint32_t count = in.u32();
    const std::size_t recordSize = recordSizeOfKind(kind);
    // A file shorter than the records it claims is refused before anything
    // is allocated for them.
    if (!in.ok() || mark != kDustFormatMark || recordSize == 0 ||
        in.remaining() / recordSize < count) {
        refuse(path, prompter);
        return DustReadStatus::NotDust;
    }
    out.resize(count);
    for (DustRecord& r : out) {
        if (kind == 0) {
            // LCP number, 20 name bytes, level.
            const std::uint8_t lcp = in.u8();
            char first[16];
            std::snprintf(first, sizeof first, "LCP %d", lcp);
            std::memcpy(r.bytes.data(), first, std::strlen(first));
            in.bytes(MutableByteSpan(r.bytes.data() + kDustTextSize, kDustKind0NameSize));
            r.bytes[kDustLevelOffset] = in.u8();
        } else {
            in.bytes(r.bytes);
        }
    }
    return DustReadStatus::Ok;
}

bool readDustinessFile(const std::string& path, Prompter& prompter, std::vector<DustRecord>& out,
                       FileError* error) {
    out.clear();
    Bytes data;
    if (!readWholeFile(pathFromUtf8(path), data, error)) return false;
    return parseDustinessFile(data, path, prompter, out) == DustReadStatus::Ok;
}

Bytes encodeDustinessFile(const std::vector<DustRecord>& records) {
    ByteWriter w;
    w.u32(kDustKindWritten);
    w.u32(kDustFormatMark);
    w.u32(static_cast<std::uint32_t>(records.size()));
    for (const DustRecord& r : records)
        w.bytes(r.bytes);
    return w.take();
}

bool writeDustinessFile(const std::string& path, const std::vector<DustRecord>& records,
                        FileError* error) {
    return writeFileAtomic(pathFromUtf8(path), encodeDustinessFile(records), error);
}

}  // namespace tavrin
