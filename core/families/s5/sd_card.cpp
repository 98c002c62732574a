// DBS5: a file onto the console's SD card (0xF0: a header naming the file,
// then 80-byte chunks numbered from 1, the last one shorter and flagged),
// a program from the SD card into the console or an LCP (0xF1), and the
// console's clock (0xF3).
#include <cstdio>

#include "base/file_io.h"
#include "base/text.h"
#include "families/s5/console_frames.h"
#include "families/s5/dbs5.h"
#include "families/s5/events.h"
#include "link/result_codes.h"

namespace tavrin {

using namespace s5;

namespace {

constexpr const char* kProgramReadTitle = "Чтение программы прибора";
constexpr const char* kSdTitle = "Запись ПО";
constexpr const char* kReplaceTitle = "Замена ПО";
constexpr const char* kClockTitle = "Установить время";
// The largest file whose chunks the 15-bit chunk number can count.
constexpr std::size_t kSdMaxFileSize = static_cast<std::size_t>(kSdMaxChunks) * kSdChunkSize - 1;

// A name the console can take in a frame.
bool sdNameOk(const std::string& name) {
    return plainFileName(name) && utf8ToCp1251(name).size() <= kMaxFileNameBytes;
}

}  // namespace

int DBS5::WriteFileToDevice(Progress& progress, const std::string& sdName,
                            const std::string& path) {
    if (!sdNameOk(sdName)) return kResultBadCommand;
    std::error_code ec;
    const auto local = pathFromUtf8(path);
    if (!std::filesystem::is_regular_file(local, ec)) return kResultSourceFileError;
    Bytes data;
    FileError error;
    bool truncated = false;
    if (!readWholeFile(local, data, &error, kSdMaxFileSize + 1, &truncated)) {
        ctx_.prompter->message(error.code ? systemErrorText(error.code) : error.message,
                               kProgramReadTitle, PromptIcon::Error);
        return kResultSourceFileError;
    }
    if (truncated || data.size() > kSdMaxFileSize) {
        // Its chunk numbers would run into the flag of the last chunk.
        char text[600];
        std::snprintf(text, sizeof text, "Файл %s слишком велик для SD карты", path.c_str());
        ctx_.prompter->message(text, kProgramReadTitle, PromptIcon::Error);
        return kResultSourceFileError;
    }
    beginOperation(kSdTitle);
    if (!ensureLink()) {
        FinishOperation();
        return kResultPortNotOpen;
    }
    status("Запись файла " + path + " в прибор");
    const std::vector<ExchRecPtr> frames = sdWriteRequests(utf8ToCp1251(sdName), data);
    progress.setRange(0, static_cast<int>(frames.size()));
    progress.setPosition(0);
    progress.setVisible(true);
    link_->requests().pushAll(frames);
    const int result = link_->WaitReplies(&progress, &exchangeActive, kReplyWaitMs, nullptr);
    FinishOperation();
    status("");
    return result;
}

int DBS5::ReplaceProgram(const std::string& sdName, int target) {
    if (!sdNameOk(sdName) || target < 0 || target > kMaxLcps) return kResultBadCommand;
    beginOperation(kReplaceTitle);
    int result = kResultPortNotOpen;
    if (ensureLink()) {
        status(kReplaceTitle);
        link_->requests().push(replaceProgramRequest(utf8ToCp1251(sdName), target));
        bool answered = false;
        result =
            link_->WaitReplies(nullptr, &exchangeActive, kReplyWaitMs, [&answered](const ExchRec&) {
                answered = true;
                return static_cast<int>(kResultOk);
            });
        if (result == kResultOk && !answered) result = kResultUnknownDeviceError;
    }
    FinishOperation();
    status("");
    return result;
}

std::vector<ProgramTarget> DBS5::programTargets() const {
    std::vector<ProgramTarget> out{{0, "Пульт"}};
    for (int l = 1; l <= lcpCount(); ++l)
        out.push_back({l, "LCP " + std::to_string(l)});
    return out;
}

int DBS5::SetDeviceTime() {
    beginOperation(kClockTitle);
    if (!ensureLink()) {
        FinishOperation();
        return kResultPortNotOpen;
    }
    static SystemClock systemClock;
    const LocalTime now = ctx_.clock ? ctx_.clock->now() : systemClock.now();
    link_->requests().push(clockRequest(now));
    bool answered = false;
    int result =
        link_->WaitReplies(nullptr, &exchangeActive, kReplyWaitMs, [&answered](const ExchRec&) {
            answered = true;
            return static_cast<int>(kResultOk);
        });
    // Woken without a reply to take: nothing says the clock was set.
    if (result == kResultOk && !answered) result = kResultUnknownDeviceError;
    FinishOperation();
    return result;
}

}  // namespace tavrin
