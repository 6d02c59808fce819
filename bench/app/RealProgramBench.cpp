// The built `korvanta` itself, started as a player starts it, in the pack's folder: how soon the
// greeting sounds after exec (goal under 150 ms), and how much memory it holds at its peak over
// a game with the default pack, and with three hour-long pieces of music (goal under 40 MB); and
// window swaps as fast as keys can make them, which must never end in an X error.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <thread>

#include "Stage.h"
#include "tests/support/FixturePack.h"
#include "tests/support/Listening.h"
#include "tools/mp3/Mp3Writer.h"

namespace korvanta::bench {
namespace {

using Clock = e2e::Clock;
using namespace std::chrono_literals;

// A session bus of its own, as every desktop gives its programs: without one, SDL's video start
// has the message bus library look for a bus launcher on every start, which no player's start
// pays. Empty where dbus-daemon is missing, and the programs then start without a bus.
std::string privateSessionBus() {
  static const std::filesystem::path socket =
      std::filesystem::temp_directory_path() / ("korvanta-bench-bus-" + std::to_string(getpid()));
  static const std::unique_ptr<e2e::Child> daemon = [] {
    if (e2e::findOnPath("dbus-daemon").empty()) return std::unique_ptr<e2e::Child>();
    auto child = std::make_unique<e2e::Child>(e2e::Child::Options{
        .argv = {"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + socket.string()},
        .endsWithUs = true});
    for (int wait = 0; wait < 500 && !std::filesystem::exists(socket); ++wait)
      std::this_thread::sleep_for(10ms);
    return child;
  }();
  return daemon && std::filesystem::exists(socket) ? "unix:path=" + socket.string() : "";
}

e2e::Child startProgram(const std::map<std::string, std::string>& extra = {},
                        const std::filesystem::path& folder = packFolder()) {
  std::map<std::string, std::string> set = {{"DISPLAY", privateDisplay().name()},
                                            {"SDL_VIDEODRIVER", "x11"}};
  if (const std::string bus = privateSessionBus(); !bus.empty())
    set["DBUS_SESSION_BUS_ADDRESS"] = bus;
  set.insert(extra.begin(), extra.end());
  return e2e::Child({.argv = {programFile().string()},
                     .set = set,
                     .unset = {"WAYLAND_DISPLAY"},
                     .folder = folder.string(),
                     .captureOutput = true});
}

std::filesystem::path scratchFile(const std::string& name) {
  return std::filesystem::temp_directory_path() /
         ("korvanta-bench-" + std::to_string(getpid()) + "-" + name);
}

// Exec to the first sample of the greeting. SDL's disk driver stands in for the sound card and
// writes each period as the card would take it (`server:0`); or the program plays through a
// private PulseAudio (1) or PipeWire (2) server, whose sink's monitor is recorded in 5 ms
// fragments. The file is watched every half millisecond, so the moment the period holding the
// greeting's first frame was taken is known to about that.
void StartUpToGreeting(benchmark::State& state) {
  const int runs = 10;
  const e2e::Reference greeting = e2e::Reference::load(packFolder() / "ex1.mp3");
  const std::filesystem::path file = scratchFile("startup.f32");
  std::optional<e2e::SoundServer> server;
  if (state.range(0) > 0) {
    server.emplace(scratchFile("server").string(), state.range(0) == 1
                                                       ? e2e::SoundServer::Kind::kPulseAudio
                                                       : e2e::SoundServer::Kind::kPipeWire);
    server->start();
  }
  for (auto _ : state) {
    std::vector<double> ms;
    for (int run = 0; run < runs; ++run) {
      std::filesystem::remove(file);
      std::optional<e2e::Child> recorder;
      std::map<std::string, std::string> way = {{"SDL_AUDIODRIVER", "disk"},
                                                {"SDL_DISKAUDIOFILE", file.string()}};
      if (server) {
        e2e::Child::Options recording = server->recording(file.string());
        std::replace(recording.argv.begin(), recording.argv.end(), std::string("--latency-msec=20"),
                     std::string("--latency-msec=5"));
        recorder.emplace(recording);
        while (e2e::framesOnDisk(file) < e2e::framesOf(0.2)) std::this_thread::sleep_for(1ms);
        way = {{"SDL_AUDIODRIVER", "pulseaudio"}, {"PULSE_SERVER", server->address()}};
      }
      const int64_t before = e2e::framesOnDisk(file);
      std::vector<std::pair<Clock::time_point, int64_t>> seen;
      seen.reserve(20000);
      e2e::Child program = startProgram(way);
      while (e2e::secondsBetween(program.started(), Clock::now()) < 10.0) {
        const int64_t frames = e2e::framesOnDisk(file);
        if (seen.empty() || frames != seen.back().second) seen.push_back({Clock::now(), frames});
        if (frames > before + e2e::framesOf(2.5)) break;
        std::this_thread::sleep_for(500us);
      }
      program.stop();
      recorder.reset();
      const e2e::Recording rec = e2e::Recording::read(file);
      const e2e::Heard heard =
          e2e::listenFor(rec, greeting, before, before + e2e::framesOf(1.2), e2e::framesOf(1.0));
      const auto written = std::find_if(seen.begin(), seen.end(),
                                        [&](const auto& s) { return s.second > heard.onset; });
      if (heard.score < 0.8 || written == seen.end()) continue;
      ms.push_back(1000.0 * e2e::secondsBetween(program.started(), written->first));
    }
    std::filesystem::remove(file);
    const Spread spread(ms);
    state.counters["runs"] = double(ms.size());
    state.counters["median_ms"] = spread.median();
    state.counters["min_ms"] = spread.at(0.0);
    state.counters["max_ms"] = spread.max();
  }
}
BENCHMARK(StartUpToGreeting)
    ->ArgName("server")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// Waits for exactly one program window other than `gone`.
unsigned long waitForWindow(const e2e::Desk& desk, unsigned long gone) {
  const auto giveUp = Clock::now() + 20s;
  while (Clock::now() < giveUp) {
    const std::vector<unsigned long> windows = desk.windowsCaptioned("KORVANTA");
    if (windows.size() == 1 && windows[0] != gone) return windows[0];
    std::this_thread::sleep_for(20ms);
  }
  return 0;
}

// The peak resident memory of a running process so far, in MB (0 once it has gone). Read from
// the process itself: the peak that wait4 reports would also count the benchmark's own memory,
// which the child held between fork and exec.
double residentPeakMb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0.0;
}

// Peak resident memory over a visit: the menu, then a game of about 45 s in which every gun sound
// is chosen, bullets loaded and fired and the sight swept, then back to the menu and out.
void peakMemoryOverAVisit(benchmark::State& state, const std::filesystem::path& folder) {
  for (auto _ : state) {
    e2e::Child program = startProgram({}, folder);
    const e2e::Desk desk(privateDisplay().name());
    const unsigned long menu = waitForWindow(desk, 0);
    std::this_thread::sleep_for(1500ms);
    desk.press("Return");
    const unsigned long game = waitForWindow(desk, menu);
    const std::vector<std::string> round = {"1",     "2",     "3",    "4",    "space", "space",
                                            "space", "ctrl",  "Left", "ctrl", "Left",  "ctrl",
                                            "Up",    "Right", "Down", "ctrl", "shift", "Right"};
    for (int i = 0; i < 8 && program.running(); ++i) desk.pressAll(round, 300);
    desk.press("Escape");
    waitForWindow(desk, game);
    std::this_thread::sleep_for(1s);
    desk.press("Escape");
    // The peak only grows; the last reading before the program ends is the peak of the visit.
    double peak = 0.0;
    std::optional<int> status;
    for (int i = 0; i < 400 && !(status = program.wait(0.05)); ++i)
      peak = std::max(peak, residentPeakMb(program.pid()));
    if (!status) status = program.stop();
    state.counters["peak_MB"] = peak;
    state.counters["exit_status"] = status ? *status : -1;
  }
}

void PeakMemoryOverAGame(benchmark::State& state) {
  peakMemoryOverAVisit(state, packFolder());
}
BENCHMARK(PeakMemoryOverAGame)->Iterations(1)->Unit(benchmark::kSecond);

// The same visit with a player's own music: the three pieces an hour long each (noise at 22.05
// kHz, about 50 kbps), made here once. Streamed, they cost what a short piece costs.
void PeakMemoryWithHourLongMusic(benchmark::State& state) {
  const std::filesystem::path folder = scratchFile("hour-long-pack");
  std::filesystem::remove_all(folder);
  std::filesystem::copy(packFolder(), folder);
  {
    std::vector<float> noise(size_t(3600) * 22050);
    std::mt19937 draw(7);
    std::uniform_real_distribution<float> level(-0.3f, 0.3f);
    for (float& sample : noise) sample = level(draw);
    const std::string error = writeMp3(folder / "msc.mp3", noise, {.rate = 22050, .vbrQuality = 2});
    if (!error.empty()) state.SkipWithError(error.c_str());
  }
  for (const char* piece : {"msc1.mp3", "msc2.mp3"})
    std::filesystem::copy_file(folder / "msc.mp3", folder / piece,
                               std::filesystem::copy_options::overwrite_existing);
  state.counters["music_MB_each"] = double(std::filesystem::file_size(folder / "msc.mp3")) / 1e6;
  peakMemoryOverAVisit(state, folder);
  std::filesystem::remove_all(folder);
}
BENCHMARK(PeakMemoryWithHourLongMusic)->Iterations(1)->Unit(benchmark::kSecond);

// A pack of short tones whose farewells last a tenth of a second, so that a swap costs little
// more than its windows.
std::filesystem::path quickPack() {
  static const std::filesystem::path folder = [] {
    const std::filesystem::path made = test::freshFolder("quick-pack");
    test::writeFixturePack(made, {{"no salgo.mp3", 0.1}, {"exito1.mp3", 0.1}, {"fin.mp3", 0.1}});
    return made;
  }();
  return folder;
}

// Menu to game (Enter) and back (Escape), `swaps` times, each key pressed as soon as its window
// shows; the swaps made before a window failed to come.
int swapWindows(e2e::Child& program, int swaps) {
  const e2e::Desk desk(privateDisplay().name());
  unsigned long menu = waitForWindow(desk, 0);
  int done = 0;
  for (; menu && done < swaps && program.running(); ++done) {
    desk.press("Return");
    const unsigned long game = waitForWindow(desk, menu);
    if (!game) break;
    desk.press("Escape");
    menu = waitForWindow(desk, game);
  }
  return done;
}

// Lines where Xlib reported an error; its default handler then ends the program.
double xErrorsIn(const std::string& output) {
  double errors = 0;
  for (size_t at = output.find("X Error"); at != std::string::npos;
       at = output.find("X Error", at + 1))
    ++errors;
  return errors;
}

// 200 swaps with four busy processes on the machine's cores, as a loaded desktop has them: the
// load is what once let the X server destroy a window before SDL's wake-up to it arrived.
void WindowSwapsUnderLoad(benchmark::State& state) {
  const int swaps = 200;
  for (auto _ : state) {
    std::vector<std::unique_ptr<e2e::Child>> busy;
    for (int i = 0; i < 4; ++i)
      busy.push_back(std::make_unique<e2e::Child>(
          e2e::Child::Options{.argv = {"sh", "-c", "while :; do :; done"}, .endsWithUs = true}));
    e2e::Child program = startProgram({{"SDL_AUDIODRIVER", "dummy"}}, quickPack());
    const auto began = Clock::now();
    state.counters["swaps"] = swapWindows(program, swaps);
    state.counters["seconds"] = e2e::secondsBetween(began, Clock::now());
    state.counters["still_running"] = program.running();
    busy.clear();
    program.stop();
    state.counters["x_errors"] = xErrorsIn(program.output());
  }
}
BENCHMARK(WindowSwapsUnderLoad)->Iterations(1)->Unit(benchmark::kSecond);

// A display number no server uses, for xtrace's proxy.
std::string freeDisplay() {
  for (int n = 90;; ++n)
    if (!std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n)))
      return ":" + std::to_string(n);
}

