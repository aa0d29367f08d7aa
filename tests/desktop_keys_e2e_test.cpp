// Laptop keys, the mouse wheel and the list of added keys, driven through
// scripts of the real editor on the demo directory: each stand-in key must
// leave exactly the screen the key it stands for leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/demo_dir.h"
#include "support/run_editor.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

class DesktopKeysScripts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(demo_.ok());
    work_ = test::make_temp_dir("desktop-keys-e2e");
  }
  void TearDown() override { fs::remove_all(work_); }

  // Runs `script`, then shoots the screen; returns the screenshot's bytes
  // (the palette included), empty when the run failed.
  std::vector<std::uint8_t> screen_after(const std::string& script) {
    const fs::path shot = work_ / ("shot" + std::to_string(++shots_) + ".bmp");
    const test::EditorRun r = test::run_editor(demo_.path(), script + "\nshot " + shot.string());
    EXPECT_EQ(r.exit_code, 0) << script << "\n" << r.err;
    return test::read_bytes(shot);
  }

  test::DemoDir demo_{"desktop-keys"};
  fs::path work_;
  int shots_ = 0;
};

struct SameScreen {
  const char* what;
  std::string setup;     // reaches the state both keys start from
  std::string stand_in;  // the main-row key or the wheel
  std::string original;  // the key it stands for
  bool changes = true;   // the key changes the screen at all
};

TEST_F(DesktopKeysScripts, MainRowKeysAndTheWheelLeaveTheScreenOfTheKeysTheyStandFor) {
  const std::string playing = "key F9\nkey RETURN\nkey HOME RETURN\nwait 10\nkey F";
  const std::vector<SameScreen> cases = {
      {"sprite zoom", "key F5\nwait 800", "key OEM_PLUS OEM_PLUS OEM_PLUS", "key ADD ADD ADD"},
      {"sprite unzoom", "key F5\nwait 800\nkey ADD ADD ADD", "key OEM_MINUS", "key SUBTRACT"},
      {"next sprites", "wait 800", "wheel -3", "key RIGHT RIGHT RIGHT"},
      {"previous sprites past the first", "wait 800", "wheel 2", "key LEFT LEFT"},
      {"brighter picture", "key F6\nwait 800", "key OEM_PLUS OEM_PLUS", "key ADD ADD"},
      {"darker picture", "key F6\nwait 800", "key OEM_MINUS", "key SUBTRACT"},
      {"next picture", "key F6\nwait 800", "wheel -1", "key RIGHT"},
      {"previous picture", "key F6\nwait 800", "wheel 1", "key LEFT"},
      {"pitch type up", "key F7\nwait 800", "key OEM_PLUS OEM_PLUS", "key ADD ADD"},
      {"pitch type down", "key F7\nwait 800\nkey ADD ADD ADD", "key OEM_MINUS", "key SUBTRACT"},
      {"pitch to the bottom", "key F7\nwait 800", "wheel -60",
       "key NEXT NEXT NEXT NEXT NEXT NEXT NEXT"},
      {"pitch back to the top", "key F7\nwait 800\nkey END", "wheel 60",
       "key PRIOR PRIOR PRIOR PRIOR PRIOR PRIOR PRIOR"},
      {"pitch wheel there and back", "key F7\nwait 800\nkey NEXT", "wheel -2\nwheel 2", "", false},
      {"pattern zoom", "key F8\nwait 800", "key OEM_PLUS OEM_PLUS", "key ADD ADD"},
      {"pattern unzoom", "key F8\nwait 800\nkey ADD ADD", "key OEM_MINUS", "key SUBTRACT"},
      {"next patterns", "key F8\nwait 800", "wheel -2", "key DOWN DOWN"},
      {"previous pattern", "key F8\nwait 800\nkey DOWN DOWN", "wheel 1", "key UP"},
      {"faster replay", playing, "key OEM_PLUS OEM_PLUS OEM_PLUS\nwait 1000",
       "key ADD ADD ADD\nwait 1000"},
      {"slower replay", playing, "key OEM_MINUS OEM_MINUS\nwait 1000",
       "key SUBTRACT SUBTRACT\nwait 1000"},
  };
  for (const SameScreen& c : cases) {
    SCOPED_TRACE(c.what);
    const auto before = screen_after(c.setup);
    const auto stand_in = screen_after(c.setup + "\n" + c.stand_in);
    const auto original = screen_after(c.setup + "\n" + c.original);
    ASSERT_FALSE(stand_in.empty());
    EXPECT_EQ(stand_in, original);
    if (c.changes) {
      EXPECT_NE(stand_in, before) << "the key did nothing to compare";
    }
  }
}

TEST_F(DesktopKeysScripts, TheWheelWaitsWhileAPromptAQuestionOrTheQuitFlowHasTheKeyboard) {
  struct Held {
    const char* what;
    std::string open;  // opens what holds the keyboard
    std::string rest;  // what follows, with and without the wheel before it
  };
  const std::vector<Held> cases = {
      {"number prompt", "wait 800\nkey G\ntype 12", "key ESCAPE"},
      {"prompt then its answer", "wait 800\nkey G\ntype 12", "key RETURN"},
      {"yes/no question", "key F8\nwait 800\nkey DELETE", "key N"},
      {"quit question", "key F7\nwait 800\ndown CONTROL\nkey E UP\nup CONTROL\nkey ESCAPE",
       "wait 10"},
  };
  for (const Held& c : cases) {
    SCOPED_TRACE(c.what);
    const auto without = screen_after(c.open + "\n" + c.rest);
    const auto with = screen_after(c.open + "\nwheel -3\nwheel 5\n" + c.rest);
    ASSERT_FALSE(with.empty());
    EXPECT_EQ(with, without);
  }
  // The same wheel outside them does move: the cases above compare something.
  EXPECT_NE(screen_after("wait 800\nwheel -3\nwheel 5"), screen_after("wait 800"));
}

TEST_F(DesktopKeysScripts, ShiftF1ShowsAndHidesTheAddedKeysInPlaceOfTheHelp) {
  const std::string shift_f1 = "down SHIFT\nkey F1\nup SHIFT";
  const auto plain = screen_after("wait 800");
  const auto help = screen_after("wait 800\nkey F1");
  const auto added = screen_after("wait 800\n" + shift_f1);
  EXPECT_NE(added, plain);
  EXPECT_NE(added, help);
  EXPECT_EQ(screen_after("wait 800\n" + shift_f1 + "\n" + shift_f1), plain);
  // Either key takes the other's place, and hides only its own list.
  EXPECT_EQ(screen_after("wait 800\nkey F1\n" + shift_f1), added);
  EXPECT_EQ(screen_after("wait 800\n" + shift_f1 + "\nkey F1"), help);
  // A prompt turns it off as it does the help.
  EXPECT_EQ(screen_after("wait 800\n" + shift_f1 + "\nkey G ESCAPE"), plain);
}

}  // namespace
