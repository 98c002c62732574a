// Fuzz target: the "Ордис Р7" operations of many replies (the database read
// of 2048 records, the journal ring) against a panel whose replies are the
// fuzzer's bytes, the panel's own replies, or those spoiled by a byte.
// Whatever comes, an operation ends with a code, and a read that reports
// success leaves a valid database.
#include <cstdint>
#include <cstdlib>

#include "families/r7/dbr7.h"
#include "families/r7/element_types.h"
#include "link/result_codes.h"
#include "scripted_port.h"

namespace {

struct Setup : fuzz::OpsContext {
    tavrin::DBR7 panel{0, ctx};

    Setup() : OpsContext("r7-ops") {
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
    fuzz::runOnScript<tavrin::DBR7>(s, ports, [&](tavrin::DBR7& db) {
        db.journalOutputPath = s.path("out.odj");
        tavrin::NullProgress progress;
        if (data[0] % 2 == 0) {
            if (db.ReadFromDevice(progress) == tavrin::kResultOk && !db.databaseValid) std::abort();
        } else {
            db.ReadJournal(progress);
        }
    });
    return 0;
}
