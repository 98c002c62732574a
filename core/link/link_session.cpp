#include "link/link_session.h"

#ifdef _WIN32
#include <share.h>
#endif

namespace tavrin {

LinkSession::~LinkSession() {
    closeLog();
}

bool LinkSession::openLog(const std::filesystem::path& path, const std::string& mode) {
    closeLog();
#ifdef _WIN32
    // Binary, so each line ends in "\n" alone on every platform. Other readers
    // may look at the log while it grows; other writers may not.
    std::wstring wmode(mode.begin(), mode.end());
    if (wmode.find(L'b') == std::wstring::npos) wmode += L'b';
    log_ = _wfsopen(path.c_str(), wmode.c_str(), _SH_DENYWR);
#else
    log_ = std::fopen(path.c_str(), mode.c_str());
#endif
    return log_ != nullptr;
}

void LinkSession::closeLog() {
    if (log_) {
        std::fclose(log_);
        log_ = nullptr;
    }
}

void LinkSession::writeLog(const std::string& bytes) {
    if (!log_) return;
    std::fwrite(bytes.data(), 1, bytes.size(), log_);
    std::fflush(log_);
}

}  // namespace tavrin
