#include "base/seams.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace tavrin {

LocalTime SystemClock::now() const {
    const auto tp = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(tp);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    LocalTime lt;
    lt.year = tm.tm_year + 1900;
    lt.month = tm.tm_mon + 1;
    lt.day = tm.tm_mday;
    lt.hour = tm.tm_hour;
    lt.minute = tm.tm_min;
    lt.second = tm.tm_sec;
    lt.millisecond = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(tp.time_since_epoch()).count() %
        1000);
    lt.dayOfWeek = tm.tm_wday;
    return lt;
}

std::uint64_t SystemClock::ticksMs() const {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

void SystemClock::sleepMs(unsigned ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace tavrin
