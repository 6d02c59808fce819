// What the sound tests stand on: a fresh folder of files, the real engine, and its hand-driven
// output to listen to.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "sound/Mp3Decoder.h"
#include "sound/Output.h"
#include "sound/SoundEngine.h"
#include "tests/support/FixturePack.h"

namespace korvanta::test {

struct SoundTest : ::testing::Test {
  std::filesystem::path folder = freshFolder("sound");
  SoundEngine engine;
  ManualOutput output{engine.mixer};

  // A file of the folder, by the path the game gives its players.
  std::string path(const std::string& name) { return soundPath(folder, name); }
  void write(const std::string& name, const std::string& bytes) {
    std::ofstream(folder / name, std::ios::binary) << bytes;
  }
  // The whole file decoded from its start, as it plays at the output rate.
  std::unique_ptr<Mp3Decoder> decoded(const std::string& name) {
    auto whole = std::get<std::unique_ptr<Mp3Decoder>>(Mp3Decoder::open(folder / name, 48000));
    whole->decodeAll();
    return whole;
  }
  // The interleaved stereo samples of `count` frames of `sound` from frame `at`, as played.
  static std::vector<float> samplesOf(const Sound& sound, int64_t at, int count) {
    std::vector<float> frames(2 * size_t(count));
    sound.read(at, count, frames.data());
    return frames;
  }
  // What was said on stderr since it was captured names `name`, on one line only.
  static void expectReportedOnce(const std::string& name) {
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(name), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line only: " << said;
  }
};

}  // namespace korvanta::test
