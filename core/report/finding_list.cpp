#include "report/finding_list.h"

namespace tavrin {

namespace {

void addSection(ReportList& remarks, const char* title, const FindingList& list,
                bool countBeyondKept, bool blankAfter) {
    if (list.count() == 0) return;
    remarks.addRow({title, ""});
    list.addRowsTo(remarks);
    if (countBeyondKept && list.count() > static_cast<int>(list.items().size()))
        remarks.addRow({"...", "всего " + std::to_string(list.count())});
    if (blankAfter) remarks.addRow({"", ""});
}

}  // namespace

void fillRemarks(ReportList& remarks, std::initializer_list<RemarksSection> sections,
                 const FindingList& critical, bool countBeyondKept) {
    remarks.clear();
    remarks.columns = {{"Источник", 300}, {"Ошибка", 400}};
    for (const RemarksSection& s : sections)
        addSection(remarks, s.title, *s.list, countBeyondKept, true);
    addSection(remarks, kCriticalErrorsTitle, critical, countBeyondKept, false);
}

}  // namespace tavrin
