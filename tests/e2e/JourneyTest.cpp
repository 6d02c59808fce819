// A player's whole visit, with the real program in a real X server: real key presses (XTest) and
// what it really played, recorded by SDL's disk driver and listened to. The visit is one run of
// the program told in scenes, each going on where the last left it. Every wait is counted in
// recorded output, the program's own clock, so a busy machine makes it slower, never different.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <optional>

#include "ProgramUnderTest.h"
#include "sound/Limiter.h"

namespace korvanta::e2e {
namespace {

// A sound may start up to this many frames before the recording file showed its key go down:
// the file lags the mixer by the period being written.
constexpr int64_t kSlack = 2048;

// The best heard of several sounds, and the score of the next best.
struct Best {
  std::string name;
  Heard heard;
  double runnerUp = 0.0;
};

class Journey : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!missingTool({"Xvfb", "xdotool"}).empty()) return;
    file_ = scratch("journey") / "output.f32";
    try {
      display_.emplace();
      desk_.emplace(display_->name());
      program_.emplace(theGame(display_->name(), file_.string()));
    } catch (const std::exception& error) {
      startError_ = error.what();
    }
  }
  static void TearDownTestSuite() {
    program_.reset();
    display_.reset();
  }

  void SetUp() override {
    ASSERT_EQ(startError_, "") << "the visit could not begin";
    if (!program_) GTEST_SKIP() << "needs Xvfb and xdotool; `./dev test` installs them";
    // A scene cannot go on from a visit that broke off; it fails rather than hide the break.
    if (brokenOff_) FAIL() << "an earlier scene of the visit broke off";
    kept_.file(file_);
    kept_.output("program.txt", *program_);
  }
  void TearDown() override { brokenOff_ = brokenOff_ || HasFatalFailure(); }
  // The whole visit's recording and output so far, if this scene fails.
  KeptOnFailure kept_;

  static int64_t recorded() { return framesOnDisk(file_); }
  static Recording recording() { return Recording::read(file_); }
  static void waitFor(int64_t frame) { waitForFrame(file_, frame, {&*program_}); }
  static unsigned long windowAfter(unsigned long gone, double seconds) {
    return waitForOnlyWindow(*desk_, *program_, gone, seconds);
  }
  // The window with the keyboard once `expected` has had a moment to take it: a new window is
  // listed before the X server has mapped it, and only a mapped window can take the focus.
  static unsigned long keyboardGoesTo(unsigned long expected) {
    within(5.0, [&] { return desk_->focusedWindow() == expected; });
    return desk_->focusedWindow();
  }

  // Presses a key; how much had been recorded just before.
  static int64_t press(const std::string& key) {
    const int64_t mark = recorded();
    desk_->press(key);
    return mark;
  }

  // The sound among `names` heard best up to `after` seconds from `mark`, on its first second.
  static Best bestOf(const Recording& rec, const std::vector<std::string>& names, int64_t mark,
                     double after) {
    Best best;
    for (const std::string& name : names) {
      const Heard heard =
          listenFor(rec, packSound(name), mark - kSlack, mark + framesOf(after), framesOf(1.0));
      if (heard.score > best.heard.score)
        best = {name, heard, best.heard.score};
      else
        best.runnerUp = std::max(best.runnerUp, heard.score);
    }
    note(best.name, best.heard, mark);
    std::cout << "  next best score: " << best.runnerUp << "\n";
    return best;
  }

  static inline std::filesystem::path file_;
  static inline std::optional<VirtualDisplay> display_;
  static inline std::optional<Desk> desk_;
  static inline std::optional<Child> program_;
  static inline std::string startError_;
  static inline bool brokenOff_ = false;
  // What later scenes go on from: the windows, where the music started, keys pressed in one scene
  // and listened for in the next (in recorded frames), and how long the program ran.
  static inline unsigned long menuWindow_ = 0, gameWindow_ = 0;
  static inline int64_t musicOnset_ = -1, enter_ = -1, leave_ = -1, down_ = -1, goodbye_ = -1;
  static inline double ranFor_ = 0.0;
};

