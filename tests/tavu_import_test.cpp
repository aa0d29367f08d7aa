// tavu import: an unchanged export changes nothing; an edited file lands as
// the editor's Insert and "Y" land it; any refusal or failed save leaves
// the game directory as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "shell/files.h"
#include "support/demo_dir.h"
#include "support/dir_snapshot.h"
#include "support/run_editor.h"
#include "support/run_tavu.h"

namespace tavu::test {
namespace {

namespace fs = std::filesystem;

// ImageMagick, as a user edits an export.
bool magick(const std::string& arguments) {
  return std::system(("convert " + arguments + " 2>/dev/null").c_str()) == 0;
}

std::vector<std::string> without_backups(std::vector<std::string> names) {
  std::erase_if(names, [](const std::string& n) { return n.ends_with(".bak"); });
  return names;
}

struct RoundTrip {
  std::string name;
  std::vector<std::string> export_options;
  bool lowercase = false;
};

TEST(TavuImport, AnUnchangedExportChangesNoByteAndMakesNoBackup) {
  const std::vector<RoundTrip> cases = {
      {"png", {}},
      {"bmp", {"--format", "bmp"}},
      {"sheets", {"--sheets"}},
      {"lower-case names", {"--only", "sprites,pitches,pictures"}, true},
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(c.name);
    DemoDir demo("import-round");
    ScratchDir out("import-round-out");
    ASSERT_TRUE(demo.ok());
    if (c.lowercase) {
      ASSERT_TRUE(lowercase_all(demo.path()));
    }
    std::vector<std::string> args = {"export", "--dir", demo.path().string()};
    args.insert(args.end(), c.export_options.begin(), c.export_options.end());
    args.push_back(out.path().string());
    const TavuRun exported = run_tavu(args);
    ASSERT_EQ(exported.exit_code, 0) << exported.err;
    const Snapshot before = snapshot(demo.path());
    const TavuRun imported =
        run_tavu({"import", "--dir", demo.path().string(), out.path().string()});
    EXPECT_EQ(imported.exit_code, 0) << imported.err;
    EXPECT_EQ(imported.out.rfind("Nothing to change (", 0), 0u) << imported.out;
    EXPECT_EQ(imported.err, "");
    EXPECT_TRUE(changed(before, snapshot(demo.path())).empty());
  }
}

struct Edit {
  std::string name;
  std::vector<std::string> export_options;
  std::string file;                // the export's file the user edits
  std::string magick;              // convert IN ARGS OUT
  std::string insert;              // the same file for the editor's Insert
  std::string script;              // editor keys up to the Insert
  std::string line;                // what tavu prints for it
  std::vector<std::string> saved;  // game files written
};

TEST(TavuImport, EachEditLandsAsTheEditorsInsertAndYes) {
  const std::string red_sprite = "-fill '#FC0000' -opaque '#FCFCFC'";
  const std::vector<Edit> cases = {
      {"sprite",
       {"--only", "sprites"},
       "spr0065.png",
       red_sprite,
       "spr0065.png",
       "key F5\nkey G\ntype 65\nkey RETURN\n",
       "sprite 65 (CHARSET.DAT) from ",
       {"CHARSET.DAT", "SPRITE.DAT"}},
      {"sheet",
       {"--only", "sprites", "--sheets"},
       "CHARSET.png",
       "-region 6x8+34+39 " + red_sprite + " +region",
       "",
       "key F5\nkey G\ntype 65\nkey RETURN\n",
       "sprite 65 (CHARSET.DAT) from ",
       {"CHARSET.DAT", "SPRITE.DAT"}},
      {"pattern",
       {"--only", "patterns"},
       "pt1-3.png",
       "-fill '#000000' -draw 'point 3,3'",
       "pt1-3.png",
       "key F8\nkey SPACE SPACE SPACE SPACE\nkey DOWN DOWN DOWN\n",
       "pattern 3 of pitch 1 from ",
       {"pitch1.blk", "pitch1.dat"}},
      {"pitch",
       {"--only", "pitches"},
       "pitch2.png",
       "-fill '#000000' -draw 'rectangle 10,10,40,40'",
       "pitch2.png",
       "key F8\nkey SPACE SPACE SPACE SPACE\nkey F7\nkey SPACE\n",
       "pitch 2 from ",
       {"pitch2.blk", "pitch2.dat"}},
      {"picture",
       {"--only", "pictures"},
       "fill.png",
       "-fill '#000000' -draw 'rectangle 10,10,100,50'",
       "fill.png",
       "key F6\nkey SPACE\n",
       "picture fill.256 from ",
       {"fill.256"}},
  };
  for (const Edit& c : cases) {
    SCOPED_TRACE(c.name);
    DemoDir tool("import-edit"), editor("import-editor");
    ScratchDir out("import-edit-out");
    ASSERT_TRUE(tool.ok() && editor.ok());
    std::vector<std::string> args = {"export", "--dir", tool.path().string()};
    args.insert(args.end(), c.export_options.begin(), c.export_options.end());
    args.push_back(out.path().string());
    ASSERT_EQ(run_tavu(args).exit_code, 0);
    const fs::path edited = out.path() / c.file;
    ASSERT_TRUE(
        magick(shell_quote(edited.string()) + " " + c.magick + " " + shell_quote(edited.string())));

    // The editor reads the same edit with Insert; a sheet's edit is the
    // sprite's own file edited alike.
    if (c.insert.empty()) {
      ScratchDir single("import-edit-single");
      ASSERT_EQ(run_tavu({"export", "--dir", tool.path().string(), "--only", "sprites",
                          single.path().string()})
                    .exit_code,
                0);
      ASSERT_TRUE(magick(shell_quote((single.path() / "spr0065.png").string()) + " " + red_sprite +
                         " " + shell_quote(editor.file("spr0065.png").string())));
    } else {
      fs::copy_file(edited, editor.file(c.insert));
    }
    const Snapshot editor_before = snapshot(editor.path());
    const EditorRun run = run_editor(editor.path(), c.script + "key INSERT\nkey ESCAPE\nkey Y\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;

    const Snapshot before = snapshot(tool.path());
    const TavuRun imported =
        run_tavu({"import", "--dir", tool.path().string(), out.path().string()});
    ASSERT_EQ(imported.exit_code, 0) << imported.err;
    EXPECT_EQ(imported.out.rfind(c.line + out.path().string() + "/" + c.file, 0), 0u)
        << imported.out;
    const std::vector<std::string> written =
        without_backups(changed(before, snapshot(tool.path())));
    std::vector<std::string> expected = c.saved;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(written, expected);
    for (const std::string& name : written)
      EXPECT_EQ(read_bytes(tool.file(name)), read_bytes(editor.file(name))) << name;
    EXPECT_EQ(without_backups(changed(editor_before, snapshot(editor.path()))), written);
    // The originals are kept, as the editor keeps them.
    for (const std::string& name : written) EXPECT_TRUE(fs::exists(tool.file(name + ".bak")));
  }
}

TEST(TavuImport, ASheetsJsonMovesACentre) {
  DemoDir demo("import-centre");
  ScratchDir out("import-centre-out");
  ASSERT_TRUE(demo.ok());
  ASSERT_EQ(run_tavu({"export", "--dir", demo.path().string(), "--sheets", "--only", "sprites",
                      out.path().string()})
                .exit_code,
            0);
  const fs::path json = out.path() / "SCORE.json";
  std::vector<std::uint8_t> bytes = read_bytes(json);
  std::string text(bytes.begin(), bytes.end());
  const std::size_t at = text.find("{\"number\": 230,");
  ASSERT_NE(at, std::string::npos);
  const std::size_t x = text.find("\"centre_x\": ", at) + 12;
  const std::size_t end = text.find(',', x);
  const int old_x = std::stoi(text.substr(x, end - x));
  text.replace(x, end - x, std::to_string(old_x + 3));
  ASSERT_TRUE(write_file(json, {text.begin(), text.end()}));

  const TavuRun run = run_tavu({"import", "--dir", demo.path().string(), out.path().string()});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.out.find("sprite 230 (SCORE.DAT) centre " + std::to_string(old_x + 3) + ","),
            std::string::npos)
      << run.out;
  // A fresh export shows the new centre, and the pictures are as they were.
  ScratchDir again("import-centre-again");
  ASSERT_EQ(run_tavu({"export", "--dir", demo.path().string(), "--sheets", "--only", "sprites",
                      again.path().string()})
                .exit_code,
            0);
  EXPECT_EQ(read_bytes(again.path() / "SCORE.json"),
            std::vector<std::uint8_t>(text.begin(), text.end()));
  EXPECT_EQ(read_bytes(again.path() / "SCORE.png"), read_bytes(out.path() / "SCORE.png"));
}

// One export with an edited sprite, pattern, pitch and picture.
class EditedExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(demo_.ok());
    ASSERT_EQ(run_tavu({"export", "--dir", demo_.path().string(), in()}).exit_code, 0);
    const fs::path dir = out_.path();
    ASSERT_TRUE(magick(shell_quote((dir / "spr0065.png").string()) +
                       " -fill '#FC0000' -opaque '#FCFCFC' " +
                       shell_quote((dir / "spr0065.png").string())));
    ASSERT_TRUE(magick(shell_quote((dir / "pt3-7.png").string()) +
                       " -fill '#000000' -draw 'point 3,3' " +
                       shell_quote((dir / "pt3-7.png").string())));
    ASSERT_TRUE(magick(shell_quote((dir / "pitch4.png").string()) +
                       " -fill '#000000' -draw 'rectangle 1,1,9,9' " +
                       shell_quote((dir / "pitch4.png").string())));
    ASSERT_TRUE(magick(shell_quote((dir / "night.png").string()) +
                       " -fill '#000000' -draw 'point 5,5' " +
                       shell_quote((dir / "night.png").string())));
  }
  std::string in() const { return out_.path().string(); }

