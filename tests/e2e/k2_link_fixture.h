// "Талвир К2" databases on tavrin-panelsim over a real pseudo-terminal, and
// a database worth writing to a panel.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>

#include "base/file_io.h"
#include "base/text.h"
#include "families/k2/dbk2.h"
#include "support/log_lines.h"
#include "support/recording_prompter.h"
#include "support/sim_process.h"
#include "support/strict_prompter.h"
#include "support/temp_dir.h"

namespace tavrin::test {

// A database whose port is the simulator's terminal, logging, with short
// read time-outs so that faults end quickly.
template <class PrompterType>
struct BasicK2Link {
    explicit BasicK2Link(std::vector<std::string> simArgs)
        : sim([&] {
              simArgs.insert(simArgs.begin(), {"--family", "k2"});
              return simArgs;
          }()) {
        ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        db = std::make_unique<DBK2>(0, ctx);
        configure(*db);
    }

    // Points a database of this context at the simulator.
    void configure(DBK2& d) const {
        d.portName = sim.path();
        d.logEnabled = true;
        d.simulation = false;
        d.SavePortSettings();
        d.readTotalTimeoutConstant = 150;
        d.readIntervalTimeout = 20;
        d.readTotalTimeoutMultiplier = 2;
    }

    std::vector<std::string> log() const { return logLines(db->LogFilePath()); }

    // The requests of the log by command (byte 1), repetitions included.
    std::map<int, int> requestsByCommand() const {
        std::map<int, int> count;
        const auto lines = log();
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
            if (lines[i] != "Передача:" && lines[i] != "Повторная передача:") continue;
            std::istringstream in(lines[i + 1]);
            std::string length, command;
            in >> length >> command;
            ++count[std::stoi(command, nullptr, 16)];
        }
        return count;
    }

    std::string path(const std::string& name) const { return pathToUtf8(dir / name); }

    SimProcess sim;
    TempDir dir;
    PrompterType prompter;
    AppContext ctx;
    std::unique_ptr<DBK2> db;
};

using K2Link = BasicK2Link<RecordingPrompter>;
using StrictK2Link = BasicK2Link<StrictPrompter>;

inline void setName(DBK2& db, int index, const std::string& utf8) {
    const std::string s = utf8ToCp1251(utf8);
    db.names[index].fill(' ');
    for (std::size_t i = 0; i < s.size() && i < 16; ++i)
        db.names[index][i] = static_cast<std::uint8_t>(s[i]);
}

// A database that passes the correctness check: detectors and call points
// on fire loops, duty and employee keys with codes, names, blocked items,
// its record checksums and panel counters in place, for firmware `version`.
inline void fillWritableDatabase(DBK2& db, const std::string& version) {
    using namespace k2;
    for (int i = 0; i < 30; ++i) {
        const int d = db.CreateElement(i % 5 == 0 ? kTypeIpr : kTypeDip, 0);
        db.devices[d][kDevSerial] = static_cast<std::uint8_t>(0x10 + i);
        db.devices[d][kDevSerial + 1] = static_cast<std::uint8_t>(i * 3);
        db.devices[d][kDevLoop] = static_cast<std::uint8_t>(32 + i % 8);
        db.devices[d][kDevParam6] = static_cast<std::uint8_t>(i & 0xC0);
    }
    for (int k = 0; k < 12; ++k) {
        const int key = db.CreateKey();
        for (int b = 0; b < 6; ++b)
            db.keys[key][kKeyCode + b] = static_cast<std::uint8_t>(k * 11 + b + 1);
        if (k % 3 == 0) {
            db.keys[key][kKeyKind] = kKeyEmployeeBit | 1;
            db.keys[key][kKeyApplication] = 0x05;
        }
    }
    setName(db, 0, "Склад");
    setName(db, 33, "Коридор 2 этаж");
    setName(db, 95, "Последнее старое");
    setName(db, 127, "Последнее имя");
    db.loops[33][kLoopNumber] = 12;
    db.loops[33][kLoopNameIndex] = 33;
    db.blockedDevices[0] = 0x02;
    db.blockedLoops[4] = 0x01;
    db.panelBlock[5] = 0x3C;
    db.panelBlock[28] = 0x99;
    db.firmwareVersionText = version;
    db.UpdateChecksums();
    db.FillPanelCounters();
    db.UpdateLoopContent();
}

}  // namespace tavrin::test
