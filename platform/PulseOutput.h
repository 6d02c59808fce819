// The player's sound server (PulseAudio, or PipeWire's pulse server) through libpulse: the mixer
// renders in the server's write requests, a few short periods ahead of what is heard. Without a
// server, or with one that died or stopped answering, the time is kept silently and a server is
// looked for again every second.
//
// Threads: the game's thread only starts and stops this. libpulse's threaded main loop runs every
// call to the server and every callback, under its lock; no call waits for the server's answer.
// The keeper thread starts each connection, keeps the silent time while the server asks for no
// sound, and then asks the server a small question: one that does not answer is frozen. The
// mixer is rendered by exactly one of the two at a time: the main loop while `playing_`, the
// keeper otherwise, switched under `renderMutex_`. Lock order: the keeper's `mutex_`, or the
// main loop's lock, before `renderMutex_`; `mutex_` is never held while waiting for the loop.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "SilentClock.h"
#include "sound/AudioTap.h"
#include "sound/Mixer.h"
#include "sound/Output.h"

struct pa_context;
struct pa_server_info;
struct pa_sink_info;
struct pa_stream;
struct pa_threaded_mainloop;

namespace korvanta {

class PulseOutput : public AudioOutput {
 public:
  // Frames per period, and periods the server holds: 21 ms in all, the smallest buffer that
  // played without an underrun on a busy 2-core machine (three periods underran; the README's
  // table has the figures).
  static constexpr int kPeriodFrames = 256;
  static constexpr int kPeriods = 4;
  // How long a silent output waits between two connections to the server.
  static constexpr std::chrono::milliseconds kRetryInterval{1000};
  // A server that asks for nothing for this long has paused the stream (to move it, or for
  // want of a device): the time is kept silently, and the server asked whether it still answers.
  static constexpr std::chrono::milliseconds kPauseLimit{150};
  // A server that has not answered that question by then is taken for frozen.
  static constexpr std::chrono::milliseconds kProbeLimit{250};
  // The audio thread's real-time priority, as a server's own threads have (PulseAudio's are at 5).
  static constexpr int kRealtimePriority = 10;
  // How often the keeper looks at the server's pace while it plays.
  static constexpr std::chrono::milliseconds kWatchInterval{25};
  // A connection not playing by then is given up, and the next one tried.
  static constexpr std::chrono::milliseconds kAnswerLimit{5000};
  // The first connection not playing by then is said to be no sound device (it may still come).
  static constexpr std::chrono::milliseconds kFirstAnswerLimit{1000};

  // Whether the player's sound server is the way to play: SDL_AUDIODRIVER unset or naming
  // pulseaudio, and a server named or its socket in place. Looks at no server, so it never waits.
  static bool wanted();

  // `tap`, if any, sees every period rendered (measuring tools only).
  PulseOutput(Mixer& mixer, int periodFrames = kPeriodFrames, AudioTap* tap = nullptr);
  ~PulseOutput() override;

  // Starts the first connection and returns at once; the sound comes when the server answers.
  void open() override;
  // Ends the connection without waiting for the server, however it is.
  void close() override;
  int periodFrames() const override { return period_; }
  std::string driverName() const override { return "pulseaudio"; }

  // Whether the server plays the mixer now (else the time is kept silently).
  bool playing() const;
  // Underflows the server reported of our stream since `open`.
  int underruns() const { return underruns_; }

 private:
  static void onContextState(pa_context* context, void* self);
  static void onStreamState(pa_stream* stream, void* self);
  static void onWritable(pa_stream* stream, size_t bytes, void* self);
  static void onUnderflow(pa_stream* stream, void* self);
  static void onSinkInfo(pa_context* context, const pa_sink_info* info, int last, void* self);
  static void onProbeAnswered(pa_context* context, const pa_server_info* info, void* self);

  // Under the main loop's lock.
  void connect();
  void startStream();
  void disconnect();
  void write(pa_stream* stream, size_t bytes);
  // On the main loop's thread, once: real-time priority, where the desktop grants it.
  static void askForRealtime();
  // From a callback: the connection failed or went; the keeper takes it down.
  void fail(const std::string& why);

  // The keeper thread's loop.
  void keep();
  // The keeper keeps the time silently from the server's last request on.
  void pause();
  // The keeper takes the connection down.
  void takeDown();
  // The keeper asks the server something small, to see whether it answers; false if it could
  // not be asked yet.
  bool probe();

  Mixer& mixer_;
  int period_;
  AudioTap* tap_;
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  std::atomic<int> underruns_ = 0;
  // Set on the main loop's thread when its first write request comes.
  bool realtimeAsked_ = false;

  mutable std::mutex renderMutex_;
  bool playing_ = false;
  SilentClock silence_;
  // When the server last asked for sound, on the steady clock.
  std::atomic<SilentClock::Clock::rep> lastWrite_ = 0;

  // The keeper's state and its wake-ups.
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool failed_ = false;
  bool probeAnswered_ = false;
  // A first write came since the keeper last looked.
  bool found_ = false;
  std::string why_;
  std::thread keeper_;
};

}  // namespace korvanta
