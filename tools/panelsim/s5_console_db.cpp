// The simulated console's database: generated, or loaded from a database
// folder with the product's folder reader; saved back with its own writer
// (the records on the wire are the records of the files). Frames and
// checksums are the simulator's own code.
#include "s5_console_db.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "families/s5/dbs5.h"

namespace panelsim::s5 {

namespace {

// A record without its terminator byte, as it travels.
template <std::size_t N>
Bytes wire(const std::array<std::uint8_t, N>& rec, std::size_t terminator) {
    Bytes b(rec.begin(), rec.end());
    b.erase(b.begin() + static_cast<std::ptrdiff_t>(terminator));
    return b;
}

std::uint16_t negatedSum(const Bytes& r, std::size_t first, std::size_t last) {
    std::uint32_t s = 0;
    for (std::size_t i = first; i <= last; ++i)
        s += r[i];
    return static_cast<std::uint16_t>(0x10000u - (s & 0xFFFFu));
}

void put16(Bytes& r, std::size_t at, std::uint16_t v) {
    r[at] = static_cast<std::uint8_t>(v);
    r[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

std::uint16_t get16(const Bytes& r, std::size_t at) {
    return static_cast<std::uint16_t>(r[at] | (r[at + 1] << 8));
}

// A name of 20 bytes, blank-padded (ASCII).
void putName(Bytes& r, std::size_t at, const std::string& name) {
    for (std::size_t i = 0; i < 20; ++i)
        r[at + i] = i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0x20;
}

// Where the checksum each kind verifies sits, and what it covers.
constexpr std::size_t kSumAt[3] = {61, 94, 30};

constexpr std::uint8_t kDeviceTypes[] = {17, 49, 37, 12, 44, 8};

bool writeFile(const std::filesystem::path& path, const std::vector<Bytes>& records) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const Bytes& r : records)
        out.write(reinterpret_cast<const char*>(r.data()), static_cast<std::streamsize>(r.size()));
    return static_cast<bool>(out);
}

std::string numbered(const char* pattern, int n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, pattern, n);
    return buf;
}

}  // namespace

void sealRecord(int kind, Bytes& r) {
    switch (kind) {
        case 0:
            put16(r, 61, negatedSum(r, 0, 60));
            break;
        case 1:
            put16(r, 59, negatedSum(r, 0, 58));
            put16(r, 94, negatedSum(r, 0, 93));
            break;
        default:
            put16(r, 30, negatedSum(r, 0, 29));
            break;
    }
}

bool recordChecksumOk(int kind, const Bytes& r) {
    if (r.size() != kWireSize[kind]) return false;
    return get16(r, kSumAt[kind]) == negatedSum(r, 0, kSumAt[kind] - 1);
}

std::uint16_t tableChecksum(int kind, const std::vector<Bytes>& records) {
    if (records.empty()) return 0;
    std::uint32_t s = 0;
    for (const Bytes& r : records)
        s += get16(r, kSumAt[kind]);
    return static_cast<std::uint16_t>(0x10000u - (s & 0xFFFFu));
}

