// A "Версан С5" database against the console of tavrin-panelsim over a real
// pseudo-terminal, and databases to send it.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "families/s5/dbs5.h"
#include "link/result_codes.h"
#include "support/recording_prompter.h"
#include "support/sim_process.h"
#include "support/strict_prompter.h"
#include "support/temp_dir.h"

namespace tavrin::test {

// The console answers briskly (its idle pause and repeat time short)
// and logs what it is told to do into ops.log of the program folder.
template <class PrompterType>
struct BasicS5Ops {
    explicit BasicS5Ops(std::vector<std::string> simArgs)
        : sim([&] {
              simArgs.insert(simArgs.begin(), {"--family", "s5", "--repeat", "200", "--idle", "5",
                                               "--ops-log", (dir.path() / "ops.log").string()});
              return simArgs;
          }()) {
        ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        db = makeDb();
    }

    // A database on the simulator's port, in this fixture's program folder.
    std::unique_ptr<DBS5> makeDb() {
        auto d = std::make_unique<DBS5>(0, ctx);
        d->portName = sim.path();
        d->logEnabled = false;
        d->simulation = false;
        d->SavePortSettings();
        return d;
    }

    std::vector<std::string> opsLog() const {
        std::vector<std::string> lines;
        std::ifstream in(dir / "ops.log");
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    TempDir dir;
    PrompterType prompter;
    SimProcess sim;
    AppContext ctx;
    std::unique_ptr<DBS5> db;
};

using S5Ops = BasicS5Ops<RecordingPrompter>;
using StrictS5Ops = BasicS5Ops<StrictPrompter>;

// The records of one LCP of a database made for a test.
struct LcpShape {
    int devices = 0;
    int objects = 0;
    int keys = 0;
};

// Fills `db` with LCPs of the given shapes and `commonKeys` console keys.
// Every record gets a name of its own, objects are main objects (a record
// whose first byte is 0 is not an object on the wire) with their devices.
inline void fillDatabase(DBS5& db, const std::vector<LcpShape>& shapes, int commonKeys) {
    static const int kTypes[] = {17, 49, 37, 12, 44, 8, 25};
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const int l = db.AddLcp();
        const LcpShape& s = shapes[i];
        for (int o = 0; o < s.objects; ++o) {
            const int slot = db.NewObject(l);
            s5::ObjectRecord& r = db.lcp(l)->objects[static_cast<std::size_t>(slot)];
            r[s5::obj::kFlags] = s5::obj::kFlagMain;
            r[s5::obj::kDelay] = static_cast<std::uint8_t>(o);
            r[s5::obj::kDayTime] = 48;
            s5::setNameText(s5::objectName(r),
                            "Зона " + std::to_string(l) + "." + std::to_string(o));
        }
        for (int d = 0; d < s.devices; ++d) {
            const int slot = db.CreateElement(kTypes[static_cast<std::size_t>(d) % 7], l);
            s5::DeviceRecord& r = db.lcp(l)->devices[static_cast<std::size_t>(slot)];
            r[s5::dev::kSerial] = static_cast<std::uint8_t>(l);
            r[s5::dev::kSerial + 1] = static_cast<std::uint8_t>(d);
            r[s5::dev::kParams + 3] = static_cast<std::uint8_t>(d * 5);
            if (s.objects > 0) db.lcp(l)->setDeviceObject(slot, d % s.objects);
        }
        for (int k = 0; k < s.keys; ++k) {
            const int slot = db.NewLcpKey(l);
            s5::KeyRecord& r = db.lcp(l)->keys[static_cast<std::size_t>(slot)];
            r[s5::key::kType] = 2;
            r[s5::key::kRights] = 5;
            r[s5::key::kFullNumber] = static_cast<std::uint8_t>(l);
            r[s5::key::kFullNumber + 1] = static_cast<std::uint8_t>(k);
            s5::setNameText(s5::keyOwner(r), "Владелец " + std::to_string(k));
        }
    }
    for (int k = 0; k < commonKeys; ++k) {
        const int slot = db.CreateKey();
        s5::KeyRecord& r = db.commonKeys[static_cast<std::size_t>(slot)];
        r[s5::key::kType] = 1;
        r[s5::key::kRights] = 3;
        r[s5::key::kFullNumber + 5] = static_cast<std::uint8_t>(k);
        s5::setNameText(s5::keyOwner(r), "Охранник " + std::to_string(k));
    }
    db.MarkObjects();
}

// The bytes of every file of a folder, by name.
inline std::vector<std::pair<std::string, std::string>> folderFiles(
    const std::filesystem::path& folder) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(e.path(), std::ios::binary);
        out.emplace_back(e.path().filename().string(),
                         std::string(std::istreambuf_iterator<char>(in), {}));
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace tavrin::test
