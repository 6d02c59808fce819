// Other programs the end-to-end checks and benchmarks drive: the game itself, a virtual X server,
// a private sound server and the XTest key presser. A missing program is reported by name.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace korvanta::e2e {

using Clock = std::chrono::steady_clock;

double secondsBetween(Clock::time_point from, Clock::time_point to);
// The full path of `program` found on PATH, or an empty string.
std::string findOnPath(const std::string& program);

// A program started by us, ended by us at the latest when this object goes.
class Child {
 public:
  struct Options {
    std::vector<std::string> argv{};
    // Set on top of our own environment, and removed from it.
    std::map<std::string, std::string> set{};
    std::vector<std::string> unset{};
    // The folder it starts in; empty keeps ours.
    std::string folder{};
    // Keeps its standard output and error, together, for `output()`.
    bool captureOutput = false;
    // Killed by the system if we die first, even by a signal no destructor sees.
    bool endsWithUs = false;
  };

  // Starts it; throws std::runtime_error if it cannot.
  explicit Child(const Options& options);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  // The moment just before it was started.
  Clock::time_point started() const { return started_; }
  // Waits up to `seconds` for it to end; its exit status (128 + signal if killed), or nothing.
  std::optional<int> wait(double seconds);
  bool running() { return !reap(false); }
  // Asks it to end (SIGTERM), forces it after `graceSeconds`; its status.
  int stop(double graceSeconds = 2.0);
  // What it wrote so far, when captured.
  const std::string& output();

 private:
  bool reap(bool block);

  pid_t pid_ = -1;
  int outputFd_ = -1;
  std::string output_;
  std::optional<int> status_;
  Clock::time_point started_;
};

// Polls `done()` every `stepMs` until it holds (true) or `seconds` have passed (false); throws
// once one of `running` has ended, with what it said.
bool within(double seconds, const std::function<bool()>& done,
            const std::vector<Child*>& running = {}, int stepMs = 10);

// A short command run to its end: its status (-1 on timeout) and what it printed.
struct CommandResult {
  int status = -1;
  std::string output;
};
CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& set = {},
                         double timeoutSeconds = 10.0);

// A private X server (Xvfb) on a free display number, so keys never reach the user's desktop.
class VirtualDisplay {
 public:
  // Waits until it accepts clients; throws std::runtime_error if it cannot start.
  VirtualDisplay();
  // The DISPLAY value, such as ":3".
  const std::string& name() const { return name_; }

 private:
  std::optional<Child> server_;
  std::string name_;
};

// A private sound server reached through the PulseAudio protocol, its sockets and state in its
// own folder, with one null sink "korvanta" whose monitor is recorded: PulseAudio as a desktop
// loads it, or PipeWire with its session manager (on a private message bus) and pipewire-pulse.
class SoundServer {
 public:
  enum class Kind { kPulseAudio, kPipeWire };
  explicit SoundServer(std::string folder, Kind kind = Kind::kPulseAudio);
  ~SoundServer() { kill(); }
  // The programs it needs, for a check to skip without them.
  static std::vector<std::string> programs(Kind kind);
  // Starts it with the sink and waits until it answers; throws std::runtime_error if it cannot.
  void start(int rate = 48000, int channels = 2);
  // Kills it at once, as a crash would.
  void kill();
  // Stops it where it stands (SIGSTOP), as a hung server would, or lets it go on (SIGCONT).
  void freeze(bool frozen) const;
  // PULSE_SERVER for its clients.
  std::string address() const { return "unix:" + folder_ + "/pulse/native"; }
  CommandResult pactl(const std::vector<std::string>& args) const;
  // Loads a null sink (by default "korvanta") and makes it the default; its module's number.
  std::string loadSink(int rate, int channels, const std::string& name = "korvanta") const;
  // Records a sink's monitor into `file` as float32 stereo frames at 48 kHz (parec).
  Child::Options recording(const std::string& file, const std::string& sink = "korvanta") const;

 private:
  std::string folder_;
  Kind kind_;
  std::vector<std::unique_ptr<Child>> processes_;
};

// The keys and windows of a display through xdotool: keys go in by XTest, as a real keyboard's
// would, to the window with the keyboard focus.
class Desk {
 public:
  explicit Desk(std::string display) : display_(std::move(display)) {}
  // One key by its X name ("Down", "Return", "ctrl", "space").
  void press(const std::string& key) const { pressAll({key}, 12); }
  // Each key in turn, `delayMs` apart, in one run of xdotool.
  void pressAll(const std::vector<std::string>& keys, int delayMs) const;
  // The shown windows with this caption; the program keeps its windows hidden between uses.
  std::vector<unsigned long> windowsCaptioned(const std::string& caption) const;
  // The window with the keyboard focus, or 0.
  unsigned long focusedWindow() const;

 private:
  std::string display_;
};

}  // namespace korvanta::e2e
