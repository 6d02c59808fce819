#include "Processes.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace korvanta::e2e {

double secondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

std::string findOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const std::filesystem::path candidate = std::filesystem::path(folder) / program;
    if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return {};
}

Child::Child(const Options& options) {
  // Everything the child needs is built before fork: after it, only async-signal-safe calls.
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) {
    const std::string variable = *entry;
    const std::string key = variable.substr(0, variable.find('='));
    bool drop = options.set.count(key) > 0;
    for (const std::string& name : options.unset) drop = drop || name == key;
    if (!drop) environment.push_back(variable);
  }
  for (const auto& [key, value] : options.set) environment.push_back(key + "=" + value);
  std::vector<char*> envp;
  for (std::string& variable : environment) envp.push_back(variable.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = options.argv;
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string program =
      args.at(0).find('/') == std::string::npos ? findOnPath(args[0]) : args[0];
  if (program.empty()) throw std::runtime_error(args[0] + " is not installed");

  int pipeFds[2] = {-1, -1};
  if (options.captureOutput && pipe2(pipeFds, O_CLOEXEC) != 0)
    throw std::runtime_error("cannot make a pipe");
  const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);

  started_ = Clock::now();
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("cannot start " + args[0]);
  if (pid_ == 0) {
    setpgid(0, 0);
    if (options.endsWithUs) prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (devNull >= 0) dup2(devNull, 0);
    if (options.captureOutput) {
      dup2(pipeFds[1], 1);
      dup2(pipeFds[1], 2);
    }
    if (options.inheritFd >= 0) fcntl(options.inheritFd, F_SETFD, 0);
    if (!options.folder.empty() && chdir(options.folder.c_str()) != 0) _exit(126);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  if (devNull >= 0) close(devNull);
  if (options.captureOutput) {
    close(pipeFds[1]);
    outputFd_ = pipeFds[0];
    fcntl(outputFd_, F_SETFL, O_NONBLOCK);
  }
}

Child::~Child() {
  if (!status_) stop(1.0);
  if (outputFd_ >= 0) close(outputFd_);
}

void Child::drain() {
  if (outputFd_ < 0) return;
  char buffer[4096];
  for (ssize_t n; (n = read(outputFd_, buffer, sizeof buffer)) > 0;) output_.append(buffer, n);
}

bool Child::reap(int flags) {
  if (status_) return true;
  int status = 0;
  const pid_t done = wait4(pid_, &status, flags, &usage_);
  if (done != pid_) return false;
  ended_ = Clock::now();
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  drain();
  return true;
}

std::optional<int> Child::wait(double seconds) {
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  while (!reap(WNOHANG)) {
    drain();
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return status_;
}

bool Child::running() {
  return !reap(WNOHANG);
}

int Child::stop(double graceSeconds) {
  if (status_) return *status_;
  kill(pid_, SIGTERM);
  if (wait(graceSeconds)) return *status_;
  kill(pid_, SIGKILL);
  reap(0);
  return *status_;
}

const std::string& Child::output() {
  drain();
  return output_;
}

Child::Options gameOnDisplay(const std::string& program, const std::string& folder,
                             const std::string& display, const std::string& recording) {
  return {.argv = {program},
          .set = {{"DISPLAY", display},
                  {"SDL_VIDEODRIVER", "x11"},
                  {"SDL_AUDIODRIVER", "disk"},
                  {"SDL_DISKAUDIOFILE", recording}},
          .unset = {"WAYLAND_DISPLAY"},
          .folder = folder,
          .captureOutput = true};
}

CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& set, double timeoutSeconds) {
  Child child({.argv = argv, .set = set, .captureOutput = true});
  CommandResult result;
  const std::optional<int> status = child.wait(timeoutSeconds);
  result.status = status ? *status : -1;
  result.output = child.output();
  return result;
}

