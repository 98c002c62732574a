// The exchange log of DBase: one file per day in the program folder, 8-bit
// text lines stamped with the local time, and hexadecimal byte lines.
#include <algorithm>
#include <cstdio>

#include "base/file_io.h"
#include "base/text.h"
#include "link/dbase.h"
#include "link/exchange_log.h"

namespace tavrin {

namespace {

std::string stamp(const LocalTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d ", t.hour % 100, t.minute % 100,
                  t.second % 100, t.millisecond % 1000);
    return buf;
}

}  // namespace

std::string logFileName(const LocalTime& date) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "Tavrin_%02d_%02d_%02d.log", date.month % 100, date.day % 100,
                  date.year % 100);
    return buf;
}

std::string logTextLine(const LocalTime& time, const std::string& text) {
    if (text.empty()) return "\n";
    std::string bytes = utf8ToCp1251(text);
    if (bytes.size() > kLogTextMax) bytes.resize(kLogTextMax);
    return stamp(time) + bytes + "\n";
}

std::string logByteLine(const LocalTime& time, ByteSpan bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string line = stamp(time);
    const std::size_t n = std::min(bytes.size(), kLogBytesMax);
    line.reserve(line.size() + 3 * n + 1);
    for (std::size_t i = 0; i < n; ++i) {
        line += kHex[bytes[i] >> 4];
        line += kHex[bytes[i] & 0x0F];
        line += ' ';
    }
    line += '\n';
    return line;
}

std::filesystem::path DBase::LogFilePath() const {
    static SystemClock systemClock;
    const Clock& clock = ctx_.clock ? *ctx_.clock : systemClock;
    return ctx_.programFolder / logFileName(clock.now());
}

void DBase::OpenLog(const std::string& mode) {
    const std::string m = !mode.empty() ? mode : (logRewrite ? "w" : "a+");
    if (!link_.openLog(LogFilePath(), m)) {
        const int error = lastSystemError();
        if (ctx_.prompter) {
            ctx_.prompter->message(systemErrorText(error), "Создание лога", PromptIcon::Error);
        }
    } else {
        link_.writeLog("\n\n");
        LogLine("Открытие порта");
    }
    logRewrite = false;
}

void DBase::CloseLog() {
    link_.closeLog();
}

void DBase::LogLine(const std::string& text) {
    if (!link_.logOpen()) return;
    static SystemClock systemClock;
    const Clock& clock = ctx_.clock ? *ctx_.clock : systemClock;
    link_.writeLog(logTextLine(clock.now(), text));
}

void DBase::LogBytes(ByteSpan bytes) {
    if (!link_.logOpen() || bytes.data() == nullptr) return;
    static SystemClock systemClock;
    const Clock& clock = ctx_.clock ? *ctx_.clock : systemClock;
    std::string lines = logByteLine(clock.now(), bytes);
    if (bytes.size() >= kLogBytesMax)
        lines += logTextLine(clock.now(), "Недостаточная длина буфера в логе");
    link_.writeLog(lines);
}

void DBase::LogSystemError(int error) {
    LogLine(systemErrorText(error));
}

}  // namespace tavrin
