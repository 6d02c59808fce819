#include "PulseOutput.h"

#include "SoundLines.h"

#include <SDL_system.h>
#include <SDL_thread.h>
#include <pthread.h>
#include <pulse/pulseaudio.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace korvanta {

namespace {

using Clock = SilentClock::Clock;

constexpr size_t kFrameBytes = 2 * sizeof(float);

std::string pulseError(pa_context* context) {
  return pa_strerror(pa_context_errno(context));
}

Clock::rep ticksNow() {
  return Clock::now().time_since_epoch().count();
}

}  // namespace

bool PulseOutput::wanted() {
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  if (driver && std::strcmp(driver, "pulseaudio") == 0) return true;
  if (driver && *driver) return false;
  if (const char* server = std::getenv("PULSE_SERVER"); server && *server) return true;
  // Where libpulse itself looks first: the user's runtime folder.
  std::string folder;
  if (const char* runtime = std::getenv("PULSE_RUNTIME_PATH"); runtime && *runtime)
    folder = runtime;
  else if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg)
    folder = std::string(xdg) + "/pulse";
  std::error_code error;
  return !folder.empty() && std::filesystem::exists(folder + "/native", error);
}

PulseOutput::PulseOutput(Mixer& mixer, int periodFrames, AudioTap* tap)
    : mixer_(mixer), period_(periodFrames), tap_(tap), silence_(mixer, periodFrames, tap) {}

PulseOutput::~PulseOutput() {
  close();
}

bool PulseOutput::playing() const {
  std::lock_guard lock(renderMutex_);
  return playing_;
}

void PulseOutput::open() {
  if (keeper_.joinable()) return;
  loop_ = pa_threaded_mainloop_new();
  pa_threaded_mainloop_set_name(loop_, "korvanta-pulse");
  pa_threaded_mainloop_start(loop_);
  stopping_ = false;
  silence_.startFrom(Clock::now());
  keeper_ = std::thread([this] { keep(); });
}

void PulseOutput::close() {
  if (!keeper_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  keeper_.join();
  // Nothing here waits for the server: the connection is dropped, not closed politely.
  pa_threaded_mainloop_lock(loop_);
  disconnect();
  pa_threaded_mainloop_unlock(loop_);
  pa_threaded_mainloop_stop(loop_);
  pa_threaded_mainloop_free(loop_);
  loop_ = nullptr;
  std::lock_guard lock(renderMutex_);
  playing_ = false;
}

void PulseOutput::connect() {
  pa_proplist* properties = pa_proplist_new();
  pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "KORVANTA");
  pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "org.korvanta.korvanta");
  pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "korvanta");
  pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "game");
  context_ =
      pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "KORVANTA", properties);
  pa_proplist_free(properties);
  pa_context_set_state_callback(context_, onContextState, this);
  // A server that is not running is looked for again by us, never started.
  if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
    fail(pulseError(context_));
}

void PulseOutput::onContextState(pa_context* context, void* self) {
  auto* output = static_cast<PulseOutput*>(self);
  switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
      // The device is looked at before our stream can make it change its rate to ours; a
      // player who hears no left and right should know why, the server converts the rest.
      if (pa_operation* asked =
              pa_context_get_sink_info_by_name(context, "@DEFAULT_SINK@", onSinkInfo, self))
        pa_operation_unref(asked);
      else
        output->startStream();
      break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
      output->fail(pulseError(context));
      break;
    default:
      break;
  }
}

void PulseOutput::startStream() {
  const pa_sample_spec spec{
      .format = PA_SAMPLE_FLOAT32NE, .rate = uint32_t(Mixer::kOutputRate), .channels = 2};
  pa_channel_map map;
  pa_channel_map_init_stereo(&map);
  stream_ = pa_stream_new(context_, "KORVANTA", &spec, &map);
  if (!stream_) return fail(pulseError(context_));
  pa_stream_set_state_callback(stream_, onStreamState, this);
  pa_stream_set_write_callback(stream_, onWritable, this);
  pa_stream_set_underflow_callback(stream_, onUnderflow, this);
  // A request of one period at a time, a few periods held: the server's underruns are what sets
  // the count, the key's way to the ear what keeps it small. Playback starts on the first write
  // and never waits to refill after an underrun.
  const uint32_t period = uint32_t(period_) * kFrameBytes;
  const pa_buffer_attr buffer{.maxlength = uint32_t(-1),
                              .tlength = period * kPeriods,
                              .prebuf = 0,
                              .minreq = period,
                              .fragsize = uint32_t(-1)};
  // No device named and no DONT_MOVE: the server moves the stream to the new default device.
  const auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE |
                                       PA_STREAM_INTERPOLATE_TIMING);
  if (pa_stream_connect_playback(stream_, nullptr, &buffer, flags, nullptr, nullptr) < 0)
    fail(pulseError(context_));
}

