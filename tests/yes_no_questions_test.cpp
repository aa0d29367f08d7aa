// Every yes/no question of the editor, asked through its key in its mode on
// the demo directory: Escape and "N" close it without running the action,
// "Y" runs it.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "editor_test_support.h"
#include "imaging/image.h"
#include "pictures/picture_mode.h"
#include "pictures/pictures.h"
#include "pitch/pattern_mode.h"
#include "pitch/pitch_files.h"
#include "shell/app.h"
#include "shell/modes.h"
#include "shell/status.h"
#include "sprite_test_support.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_files.h"

using namespace tavu;
using namespace tavu::test;

namespace {

class Questions : public EditorInProcess {
 protected:
  // The key's state as its message leaves it; earlier input is consumed.
  void hold(std::uint32_t vk, bool down) {
    headless_.push_input({down ? platform::WM_KEYDOWN : platform::WM_KEYUP, vk, 1},
                         std::make_pair(vk, down));
    while (headless_.next_input()) {
    }
  }
};

// The current picture given other pixels in its own colours.
void replace_current_picture() {
  Picture& p = *current_picture();
  Image image;
  image.width = kPictureWidth;
  image.height = kPictureHeight;
  image.indexed = true;
  image.indices.assign(kPicturePixelBytes, 0);
  for (std::size_t i = 0; i < image.indices.size(); ++i)
    image.indices[i] = static_cast<std::uint8_t>(i % 256 == 3 ? 7 : p.image.pixels[i]);
  for (int i = 0; i < 256; ++i)
    image.palette.push_back(
        {p.image.palette[i * 3], p.image.palette[i * 3 + 1], p.image.palette[i * 3 + 2], 255});
  apply_picture_import(p, import_picture_image(p, image));
  ASSERT_TRUE(p.replaced);
}

TEST_F(Questions, EscapeAndNNeverRunTheYesAction) {
  struct Case {
    const char* what;
    int mode;
    std::function<void()> arrange;  // a change the question is about
    std::uint32_t key;
    bool ctrl;
    const char* question;
    std::function<bool()> done;  // whether the yes action ran
  };
  std::int32_t patterns = 0;
  const Case cases[] = {
      {"revert", kSpriteMode, [] { apply_decoded_sprite(5, new_image(16, 16, 3)); }, 'R', true,
       "Revert to saved? (y/n)", [] { return !sprite_changes_pending(); }},
      {"discard the team file's changes", kSpriteMode,
       [] { apply_decoded_sprite(700, new_image(16, 16, 3)); }, 'T', true, "Discard changes? (y/n)",
       [] { return sprite_files().entries[kTeamEntry].name != "TEAM3.DAT"; }},
      {"delete pattern", kPatternMode,
       [&] {
         pattern_mode_state() = PatternModeState{};
         patterns = pitch_at(0)->pattern_count;
       },
       platform::VK_DELETE, false, "Delete pattern? (y/n)",
       [&] { return pitch_at(0)->pattern_count != patterns; }},
      {"discard the picture's changes", kPictureMode, replace_current_picture, platform::VK_F3,
       false, "Discard changes? (y/n)", [] { return !current_picture()->replaced; }},
  };
  for (const Case& c : cases) {
    for (std::uint32_t answer :
         {std::uint32_t{platform::VK_ESCAPE}, std::uint32_t{'N'}, std::uint32_t{'Y'}}) {
      SCOPED_TRACE(testing::Message() << c.what << ", answer " << answer);
      ASSERT_TRUE(start());
      build_key_to_mode_table();
      switch_mode(c.mode);
      c.arrange();
      hold(platform::VK_CONTROL, c.ctrl);
      dispatch_key(c.key, 0);
      hold(platform::VK_CONTROL, false);
      EXPECT_EQ(status_state().text, c.question);
      ASSERT_NE(status_state().key_capture, nullptr);
      EXPECT_FALSE(c.done());
      dispatch_key(answer, 0);
      EXPECT_EQ(status_state().key_capture, nullptr);
      EXPECT_FALSE(status_state().quit_question) << "the answer is the question's";
      EXPECT_EQ(c.done(), answer == 'Y');
    }
  }
}

}  // namespace