  DemoDir demo_{"import-edited"};
  ScratchDir out_{"import-edited-out"};
};

TEST_F(EditedExport, DryRunSaysWhatWouldChangeAndWritesNothing) {
  const Snapshot before = snapshot(demo_.path());
  const TavuRun run = run_tavu({"import", "--dry-run", "--dir", demo_.path().string(), in()});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  const std::string game = demo_.path().string();
  const std::vector<std::string> lines = {
      "would change sprite 65 (CHARSET.DAT) from " + in() + "/spr0065.png\n",
      "would change pattern 7 of pitch 3 from " + in() + "/pt3-7.png\n",
      "would change pitch 4 from " + in() + "/pitch4.png (",
      "would change picture night.256 from " + in() + "/night.png\n",
      "4 changes; would save " + game + "/CHARSET.DAT, " + game + "/SPRITE.DAT, " + game +
          "/pitch3.dat, " + game + "/pitch3.blk, " + game + "/pitch4.dat, " + game +
          "/pitch4.blk, " + game + "/night.256 (dry run: nothing written)\n"};
  std::size_t at = 0;
  for (const std::string& line : lines) {
    const std::size_t found = run.out.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << "\nin\n" << run.out;
    at = found + line.size();
  }
  EXPECT_TRUE(changed(before, snapshot(demo_.path())).empty());
}

