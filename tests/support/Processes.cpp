#include "Processes.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <regex>
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
    if (!options.set.count(key) && std::ranges::count(options.unset, key) == 0)
      environment.push_back(variable);
  }
  for (const auto& [key, value] : options.set) environment.push_back(key + "=" + value);
  std::vector<std::string> args = options.argv;
  std::vector<char*> envp, argv;
  for (std::string& variable : environment) envp.push_back(variable.data());
  for (std::string& arg : args) argv.push_back(arg.data());
  envp.push_back(nullptr);
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
    // A group of its own, so that a server's helpers can be killed with it.
    setpgid(0, 0);
    if (options.endsWithUs) prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (devNull >= 0) dup2(devNull, 0);
    if (options.captureOutput) {
      dup2(pipeFds[1], 1);
      dup2(pipeFds[1], 2);
    }
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
  stop(1.0);
  if (outputFd_ >= 0) close(outputFd_);
}

const std::string& Child::output() {
  char buffer[4096];
  if (outputFd_ >= 0)
    for (ssize_t n; (n = read(outputFd_, buffer, sizeof buffer)) > 0;) output_.append(buffer, n);
  return output_;
}

bool Child::reap(bool block) {
  int status = 0;
  if (!status_ && waitpid(pid_, &status, block ? 0 : WNOHANG) == pid_) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    output();
  }
  return status_.has_value();
}

std::optional<int> Child::wait(double seconds) {
  // Read as it goes, so that a full pipe never holds it up.
  const auto ended = [&] {
    output();
    return reap(false);
  };
  within(seconds, ended, {}, 2);
  return status_;
}

int Child::stop(double graceSeconds) {
  if (reap(false)) return *status_;
  kill(pid_, SIGTERM);
  if (wait(graceSeconds)) return *status_;
  kill(pid_, SIGKILL);
  reap(true);
  return *status_;
}

bool within(double seconds, const std::function<bool()>& done, const std::vector<Child*>& running,
            int stepMs) {
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    for (Child* child : running)
      if (!child->running()) throw std::runtime_error("it ended, saying:\n" + child->output());
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
  }
  return true;
}

CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& set, double timeoutSeconds) {
  Child child({.argv = argv, .set = set, .captureOutput = true});
  const std::optional<int> status = child.wait(timeoutSeconds);
  return {status.value_or(-1), child.output()};
}

VirtualDisplay::VirtualDisplay() {
  // Xvfb picks a free display number and writes it, alone on a line, once it accepts clients.
  server_.emplace(Child::Options{.argv = {"Xvfb", "-displayfd", "1", "-screen", "0", "640x480x24",
                                          "-nolisten", "tcp", "-noreset"},
                                 .captureOutput = true});
  const std::regex numberLine("(^|\n)([0-9]+)\n");
  std::smatch number;
  const auto ready = [&] { return std::regex_search(server_->output(), number, numberLine); };
  if (!within(20.0, ready, {&*server_}, 5))
    throw std::runtime_error("Xvfb did not start: " + server_->output());
  name_ = ":" + number[2].str();
}

SoundServer::SoundServer(std::string folder, Kind kind) : folder_(std::move(folder)), kind_(kind) {}

std::vector<std::string> SoundServer::programs(Kind kind) {
  if (kind == Kind::kPulseAudio) return {"pulseaudio", "pactl", "parec"};
  return {"pipewire", "pipewire-pulse", "wireplumber", "dbus-run-session", "pactl", "parec"};
}

void SoundServer::start(int rate, int channels) {
  std::filesystem::create_directories(folder_ + "/pulse");
  std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
  std::vector<std::vector<std::string>> commands = {
      {"pulseaudio", "-n", "--daemonize=no", "--system=no", "--exit-idle-time=-1",
       "--disallow-exit", "--use-pid-file=no", "--disable-shm=yes", "--log-target=stderr", "-L",
       "module-native-protocol-unix auth-anonymous=1 socket=" + folder_ + "/pulse/native", "-L",
       "module-always-sink"}};
  // The session manager wants a message bus, which a desktop session would have.
  if (kind_ == Kind::kPipeWire)
    commands = {{"pipewire"}, {"dbus-run-session", "--", "wireplumber"}, {"pipewire-pulse"}};
  // As root it still runs as a user's server would; home, runtime and state folders are its own,
  // so no other server or setting is met.
  for (std::vector<std::string>& argv : commands)
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
  std::vector<Child*> running;
  for (auto& process : processes_) running.push_back(process.get());
  const auto answers = [&] { return pactl({"info"}).status == 0; };
  if (!within(10.0, answers, running, 20)) {
    std::string said;
    for (Child* process : running) said += process->output();
    throw std::runtime_error("the sound server did not start: " + said);
  }
  loadSink(rate, channels);
}

std::string SoundServer::loadSink(int rate, int channels, const std::string& name) const {
  const CommandResult loaded =
      pactl({"load-module", "module-null-sink", "sink_name=" + name, "rate=" + std::to_string(rate),
             "channels=" + std::to_string(channels)});
  if (loaded.status != 0) throw std::runtime_error("no null sink: " + loaded.output);
  pactl({"set-default-sink", name});
  return loaded.output.substr(0, loaded.output.find_first_not_of("0123456789"));
}

void SoundServer::freeze(bool frozen) const {
  for (const auto& process : processes_) ::kill(-process->pid(), frozen ? SIGSTOP : SIGCONT);
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

Child::Options SoundServer::recording(const std::string& file, const std::string& sink) const {
  return {.argv = {"parec", "--device=" + sink + ".monitor", "--format=float32le", "--rate=48000",
                   "--channels=2", "--latency-msec=20", file},
          .set = {{"PULSE_SERVER", address()}},
          .captureOutput = true,
          .endsWithUs = true};
}

void Desk::pressAll(const std::vector<std::string>& keys, int delayMs) const {
  std::vector<std::string> argv = {"xdotool", "key", "--delay", std::to_string(delayMs)};
  argv.insert(argv.end(), keys.begin(), keys.end());
  const CommandResult result =
      runCommand(argv, {{"DISPLAY", display_}}, 10.0 + keys.size() * delayMs / 1000.0);
  if (result.status != 0) throw std::runtime_error("xdotool key failed: " + result.output);
}

std::vector<unsigned long> Desk::windowsCaptioned(const std::string& caption) const {
  const CommandResult result =
      runCommand({"xdotool", "search", "--onlyvisible", "--name", "^" + caption + "$"},
                 {{"DISPLAY", display_}});
  // Its complaints come in the same output; the ids are the lines of digits.
  std::vector<unsigned long> ids;
  std::stringstream lines(result.output);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))
      ids.push_back(std::stoul(line));
  return ids;
}

unsigned long Desk::focusedWindow() const {
  const CommandResult result = runCommand({"xdotool", "getwindowfocus"}, {{"DISPLAY", display_}});
  const bool given =
      result.status == 0 && std::isdigit(static_cast<unsigned char>(result.output[0]));
  return given ? std::stoul(result.output) : 0;
}

}  // namespace korvanta::e2e
