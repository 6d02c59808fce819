#include "DecodeWorker.h"

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

void DecodeWorker::waitUntilIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return unfinished_ == 0; });
}

void DecodeWorker::run() {
  std::vector<Job> active;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (active.empty()) wake_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
      if (stopping_) return;
      for (Job& job : pending_) active.push_back(std::move(job));
      pending_.clear();
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
