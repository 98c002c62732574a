// The findings of a correctness check for one list of the analysis window:
// the first kMaxFindings are kept for display, every one is counted, so that
// the check's outcome never depends on the cap.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace tavrin {

constexpr std::size_t kMaxFindings = 100;

struct Finding {
    std::string label;
    std::string message;
};

class FindingList {
  public:
    void add(std::string label, std::string message = {}) {
        ++count_;
        if (items_.size() < kMaxFindings) items_.push_back({std::move(label), std::move(message)});
    }
    const std::vector<Finding>& items() const { return items_; }
    int count() const { return count_; }

  private:
    std::vector<Finding> items_;
    int count_ = 0;
};

}  // namespace tavrin
