// Game directories with awkward contents: names that are very long, have
// spaces or bytes that are no ASCII, things named like pictures and
// recordings that are no files, and ten thousand pictures and recordings.
#include <chrono>
#include <set>

#include "editor_test_support.h"
#include "pictures/picture_mode.h"
#include "replays/recordings.h"
#include "support/dir_snapshot.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

using HostileDir = test::EditorInProcess;

// 255 bytes, the most a name may have.
std::string longest(char c, const char* extension) {
  return std::string(251, c) + extension;
}

TEST_F(HostileDir, AwkwardNamesAreListedShownExportedAndOpened) {
  const std::vector<std::string> pictures = {longest('L', ".256"), "my picture.256",
                                             "p\xE9\xFF\x80 x.256"};
  const std::vector<std::string> recordings = {longest('h', ".hil"), "my match.hil",
                                               "r\xE9\xFF.rpl"};
  for (const auto& n : pictures) fs::copy_file("night.256", n);
  for (const auto& n : recordings)
    fs::copy_file(n.ends_with(".hil") ? "match2.hil" : "derby.rpl", n);
  // Named like pictures and recordings, but no files.
  for (const char* d : {"x.256", "y.hil", "z.rpl"}) fs::create_directory(d);
  fs::create_symlink("loop2.256", "loop1.256");
  fs::create_symlink("loop1.256", "loop2.256");
  fs::create_symlink("nowhere.rpl", "gone.rpl");
  ASSERT_TRUE(start());

  std::set<std::string> ring;
  for (const Picture& p : picture_ring().pictures) ring.insert(p.file_name);
  EXPECT_EQ(ring, (std::set<std::string>{"ball.256", "fill.256", "kltitle.256", "night.256",
                                         "stad.256", pictures[0], pictures[1], pictures[2]}));
  const BrowserState& b = browser();
  EXPECT_EQ(std::set<std::string>(b.highlights.files.begin(), b.highlights.files.end()),
            (std::set<std::string>{"match1.hil", "match2.hil", recordings[0], recordings[1]}));
  EXPECT_EQ(std::set<std::string>(b.replays.files.begin(), b.replays.files.end()),
            (std::set<std::string>{"derby.rpl", "final.rpl", recordings[2]}));
  for (const auto& n : recordings) {
    SCOPED_TRACE(n);
    const auto& list = n.ends_with(".hil") ? b.highlights : b.replays;
    const auto at = std::find(list.files.begin(), list.files.end(), n) - list.files.begin();
    EXPECT_EQ(list.names.at(static_cast<std::size_t>(at)), n.substr(0, n.size() - 4));
    EXPECT_TRUE(open_recording_file(
        n, n.ends_with(".hil") ? RecordingKind::kHighlight : RecordingKind::kReplay));
  }
  // The lists with those names drawn (bytes the font has no sprite for
  // included).
  std::vector<std::uint8_t> frame(320 * 200);
  for (Menu* m : {b.highlight_menu, b.replay_menu}) {
    ASSERT_NE(m, nullptr);
    open_menu(m);
    draw_browser(frame.data(), 320);
  }

  const ModeDescriptor& mode = mode_table()[kPictureMode];
  mode.enter(0);
  for (const auto& n : pictures) {
    SCOPED_TRACE(n.size() > 40 ? n.substr(n.size() - 8) : n);
    while (current_picture()->file_name != n) ASSERT_EQ(mode.keys(platform::VK_SPACE, 0), 1);
    mode.draw(frame.data(), 320);
    const std::string bmp = n.substr(0, n.size() - 3) + "bmp";
    // The second export replaces the first, through the hidden names too.
    for (int round = 0; round < 2; ++round) {
      status_state() = StatusState{};
      ASSERT_EQ(mode.keys(platform::VK_F2, 0), 1);
      EXPECT_EQ(status_state().text, "Saved " + bmp + " OK");
    }
    EXPECT_EQ(test::read_bytes(bmp), encode_picture_bitmap(*current_picture()));
    EXPECT_TRUE(test::hidden_names(".").empty());
  }
}

TEST_F(HostileDir, NamesThatLeadNowhereStopStartUpNamingThem) {
  struct Case {
    const char* name;
    const char* reason;
  };
  const Case cases[] = {{"CHARSET.DAT", "Can't open CHARSET.DAT"},
                        {"pitch3.blk", "Can't open pitch3.blk"},
                        {"kltitle.256", "kltitle.256 missing!"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const test::DemoDir dir("loop");
    ASSERT_TRUE(dir.ok());
    fs::remove(dir.file(c.name));
    fs::create_symlink("loop", dir.file(c.name));
    fs::create_symlink(c.name, dir.file("loop"));
    const auto r = test::run_editor(dir.path(), "print mode\n");
    EXPECT_EQ(r.exit_code, 255);
    EXPECT_NE(r.err.find(std::string("Reason:\n") + c.reason + "\n"), std::string::npos) << r.err;
  }
}

// Ten thousand pictures and as many recordings: start-up stays quick (a
// bound that only a quadratic walk would break) and the browser keeps to
// its 45 files.
TEST_F(HostileDir, TenThousandPicturesAndRecordings) {
  constexpr int kMany = 10000;
  char name[32];
  for (int i = 0; i < kMany; ++i) {
    std::snprintf(name, sizeof name, "many%05d.256", (i * 7919) % kMany);
    test::write_file(name, {});
    std::snprintf(name, sizeof name, "m%05d.%s", i, i % 2 ? "rpl" : "hil");
    test::write_file(name, {});
  }
  const auto began = std::chrono::steady_clock::now();
  ASSERT_TRUE(start());
  const auto took = std::chrono::steady_clock::now() - began;
  EXPECT_LT(took, std::chrono::seconds(20));

  const auto& ring = picture_ring().pictures;
  ASSERT_EQ(ring.size(), static_cast<std::size_t>(kMany) + 5);
  EXPECT_EQ(ring.front().file_name, "ball.256");
  EXPECT_EQ(ring[3].file_name, "many00000.256");
  EXPECT_EQ(ring[3 + kMany - 1].file_name, "many09999.256");
  for (const RecordingList* list : {&browser().highlights, &browser().replays}) {
    EXPECT_TRUE(list->too_many);
    EXPECT_EQ(list->names.size(), 44u);
  }
  const Warning* w = first_warning(kReplayMode);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->text, "More than 45 highlight files found.\nTAVU may behave erratically.");

  // The real editor on the same directory starts and reaches replay mode.
  const auto run_began = std::chrono::steady_clock::now();
  const auto r = test::run_editor(demo_.path(), "print mode\nkey F9\nprint mode\n");
  EXPECT_LT(std::chrono::steady_clock::now() - run_began, std::chrono::seconds(30));
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(test::printed(r, "mode"), (std::vector<std::string>{"0", "4"}));
}

}  // namespace
