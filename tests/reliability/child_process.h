// A child process whose standard output the test reads line by line.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace vmbgrid::reliability {

class ChildProcess {
 public:
  ChildProcess(const std::string& program, const std::vector<std::string>& args) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
      ::close(fds[0]);
      throw std::runtime_error("cannot start " + program);
    }
    out_ = ::fdopen(fds[0], "r");
  }
  ~ChildProcess() {
    if (pid_ > 0) {
      Kill();
      Wait();
    }
    if (out_) std::fclose(out_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line without its end; nothing once the child closed its output.
  std::optional<std::string> ReadLine() {
    std::string line;
    int c;
    while ((c = std::fgetc(out_)) != EOF && c != '\n') line += static_cast<char>(c);
    if (c == EOF && line.empty()) return std::nullopt;
    return line;
  }
  std::vector<std::string> ReadRest() {
    std::vector<std::string> lines;
    while (auto l = ReadLine()) lines.push_back(*l);
    return lines;
  }
  void Kill() { ::kill(pid_, SIGKILL); }
  // The exit status as waitpid reports it.
  int Wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
  }

 private:
  pid_t pid_ = -1;
  std::FILE* out_ = nullptr;
};

}  // namespace vmbgrid::reliability
