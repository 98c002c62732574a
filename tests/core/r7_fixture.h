// Shared helpers of the "Ордис Р7" tests: a database with a recording
// prompter in a temporary program folder, and records built from the layout.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "base/bytes.h"
#include "base/file_io.h"
#include "base/text.h"
#include "families/r7/dbr7.h"
#include "support/recording_prompter.h"
#include "support/strict_prompter.h"
#include "support/temp_dir.h"

namespace tavrin::test {

template <class PrompterType>
class BasicR7Test : public ::testing::Test {
  protected:
    BasicR7Test() {
        ctx_ = makeAppContext(dir_.path());
        ctx_.prompter = &prompter_;
        db_ = std::make_unique<DBR7>(0, ctx_);
    }

    std::string path(const std::string& name) const { return pathToUtf8(dir_ / name); }

    TempDir dir_;
    PrompterType prompter_;
    AppContext ctx_;
    std::unique_ptr<DBR7> db_;
};

// The recording prompter; BasicR7Test<StrictPrompter> for a suite that
// means to answer nothing.
using R7Test = BasicR7Test<RecordingPrompter>;

// 38 stored bytes of a record, written from the layout: id, parent, type,
// the twelve parameter bytes 5..16, the name in Windows-1251 padded with
// blanks to 21 bytes.
inline std::array<std::uint8_t, 38> storedRecord(std::uint16_t id, std::uint16_t parent,
                                                 std::uint8_t type,
                                                 const std::array<std::uint8_t, 12>& params,
                                                 const std::string& nameUtf8) {
    std::array<std::uint8_t, 38> r{};
    r[0] = static_cast<std::uint8_t>(id);
    r[1] = static_cast<std::uint8_t>(id >> 8);
    r[2] = static_cast<std::uint8_t>(parent);
    r[3] = static_cast<std::uint8_t>(parent >> 8);
    r[4] = type;
    for (int i = 0; i < 12; ++i)
        r[5 + i] = params[i];
    const std::string name = utf8ToCp1251(nameUtf8);
    for (int i = 0; i < 21; ++i) {
        r[17 + i] = i < static_cast<int>(name.size()) ? static_cast<std::uint8_t>(name[i]) : ' ';
    }
    return r;
}

// The stored bytes of a free record.
inline std::array<std::uint8_t, 38> freeRecord() {
    std::array<std::uint8_t, 12> ff;
    ff.fill(0xFF);
    return storedRecord(0, 0, 0, ff, "");
}

}  // namespace tavrin::test