VirtualDisplay::VirtualDisplay() {
  // Xvfb picks a free display number itself and writes it to this pipe once it accepts clients.
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe");
  try {
    server_.emplace(
        Child::Options{.argv = {"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0",
                                "640x480x24", "-nolisten", "tcp", "-noreset"},
                       .captureOutput = true,
                       .inheritFd = ready[1]});
  } catch (...) {
    close(ready[0]);
    close(ready[1]);
    throw;
  }
  close(ready[1]);
  std::string number;
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (number.find('\n') == std::string::npos && Clock::now() < deadline) {
    pollfd fd{ready[0], POLLIN, 0};
    if (poll(&fd, 1, 100) <= 0) continue;
    char buffer[16];
    const ssize_t n = read(ready[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, n);
  }
  close(ready[0]);
  if (number.find('\n') == std::string::npos)
    throw std::runtime_error("Xvfb did not start: " + server_->output());
  name_ = ":" + number.substr(0, number.find('\n'));
}

SoundServer::SoundServer(std::string folder, Kind kind) : folder_(std::move(folder)), kind_(kind) {}

std::vector<std::string> SoundServer::programs(Kind kind) {
  if (kind == Kind::kPulseAudio) return {"pulseaudio", "pactl", "parec"};
  return {"pipewire", "pipewire-pulse", "wireplumber", "dbus-run-session", "pactl", "parec"};
}

void SoundServer::run(std::vector<std::string> argv) {
  // As root it runs as a user's server would, never as the system-wide one; its home, runtime
  // and state folders are ours, so no other server or setting is met.
  processes_.push_back(std::make_unique<Child>(Child::Options{
      .argv = std::move(argv),
      .set = {{"HOME", folder_},
              {"XDG_RUNTIME_DIR", folder_},
              {"XDG_CONFIG_HOME", folder_ + "/config"},
              {"XDG_STATE_HOME", folder_ + "/state"},
              {"PULSE_RUNTIME_PATH", folder_ + "/pulse"},
              {"PULSE_STATE_PATH", folder_ + "/state"}},
      .unset = {"DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "PULSE_SERVER", "PIPEWIRE_REMOTE"},
      .captureOutput = true,
      .endsWithUs = true}));
}

void SoundServer::start(int rate, int channels) {
  std::filesystem::create_directories(folder_ + "/pulse");
  std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
  if (kind_ == Kind::kPulseAudio) {
    run({"pulseaudio", "-n", "--daemonize=no", "--system=no", "--exit-idle-time=-1",
         "--disallow-exit", "--use-pid-file=no", "--disable-shm=yes", "--log-target=stderr", "-L",
         "module-native-protocol-unix auth-anonymous=1 socket=" + folder_ + "/pulse/native", "-L",
         "module-always-sink"});
  } else {
    run({"pipewire"});
    // The session manager wants a message bus, which a desktop session would have.
    run({"dbus-run-session", "--", "wireplumber"});
    run({"pipewire-pulse"});
  }
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (pactl({"info"}).status != 0) {
    bool running = true;
    for (auto& process : processes_) running = running && process->running();
    if (!running || Clock::now() > deadline) {
      std::string said;
      for (auto& process : processes_) said += process->output();
      throw std::runtime_error("the sound server did not start: " + said);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  loadSink(rate, channels);
}

std::string SoundServer::loadSink(int rate, int channels) const {
  const CommandResult loaded =
      pactl({"load-module", "module-null-sink", "sink_name=korvanta",
             "rate=" + std::to_string(rate), "channels=" + std::to_string(channels)});
  pactl({"set-default-sink", "korvanta"});
  if (loaded.status != 0) throw std::runtime_error("no null sink: " + loaded.output);
  return loaded.output.substr(0, loaded.output.find('\n'));
}

void SoundServer::kill() {
  // The whole process group: the message bus and the session manager under it too.
  for (auto& process : processes_) ::kill(-process->pid(), SIGKILL);
  processes_.clear();
}

CommandResult SoundServer::pactl(const std::vector<std::string>& args) const {
  std::vector<std::string> argv = {"pactl"};
  argv.insert(argv.end(), args.begin(), args.end());
  return runCommand(argv, {{"PULSE_SERVER", address()}});
}

Child::Options SoundServer::recording(const std::string& file) const {
  return {.argv = {"parec", "--device=korvanta.monitor", "--format=float32le", "--rate=48000",
                   "--channels=2", "--latency-msec=20", file},
          .set = {{"PULSE_SERVER", address()}},
          .captureOutput = true,
          .endsWithUs = true};
}

void Desk::press(const std::string& key) const {
  pressAll({key}, 12);
}

void Desk::pressAll(const std::vector<std::string>& keys, int delayMs) const {
  std::vector<std::string> argv = {"xdotool", "key", "--delay", std::to_string(delayMs)};
  argv.insert(argv.end(), keys.begin(), keys.end());
  const double timeout = 10.0 + keys.size() * delayMs / 1000.0;
  const CommandResult result = runCommand(argv, {{"DISPLAY", display_}}, timeout);
  if (result.status != 0) throw std::runtime_error("xdotool key failed: " + result.output);
}

std::vector<unsigned long> Desk::windowsCaptioned(const std::string& caption) const {
  const CommandResult result =
      runCommand({"xdotool", "search", "--name", "^" + caption + "$"}, {{"DISPLAY", display_}});
  std::vector<unsigned long> ids;
  std::stringstream lines(result.output);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))
      ids.push_back(std::stoul(line));
  return ids;
}

unsigned long Desk::focusedWindow() const {
  const CommandResult result = runCommand({"xdotool", "getwindowfocus"}, {{"DISPLAY", display_}});
  if (result.status != 0 || result.output.empty() ||
      !std::isdigit(static_cast<unsigned char>(result.output[0])))
    return 0;
  return std::stoul(result.output);
}

}  // namespace korvanta::e2e
