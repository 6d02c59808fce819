// Decodes on a thread of its own, a slice of each file in turn: files past their first quarter
// second, so that loading one never stalls the UI thread, and the read-ahead of streams.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Mp3Decoder.h"
#include "Stream.h"

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
  // Keeps `stream`'s read-ahead filled for as long as anyone else holds it.
  void add(std::shared_ptr<Stream> stream);
  // A stream was moved: look at it now rather than at the next round.
  void wake();
  // Blocks until every file given so far is completely decoded and every stream's read-ahead is
  // full (tests and tools, whose hand-driven clock does not wait for the disk).
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
  std::vector<std::shared_ptr<Stream>> pendingStreams_;
  // Files given and not yet completely decoded.
  int unfinished_ = 0;
  // Streams being kept filled, and rounds of the worker: the last that found nothing to do.
  size_t streams_ = 0;
  uint64_t rounds_ = 0;
  uint64_t quietRound_ = 0;
  bool stopping_ = false;
  bool woken_ = false;
  std::thread thread_;
};

}  // namespace korvanta