void PulseOutput::onStreamState(pa_stream* stream, void* self) {
  auto* output = static_cast<PulseOutput*>(self);
  switch (pa_stream_get_state(stream)) {
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
      output->fail(pulseError(output->context_));
      break;
    default:
      break;
  }
}

void PulseOutput::onSinkInfo(pa_context*, const pa_sink_info* info, int last, void* self) {
  auto* output = static_cast<PulseOutput*>(self);
  // Once, at the end of the answer, whatever it held: a server without a default sink may
  // still give the stream one.
  if (last) {
    if (!output->stream_) output->startStream();
    return;
  }
  if (info)
    sayIfUnusual(info->description ? info->description : info->name, int(info->sample_spec.rate),
                 info->sample_spec.channels);
}

void PulseOutput::askForRealtime() {
  // What the process may set itself (an audio group's limits, or root), which answers at once;
  // else RealtimeKit on the system bus, through SDL, as SDL asks for its own audio thread.
  // Without either, the thread plays at its ordinary priority, and nothing is said.
  const sched_param realtime{.sched_priority = kRealtimePriority};
  if (pthread_setschedparam(pthread_self(), SCHED_RR | SCHED_RESET_ON_FORK, &realtime) == 0) return;
  SDL_LinuxSetThreadPriorityAndPolicy(int64_t(syscall(SYS_gettid)),
                                      SDL_THREAD_PRIORITY_TIME_CRITICAL, SCHED_RR);
}

void PulseOutput::onWritable(pa_stream* stream, size_t bytes, void* self) {
  static_cast<PulseOutput*>(self)->write(stream, bytes);
}

void PulseOutput::write(pa_stream* stream, size_t bytes) {
  if (!realtimeAsked_) {
    realtimeAsked_ = true;
    askForRealtime();
  }
  lastWrite_ = ticksNow();
  bool found = false;
  {
    std::lock_guard lock(renderMutex_);
    if (!playing_) {
      // What fell due while silent is rendered first, so the server goes on from that moment.
      silence_.catchUp();
      playing_ = found = true;
    }
    // One period at a time, so every period a measuring tap sees is the size it asked for.
    for (size_t frames = bytes / kFrameBytes; frames > 0;) {
      void* data = nullptr;
      size_t size = std::min(frames, size_t(period_)) * kFrameBytes;
      if (pa_stream_begin_write(stream, &data, &size) < 0 || !data) break;
      const size_t chunk = std::min({size / kFrameBytes, frames, size_t(period_)});
      if (chunk == 0) break;
      float* out = static_cast<float*>(data);
      mixer_.render(out, int(chunk));
      if (tap_) tap_->rendered(out, int(chunk));
      pa_stream_write(stream, data, chunk * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE);
      frames -= chunk;
    }
  }
  // Told to the keeper only now: it takes its own lock before the render lock, never after.
  if (found) {
    {
      std::lock_guard keeper(mutex_);
      found_ = true;
    }
    wake_.notify_one();
  }
}

void PulseOutput::onUnderflow(pa_stream*, void* self) {
  ++static_cast<PulseOutput*>(self)->underruns_;
}

void PulseOutput::fail(const std::string& why) {
  {
    std::lock_guard lock(mutex_);
    if (failed_) return;
    failed_ = true;
    why_ = why;
  }
  wake_.notify_one();
}

void PulseOutput::disconnect() {
  if (stream_) {
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_set_underflow_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
  }
  if (context_) {
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
  }
}

