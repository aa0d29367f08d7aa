// The replay browser's menus (layout, neighbours, "BACK", keys), its file
// lists and its warnings.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "replays/browser.h"
#include "replays/menus.h"
#include "replays/playback.h"
#include "shell/app.h"
#include "sprites/sprite_files.h"
#include "support/demo_dir.h"
#include "support/run_editor.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

// A character set whose small glyphs are 5 by 7: one-line texts measure 7
// high, so a small-font menu has a box height of 9.
std::vector<SpriteRecord> small_font() {
  std::vector<SpriteRecord> font(kSpriteCount);
  for (auto& s : font) {
    s.width = 5;
    s.height = 7;
    s.width_words = 1;
    s.pixels.assign(7 * 8, 0x11);
  }
  return font;
}

std::vector<std::string> names(int n) {
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back("FILE" + std::to_string(100 + i));
  return out;
}

std::unique_ptr<Menu> list_menu(int n) {
  static const auto font = small_font();
  return layout_menu(font, "VIEW HIGHLIGHTS", names(n), kReplayMode, nullptr, 4,
                     kCreateHidden | kCreateBack | kCreateSorted, kHighlightTag);
}

// Entries per column, columns from the left.
std::vector<int> column_sizes(const Menu& m) {
  std::map<int, int> by_x;
  for (std::size_t k = 0; k + 1 < m.entries.size(); ++k) ++by_x[m.entries[k].x];
  std::vector<int> out;
  for (const auto& [x, n] : by_x) out.push_back(n);
  return out;
}

TEST(MenuLayout, ColumnsForListsOfManySizes) {
  struct Case {
    int n;
    std::vector<int> columns;
  };
  const Case cases[] = {{1, {1}},       {16, {16}},         {17, {9, 8}},
                        {30, {15, 15}}, {44, {15, 15, 14}}, {45, {15, 15, 15}}};
  for (const Case& c : cases) {
    const auto m = list_menu(c.n);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->box_height, 9);
    EXPECT_EQ(column_sizes(*m), c.columns) << c.n << " entries";
    EXPECT_EQ(m->entry_count, c.n + 1);
    EXPECT_EQ(m->selected, c.n) << "a list opens on BACK";
    EXPECT_FALSE(m->visible());
    const MenuEntry& back = m->entries.back();
    EXPECT_EQ(back.text, "BACK");
    EXPECT_EQ(back.x, 160 - m->box_width / 2);
    EXPECT_EQ(back.colour, 11);
  }
  EXPECT_FALSE(list_menu(0));
}

TEST(MenuLayout, PositionsOfTheSeventeenEntryList) {
  const auto m = list_menu(17);
  // "FILE1NN": 7 glyphs of 5 + 1 pixels.
  ASSERT_EQ(m->box_width, 42 + 8);
  const int x0 = (324 - (50 + 4) * 2) / 2, y0 = (201 - 10 * 9) / 2;
  EXPECT_EQ(m->entries[0].x, x0);
  EXPECT_EQ(m->entries[0].y, y0);
  EXPECT_EQ(m->entries[8].y, y0 + 8 * 10);
  EXPECT_EQ(m->entries[9].x, x0 + 54);
  EXPECT_EQ(m->entries[9].y, y0);
  EXPECT_EQ(m->entries[17].y, y0 + 8 * 10 + 9 + 5);
}

