// Running a program on POSIX systems.
// SPDX-License-Identifier: MIT
#include "tests/support/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

namespace coord2seg::testing {
namespace {

void SetLimit(int resource, long long value) {
  if (value < 0) return;
  const rlimit limit{static_cast<rlim_t>(value), static_cast<rlim_t>(value)};
  ::setrlimit(resource, &limit);
}

[[noreturn]] void ExecChild(const std::string& program, const std::vector<std::string>& arguments,
                            const RunOptions& options, int in_fd, int out_fd, int err_fd) {
  ::dup2(out_fd, STDOUT_FILENO);
  ::dup2(err_fd, STDERR_FILENO);
  ::dup2(in_fd >= 0 ? in_fd : ::open("/dev/null", O_RDONLY), STDIN_FILENO);
  if (::chdir(options.working_directory.c_str()) != 0) ::_exit(126);
  if (options.file_size_limit >= 0) {
    ::signal(SIGXFSZ, options.default_file_size_signal ? SIG_DFL : SIG_IGN);
  }
  SetLimit(RLIMIT_FSIZE, options.file_size_limit);
  SetLimit(RLIMIT_AS, options.address_space_limit);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const std::vector<std::string> environment = ChildEnvironment(options.extra_environment);
  std::vector<char*> envp;
  for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  ::execve(program.c_str(), argv.data(), envp.data());
  ::_exit(127);
}

// Reads both pipes to their ends without letting either fill up.
void DrainPipes(int out_fd, int err_fd, std::string& out, std::string& err) {
  pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
  std::string* sinks[2] = {&out, &err};
  int open_count = 2;
  char chunk[65536];
  while (open_count > 0) {
    if (::poll(fds, 2, -1) < 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t got = ::read(fds[i].fd, chunk, sizeof chunk);
      if (got > 0) {
        sinks[i]->append(chunk, static_cast<std::size_t>(got));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open_count;
      }
    }
  }
}

// Feeds `bytes` to the child on a thread of its own, so a child that writes before it has read
// everything cannot stall both sides.
std::thread FeedInput(int in_fd, const std::optional<std::string>& bytes) {
  if (in_fd < 0) return {};
  return std::thread([in_fd, bytes = *bytes] {
    ::signal(SIGPIPE, SIG_IGN);  // a child that stops reading early is not the test's failure
    for (std::size_t done = 0; done < bytes.size();) {
      const ssize_t written = ::write(in_fd, bytes.data() + done, bytes.size() - done);
      if (written <= 0) break;
      done += static_cast<std::size_t>(written);
    }
    ::close(in_fd);
  });
}

}  // namespace

const bool kPosixHost = true;

bool MakeFifo(const std::filesystem::path& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

std::vector<std::string> ChildEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
  environment.insert(environment.end(), extra.begin(), extra.end());
  return environment;
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const RunOptions& options) {
  int in_pipe[2] = {-1, -1};
  int out_pipe[2];
  int err_pipe[2];
  if ((options.standard_input && ::pipe(in_pipe) != 0) || ::pipe(out_pipe) != 0 ||
      ::pipe(err_pipe) != 0) {
    throw std::runtime_error("pipe failed");
  }
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    if (in_pipe[1] >= 0) ::close(in_pipe[1]);
    ::close(out_pipe[0]);
    ::close(err_pipe[0]);
    ExecChild(program, arguments, options, in_pipe[0], out_pipe[1], err_pipe[1]);
  }
  if (in_pipe[0] >= 0) ::close(in_pipe[0]);
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  std::thread feeder = FeedInput(in_pipe[1], options.standard_input);
  ProgramResult result;
  DrainPipes(out_pipe[0], err_pipe[0], result.out, result.err);
  if (feeder.joinable()) feeder.join();
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
  }
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

}  // namespace coord2seg::testing
