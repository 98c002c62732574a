// The strict prompter itself: an unannounced prompt fails the test, an
// announced one gets its answer, an announced one that never came fails too.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "support/strict_prompter.h"

namespace tavrin::test {
namespace {

TEST(StrictPrompter, OnlyAnnouncedPromptsPass) {
    EXPECT_NONFATAL_FAILURE(
        {
            StrictPrompter p;
            // The answer that changes nothing.
            EXPECT_EQ(p.ask("Удалить?", "Удаление", PromptIcon::Question, PromptButtons::YesNo),
                      PromptAnswer::No);
        },
        "unexpected prompt \"Удаление\": Удалить?");
    EXPECT_NONFATAL_FAILURE(
        {
            StrictPrompter p;
            p.expect("Записать базу?");
        },
        "expected prompt not shown: Записать базу?");

    StrictPrompter p;
    p.expect("Записать базу?", PromptAnswer::Yes);
    EXPECT_EQ(p.ask("Записать базу?", "Запись", PromptIcon::Question, PromptButtons::YesNo),
              PromptAnswer::Yes);
    ASSERT_EQ(p.calls.size(), 1u);
}

}  // namespace
}  // namespace tavrin::test
