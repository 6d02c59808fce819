#include "Player.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

// Decibels to a linear factor.
float gainOfDb(double db) {
  return float(std::pow(10.0, db / 20.0));
}

}  // namespace

double farChannelAttenuationDb(int32_t balance) {
  return 18.0 * std::abs(double(balance)) / 5000.0;
}

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
  engine_.mixer.load(voice_, nullptr);
  applyGains();
}

void Player::destroy() {
  file_.clear();
  engine_.mixer.load(voice_, nullptr);
}

void Player::file(const std::string& path) {
  file_ = path;
  // Decoding (or the cache hit) happens before the mixer is locked, so the audio thread never
  // waits on it.
  engine_.mixer.load(voice_, engine_.cache.get(path));
  if (design_.autostart) engine_.mixer.play(voice_, playCount_);
}

void Player::play() {
  engine_.mixer.play(voice_, playCount_);
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
  const float base = gainOfDb(volume / 100.0);
  const float far = gainOfDb(-farChannelAttenuationDb(place));
  // The near channel stays at full level; only the far one is lowered.
  engine_.mixer.gains(voice_, place > 0 ? base * far : base, place < 0 ? base * far : base);
}

double Player::duration() const {
  return reading().duration;
}

double Player::position() const {
  return reading().position;
}

bool Player::playedOut() const {
  return reading().playedOut();
}

Mixer::Reading Player::reading() const {
  return engine_.mixer.reading(voice_);
}

void Player::position(double seconds) {
  engine_.mixer.seek(voice_, seconds);
}

void Player::playCount(int32_t passes) {
  playCount_ = passes;
  engine_.mixer.renewPasses(voice_, passes);
}

}  // namespace korvanta