struct Bad {
  std::string name;
  std::function<bool(const fs::path&)> spoil;
  std::string refusal;
};

TEST_F(EditedExport, OneBadFileAmongManyRefusesThemAll) {
  const std::vector<Bad> cases = {
      {"cut off", [](const fs::path& d) { return truncate_by_one(d, "spr0100.png"); },
       "/spr0100.png: "},
      {"wrong size",
       [](const fs::path& d) {
         return magick(shell_quote((d / "pt1-1.png").string()) + " -resize 17x16! " +
                       shell_quote((d / "pt1-1.png").string()));
       },
       "/pt1-1.png: 17x16, must be 16x16"},
      {"colour not in the palette",
       [](const fs::path& d) {
         return magick(shell_quote((d / "spr0200.png").string()) +
                       " -fill '#123456' -draw 'point 0,0' " +
                       shell_quote((d / "spr0200.png").string()));
       },
       "/spr0200.png: "},
      {"not a picture",
       [](const fs::path& d) {
         return write_file(d / "pitch5.png", {'n', 'o', 'p', 'e'});
       },
       "/pitch5.png: "},
      {"two files for one sprite",
       [this](const fs::path& d) {
         return run_tavu({"export", "--dir", demo_.path().string(), "--sheets", "--only", "sprites",
                          d.string()})
                        .exit_code == 0 &&
                magick(shell_quote((d / "CHARSET.png").string()) +
                       " -region 6x8+34+39 -fill '#0000FC' -opaque "
                       "'#FCFCFC' +region " +
                       shell_quote((d / "CHARSET.png").string()));
       },
       " changes sprite 65 too"},
  };
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir copy("import-bad");
    fs::copy(out_.path(), copy.path(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    ASSERT_TRUE(c.spoil(copy.path()));
    const Snapshot before = snapshot(demo_.path());
    const TavuRun run = run_tavu({"import", "--dir", demo_.path().string(), copy.path().string()});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(c.refusal), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("; nothing written\n"), std::string::npos) << run.err;
    EXPECT_TRUE(changed(before, snapshot(demo_.path())).empty());
  }
}

