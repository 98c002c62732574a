// Fuzz target: the "Версан С5" console operations (the database read, the
// journal file EVENTS.dat, the archive list and an archive file named in it,
// the dustiness) through the console link, against a console whose frames
// are the fuzzer's bytes, the console's own frames, or those spoiled by a
// byte. The link runs its own thread; its time-outs pass on the fake clock.
// Whatever comes, an operation ends with a code and the link is closed, and
// a read that reports success holds only LCPs whose tables fit.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "families/s5/dbs5.h"
#include "families/s5/link/frames.h"
#include "families/s5/simulated_console.h"
#include "link/result_codes.h"
#include "scripted_port.h"

namespace {

using namespace tavrin;
using namespace tavrin::s5;

constexpr int kDetector = 17;

// LCP 1 and 2 with detectors, objects and keys; console keys.
void fill(DBS5& db) {
    for (int l = 1; l <= 2; ++l) {
        db.AddLcp();
        for (int i = 0; i < 3 + l; ++i)
            db.CreateElement(kDetector, l);
        db.NewObject(l);
        db.NewLcpKey(l);
    }
    db.CreateKey();
    db.CreateKey();
}

struct Setup : fuzz::OpsContext {
    DBS5 panel{0, ctx};
    std::unique_ptr<SimulatedConsole> console;
    Bytes ack = ackFrame();

    Setup() : OpsContext("s5-ops") {
        fill(panel);
        if (panel.SensorCount(0) == 0) std::abort();
        console = std::make_unique<SimulatedConsole>(panel);
    }

    // The console's frame: the link start first, then its answer to the
    // request written (to an acknowledgement: "done").
    Bytes answer(ByteSpan written, int number) const {
        Bytes f = number == 0
                      ? Bytes{kConsoleStart, 4, kCodeLinkStart, 0}
                      : console->answer(written.size() == ack.size() &&
                                                std::equal(ack.begin(), ack.end(), written.begin())
                                            ? ByteSpan()
                                            : written);
        f[kOffStart] = static_cast<std::uint8_t>(kConsoleStart | (number & kSequenceMask));
        sealFrame(f);
        return f;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup s;
    if (size < 1) return 0;
    fuzz::ScriptedPortFactory ports(
        data + 1, size - 1, [](ByteSpan written, int number) { return s.answer(written, number); },
        s.clock);
    fuzz::runOnScript<DBS5>(s, ports, [&](DBS5& db) {
        NullProgress progress;
        switch (data[0] % 4) {
            case 0:
                if (db.ReadFromDevice(progress) == kResultOk) {
                    for (int l = 1; l <= db.lcpCount(); ++l) {
                        const LcpDatabase* d = db.lcp(l);
                        if (!d || d->deviceCount > kSlots || d->objectCount > kSlots ||
                            d->keyCount > kSlots)
                            std::abort();
                    }
                }
                break;
            case 1:
                db.ReadJournal(progress);
                break;
            case 2:
                if (db.ReadArchiveList(progress) == kResultOk && !db.archiveList.empty()) {
                    const auto& names = db.archiveList;
                    db.ReadArchive(progress, names[data[0] / 4 % names.size()]);
                }
                break;
            case 3:
                fill(db);
                db.ReadDustiness(progress, data[0] / 4 % 3);
                break;
        }
    });
    return 0;
}
