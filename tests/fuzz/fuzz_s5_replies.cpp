// Fuzz target: the console's replies as the "Версан С5" operations take them
// apart: a record of a series (each kind, read and direct), a dustiness
// reply, and the record stored from it.
#include <cstdint>
#include <cstdlib>

#include "families/s5/console_frames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrin;
    using namespace tavrin::s5;
    const Bytes reply(data, data + size);
    for (const RecordKindInfo* kind : {&kDeviceSeries, &kObjectSeries, &kKeySeries}) {
        for (const ExchRecPtr& request :
             {readSeriesRequest(1, *kind), directDeviceReadRequest(1)}) {
            request->reply = reply;
            const auto record = seriesRecord(*request, *kind);
            if (!record) continue;
            if (record->size() != kind->wireSize) std::abort();
            (void)emptyRecord(*record);
            switch (kind->kind) {
                case RecordKind::Devices:
                    (void)deviceChecksum(deviceFromDisk(record->data()));
                    break;
                case RecordKind::Objects:
                    (void)objectChecksum2(objectFromDisk(record->data()));
                    break;
                case RecordKind::Keys:
                    (void)keyChecksum(keyFromDisk(record->data()));
                    break;
            }
        }
    }
    const DustReply dust = parseDustReply(reply);
    if (dust.lcp < 0 && !dust.pairs.empty()) std::abort();
    return 0;
}