TEST(MenuLayout, NeighboursAndBack) {
  const auto one = list_menu(16);
  EXPECT_EQ(one->entries[16].up, 15) << "Up from BACK: the last file of a one-column list";
  EXPECT_EQ(one->entries[15].down, 16);
  EXPECT_EQ(one->entries[0].up, kNoNeighbour);
  EXPECT_EQ(one->entries[16].down, kNoNeighbour);

  const auto two = list_menu(17);  // columns of 9 and 8
  EXPECT_EQ(two->entries[8].down, 17) << "last of column 0";
  EXPECT_EQ(two->entries[16].down, 17) << "last of column 1";
  EXPECT_EQ(two->entries[0].right, 9);
  EXPECT_EQ(two->entries[9].left, 0);
  EXPECT_EQ(two->entries[8].right, kNoNeighbour) << "column 1 has no ninth row";
  EXPECT_EQ(two->entries[9].right, kNoNeighbour);
  EXPECT_EQ(two->entries[0].left, kNoNeighbour);
  EXPECT_EQ(two->entries[17].up, 8) << "the lowest entry left of BACK";

  const auto three = list_menu(44);  // 15, 15, 14
  EXPECT_EQ(three->entries[14].right, 29);
  EXPECT_EQ(three->entries[29].right, kNoNeighbour);
  EXPECT_EQ(three->entries[44].left, kNoNeighbour);
}

TEST(MenuLayout, SortedIgnoringCaseAndKeepingTheListIndex) {
  static const auto font = small_font();
  const auto m = layout_menu(font, "T", {"match2", "Final", "derby", "MATCH1"}, kReplayMode,
                             nullptr, 4, kCreateSorted, 0);
  std::vector<std::string> texts;
  std::vector<int> indices;
  for (const auto& e : m->entries) texts.push_back(e.text), indices.push_back(e.index);
  EXPECT_EQ(texts, (std::vector<std::string>{"derby", "Final", "MATCH1", "match2"}));
  EXPECT_EQ(indices, (std::vector<int>{2, 1, 3, 0}));
  EXPECT_EQ(m->selected, 0);
  EXPECT_TRUE(m->visible());
}

TEST(RecordingLists, FortyFiveAndFortySix) {
  for (int n : {44, 45, 46, 60}) {
    std::vector<std::string> matches;
    for (int i = 0; i < n; ++i)
      matches.push_back(std::string("m").append(std::to_string(i)).append(".HiL"));
    const RecordingList list = list_recordings(matches);
    const std::size_t kept = n <= 45 ? n : 44;
    ASSERT_EQ(list.names.size(), kept) << n;
    EXPECT_EQ(list.too_many, n > 45);
    EXPECT_EQ(list.names[0], "m0");
    EXPECT_EQ(list.files[kept - 1],
              std::string("m").append(std::to_string(kept - 1)).append(".HiL"));
  }
}

// The browser's own state in a directory of the test's making.
class BrowserInDir : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::set_current(&headless_);
    old_ = fs::current_path();
    dir_ = test::make_temp_dir("browser");
    fs::current_path(dir_);
    reset_browser();
    reset_sprite_files();
    set_app_flag(nt_family, true);
  }
  void TearDown() override {
    reset_browser();
    app() = AppState{};
    fs::current_path(old_);
    fs::remove_all(dir_);
    platform::set_current(nullptr);
  }
  static void touch(const std::string& name) { std::ofstream(name) << "x"; }

  platform::HeadlessPlatform headless_{platform::ScreenSize{1920, 1080}};
  fs::path old_, dir_;
};

TEST_F(BrowserInDir, FortySixFilesWarnForReplayModeOnly) {
  for (int i = 0; i < 46; ++i) touch(std::string("h").append(std::to_string(i)).append(".hil"));
  touch("a.RPL");
  fs::create_directory("dir.rpl");  // not a file
  ASSERT_EQ(browser_init(), 1);
  EXPECT_EQ(browser().highlights.names.size(), 44u);
  EXPECT_EQ(browser().replays.names, std::vector<std::string>{"a"});
  ASSERT_NE(first_warning(kReplayMode), nullptr);
  EXPECT_EQ(first_warning(kReplayMode)->text,
            "More than 45 highlight files found.\nTAVU may behave erratically.");
  EXPECT_EQ(first_warning(kSpriteMode), nullptr);
  EXPECT_EQ(menu_system().current, browser().main_menu);
  EXPECT_EQ(browser().highlight_menu->parent, browser().main_menu);
  EXPECT_EQ(browser().animation_interval, 70u);
}

