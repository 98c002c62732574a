// Starts tavrin-panelsim as a subprocess for end-to-end tests and reads the
// path of its pseudo-terminal. The simulator stops when this object goes:
// its stdin is closed, and it is killed if it does not end by itself.
#pragma once

#include <string>
#include <vector>

namespace tavrin::test {

class SimProcess {
  public:
    // Arguments after the program name, e.g. {"--family", "k2"}.
    explicit SimProcess(const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool started() const { return !path_.empty(); }
    // The pseudo-terminal to open as the port.
    const std::string& path() const { return path_; }
    // Closes stdin and waits; returns the exit status (or -1).
    int stop();
    // The simulator's process id (-1 when not started).
    int pid() const { return pid_; }

  private:
    int pid_ = -1;
    int stdinFd_ = -1;
    std::string path_;
};

}  // namespace tavrin::test
