// A host program run as a script runs it: arguments, standard input, optionally an
// address-space limit; its standard output and error together, and how it ended.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace vmbgrid::hosttest {

struct Ended {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  std::string output;
};

class HostProcess {
 public:
  // addressSpace > 0 limits the child's virtual memory to that many bytes.
  HostProcess(const std::string& program, const std::vector<std::string>& args,
              const std::string& input = "", rlim_t addressSpace = 0) {
    // Everything the child needs is made before the fork: it only calls what is
    // safe there.
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int out[2], in[2];
    if (::pipe(out) != 0 || ::pipe(in) != 0) std::abort();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], STDIN_FILENO);
      ::dup2(out[1], STDOUT_FILENO);
      ::dup2(out[1], STDERR_FILENO);
      for (int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
      if (addressSpace > 0) {
        rlimit limit{addressSpace, addressSpace};
        ::setrlimit(RLIMIT_AS, &limit);
      }
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    // Small inputs only: they fit the pipe, so the write never waits for the child.
    if (!input.empty()) (void)!::write(in[1], input.data(), input.size());
    ::close(in[1]);
    out_ = out[0];
  }
  ~HostProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Finish();
    }
  }
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;

  // Reads the output to its end and waits for the child.
  Ended Finish() {
    Ended e;
    char buffer[65536];
    ssize_t n = 0;
    while ((n = ::read(out_, buffer, sizeof buffer)) > 0)
      e.output.append(buffer, static_cast<size_t>(n));
    ::close(out_);
    int raw = 0;
    ::waitpid(pid_, &raw, 0);
    pid_ = -1;
    e.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return e;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

inline Ended RunHost(const std::string& program, const std::vector<std::string>& args,
                     const std::string& input = "", rlim_t addressSpace = 0) {
  return HostProcess(program, args, input, addressSpace).Finish();
}

}  // namespace vmbgrid::hosttest
