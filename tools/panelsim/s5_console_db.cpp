// The simulated console's database: generated, or loaded from a database
// folder with the product's folder reader (the frames themselves are the
// simulator's own code).
#include "s5_console_db.h"

#include <filesystem>

#include "families/s5/dbs5.h"

namespace panelsim::s5 {

namespace {

constexpr std::size_t kWireSize[3] = {63, 96, 32};

// A record without its terminator byte, as it travels.
template <std::size_t N>
Bytes wire(const std::array<std::uint8_t, N>& rec, std::size_t terminator) {
    Bytes b(rec.begin(), rec.end());
    b.erase(b.begin() + static_cast<std::ptrdiff_t>(terminator));
    return b;
}

}  // namespace

ConsoleDb generatedDb(int lcps, int records, int commonKeys) {
    ConsoleDb db;
    db.lcps = lcps;
    const auto make = [](int lcp, int kind, int index) {
        Bytes r(kWireSize[kind]);
        for (std::size_t j = 0; j < r.size(); ++j)
            r[j] = static_cast<std::uint8_t>(lcp * 31 + index * 7 + static_cast<int>(j) + kind);
        r[0] = static_cast<std::uint8_t>(index + 1);  // never an empty record
        return r;
    };
    for (int l = 1; l <= lcps; ++l)
        for (int k = 0; k < 3; ++k)
            for (int i = 0; i < records; ++i)
                db.records[static_cast<std::size_t>(l)][static_cast<std::size_t>(k)].push_back(
                    make(l, k, i));
    for (int i = 0; i < commonKeys; ++i)
        db.records[0][2].push_back(make(0, 2, i));
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
    return true;
}

}  // namespace panelsim::s5