TEST_F(BrowserInDir, OnlyReplayFiles) {
  touch("derby.rpl");
  ASSERT_EQ(browser_init(), 1);
  EXPECT_EQ(browser().highlight_menu, nullptr);
  EXPECT_EQ(browser_keys(platform::VK_RETURN, 0), 1);  // on "VIEW HIGHLIGHTS"
  ASSERT_NE(first_warning(kReplayMode), nullptr);
  EXPECT_EQ(first_warning(kReplayMode)->text, "NO HIGHLIGHT FILES FOUND");
  EXPECT_EQ(menu_system().current, browser().main_menu);
  // Enter answers the warning; the keys still walk the menu below it.
  EXPECT_EQ(browser_keys(platform::VK_DOWN, 0), 1);
  EXPECT_EQ(browser_keys(platform::VK_RETURN, 0), 1);
  EXPECT_EQ(first_warning(kReplayMode), nullptr);
  EXPECT_EQ(browser_keys(platform::VK_RETURN, 0), 1);  // on "VIEW REPLAYS"
  EXPECT_EQ(menu_system().current, browser().replay_menu);
  EXPECT_FALSE(browser().main_menu->visible());
  EXPECT_EQ(browser_keys(platform::VK_BACK, 0), 1);
  EXPECT_EQ(menu_system().current, browser().main_menu);
  EXPECT_EQ(browser_keys(platform::VK_BACK, 0), 0) << "the main menu has no BACK";
  EXPECT_EQ(browser_keys(platform::VK_HOME, 0), 1);
  EXPECT_EQ(browser_keys(platform::VK_UP, 0), 0) << "no neighbour above entry 0";
  EXPECT_EQ(browser_keys(platform::VK_END, 0), 1);
  EXPECT_EQ(browser().main_menu->selected, 1);
}

// Where names are not cut to 8.3, two long names may share their first 27
// characters; each entry opens its own file.
TEST_F(BrowserInDir, LongNamesOpenTheirOwnFiles) {
  const std::string common = "a_recording_name_of_27_char";
  for (int pitch : {1, 4}) {
    RecordingHeader h;
    h.pitch_index = static_cast<std::uint8_t>(pitch);
    RecordingFrame f;
    ASSERT_TRUE(test::write_file(common + "s_pitch_" + std::to_string(pitch) + ".rpl",
                                 build_replay_file(h, std::vector<RecordingFrame>{f})));
  }
  ASSERT_EQ(browser_init(), 1);
  for (auto key : {platform::VK_DOWN, platform::VK_RETURN, platform::VK_HOME, platform::VK_DOWN})
    browser_keys(key, 0);
  EXPECT_EQ(browser_keys(platform::VK_RETURN, 0), 1);
  ASSERT_TRUE(playback().playing) << (first_warning(kReplayMode) ? first_warning(kReplayMode)->text
                                                                 : "");
  EXPECT_EQ(playback().recording->pitch_index, 4);
  stop_playback();
}

TEST_F(BrowserInDir, NoFilesAtAll) {
  ASSERT_EQ(browser_init(), 1);
  EXPECT_EQ(menu_system().head, nullptr);
  EXPECT_EQ(browser_keys(platform::VK_DOWN, 0), 0);
  EXPECT_EQ(browser_keys(platform::VK_RETURN, 0), 0);
  browser_enter(kPitchMode);
  EXPECT_TRUE(browser().return_pending);
  EXPECT_EQ(first_warning(kReplayMode)->text, "No highlight and replay files found.");
  browser_leave();
  browser_enter(kSpriteMode);
  EXPECT_EQ(menu_system().warnings.size(), 1u) << "entering again shows the same warning";
  browser_leave();
  browser_enter(kReplayMode);  // F9 again while current: no way back to offer
  EXPECT_FALSE(browser().return_pending);
}

}  // namespace
