// The panel's clock: the computer's local time plus the offset that the
// last "set clock" command left.
#pragma once

#include <ctime>

namespace panelsim {

struct PanelTime {
    int year, month, day, hour, minute, second;
};

class SimClock {
  public:
    PanelTime now() const {
        const std::time_t t = std::time(nullptr) + offset_;
        std::tm tm{};
        localtime_r(&t, &tm);
        return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    }
    // False for a date that does not exist.
    bool set(const PanelTime& p) {
        if (p.month < 1 || p.month > 12 || p.day < 1 || p.day > 31 || p.hour > 23 ||
            p.minute > 59 || p.second > 59) {
            return false;
        }
        std::tm tm{};
        tm.tm_year = p.year - 1900;
        tm.tm_mon = p.month - 1;
        tm.tm_mday = p.day;
        tm.tm_hour = p.hour;
        tm.tm_min = p.minute;
        tm.tm_sec = p.second;
        tm.tm_isdst = -1;
        offset_ = std::mktime(&tm) - std::time(nullptr);
        return true;
    }

  private:
    long offset_ = 0;
};

}  // namespace panelsim
