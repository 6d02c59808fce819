#include "Opener.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

extern char** environ;

namespace korvanta {

void openWithDesktopOpener(const std::string& address) {
  // The address goes to the opener as one argument; no shell ever sees it.
  std::string program = "xdg-open";
  std::string argument = address;
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ);
  if (error != 0) {
    std::fprintf(stderr, "korvanta: cannot open the web page with %s: %s\n", program.c_str(),
                 std::strerror(error));
    return;
  }
  // The browser may stay open for hours; reap the opener off the UI thread, whatever it says.
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
}

}  // namespace korvanta