ConsoleDb generatedDb(int lcps, int records, int commonKeys) {
    ConsoleDb db;
    db.lcps = lcps;
    const auto key = [](int index, int seed) {
        Bytes r(32, 0);
        r[0] = 1;
        r[1] = static_cast<std::uint8_t>((index + 1) & 0xFF);
        r[2] = static_cast<std::uint8_t>((index + 1) >> 8);
        putName(r, 3, numbered("Owner %d", seed * 1000 + index));
        for (int i = 0; i < 6; ++i)
            r[23 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(seed * 7 + index + i);
        r[29] = 7;
        sealRecord(2, r);
        return r;
    };
    for (int l = 1; l <= lcps; ++l) {
        auto& out = db.records[static_cast<std::size_t>(l)];
        for (int i = 0; i < records; ++i) {
            Bytes d(63, 0);
            d[0] = static_cast<std::uint8_t>(i);
            d[1] = kDeviceTypes[static_cast<std::size_t>(i) % sizeof kDeviceTypes];
            d[2] = d[1] == 49 ? 4 : 8;
            d[3] = 0x81;
            d[6] = static_cast<std::uint8_t>(l);
            d[7] = static_cast<std::uint8_t>(i);
            d[8] = static_cast<std::uint8_t>(records > 0 ? i % records + 1 : 0);
            for (int p = 0; p < 32; ++p)
                d[9 + static_cast<std::size_t>(p)] = static_cast<std::uint8_t>(l + i + p);
            putName(d, 41, numbered("Device %d", l * 1000 + i));
            sealRecord(0, d);
            out[0].push_back(d);

            Bytes o(96, 0);
            o[0] = 0x80;
            o[1] = static_cast<std::uint8_t>(i);
            putName(o, 2, numbered("Object %d", l * 1000 + i));
            o[22 + static_cast<std::size_t>(i / 8)] |= static_cast<std::uint8_t>(1u << (i % 8));
            o[56] = static_cast<std::uint8_t>(i % 60);
            o[57] = 48;
            o[58] = 120;
            sealRecord(1, o);
            out[1].push_back(o);

            out[2].push_back(key(i, l));
        }
    }
    for (int i = 0; i < commonKeys; ++i)
        db.records[0][2].push_back(key(i, 0));
    return db;
}

bool loadDb(const std::string& folder, ConsoleDb& db, std::string& error) {
    using namespace tavrin;
    using namespace tavrin::s5;
    SilentPrompter prompter;
    AppContext ctx = makeAppContext(std::filesystem::temp_directory_path());
    ctx.settingsPath = ctx.programFolder / "tavrin-panelsim-none.ini";
    ctx.prompter = &prompter;
    DBS5 base(0, ctx);
    if (!base.LoadFromDisk(folder)) {
        error = "cannot load the database folder " + folder;
        return false;
    }
    db = ConsoleDb{};
    db.lcps = base.lcpCount();
    for (int l = 1; l <= db.lcps; ++l) {
        const LcpDatabase& d = *base.lcp(l);
        auto& out = db.records[static_cast<std::size_t>(l)];
        for (int j = 0; j < d.deviceCount; ++j)
            if (d.deviceUsed(j))
                out[0].push_back(wire(d.devices[static_cast<std::size_t>(j)], dev::kTerminator));
        for (int j = 0; j < d.objectCount; ++j)
            if (d.objectUsed(j))
                out[1].push_back(wire(d.objects[static_cast<std::size_t>(j)], obj::kTerminator));
        for (int j = 0; j < d.keyCount; ++j)
            if (d.keyUsed(j))
                out[2].push_back(wire(d.keys[static_cast<std::size_t>(j)], key::kTerminator));
    }
    for (int j = 0; j < base.commonKeyCount; ++j)
        db.records[0][2].push_back(
            wire(base.commonKeys[static_cast<std::size_t>(j)], key::kTerminator));
    // The names on the wire are blank-padded as the files keep them.
    for (auto& lcp : db.records) {
        for (int k = 0; k < 3; ++k) {
            const std::size_t at = k == 0 ? 41 : k == 1 ? 2 : 3;
            for (Bytes& r : lcp[static_cast<std::size_t>(k)]) {
                bool ended = false;
                for (std::size_t i = at; i < at + 20; ++i) {
                    ended = ended || r[i] == 0;
                    if (ended) r[i] = 0x20;
                }
            }
        }
    }
    return true;
}

bool saveDb(const std::string& folder, const ConsoleDb& db) {
    namespace fs = std::filesystem;
    const fs::path dir(folder);
    bool ok = true;
    for (int l = 1; l <= 64; ++l) {
        const char* patterns[3] = {"DBAU.0%02d", "DBOBJ.0%02d", "DBKEY.0%02d"};
        for (int k = 0; k < 3; ++k) {
            const fs::path path = dir / numbered(patterns[k], l);
            const auto& list = db.records[static_cast<std::size_t>(l)][static_cast<std::size_t>(k)];
            std::error_code ec;
            if (l > db.lcps || list.empty()) {
                fs::remove(path, ec);
            } else {
                ok = writeFile(path, list) && ok;
            }
        }
    }
    ok = writeFile(dir / "Keys.conf", db.records[0][2]) && ok;
    return ok;
}

std::string archiveName(int n) {
    return numbered("ARC%05d.DAT", n);
}

Bytes archiveList(int archives) {
    Bytes out;
    for (int n = 1; n <= archives; ++n) {
        const std::string name = archiveName(n);
        Bytes entry(12, 0);
        for (std::size_t i = 0; i < 12 && i < name.size(); ++i)
            entry[i] = static_cast<std::uint8_t>(name[i]);
        out.insert(out.end(), entry.begin(), entry.end());
    }
    return out;
}

Bytes eventFile(const ConsoleDb& db, int events, int seed) {
    Bytes file(48, 0);
    for (int i = 0; i < 48; ++i)
        file[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0xA0 + i);
    constexpr std::uint8_t kCodes[] = {2, 65, 33, 34, 146, 173, 11, 250};
    for (int n = 0; n < events; ++n) {
        Bytes e(16, 0);
        const int pick = n + seed;
        e[0] = kCodes[static_cast<std::size_t>(pick) % sizeof kCodes];
        // Every fourth event is the console's own; the rest name an LCP.
        const bool console = db.lcps == 0 || n % 4 == 3;
        const int l = console ? 0 : 1 + n % db.lcps;
        e[1] = static_cast<std::uint8_t>(console ? 0xFF : l);
        if (!console) {
            const auto& lcp = db.records[static_cast<std::size_t>(l)];
            e[2] = static_cast<std::uint8_t>(lcp[1].empty() ? 0 : 1 + n % lcp[1].size());
            e[3] = static_cast<std::uint8_t>(lcp[0].empty() ? 0 : n % lcp[0].size());
            e[14] = static_cast<std::uint8_t>(lcp[2].empty() ? 0 : 1 + n % lcp[2].size());
        } else {
            const std::size_t keys = db.records[0][2].size();
            const std::size_t number = keys == 0 ? 0 : 1 + static_cast<std::size_t>(n) % keys;
            e[14] = static_cast<std::uint8_t>(number & 0xFF);
            e[15] = static_cast<std::uint8_t>(number >> 8);
        }
        e[4] = static_cast<std::uint8_t>(0xF0 | (1 + n % 12));  // high bits are not the month
        e[5] = 26;
        e[6] = static_cast<std::uint8_t>(n % 24);
        e[7] = static_cast<std::uint8_t>(n % 60);
        e[8] = static_cast<std::uint8_t>((n * 7) % 60);
        e[9] = static_cast<std::uint8_t>(1 + n % 28);
        for (int i = 10; i < 14; ++i)
            e[static_cast<std::size_t>(i)] = 0x5A;
        file.insert(file.end(), e.begin(), e.end());
    }
    return file;
}

}  // namespace panelsim::s5
