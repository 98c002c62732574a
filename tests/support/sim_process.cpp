#include "support/sim_process.h"

#ifndef _WIN32
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace tavrin::test {

SimProcess::SimProcess(const std::vector<std::string>& args) {
#ifdef TAVRIN_PANELSIM_PATH
    int in[2], out[2];
    if (pipe(in) != 0) return;
    if (pipe(out) != 0) {
        close(in[0]);
        close(in[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> all{TAVRIN_PANELSIM_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    if (rc != 0) {
        close(in[1]);
        close(out[0]);
        return;
    }
    pid_ = pid;
    stdinFd_ = in[1];
    // The first line of stdout is the terminal's path.
    std::string line;
    char c = 0;
    pollfd p{out[0], POLLIN, 0};
    while (poll(&p, 1, 5000) > 0 && read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(out[0]);
    path_ = line;
#else
    (void)args;
#endif
}

int SimProcess::stop() {
    if (pid_ < 0) return -1;
    if (stdinFd_ >= 0) {
        close(stdinFd_);
        stdinFd_ = -1;
    }
    int status = 0;
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return -1;
}

SimProcess::~SimProcess() {
    stop();
}

}  // namespace tavrin::test
#else
namespace tavrin::test {
SimProcess::SimProcess(const std::vector<std::string>&) {}
SimProcess::~SimProcess() = default;
int SimProcess::stop() {
    return -1;
}
}  // namespace tavrin::test
#endif
