// Decodes long files on a thread of its own, a slice of each in turn, so that loading one never
// stalls the UI thread and several long files begin to sound together.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Mp3Decoder.h"

namespace korvanta {

class DecodeWorker {
 public:
  DecodeWorker();
  // Stops at the next slice; a file not yet decoded ends where its decoding stopped.
  ~DecodeWorker();
  DecodeWorker(const DecodeWorker&) = delete;
  DecodeWorker& operator=(const DecodeWorker&) = delete;

  // Takes over an opened file; `damaged` runs (on the worker) with the reason if it turns out to
  // hold no audio or to be cut short.
  void add(std::unique_ptr<Mp3Decoder> decoder,
           std::function<void(const std::string& reason)> damaged);
  // Blocks until every file given so far is completely decoded.
  void waitUntilIdle();

 private:
  struct Job {
    std::unique_ptr<Mp3Decoder> decoder;
    std::function<void(const std::string& reason)> damaged;
  };
  void run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::vector<Job> pending_;
  // Files given and not yet completely decoded.
  int unfinished_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace korvanta
