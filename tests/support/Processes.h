// Other programs the end-to-end checks drive: the game itself, a virtual X server, and the
// XTest key presser. Nothing here installs anything; a missing program is reported by name.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace korvanta::e2e {

using Clock = std::chrono::steady_clock;

// Seconds between two moments of the steady clock.
double secondsBetween(Clock::time_point from, Clock::time_point to);

// The full path of `program` found on PATH, or an empty string.
std::string findOnPath(const std::string& program);

// A program started by us, ended by us at the latest when this object goes.
class Child {
 public:
  struct Options {
    std::vector<std::string> argv{};
    // Variables set on top of our own environment, and variables removed from it.
    std::map<std::string, std::string> set{};
    std::vector<std::string> unset{};
    // The folder it starts in; empty keeps ours.
    std::string folder{};
    // Keep its standard output and error (together) to read with `output()`.
    bool captureOutput = false;
    // A descriptor of ours the child inherits under the same number (Xvfb's -displayfd).
    int inheritFd = -1;
    // Killed by the system if we die first, even by a signal no destructor sees.
    bool endsWithUs = false;
  };

  explicit Child(const Options& options);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  // The moment just before it was started.
  Clock::time_point started() const { return started_; }

  // Waits up to `seconds` for it to end; its exit status (128 + signal if killed), or nothing.
  std::optional<int> wait(double seconds);
  // Whether it is still running, without waiting.
  bool running();
  // Asks it to end (SIGTERM), then forces it after `graceSeconds`; returns its status.
  int stop(double graceSeconds = 2.0);

  // What it wrote so far, when captured.
  const std::string& output();
  // Its resource use (CPU times, peak resident memory) once it has ended.
  const rusage& usage() const { return usage_; }
  // The moment it was found ended.
  Clock::time_point ended() const { return ended_; }

 private:
  void drain();
  bool reap(int flags);

  pid_t pid_ = -1;
  int outputFd_ = -1;
  std::string output_;
  std::optional<int> status_;
  rusage usage_{};
  Clock::time_point started_;
  Clock::time_point ended_;
};

// How the checks start the game: in `folder`, on `display`, its sound written by SDL's disk
// driver to `recording`, its output kept.
Child::Options gameOnDisplay(const std::string& program, const std::string& folder,
                             const std::string& display, const std::string& recording);

// Runs a short command to its end; its status (-1 on timeout) and what it printed.
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
  // Starts it and waits until it accepts clients; throws std::runtime_error if it cannot.
  VirtualDisplay();
  // The DISPLAY value, such as ":3".
  const std::string& name() const { return name_; }

 private:
  std::optional<Child> server_;
  std::string name_;
};

// A private sound server: its own folder and sockets, no system service, one null sink
// ("korvanta") whose monitor the checks record, reached through the PulseAudio protocol. Either
// PulseAudio itself, module for module what a desktop's loads to play (its "auto_null" sink
// stands in while no other is there), or PipeWire with its session manager (on a private
// message bus) and its PulseAudio server.
class SoundServer {
 public:
  enum class Kind { kPulseAudio, kPipeWire };
  // Its sockets and state live in `folder`; nothing runs until `start`.
  explicit SoundServer(std::string folder, Kind kind = Kind::kPulseAudio);
  ~SoundServer() { kill(); }
  SoundServer(const SoundServer&) = delete;
  SoundServer& operator=(const SoundServer&) = delete;
  // The programs it needs, for a check to skip without them.
  static std::vector<std::string> programs(Kind kind);
  // Starts it with the sink at `rate` and `channels` and waits until it answers; throws
  // std::runtime_error if it cannot.
  void start(int rate = 48000, int channels = 2);
  // Kills it at once, as a crash would.
  void kill();
  // PULSE_SERVER for its clients.
  std::string address() const { return "unix:" + folder_ + "/pulse/native"; }
  // Runs pactl against it.
  CommandResult pactl(const std::vector<std::string>& args) const;
  // Loads the null sink "korvanta"; its module's index.
  std::string loadSink(int rate, int channels) const;
  // How to record the sink's monitor into `file` as float32 stereo frames at 48 kHz (parec).
  Child::Options recording(const std::string& file) const;

 private:
  void run(std::vector<std::string> argv);

  std::string folder_;
  Kind kind_;
  std::vector<std::unique_ptr<Child>> processes_;
};

// The keyboard and window list of a display, through xdotool (keys go in by XTest, as a real
// keyboard's would, to whatever window has the keyboard focus).
class Desk {
 public:
  explicit Desk(std::string display) : display_(std::move(display)) {}

  // Presses and releases one key by its X name ("Down", "Return", "ctrl", "space").
  void press(const std::string& key) const;
  // Presses each key in turn, `delayMs` apart, in one run of xdotool.
  void pressAll(const std::vector<std::string>& keys, int delayMs) const;
  // The windows whose caption is exactly `caption`.
  std::vector<unsigned long> windowsCaptioned(const std::string& caption) const;
  // The window that has the keyboard focus, or 0.
  unsigned long focusedWindow() const;

 private:
  std::string display_;
};

}  // namespace korvanta::e2e
