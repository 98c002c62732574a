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
    std::string actionText;  // the extra button's caption, if any
};

class RecordingPrompter : public Prompter {
  public:
    PromptAnswer ask(const std::string& text, const std::string& title, PromptIcon icon,
                     PromptButtons buttons) override {
        std::lock_guard lock(mutex_);
        calls.push_back({text, title, icon, buttons, {}});
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

    // Records the extra button and keeps its action; with `pressAction` the
    // button is pressed once before the answer.
    PromptAnswer askWithAction(const std::string& text, const std::string& title, PromptIcon icon,
                               PromptButtons buttons, const std::string& actionText,
                               const std::function<void()>& action) override {
        {
            std::lock_guard lock(mutex_);
            lastAction = action;
        }
        if (pressAction && action) action();
        const PromptAnswer a = ask(text, title, icon, buttons);
        std::lock_guard lock(mutex_);
        calls.back().actionText = actionText;
        return a;
    }

    std::vector<PromptCall> calls;
    std::deque<PromptAnswer> answers;
    std::function<void()> lastAction;
    bool pressAction = false;

  private:
    std::mutex mutex_;
};

}  // namespace tavrin::test