TEST_F(EditedExport, ASaveFailingAtAnyStepLeavesTheGameDirectoryUnchanged) {
  // Two of the edits: a sprite file with the index, and a picture.
  ScratchDir two("import-fault-in");
  for (const char* name : {"spr0065.png", "night.png"})
    fs::copy_file(out_.path() / name, two.path() / name);
  const std::string in = two.path().string();
  // How many calls of each operation a clean import makes.
  std::vector<int> calls(kFileOpCount, 0);
  {
    DemoDir clean("import-fault-clean");
    clear_file_faults_for_tests();
    const TavuRun run = run_tavu_here({"import", "--dir", clean.path().string(), in});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    ASSERT_NE(run.out.find("2 changes; saved "), std::string::npos) << run.out;
    for (int op = 0; op < kFileOpCount; ++op)
      calls[op] = file_op_calls_for_tests(static_cast<FileOp>(op));
  }
  int faults = 0;
  for (int op = 0; op < kFileOpCount; ++op) {
    // Reads fail while loading or reading the files, long before any save.
    if (static_cast<FileOp>(op) == FileOp::read) continue;
    for (int k = 1; k <= calls[op]; ++k) {
      SCOPED_TRACE(std::string(file_op_name(static_cast<FileOp>(op))) + " " + std::to_string(k));
      DemoDir game("import-fault");
      const Snapshot before = snapshot(game.path());
      set_file_fault_for_tests({static_cast<FileOp>(op), k});
      const TavuRun run = run_tavu_here({"import", "--dir", game.path().string(), in});
      clear_file_faults_for_tests();
      EXPECT_EQ(run.exit_code, 1);
      EXPECT_NE(run.err.find("tavu: failed to save "), std::string::npos) << run.err;
      EXPECT_EQ(run.out.find("changes; saved"), std::string::npos) << run.out;
      EXPECT_TRUE(changed(before, snapshot(game.path())).empty());
      ++faults;
    }
  }
  EXPECT_GT(faults, 10);
}

}  // namespace
}  // namespace tavu::test
