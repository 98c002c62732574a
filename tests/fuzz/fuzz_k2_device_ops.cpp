// Fuzz target: the "Талвир К2" operations of many replies (the database
// read, the journal, the active events, the dustiness) against a panel whose
// replies are the fuzzer's bytes, the panel's own replies, or those spoiled
// by a byte. Whatever comes, an operation ends with a code, and one that
// reports success has stored whole records.
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "families/k2/dbk2.h"
#include "link/result_codes.h"
#include "scripted_port.h"

namespace {

struct Setup : fuzz::OpsContext {
    // The panel keeps its settings (the built-in simulation on) apart.
    tavrin::AppContext panelCtx = [this] {
        tavrin::AppContext c = ctx;
        c.programFolder = folder / "panel";
        c.settingsPath = c.programFolder / "Tavrin.ini";
        std::filesystem::create_directories(c.programFolder);
        return c;
    }();
    tavrin::DBK2 panel{0, panelCtx};

    Setup() : OpsContext("k2-ops") {
        panel.ResetDatabase();
        for (int i = 0; i < 6; ++i)
            panel.CreateElement(i % 2 ? tavrin::k2::kTypeIpr : tavrin::k2::kTypeDip, 0);
        panel.CreateKey();
        panel.firmwareVersionText = "1.04";
        panel.UpdateChecksums();
        panel.FillPanelCounters();
        panel.databaseValid = true;
        // The built-in simulation answers a read with what was written to it.
        panel.simulation = true;
        panel.SavePortSettings();
        tavrin::NullProgress progress;
        if (panel.WriteToDevice(progress) != tavrin::kResultOk) std::abort();
        panel.ClosePort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup s;
    if (size < 1) return 0;
    fuzz::ScriptedPortFactory ports(data + 1, size - 1, s.panel);
    fuzz::runOnScript<tavrin::DBK2>(s, ports, [&](tavrin::DBK2& db) {
        db.journalOutputPath = s.path("out.tvj");
        db.activeEventsOutputPath = s.path("out-as.tvj");
        db.dustinessOutputPath = s.path("out.tvz");
        tavrin::NullProgress progress;
        switch (data[0] % 4) {
            case 0:
                if (db.ReadFromDevice(progress) == tavrin::kResultOk) (void)db.SerializeFile();
                break;
            case 1:
                db.ReadJournal(progress);
                break;
            case 2:
                db.ReadActiveEvents(progress);
                break;
            case 3:
                for (int i = 0; i < 4; ++i)
                    db.CreateElement(tavrin::k2::kTypeDip, 0);
                db.ReadDustiness(progress, data[0] / 4 % 2);
                break;
        }
    });
    return 0;
}