TEST_F(Journey, TheMenuGreetsAndDownSpeaksEachItemWhileTheMusicStepsBackThenEnterGoesIn) {
  menuWindow_ = windowAfter(0, 20.0);
  EXPECT_EQ(keyboardGoesTo(menuWindow_), menuWindow_)
      << "the menu window has the keyboard by itself";

  // Down twice: the greeting is cut by the second item, and that by the third, which then ends.
  // The second item speaks before the music's first tag sounds.
  waitFor(framesOf(1.3));
  const int64_t down1 = press("Down");
  waitFor(down1 + framesOf(2.4));
  const int64_t down2 = press("Down");
  waitFor(down2 + packSound("ex3.mp3").frames() + framesOf(2.0));
  // Enter goes in now, before any listening, so that the music still plays loud when it stops.
  enter_ = press("Return");
  const Recording rec = recording();

  // The greeting is heard at once, centred, at the voices' -600.
  const Heard greeted = hear(rec, "ex1.mp3", 0, framesOf(1.2), 1.0);
  EXPECT_GT(greeted.score, 0.8);
  EXPECT_LT(greeted.onsetSeconds(), 1.0) << "the greeting starts as the program starts";
  EXPECT_NEAR(greeted.gainLeft, gainOf(-600), 0.1);
  EXPECT_NEAR(greeted.gainRight, gainOf(-600), 0.1);

  // Two different item voices, each where its key was pressed.
  const Heard second = hear(rec, "ex2.mp3", down1 - kSlack, down2 - kSlack, 0.6, down1);
  const Heard third = hear(rec, "ex3.mp3", down2 - kSlack, down2 + framesOf(1.0), 2.0, down2);
  EXPECT_GT(second.score, 0.7);
  EXPECT_GT(third.score, 0.7);
  EXPECT_LT(hear(rec, "ex3.mp3", down1 - kSlack, down2 - kSlack, 1.0).score, 0.3)
      << "the first Down speaks the second item, not the third";
  EXPECT_LT(hear(rec, "ex2.mp3", down2 + framesOf(0.5), down2 + framesOf(1.5), 1.0).score, 0.3)
      << "the second Down cuts the second item off";

  // The music is found where it plays loud once the voices have ended, up to half a second after
  // the greeting (a busy machine's decoding may hold it back), then measured along its course.
  const Reference& music = packSound("msc.mp3");
  const int64_t voicesEnd = third.onset + packSound("ex3.mp3").frames();
  const int64_t loudFrom = voicesEnd + framesOf(0.3);
  const int64_t loudTo = std::min(
      {voicesEnd + framesOf(1.5), enter_ - kSlack, greeted.onset + music.frames() - framesOf(0.1)});
  ASSERT_GT(loudTo - loudFrom, framesOf(0.5)) << "the pack's first music is too short to measure";
  const Heard musicHeard =
      note("msc.mp3", listenFor(rec, music, loudFrom - framesOf(0.5), loudFrom + framesOf(0.5),
                                loudTo - loudFrom, loudFrom - greeted.onset));
  musicOnset_ = musicHeard.onset;
  EXPECT_GT(musicHeard.score, 0.6);
  EXPECT_NEAR(double(musicOnset_), double(greeted.onset), double(framesOf(0.25)))
      << "the music starts with the greeting";
  const double underSecond =
      gainWithin(rec, music, musicOnset_, second.onset + framesOf(0.2), down2 - kSlack);
  const double underThird =
      gainWithin(rec, music, musicOnset_, third.onset + framesOf(1.0), third.onset + framesOf(3.0));
  const double restored = gainWithin(rec, music, musicOnset_, loudFrom, loudTo);
  std::cout << "  music gains under ex2, under ex3, after the voices: " << underSecond << ", "
            << underThird << ", " << restored << "\n";
  EXPECT_NEAR(restored, gainOf(-300), 0.2) << "the music comes back after the voices";
  EXPECT_NEAR(underThird, gainOf(-2000), 0.06) << "the music is ducked under the third item";
  EXPECT_NEAR(underSecond, gainOf(-2000), 0.08) << "and under the second";
}