void PulseOutput::pause() {
  std::lock_guard lock(renderMutex_);
  if (!playing_) return;
  // The server took its last sound then: the silent time starts there, so a stall is caught up
  // with and every sound still ends on time.
  playing_ = false;
  silence_.startFrom(Clock::time_point(Clock::duration(lastWrite_.load())));
}

void PulseOutput::takeDown() {
  pa_threaded_mainloop_lock(loop_);
  disconnect();
  pa_threaded_mainloop_unlock(loop_);
  pause();
}

bool PulseOutput::probe() {
  pa_threaded_mainloop_lock(loop_);
  pa_operation* asked = nullptr;
  // A connection still being made is given its own, longer, time.
  if (context_ && pa_context_get_state(context_) == PA_CONTEXT_READY)
    asked = pa_context_get_server_info(context_, onProbeAnswered, this);
  if (asked) pa_operation_unref(asked);
  pa_threaded_mainloop_unlock(loop_);
  return asked != nullptr;
}

void PulseOutput::onProbeAnswered(pa_context*, const pa_server_info*, void* self) {
  auto* output = static_cast<PulseOutput*>(self);
  {
    std::lock_guard lock(output->mutex_);
    output->probeAnswered_ = true;
  }
  output->wake_.notify_one();
}

void PulseOutput::keep() {
  std::unique_lock lock(mutex_);
  bool connected = false;
  // Whether the player was last told of sound or of silence, or of nothing yet.
  bool heard = false, toldSilent = false;
  bool probing = false;
  Clock::time_point attempt{}, nextTry = Clock::now(), probeSent{};
  while (!stopping_) {
    const Clock::time_point now = Clock::now();
    if (found_) {
      found_ = false;
      if (toldSilent) saySoundDeviceFound(driverName());
      heard = true;
      toldSilent = false;
    }
    const bool isPlaying = playing();
    const auto quiet = now - Clock::time_point(Clock::duration(lastWrite_.load()));
    // A server that stops asking for sound may be moving the stream to another device, or
    // waiting for one; the time is kept silently meanwhile. Whether it still answers at all
    // tells a frozen server from a busy one.
    if (isPlaying && quiet > kPauseLimit) pause();
    if (probeAnswered_) {
      probeAnswered_ = false;
      probing = false;
    }
    const bool frozen = probing && now - probeSent > kProbeLimit;
    const bool unanswered = connected && !heard && now - attempt > kAnswerLimit;
    if (connected && (failed_ || frozen || unanswered)) {
      const std::string why = failed_ ? why_ : "the sound server does not answer";
      failed_ = probing = false;
      connected = false;
      lock.unlock();
      takeDown();
      lock.lock();
      if (heard)
        saySoundDeviceGone(frozen ? "the sound server stopped answering" : why);
      else if (!toldSilent)
        sayNoSoundDevice(why);
      toldSilent = true;
      heard = false;
      nextTry = now + kRetryInterval;
      continue;
    }
    if (connected && !heard && !toldSilent && now - attempt > kFirstAnswerLimit) {
      sayNoSoundDevice("the sound server does not answer");
      toldSilent = true;
    }
    if (connected && !probing && quiet > kPauseLimit && now - probeSent > kProbeLimit) {
      probeSent = now;
      lock.unlock();
      const bool asked = probe();
      lock.lock();
      probing = asked;
      continue;
    }
    if (!connected && now >= nextTry) {
      failed_ = false;
      connected = true;
      attempt = now;
      lock.unlock();
      pa_threaded_mainloop_lock(loop_);
      connect();
      pa_threaded_mainloop_unlock(loop_);
      lock.lock();
      continue;
    }
    // While silent, each period is rendered when it falls due; while playing, the server's pace
    // is watched often enough to see a stall in time.
    Clock::time_point next = now + kWatchInterval;
    if (!isPlaying) {
      std::lock_guard render(renderMutex_);
      if (!playing_) next = std::min(next, silence_.catchUp());
    }
    if (!connected) next = std::min(next, nextTry);
    wake_.wait_until(lock, next,
                     [this] { return stopping_ || failed_ || found_ || probeAnswered_; });
  }
}

}  // namespace korvanta
