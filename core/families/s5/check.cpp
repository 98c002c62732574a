// DBS5: the correctness check before a write. The console checks its
// records itself; what the computer refuses is what cannot travel: more
// console keys than one series carries. The check never packs the
// database: packing happens on saving and at the start of every transfer.
#include "families/s5/console_frames.h"
#include "families/s5/dbs5.h"
#include "report/report_list.h"

namespace tavrin {

using namespace s5;

int DBS5::CheckDatabase(ReportList* remarks, ReportList* devices, ReportList* functions) {
    for (ReportList* list : {remarks, devices, functions}) {
        if (list) list->rows.clear();
    }
    int outcome = 0;
    int keys = 0;
    for (int i = 0; i < kCommonKeys; ++i)
        keys += commonKeyUsed[static_cast<std::size_t>(i)] ? 1 : 0;
    if (keys > kMaxSeriesLength) {
        if (remarks) {
            remarks->addRow({"Ключи пульта", "Ключей пульта больше " +
                                                 std::to_string(kMaxSeriesLength) +
                                                 ": прибор их не примет"});
        }
        outcome = 2;
    }
    writable = outcome < 2;
    return outcome;
}

}  // namespace tavrin