TEST_F(Journey, EnterOpensTheGameWithOneOfTheSixAmbiencesAndTheMusicStops) {
  gameWindow_ = windowAfter(menuWindow_, 10.0);
  EXPECT_EQ(keyboardGoesTo(gameWindow_), gameWindow_)
      << "the game window has the keyboard without a click";
  waitFor(enter_ + framesOf(1.5));
  const Recording rec = recording();

  // The game's ambience at -1000, one of the six.
  const Best ambience =
      bestOf(rec, {"A1.MP3", "A2.MP3", "A3.MP3", "A4.MP3", "A5.MP3", "A6.MP3"}, enter_, 1.5);
  EXPECT_GT(ambience.heard.score, 0.7) << ambience.name;
  EXPECT_LT(ambience.runnerUp, 0.5);
  EXPECT_NEAR(ambience.heard.gain(), gainOf(-1000), 0.08) << ambience.name;
  ASSERT_GE(musicOnset_, 0) << "the music was not found in the menu";
  EXPECT_LT(std::fabs(gainWithin(rec, packSound("msc.mp3"), musicOnset_, enter_ + framesOf(0.5),
                                 enter_ + framesOf(1.5))),
            0.03)
      << "the menu's music ends when the game starts";
}

TEST_F(Journey, CtrlClicksOnAnEmptyGunThenSpaceLoadsAndCtrlFiresFromTheSight) {
  const int64_t emptyShot = press("ctrl");
  waitFor(emptyShot + framesOf(0.7));
  const int64_t reload = press("space");
  waitFor(reload + framesOf(0.7));
  const int64_t shot = press("ctrl");
  waitFor(shot + framesOf(0.9));
  const Recording rec = recording();

  // The empty gun clicks, and fires nothing.
  const Heard click = hear(rec, "g.mp3", emptyShot - kSlack, reload - kSlack, 1.0, emptyShot);
  EXPECT_GT(click.score, 0.7);
  EXPECT_NEAR(click.gain(), gainOf(-300), 0.12);
  EXPECT_LT(hear(rec, "d3.mp3", emptyShot - kSlack, reload - kSlack, 0.5).score, 0.3);

  // The bullet loads; the shot sounds centred, where the sight stands.
  EXPECT_GT(hear(rec, "c.mp3", reload - kSlack, shot - kSlack, 1.0, reload).score, 0.7);
  const Heard fired = hear(rec, "d3.mp3", shot - kSlack, rec.frames() - framesOf(0.5), 0.5, shot);
  EXPECT_GT(fired.score, 0.7);
  EXPECT_NEAR(fired.gain(), gainOf(-300), 0.12);
  EXPECT_NEAR(fired.balance(), 0.0, 150.0);
}

TEST_F(Journey, LeftAndRightWalkTheSightCueFromTheLeftToTheRight) {
  const std::vector<std::string> keys = {"Left", "Left", "Right", "Right", "Right", "Right"};
  const std::vector<double> places = {-500, -1000, -500, 0, 500, 1000};
  std::vector<int64_t> marks;
  for (const std::string& key : keys) {
    marks.push_back(press(key));
    waitFor(marks.back() + framesOf(0.5));
  }
  const Recording rec = recording();

  std::vector<Heard> cues;
  for (size_t i = 0; i < marks.size(); ++i) {
    const int64_t until = i + 1 < marks.size() ? marks[i + 1] : rec.frames();
    cues.push_back(hear(rec, "m.mp3", marks[i] - kSlack, until - kSlack, 1.0, marks[i]));
    EXPECT_GT(cues[i].score, 0.7) << keys[i] << " #" << i;
    EXPECT_NEAR(cues[i].balance(), places[i], 150.0) << keys[i] << " #" << i;
  }
  EXPECT_GT(cues.front().gainLeft, 1.15 * cues.front().gainRight) << "Left: heard on the left";
  EXPECT_GT(cues.back().gainRight, 1.4 * cues.back().gainLeft) << "Right: heard on the right";
}

