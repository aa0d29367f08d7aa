// tavu-demo-data pointed at a directory that already holds game files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/dir_snapshot.h"
#include "support/run_editor.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

struct GeneratorRun {
  int exit_code;
  std::string err;
};

GeneratorRun generate(const std::string& args, const fs::path& err_file) {
  const std::string command =
      std::string("'") + TAVU_DEMO_DATA_PATH + "' " + args + " 2>'" + err_file.string() + "'";
  const int status = std::system(command.c_str());
  std::ifstream in(err_file);
  return {(status >> 8) & 0xFF, {std::istreambuf_iterator<char>(in), {}}};
}

TEST(DemoDataGenerator, KeepsOutOfADirectoryWithOtherGameFiles) {
  const fs::path root = test::make_temp_dir("demo-refusal");
  const fs::path game = root / "game", err = root / "err";
  fs::create_directory(game);
  std::ofstream(game / "charset.dat") << "a modder's font";
  std::ofstream(game / "notes.txt") << "mine";
  const auto before = test::snapshot(game);

  const GeneratorRun refused = generate(std::string("'").append(game.string()).append("'"), err);
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find("charset.dat"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
  EXPECT_TRUE(test::changed(before, test::snapshot(game)).empty()) << "nothing written";

  const GeneratorRun forced = generate("--force '" + game.string() + "'", err);
  EXPECT_EQ(forced.exit_code, 0) << forced.err;
  EXPECT_NE(test::read_bytes(game / "charset.dat"), before.at("charset.dat").second);
  EXPECT_FALSE(fs::exists(game / "CHARSET.DAT.bak"));
  EXPECT_TRUE(fs::exists(game / "SPRITE.DAT"));
  EXPECT_EQ(test::read_bytes(game / "notes.txt"), before.at("notes.txt").second);

  // Its own files are no obstacle: the demo directory can be made again.
  const auto demo = test::snapshot(game);
  const GeneratorRun again = generate(std::string("'").append(game.string()).append("'"), err);
  EXPECT_EQ(again.exit_code, 0) << again.err;
  EXPECT_EQ(test::snapshot(game).size(), demo.size());

  EXPECT_EQ(generate("", err).exit_code, 2);
  EXPECT_EQ(generate("--force", err).exit_code, 2);
  fs::remove_all(root);
}

}  // namespace
