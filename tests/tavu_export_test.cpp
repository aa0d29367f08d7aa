// tavu export: every file under the editor's names, written by the
// editor's own encoders, never over a picture the user changed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imaging/image.h"
#include "sheets.h"
#include "shell/bytes.h"
#include "sprites/sprite_format.h"
#include "support/demo_dir.h"
#include "support/dir_snapshot.h"
#include "support/run_editor.h"
#include "support/run_tavu.h"

namespace tavu::test {
namespace {

namespace fs = std::filesystem;

std::size_t count_files(const fs::path& dir, const std::string& extension) {
  std::size_t n = 0;
  for (const auto& e : fs::directory_iterator(dir)) n += e.path().extension() == extension;
  return n;
}

// Patterns of the demo's six pitches, from their files' sizes.
std::size_t demo_patterns(const DemoDir& demo) {
  std::size_t n = 0;
  for (int p = 1; p <= 6; ++p)
    n += fs::file_size(demo.file("pitch" + std::to_string(p) + ".blk")) / 256;
  return n;
}

TEST(TavuExport, WritesEveryFileOnceAndLeavesSamePicturesAlone) {
  DemoDir demo("export-all");
  ScratchDir out("export-out");
  ASSERT_TRUE(demo.ok());
  const Snapshot game = snapshot(demo.path());
  const fs::path dir = out.path() / "mod";  // made by the export
  const TavuRun run = run_tavu({"export", "--dir", demo.path().string(), dir.string()});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::size_t expected = 1334 + demo_patterns(demo) + 6 + 5;
  EXPECT_EQ(count_files(dir, ".png"), expected);
  EXPECT_EQ(run.out, std::to_string(expected) + " files written to " + dir.string() + "\n");
  for (const char* name : {"spr0000.png", "spr1333.png", "pt1-0.png", "pt6-0.png", "pitch1.png",
                           "pitch6.png", "fill.png", "kltitle.png", "night.png"})
    EXPECT_TRUE(fs::exists(dir / name)) << name;

  // Again: nothing to write, and no file replaced.
  const Snapshot before = snapshot(dir);
  const TavuRun again = run_tavu({"export", "--dir", demo.path().string(), dir.string()});
  EXPECT_EQ(again.exit_code, 0) << again.err;
  EXPECT_EQ(again.out, "0 files written to " + dir.string() + ", " + std::to_string(expected) +
                           " unchanged\n");
  EXPECT_TRUE(changed(before, snapshot(dir)).empty());
  // Exports never touch the game directory.
  EXPECT_TRUE(changed(game, snapshot(demo.path())).empty());
}

TEST(TavuExport, FilesAreTheEditorsOwnExports) {
  DemoDir demo("export-editor");
  ScratchDir out("export-editor-out");
  ASSERT_TRUE(demo.ok());
  // The editor: sprite 0 as PNG (Ctrl+F2), pattern 0 of pitch 1 and pitch 1
  // as BMP (F2), both in the normal pitch type's colours (the two modes
  // share the type).
  const EditorRun editor = run_editor(demo.path(),
                                      "key F5\nkey ctrl+F2\n"
                                      "key F8\nkey SPACE SPACE SPACE SPACE\nkey F2\n"
                                      "key F7\nkey F2\n");
  ASSERT_EQ(editor.exit_code, 0) << editor.err;
  ASSERT_EQ(run_tavu({"export", "--dir", demo.path().string(), "--only", "sprites",
                      (out.path() / "png").string()})
                .exit_code,
            0);
  ASSERT_EQ(run_tavu({"export", "--dir", demo.path().string(), "--format", "bmp", "--only",
                      "patterns,pitches", (out.path() / "bmp").string()})
                .exit_code,
            0);
  EXPECT_EQ(read_bytes(out.path() / "png" / "spr0000.png"), read_bytes(demo.file("spr0000.png")));
  EXPECT_EQ(read_bytes(out.path() / "bmp" / "pt1-0.bmp"), read_bytes(demo.file("pt1-0.bmp")));
  EXPECT_EQ(read_bytes(out.path() / "bmp" / "pitch1.bmp"),
            read_bytes(demo.file("pitch1-normal.bmp")));
  EXPECT_EQ(count_files(out.path() / "bmp", ".bmp"), demo_patterns(demo) + 6);
  EXPECT_EQ(count_files(out.path() / "png", ".png"), 1334u);
}

TEST(TavuExport, AChangedPictureIsKeptUnlessForced) {
  DemoDir demo("export-force");
  ScratchDir out("export-force-out");
  ASSERT_TRUE(demo.ok());
  const std::string dir = (out.path() / "pics").string();
  ASSERT_EQ(
      run_tavu({"export", "--dir", demo.path().string(), "--only", "pictures", dir}).exit_code, 0);
  // The user's painting: another picture under the same name.
  const std::vector<std::uint8_t> painted = read_bytes(out.path() / "pics" / "ball.png");
  fs::copy_file(out.path() / "pics" / "night.png", out.path() / "pics" / "ball.png",
                fs::copy_options::overwrite_existing);
  const std::vector<std::uint8_t> mine = read_bytes(out.path() / "pics" / "ball.png");
  const TavuRun kept =
      run_tavu({"export", "--dir", demo.path().string(), "--only", "pictures", dir});
  EXPECT_EQ(kept.exit_code, 1);
  EXPECT_NE(kept.err.find(dir + "/ball.png holds another picture; not overwritten"),
            std::string::npos)
      << kept.err;
  EXPECT_EQ(read_bytes(out.path() / "pics" / "ball.png"), mine);

  const TavuRun forced =
      run_tavu({"export", "--dir", demo.path().string(), "--only", "pictures", "--force", dir});
  EXPECT_EQ(forced.exit_code, 0) << forced.err;
  EXPECT_EQ(read_bytes(out.path() / "pics" / "ball.png"), painted);
}

TEST(TavuExport, SheetsHoldEverySpriteWhereTheirJsonSays) {
  DemoDir demo("export-sheets");
  ScratchDir out("export-sheets-out");
  ASSERT_TRUE(demo.ok());
  const fs::path sheets = out.path() / "sheets";
  const fs::path single = out.path() / "single";
  ASSERT_EQ(run_tavu({"export", "--dir", demo.path().string(), "--sheets", "--only", "sprites",
                      sheets.string()})
                .exit_code,
            0);
  ASSERT_EQ(
      run_tavu({"export", "--dir", demo.path().string(), "--only", "sprites", single.string()})
          .exit_code,
      0);
  struct File {
    const char* stem;
    int first, count;
  };
  for (const File f :
       {File{"CHARSET", 0, 227}, File{"SCORE", 227, 114}, File{"TEAM1", 341, 303},
        File{"TEAM3", 644, 303}, File{"GOAL1", 947, 116}, File{"BENCH", 1179, 155}}) {
    SCOPED_TRACE(f.stem);
    const std::vector<std::uint8_t> json = read_bytes(sheets / (std::string(f.stem) + ".json"));
    cli::Sheet sheet;
    std::string reason;
    ASSERT_TRUE(cli::parse_sheet_json(std::string(json.begin(), json.end()), sheet, &reason))
        << reason;
    EXPECT_EQ(sheet.file, std::string(f.stem) + ".DAT");
    ASSERT_EQ(sheet.sprites.size(), static_cast<std::size_t>(f.count));
    Image image;
    ASSERT_TRUE(read_image_file((sheets / (std::string(f.stem) + ".png")).string(), image).ok());
    ASSERT_TRUE(image.indexed);
    for (int k = 0; k < f.count; ++k) {
      const cli::SheetSprite& s = sheet.sprites[static_cast<std::size_t>(k)];
      ASSERT_EQ(s.number, f.first + k);
      // Each sprite's place shows exactly its own export, gap pixels aside.
      Image own;
      char name[16];
      std::snprintf(name, sizeof name, "spr%04d.png", s.number);
      ASSERT_TRUE(read_image_file((single / name).string(), own).ok());
      ASSERT_EQ(own.width, s.width);
      ASSERT_EQ(own.height, s.height);
      ASSERT_LE(s.x + s.width, image.width);
      ASSERT_LE(s.y + s.height, image.height);
      for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
          ASSERT_EQ(image.indices[static_cast<std::size_t>(s.y + y) * image.width + s.x + x],
                    own.indices[static_cast<std::size_t>(y) * own.width + x])
              << s.number << " at " << x << "," << y;
      // Sixteen to a row, a gap between neighbours.
      if (k % cli::kSheetColumns != 0) {
        const cli::SheetSprite& left = sheet.sprites[static_cast<std::size_t>(k - 1)];
        EXPECT_GE(s.x, left.x + left.width + cli::kSheetGap);
        EXPECT_EQ(s.y, left.y);
      }
    }
  }
}

}  // namespace
}  // namespace tavu::test
