// Fuzz target: the "Талвир К2" operations of many replies (the database
// read, the journal, the active events, the dustiness) against a panel whose
// replies are the fuzzer's bytes, the panel's own replies, or those spoiled
// by a byte. Whatever comes, an operation ends with a code, and one that
// reports success has stored whole records.
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "base/file_io.h"
#include "families/k2/dbk2.h"
#include "link/idle_port.h"
#include "link/result_codes.h"
#include "scripted_port.h"

namespace {

struct Setup {
    tavrin::SilentPrompter prompter;
    fuzz::NoWaitClock clock;
    tavrin::IdlePortFactory idle;
    tavrin::AppContext ctx = [this] {
        tavrin::AppContext c = tavrin::makeAppContext(std::filesystem::temp_directory_path());
        c.prompter = &prompter;
        c.clock = &clock;
        c.ports = &idle;
        return c;
    }();
    // The panel keeps its settings (the built-in simulation on) apart.
    std::filesystem::path panelFolder = [] {
        auto p = std::filesystem::temp_directory_path() /
                 ("fuzz-k2-panel-" + std::to_string(tavrin::ownProcessId()));
        std::filesystem::create_directories(p);
        return p;
    }();
    tavrin::AppContext panelCtx = [this] {
        tavrin::AppContext c = ctx;
        c.programFolder = panelFolder;
        c.settingsPath = panelFolder / "Tavrin.ini";
        return c;
    }();
    tavrin::DBK2 panel{0, panelCtx};
    std::string out = (std::filesystem::temp_directory_path() /
                       ("fuzz-k2-ops-" + std::to_string(tavrin::ownProcessId())))
                          .string();

    Setup() {
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
        std::error_code ec;
        std::filesystem::remove_all(panelFolder, ec);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup s;
    if (size < 1) return 0;
    fuzz::ScriptedPortFactory ports(data + 1, size - 1, s.panel);
    tavrin::AppContext ctx = s.ctx;
    ctx.ports = &ports;
    tavrin::DBK2 db(0, ctx);
    db.simulation = false;
    db.portName = "fuzz";
    db.journalOutputPath = s.out + ".tvj";
    db.activeEventsOutputPath = s.out + "-as.tvj";
    db.dustinessOutputPath = s.out + ".tvz";
    tavrin::NullProgress progress;
    int code = 0;
    switch (data[0] % 4) {
        case 0:
            code = db.ReadFromDevice(progress);
            if (code == tavrin::kResultOk) (void)db.SerializeFile();
            break;
        case 1:
            code = db.ReadJournal(progress);
            break;
        case 2:
            code = db.ReadActiveEvents(progress);
            break;
        case 3:
            for (int i = 0; i < 4; ++i)
                db.CreateElement(tavrin::k2::kTypeDip, 0);
            code = db.ReadDustiness(progress, data[0] / 4 % 2);
            break;
    }
    db.ClosePort();
    if (code == tavrin::kResultOk && db.IsPortOpen()) std::abort();
    return 0;
}
