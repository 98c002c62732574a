// Fuzz target: the "Ордис Р7" operations of many replies (the database read
// of 2048 records, the journal ring) against a panel whose replies are the
// fuzzer's bytes, the panel's own replies, or those spoiled by a byte.
// Whatever comes, an operation ends with a code.
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "base/file_io.h"
#include "families/r7/dbr7.h"
#include "families/r7/element_types.h"
#include "link/result_codes.h"
#include "scripted_port.h"

namespace {

struct Setup {
    tavrin::SilentPrompter prompter;
    fuzz::NoWaitClock clock;
    tavrin::AppContext ctx = [this] {
        tavrin::AppContext c = tavrin::makeAppContext(std::filesystem::temp_directory_path());
        c.prompter = &prompter;
        c.clock = &clock;
        return c;
    }();
    tavrin::DBR7 panel{0, ctx};
    std::string out = (std::filesystem::temp_directory_path() /
                       ("fuzz-r7-ops-" + std::to_string(tavrin::ownProcessId()) + ".odj"))
                          .string();

    Setup() {
        panel.ResetDatabase();
        const int object = panel.CreateElement(tavrin::r7::kTypeObject, 0);
        panel.CreateElement(tavrin::r7::kTypeKey, object);
        panel.databaseValid = true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup s;
    if (size < 1) return 0;
    fuzz::ScriptedPortFactory ports(data + 1, size - 1, s.panel);
    tavrin::AppContext ctx = s.ctx;
    ctx.ports = &ports;
    tavrin::DBR7 db(0, ctx);
    db.simulation = false;
    db.portName = "fuzz";
    db.journalOutputPath = s.out;
    tavrin::NullProgress progress;
    int code = 0;
    if (data[0] % 2 == 0) {
        code = db.ReadFromDevice(progress);
        if (code == tavrin::kResultOk && !db.databaseValid) std::abort();
    } else {
        code = db.ReadJournal(progress);
    }
    db.ClosePort();
    if (db.IsPortOpen()) std::abort();
    (void)code;
    return 0;
}
