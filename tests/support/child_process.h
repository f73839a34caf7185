// A program the test runs as a process of its own: arguments, standard input,
// optionally an address-space limit; its output read line by line while it runs, or
// whole once it ends.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace vmbgrid::testing {

struct Ended {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  std::string output;
};

class ChildProcess {
 public:
  struct Options {
    std::string input;        // small inputs only: they must fit the pipe
    rlim_t addressSpace = 0;  // > 0: the child's virtual memory in bytes
    bool withErrors = false;  // standard error joins standard output
  };

  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               const Options& options) {
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
      if (options.withErrors) ::dup2(out[1], STDERR_FILENO);
      for (int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
      if (options.addressSpace > 0) {
        rlimit limit{options.addressSpace, options.addressSpace};
        ::setrlimit(RLIMIT_AS, &limit);
      }
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    for (int fd : {in[0], out[1]}) ::close(fd);
    if (!options.input.empty()) (void)!::write(in[1], options.input.data(), options.input.size());
    ::close(in[1]);
    out_ = ::fdopen(out[0], "r");
  }
  ChildProcess(const std::string& program, const std::vector<std::string>& args)
      : ChildProcess(program, args, Options{}) {}
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
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) continue;
    pid_ = -1;
    return status;
  }
  // Reads the output to its end and waits for the child.
  Ended Finish() {
    Ended e;
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, out_)) > 0) e.output.append(buffer, n);
    const int raw = Wait();
    e.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return e;
  }

 private:
  pid_t pid_ = -1;
  std::FILE* out_ = nullptr;
};

// A host run as a script runs it: its standard output and error together.
inline Ended RunHost(const std::string& program, const std::vector<std::string>& args,
                     const std::string& input = "", rlim_t addressSpace = 0) {
  return ChildProcess(program, args, {input, addressSpace, true}).Finish();
}

}  // namespace vmbgrid::testing
