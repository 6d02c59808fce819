#include "DecodeWorker.h"

#include <chrono>

namespace korvanta {

namespace {

// Frames per slice: well under a millisecond of work, so each file gets its turn promptly.
constexpr int64_t kSliceFrames = 32 * 1024;

}  // namespace

DecodeWorker::DecodeWorker() : thread_([this] { run(); }) {}

DecodeWorker::~DecodeWorker() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void DecodeWorker::add(std::unique_ptr<Mp3Decoder> decoder,
                       std::function<void(const std::string& reason)> damaged) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.push_back({std::move(decoder), std::move(damaged)});
    ++unfinished_;
  }
  wake_.notify_all();
}

void DecodeWorker::add(std::shared_ptr<Stream> stream) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pendingStreams_.push_back(std::move(stream));
    ++streams_;
  }
  wake_.notify_all();
}

void DecodeWorker::wake() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = true;
  }
  wake_.notify_all();
}

void DecodeWorker::waitUntilIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  const uint64_t since = rounds_;
  idle_.wait(lock, [&] { return unfinished_ == 0 && (streams_ == 0 || quietRound_ > since); });
}

void DecodeWorker::run() {
  std::vector<Job> active;
  std::vector<std::shared_ptr<Stream>> streams;
  bool worked = true;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      // The round just done found every stream full and no file left to decode.
      streams_ = streams.size() + pendingStreams_.size();
      if (!worked && active.empty() && pending_.empty() && pendingStreams_.empty()) {
        quietRound_ = rounds_;
        idle_.notify_all();
      } else if (streams_ == 0) {
        idle_.notify_all();
      }
      const auto more = [this] {
        return stopping_ || woken_ || !pending_.empty() || !pendingStreams_.empty();
      };
      // Streams are looked at every 10 ms: the audio thread never signals, and two seconds of
      // read-ahead leave plenty of time. A stream that was moved wakes the worker at once.
      if (active.empty() && streams.empty())
        wake_.wait(lock, more);
      else if (active.empty() && !worked)
        wake_.wait_for(lock, std::chrono::milliseconds(10), more);
      if (stopping_) return;
      woken_ = false;
      ++rounds_;
      for (Job& job : pending_) active.push_back(std::move(job));
      pending_.clear();
      for (auto& stream : pendingStreams_) streams.push_back(std::move(stream));
      pendingStreams_.clear();
    }
    worked = false;
    for (auto stream = streams.begin(); stream != streams.end();) {
      // Nobody plays it any more: it goes, freed here rather than on the audio thread.
      if (stream->use_count() == 1) {
        stream = streams.erase(stream);
        continue;
      }
      worked = (*stream)->fill() || worked;
      ++stream;
    }
    for (auto job = active.begin(); job != active.end();) {
      if (job->decoder->decodeSome(kSliceFrames)) {
        ++job;
        continue;
      }
      // The header promised audio that never came (the file is now a second of silence), or the
      // file stops short of its announced length.
      if (const std::string why = job->decoder->damage(); !why.empty()) job->damaged(why);
      job = active.erase(job);
      std::lock_guard<std::mutex> lock(mutex_);
      if (--unfinished_ == 0) idle_.notify_all();
    }
  }
}

}  // namespace korvanta
