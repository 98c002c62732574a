// The link state of one DBase: the open port, the day's exchange log, the
// cancel state of a running device operation (its token and whether the
// cancel window is up) and whether a late reply may still be on the line.
// DBase's port, log and exchange operations work through this object.
//
// Threading: the thread that runs the device operation owns everything here
// except the token, which the cancel window cancels from its own thread.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "base/bytes.h"
#include "base/seams.h"
#include "link/serial_port.h"

namespace tavrin {

class LinkSession {
  public:
    LinkSession() = default;
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    // ---- Port ------------------------------------------------------------------
    SerialPort* port() const { return port_.get(); }
    bool portOpen() const { return port_ != nullptr; }
    void attachPort(std::unique_ptr<SerialPort> port) { port_ = std::move(port); }
    void dropPort() { port_.reset(); }

    // ---- Log ----------------------------------------------------------------------
    bool logOpen() const { return log_ != nullptr; }
    // Opens `path` with the fopen mode ("w", "a+"), closing the log before;
    // false when it cannot be opened (the system's error is still current).
    bool openLog(const std::filesystem::path& path, const std::string& mode);
    void closeLog();
    // Writes bytes as they are (lines already formed) and flushes.
    void writeLog(const std::string& bytes);

    // ---- Cancel state -----------------------------------------------------------
    CancelToken& token() { return token_; }
    bool cancelWindowShown() const { return cancelWindowShown_; }
    void setCancelWindowShown(bool shown) { cancelWindowShown_ = shown; }

    // ---- Line -------------------------------------------------------------------------
    // Set when an exchange needed a repeated pass or failed: a late reply may
    // still be on its way, so the next request waits for the line to go quiet.
    bool lineUnsettled() const { return lineUnsettled_; }
    void setLineUnsettled(bool unsettled) { lineUnsettled_ = unsettled; }

  private:
    std::unique_ptr<SerialPort> port_;
    std::FILE* log_ = nullptr;
    CancelToken token_;
    bool cancelWindowShown_ = false;
    bool lineUnsettled_ = false;
};

}  // namespace tavrin
