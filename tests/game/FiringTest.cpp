// A shot: who falls to it, and what the bullets left decide afterwards.
#include "GameFixture.h"
#include "sound/Limiter.h"

namespace korvanta::test {
namespace {

using FiringTest = GameTest;

TEST_F(FiringTest, OneShotDownsEverySoundingAttackerAtTheSightAndNoOneElse) {
  start();
  for (int k = 1; k <= Form1::kSlots; ++k) {
    game.indioActivo(k) = 1;
    game.MIndio(k).balance(-2500);
  }
  // One step off the sight.
  game.MIndio(1).balance(-2000);
  cry(1);
  cry(2);
  // Its cry has played out: too late.
  cryEnded(3);
  // Already down.
  cry(4);
  game.indioActivo(4) = 0;
  cry(5);
  // It has just shot: rewound, it can be hit until its next cry has played through.
  cryEnded(6);
  game.MIndio(6).position(0);
  // Never heard yet (slot 7).

  aimAt(-2500);
  reload();
  const int16_t counted = game.indiosActivos;
  fire();

  EXPECT_EQ(game.MMirilla.file(), h.sound("d3.mp3"));
  EXPECT_EQ(game.MMirilla.balance(), -2500);
  EXPECT_EQ(game.balasCargadas, 0);
  // Each falls to one of the two hit sounds, the same for all, from where it stood.
  const std::string hit = game.MIndio(2).file();
  EXPECT_TRUE(hit == h.sound("g1.mp3") || hit == h.sound("g2.mp3")) << hit;
  for (int k : {2, 5, 6}) {
    SCOPED_TRACE(k);
    EXPECT_EQ(game.indioActivo(k), 0);
    EXPECT_EQ(game.MIndio(k).file(), hit);
    EXPECT_TRUE(sounding(game.MIndio(k)));
    EXPECT_EQ(game.MIndio(k).balance(), -2500);
  }
  for (int k : {1, 3, 7}) EXPECT_EQ(game.indioActivo(k), 1) << k;
  EXPECT_EQ(game.MIndio(3).file(), game.vozIndio(3));
  EXPECT_EQ(game.MIndio(4).file(), game.vozIndio(4));
  EXPECT_EQ(game.MIndio(7).file(), "");

  // The count waits for the clock.
  EXPECT_EQ(game.indiosActivos, counted);
  h.tick();
  EXPECT_EQ(game.indiosActivos, 3);
}

TEST_F(FiringTest, TheClimaxNeverPassesFullScaleAndTheShotCutsTheSightCueWithoutAClick) {
  start();
  // Takes in what was just played: its loudest sample and its sharpest bend between frames (a cut
  // tone bends sharply, a tone or a fade hardly at all).
  float loudest = 0.0f, largestBend = 0.0f, last = 0.0f, slope = 0.0f;
  const auto hear = [&] {
    for (size_t i = 0; i < h.output.lastBlock().size(); i += 2) {
      const float sample = h.output.lastBlock()[i];
      loudest = std::max(loudest, std::abs(sample));
      largestBend = std::max(largestBend, std::abs(sample - last - slope));
      slope = sample - last;
      last = sample;
    }
  };
  // The sight cue sounds at full loudness, a bullet loaded beforehand; the shot replaces the cue,
  // fired near a crest of it, where cutting it dead would be heard most.
  reload();
  h.tick(30);
  game.MMirilla.volume(0);
  aimAt(-500);
  h.tick(5);
  for (int i = 0; i < 2 || std::abs(last) < 0.2f; ++i, hear()) h.output.advance(1);
  largestBend = 0.0f;
  fire();
  h.tick();
  hear();
  EXPECT_LT(largestBend, 0.02f) << "the cue fades under the shot instead of stopping dead";
  EXPECT_EQ(game.MMirilla.position(), 480.0 / 48000) << "the shot starts on time";

  // All seven at the gunman, crying at full loudness, three of them shooting, then a shot.
  for (int k = 1; k <= Form1::kSlots; ++k) {
    game.indioActivo(k) = 1;
    game.MIndio(k).volume(0);
    game.MIndio(k).balance(0);
    k <= 3 ? cryEnded(k) : cry(k);
  }
  game.flecha();
  for (int k = 1; k <= 3; ++k) cry(k);
  reload();
  fire();
  loudest = 0.0f;
  for (int t = 0; t < 50; ++t, hear()) h.tick();
  // Seven cries at 0.3 each would reach 2.1 and more.
  EXPECT_LE(loudest, Limiter::kCeiling);
  EXPECT_GT(loudest, 0.9f);
}

struct Ammunition {
  int inPlay, loaded, spare;
  // What the shot leaves: attackers counted, spares, and whether the gunman said "no salgo".
  int inPlayAfter, spareAfter;
  bool speaks;
};

TEST_F(FiringTest, TheBulletsLeftDecideWhenTheFallenReturnAndWhenTheGunmanSpeaks) {
  start();
  const Ammunition cases[] = {
      // Left: 6 = 3 x 2, so slots 3 to 5 come back with 3 spares each.
      {2, 2, 5, 5, 14, false},
      // 7 = 3 x 2 + 1 and 5 = 3 x 2 - 1 do the same.
      {2, 3, 5, 5, 14, false},
      {2, 1, 5, 5, 14, false},
      // 8 = 3 x 2 + 2: nothing.
      {2, 4, 5, 2, 5, false},
      // Nobody in play: never.
      {0, 1, 0, 0, 0, false},
      // 4 in play, 9 left = 4 + 5: "no salgo".
      {4, 2, 8, 4, 8, true},
      // 1 in play, 6 left = 1 + 5: he keeps quiet for a single attacker.
      {1, 2, 5, 1, 5, false},
  };
  for (const Ammunition& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.inPlay << " in play, " << c.loaded << "+" << c.spare);
    for (int k = 1; k <= Form1::kSlots; ++k) game.indioActivo(k) = k <= c.inPlay ? 1 : 0;
    game.indiosActivos = int16_t(c.inPlay);
    game.balasCargadas = c.loaded;
    game.balasReserva = c.spare;
    game.PISTOLERO.file(h.sound("fin.mp3"));
    game.PISTOLERO.volume(-600);
    fire();
    EXPECT_EQ(game.balasCargadas, c.loaded - 1);
    EXPECT_EQ(game.indiosActivos, c.inPlayAfter);
    EXPECT_EQ(inPlay(), c.inPlayAfter);
    EXPECT_EQ(game.balasReserva, c.spareAfter);
    EXPECT_EQ(game.PISTOLERO.file() == h.sound("no salgo.mp3"), c.speaks);
    if (c.speaks) {
      EXPECT_EQ(game.PISTOLERO.volume(), 0);
    }
  }

  // Slots 6 and 7 never come back; those in play stay as they are.
  for (int k = 1; k <= Form1::kSlots; ++k) game.indioActivo(k) = 0;
  game.indioActivo(1) = 1;
  game.indioActivo(3) = 1;
  game.indioActivo(5) = 1;
  game.balasReserva = 1;
  game.repetir();
  EXPECT_EQ(game.balasReserva, 7);
  EXPECT_EQ(game.indiosActivos, 5);
  EXPECT_EQ(game.indioActivo(6), 0);
  EXPECT_EQ(game.indioActivo(7), 0);
}

}  // namespace
}  // namespace korvanta::test