// The way out is timed by the program's sound alone, and listened to only once the program has
// ended: listening takes long in a slow build, and the menu's farewell has to come in early.
TEST_F(Journey, EscapeInTheGameThenDownAndEscapeInTheMenuEndTheProgram) {
  leave_ = press("Escape");
  menuWindow_ = windowAfter(gameWindow_, 20.0);
  // Some of the greeting, then the next item, which ducks the music and its tag sounds until the
  // voice after it has ended; Escape's farewell cuts the item in. Both keys go in one run of the
  // key presser, so that however slowly it starts, the item is heard for the time between them.
  waitFor(recorded() + framesOf(0.4));
  down_ = recorded();
  desk_->pressAll({"Down", "Escape"}, 400);
  goodbye_ = down_ + framesOf(0.4);
  EXPECT_EQ(keyboardGoesTo(menuWindow_), menuWindow_) << "the menu is back with the keyboard";
  const std::optional<int> status = program_->wait(20.0);
  ranFor_ = secondsBetween(program_->started(), Clock::now());
  ASSERT_TRUE(status) << "the program did not end by itself after the menu's farewell";
  EXPECT_EQ(*status, 0) << program_->output();
}

TEST_F(Journey, TheGunmansFarewellThenTheMenusGreetingAgainThenItsOwnFarewellToTheEnd) {
  const Recording rec = recording();
  SCOPED_TRACE(testing::Message() << "recording of " << rec.seconds() << " s over " << ranFor_
                                  << " s of running");
  // Float32 stereo at 48 kHz: whole frames, plausible samples, and as many frames as the program
  // ran (the disk driver keeps real time).
  EXPECT_EQ(std::filesystem::file_size(file_) % (2 * sizeof(float)), 0u);
  EXPECT_TRUE(rec.plausible) << "loudest sample " << rec.loudest;
  EXPECT_LE(rec.loudest, Limiter::kCeiling) << "never beyond -0.5 dBFS";
  EXPECT_GT(rec.seconds(), 0.8 * ranFor_ - 1.0);
  EXPECT_LT(rec.seconds(), 1.25 * ranFor_);

  const Best farewell = bestOf(rec, {"no salgo.mp3", "exito1.mp3", "fin.mp3"}, leave_, 1.0);
  EXPECT_GT(farewell.heard.score, 0.7) << farewell.name;
  EXPECT_NEAR(farewell.heard.gain(), gainOf(-500), 0.12) << farewell.name;
  const int64_t end = farewell.heard.onset + packSound(farewell.name).frames();
  const Heard greetedAgain = hear(rec, "ex1.mp3", end - kSlack, end + framesOf(2.0), 0.3, end);
  EXPECT_GT(greetedAgain.score, 0.7);
  EXPECT_GE(greetedAgain.onset, end) << "the menu waits for the farewell to end";
  EXPECT_LT(greetedAgain.onset - end, framesOf(1.0)) << "and then comes back at once";

  // The menu kept its place: after the third item comes the fourth, and Escape's farewell 0.4 s
  // after Down's key.
  EXPECT_GT(hear(rec, "ex4.mp3", down_ - kSlack, down_ + framesOf(1.0), 0.3, down_).score, 0.7);
  const Heard bye =
      hear(rec, "exito.mp3", goodbye_ - kSlack, goodbye_ + framesOf(1.0), 0.6, goodbye_);
  const int64_t byeEnd = bye.onset + packSound("exito.mp3").frames();
  std::cout << "  the recording ends " << double(rec.frames() - byeEnd) / kRate << " s after it\n";
  // The music's tag sounds, from two seconds after the greeting on, mask whatever else plays:
  // the farewell is heard before them.
  EXPECT_LE(bye.onset + framesOf(0.6), greetedAgain.onset + framesOf(2.0))
      << "Escape came too late: its farewell is not heard before the music's tag sounds";
  EXPECT_GT(bye.score, 0.7);
  EXPECT_NEAR(bye.gain(), gainOf(-600), 0.1);
  EXPECT_GE(rec.frames(), byeEnd) << "the farewell plays to its end";
  EXPECT_LT(rec.frames() - byeEnd, framesOf(1.0)) << "the program ends once it has played out";
}

}  // namespace
}  // namespace korvanta::e2e
