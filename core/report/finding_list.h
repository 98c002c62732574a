// The findings of a correctness check for one list of the analysis window:
// the first kMaxFindings are kept for display, every one is counted, so that
// the check's outcome never depends on the cap. A finding about one item of
// the configuration tree carries that item's code, so that a window can show
// the item the finding is about.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "report/report_list.h"

namespace tavrin {

constexpr std::size_t kMaxFindings = 100;

struct Finding {
    std::string label;
    std::string message;
    std::optional<std::int32_t> item;  // the tree item's code, when there is one
};

class FindingList {
  public:
    void add(std::string label, std::string message = {},
             std::optional<std::int32_t> item = std::nullopt) {
        ++count_;
        if (items_.size() < kMaxFindings)
            items_.push_back({std::move(label), std::move(message), item});
    }
    // Writes the findings as rows of `list`, each row naming its item.
    void addRowsTo(ReportList& list) const {
        for (const Finding& f : items_)
            list.addRow({f.label, f.message}, f.item);
    }
    const std::vector<Finding>& items() const { return items_; }
    int count() const { return count_; }

  private:
    std::vector<Finding> items_;
    int count_ = 0;
};

// A titled section of the analysis window's remarks list.
struct RemarksSection {
    const char* title;
    const FindingList* list;
};

constexpr const char* kCriticalErrorsTitle = "КРИТИЧЕСКИЕ ОШИБКИ";

// Fills the remarks list ("Источник", "Ошибка"): each section that holds
// findings as its title row and its findings followed by a blank row, then
// the critical errors under "КРИТИЧЕСКИЕ ОШИБКИ" without the blank row. With
// `countBeyondKept`, a section that found more than it keeps ends with a row
// "..." and the whole count ("всего N").
void fillRemarks(ReportList& remarks, std::initializer_list<RemarksSection> sections,
                 const FindingList& critical, bool countBeyondKept = false);

}  // namespace tavrin
