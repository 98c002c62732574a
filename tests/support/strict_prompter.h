// A Prompter for tests that do not mean to answer anything: every question,
// warning or error the code puts up fails the test with its text, unless the
// test announced it with expect() (then it is answered as told, in order).
// Announced prompts that never came fail the test when it ends.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "base/seams.h"
#include "support/recording_prompter.h"

namespace tavrin::test {

class StrictPrompter : public Prompter {
  public:
    ~StrictPrompter() override {
        for (const Expected& e : expected_)
            ADD_FAILURE() << "expected prompt not shown: " << e.text;
    }

    // The next prompt must carry `text`; it gets `answer`.
    void expect(std::string text, PromptAnswer answer = PromptAnswer::Ok) {
        std::lock_guard lock(mutex_);
        expected_.push_back({std::move(text), answer});
    }

    PromptAnswer ask(const std::string& text, const std::string& title, PromptIcon icon,
                     PromptButtons buttons) override {
        std::lock_guard lock(mutex_);
        calls.push_back({text, title, icon, buttons, {}});
        if (!expected_.empty() && expected_.front().text == text) {
            const PromptAnswer a = expected_.front().answer;
            expected_.pop_front();
            return a;
        }
        ADD_FAILURE() << "unexpected prompt \"" << title << "\": " << text;
        // The answer that changes nothing.
        switch (buttons) {
            case PromptButtons::Ok:
                return PromptAnswer::Ok;
            case PromptButtons::OkCancel:
            case PromptButtons::YesNoCancel:
                return PromptAnswer::Cancel;
            default:
                return PromptAnswer::No;
        }
    }

    std::vector<PromptCall> calls;

  private:
    struct Expected {
        std::string text;
        PromptAnswer answer;
    };
    std::deque<Expected> expected_;
    std::mutex mutex_;
};

}  // namespace tavrin::test
