#pragma once

// A program left running in the background during an end-to-end test, with
// its own environment and output file; killed when the test lets go of it.
// (support/Process.h runs programs to their end.)

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace zarn::testing {

class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
               const std::string& output_path) {
    std::vector<std::string> env_text;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text = *entry;
      if (env.count(text.substr(0, text.find('='))) == 0) env_text.push_back(text);
    }
    for (const auto& [name, value] : env) env_text.push_back(name + "=" + value);
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& text : env_text) envp.push_back(const_cast<char*>(text.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~ChildProcess() {
    if (Running()) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }

  bool Running() {
    if (pid_ <= 0 || code_) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
    code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }

  // The exit code, or none when the process still runs after `limit`.
  std::optional<int> Wait(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (Running()) {
      if (std::chrono::steady_clock::now() > until) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return code_;
  }

  void Kill() {
    if (Running()) kill(pid_, SIGKILL);
    Wait(std::chrono::seconds(10));
  }

 private:
  pid_t pid_ = -1;
  std::optional<int> code_;
};

}  // namespace zarn::testing
