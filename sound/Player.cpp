#include "Player.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

// Hundredths of a decibel to a linear factor.
float gainOf(int32_t hundredthsOfDb) {
  return float(std::pow(10.0, hundredthsOfDb / 2000.0));
}

}  // namespace

Player::Player(SoundEngine& engine, PlayerDesign design)
    : engine_(engine), design_(design), voice_(engine.mixer.addVoice()) {
  create();
}

Player::~Player() {
  engine_.mixer.removeVoice(voice_);
}

void Player::create() {
  file_.clear();
  volume_ = design_.volume;
  balance_ = 0;
  playCount_ = design_.playCount;
  engine_.mixer.locked([&] { silence(); });
  applyGains();
}

void Player::destroy() {
  file_.clear();
  engine_.mixer.locked([&] { silence(); });
}

void Player::file(const std::string& path) {
  file_ = path;
  // Decoding (or the cache hit) happens before the lock, so the audio thread never waits on it.
  std::shared_ptr<const Pcm> pcm = engine_.cache.get(path);
  const int32_t passes = std::max(playCount_, 1);
  engine_.mixer.locked([&] {
    voice_->pcm = std::move(pcm);
    voice_->cursor = 0.0;
    voice_->ended = false;
    voice_->playing = false;
    if (design_.autostart) start(passes);
  });
}

void Player::play() {
  const int32_t passes = std::max(playCount_, 1);
  engine_.mixer.locked([&] {
    if (!voice_->pcm || voice_->playing) return;
    // A file that has played out starts again from its beginning.
    if (voice_->ended) voice_->cursor = 0.0;
    voice_->ended = false;
    start(passes);
  });
}

void Player::silence() {
  voice_->pcm = nullptr;
  voice_->playing = false;
  voice_->ended = false;
  voice_->cursor = 0.0;
}

void Player::start(int32_t passes) {
  voice_->playing = true;
  voice_->passesLeft = passes - 1;
  voice_->startPending = true;
  // A sound starting from silence takes its level at once; only changes while it plays glide.
  voice_->gainLeft = voice_->targetLeft;
  voice_->gainRight = voice_->targetRight;
}

void Player::volume(int32_t hundredthsOfDb) {
  volume_ = hundredthsOfDb;
  applyGains();
}

void Player::balance(int32_t place) {
  balance_ = place;
  applyGains();
}

void Player::applyGains() {
  const int32_t volume = std::clamp(volume_, -10000, 0);
  const int32_t place = std::clamp(balance_, -10000, 10000);
  const float base = gainOf(volume);
  // The near channel stays at full level; only the far one is lowered.
  const float left = base * (place > 0 ? gainOf(-place) : 1.0f);
  const float right = base * (place < 0 ? gainOf(place) : 1.0f);
  engine_.mixer.locked([&] {
    voice_->targetLeft = left;
    voice_->targetRight = right;
  });
}

double Player::duration() const {
  return engine_.mixer.locked([&] { return voice_->pcm ? voice_->pcm->seconds() : 0.0; });
}

double Player::position() const {
  return engine_.mixer.locked([&] {
    if (!voice_->pcm) return 0.0;
    const double duration = voice_->pcm->seconds();
    if (voice_->ended) return duration;
    // Only a finished file may read as its duration, however close a playing one has come.
    const double seconds = voice_->cursor / voice_->pcm->rate();
    return seconds < duration ? seconds : std::nextafter(duration, 0.0);
  });
}

void Player::position(double seconds) {
  engine_.mixer.locked([&] {
    if (!voice_->pcm) return;
    const double total = double(voice_->pcm->frames());
    const double frames = std::clamp(seconds * voice_->pcm->rate(), 0.0, total);
    if (frames >= total) {
      voice_->cursor = total;
      voice_->playing = false;
      voice_->ended = true;
      return;
    }
    voice_->cursor = frames;
    voice_->ended = false;
  });
}

void Player::playCount(int32_t passes) {
  playCount_ = passes;
}

}  // namespace korvanta
