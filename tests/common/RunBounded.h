#pragma once
// Running a call in a child process with a time bound.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace kztest {

// Runs `call` in a child process; its exit code, or -1 when it had not ended after
// `seconds` (it is then killed), so that a call that blocks fails the test instead of
// hanging it. -2 when no child could be made, -3 when the child did not exit normally.
inline int RunBounded(int seconds, const std::function<int()>& call) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(call());
  if (pid < 0) return -2;
  for (int waited = 0; waited < seconds * 100; ++waited) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -3;
    ::usleep(10000);
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return -1;
}

}  // namespace kztest
