// A Prompter for tests: records every call and answers from a queue (or with
// a default answer when the queue is empty).
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "base/seams.h"

namespace tavrin::test {

struct PromptCall {
    std::string text;
    std::string title;
    PromptIcon icon;
    PromptButtons buttons;
};

class RecordingPrompter : public Prompter {
  public:
    PromptAnswer ask(const std::string& text, const std::string& title, PromptIcon icon,
                     PromptButtons buttons) override {
        std::lock_guard lock(mutex_);
        calls.push_back({text, title, icon, buttons});
        if (!answers.empty()) {
            const PromptAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        if (buttons == PromptButtons::YesNoDefaultNo) return PromptAnswer::No;
        return buttons == PromptButtons::YesNo || buttons == PromptButtons::YesNoCancel
                   ? PromptAnswer::Yes
                   : PromptAnswer::Ok;
    }

    std::vector<PromptCall> calls;
    std::deque<PromptAnswer> answers;

  private:
    std::mutex mutex_;
};

}  // namespace tavrin::test