// The program through xtrace, the X protocol logged: every wake-up SDL sends while it waits for
// events (its timestamps are the wall clock's), and every window destroyed. None may go to a
// window destroyed while the program runs; those destroyed once it was told to end are counted
// apart, and the least time between a wake-up and its window's destroy is noted.
void WakeUpsOnlyReachLiveWindows(benchmark::State& state) {
  if (e2e::findOnPath("xtrace").empty()) return state.SkipWithError("needs Debian's xtrace");
  const std::filesystem::path trace = scratchFile("xtrace.log");
  for (auto _ : state) {
    e2e::Child program(
        {.argv = {"xtrace", "-n", "--timestamps", "-d", privateDisplay().name(), "-D",
                  freeDisplay(), "-o", trace.string(), "--", programFile().string()},
         .set = {{"SDL_VIDEODRIVER", "x11"}, {"SDL_AUDIODRIVER", "dummy"}},
         .unset = {"WAYLAND_DISPLAY"},
         .folder = quickPack().string(),
         .captureOutput = true});
    state.counters["swaps"] = swapWindows(program, 10);
    // Escape in the menu says goodbye and ends the program, which destroys its windows.
    std::this_thread::sleep_for(500ms);
    const double goodbye =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    e2e::Desk(privateDisplay().name()).press("Escape");
    state.counters["ended_by_itself"] = program.wait(20.0).has_value();
    program.stop();
    state.counters["x_errors"] = xErrorsIn(program.output());

    // std::regex would recurse over the trace's long lines until the stack ran out.
    const auto field = [](const std::string& line, const std::string& name) {
      const size_t at = line.find(name);
      return at == std::string::npos
                 ? std::string()
                 : line.substr(at + name.size(), line.find_first_of(" ;", at) - at - name.size());
    };
    std::vector<std::pair<double, std::string>> wakeUps;
    std::map<std::string, double> destroyed;
    std::ifstream log(trace);
    for (std::string line; std::getline(log, line);) {
      const bool sent = line.find("SendEvent") != std::string::npos &&
                        line.find("\"_SDL_WAKEUP\"") != std::string::npos;
      if (sent) wakeUps.push_back({std::stod(line), field(line, "destination=")});
      if (line.find("DestroyWindow") != std::string::npos)
        destroyed.emplace(field(line, "window="), std::stod(line));
    }
    double whileRunning = 0, atEnd = 0, closest = 1e9;
    for (const auto& [sent, window] : wakeUps) {
      const auto gone = destroyed.find(window);
      if (gone == destroyed.end()) continue;
      (gone->second > goodbye ? atEnd : whileRunning) += 1;
      closest = std::min(closest, 1000.0 * (gone->second - sent));
    }
    state.counters["wake_ups"] = double(wakeUps.size());
    state.counters["windows_destroyed"] = double(destroyed.size());
    state.counters["wake_ups_to_windows_destroyed_while_running"] = whileRunning;
    state.counters["wake_ups_to_windows_destroyed_at_the_end"] = atEnd;
    if (closest < 1e9) state.counters["least_ms_from_wake_up_to_destroy"] = closest;
  }
  std::filesystem::remove(trace);
}
BENCHMARK(WakeUpsOnlyReachLiveWindows)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace korvanta::bench
