#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "shell/files.h"
#include "support/run_editor.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

// Runs each test inside its own temporary directory, as the editor runs in
// the game directory.
class InTempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = fs::current_path();
    dir_ = test::make_temp_dir("files");
    fs::current_path(dir_);
  }
  void TearDown() override {
    clear_file_faults_for_tests();
    fs::current_path(old_);
    fs::remove_all(dir_);
  }
  static void write(const std::string& name, const std::string& content) {
    std::ofstream(name, std::ios::binary) << content;
  }
  static std::string read(const std::string& name) {
    auto b = test::read_bytes(name);
    return {b.begin(), b.end()};
  }
  fs::path old_, dir_;
};

TEST_F(InTempDir, OpenAndCreateFollowTheAccessFlags) {
  write("a.dat", "hello");
  EXPECT_FALSE(open_for_read("missing.dat", 13).valid());
  {
    FileHandle f = create_for_write("a.dat", 2);
    ASSERT_TRUE(f.valid());
  }
  EXPECT_EQ(fs::file_size("a.dat"), 0u);  // create-always empties it
  {
    FileHandle f = open_for_read("log.txt", 34);  // write, open-always: creates
    ASSERT_TRUE(f.valid());
    ASSERT_TRUE(f.seek_end());
    std::string s = "x";
    EXPECT_TRUE(f.write(std::span(reinterpret_cast<const std::uint8_t*>(s.data()), 1)));
  }
  {
    FileHandle f = open_for_read("log.txt", 34);  // appends to what is there
    ASSERT_TRUE(f.seek_end());
    std::string s = "y";
    EXPECT_TRUE(f.write(std::span(reinterpret_cast<const std::uint8_t*>(s.data()), 1)));
  }
  EXPECT_EQ(read("log.txt"), "xy");
}

TEST_F(InTempDir, NamesAreFoundIgnoringCaseAndKeepTheirSpelling) {
  write("charset.dat", "abc");
  EXPECT_EQ(find_file("CHARSET.DAT"), "charset.dat");
  EXPECT_EQ(find_file("NOSUCH.DAT"), "NOSUCH.DAT");
  std::vector<std::uint8_t> data;
  ASSERT_EQ(read_whole_file("CHARSET.DAT", data, 100), ReadStatus::ok);
  EXPECT_EQ(data.size(), 3u);
  EXPECT_EQ(read_whole_file("CHARSET.DAT", data, 2), ReadStatus::too_large);
  EXPECT_EQ(read_whole_file("NOSUCH.DAT", data, 2), ReadStatus::cannot_open);
  // A read that fails is an error, not a short file; the next read works.
  set_file_fault_for_tests({FileOp::read, 1});
  EXPECT_EQ(read_whole_file("CHARSET.DAT", data, 100), ReadStatus::read_error);
  EXPECT_EQ(read_whole_file("CHARSET.DAT", data, 100), ReadStatus::ok);
  EXPECT_EQ(file_op_calls_for_tests(FileOp::read), 2);
  clear_file_faults_for_tests();

  std::vector<std::uint8_t> bytes = {'n', 'e', 'w'};
  ASSERT_TRUE(replace_file("CHARSET.DAT", bytes));
  EXPECT_EQ(read("charset.dat"), "new");
  EXPECT_FALSE(fs::exists("CHARSET.DAT"));

  // Several other spellings: the same one every time, whatever the
  // directory's order; the exact spelling always wins.
  for (const char* n : {"score.DAT", "Score.dat", "sCORE.dat"}) write(n, n);
  EXPECT_EQ(find_file("SCORE.DAT"), "Score.dat");
  EXPECT_EQ(ambiguous_names("SCORE.DAT"),
            (std::vector<std::string>{"Score.dat", "sCORE.dat", "score.DAT"}));
  EXPECT_EQ(find_file("score.DAT"), "score.DAT");
  EXPECT_TRUE(ambiguous_names("CHARSET.DAT").empty());
}

TEST_F(InTempDir, DirectoryListingMatchesPatternsIgnoringCase) {
  for (const char* n : {"spr0001.bmp", "SPR0002.BMP", "spr12.bmp", "spr00001.bmp", "x.256"})
    write(n, "");
  auto names = list_directory("spr????.bmp");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"SPR0002.BMP", "spr0001.bmp"}));
  EXPECT_EQ(list_directory("*.256"), std::vector<std::string>{"x.256"});
  EXPECT_TRUE(matches_pattern("a", "*"));
  EXPECT_FALSE(matches_pattern("ab", "?"));
}

TEST(NameHelpers, CompareAndSortFoldLetterCaseOnly) {
  EXPECT_EQ(compare_names("pitch1.dat", "PITCH1.DAT"), 0);
  EXPECT_LT(compare_names("a", "ab"), 0);
  EXPECT_GT(compare_names("ab", "a"), 0);
  EXPECT_LT(compare_names("\xE9x", "A"), 0);  // high bytes sort first
  EXPECT_NE(compare_names("[", "{"), 0);      // only a-z fold

  std::vector<std::string> none, one = {"b"};
  sort_names(none);
  sort_names(one);
  EXPECT_EQ(one, std::vector<std::string>{"b"});
  std::vector<std::string> names = {"c.256", "B.256", "a.256", "b.256"};
  sort_names(names);
  EXPECT_EQ(names, (std::vector<std::string>{"a.256", "B.256", "b.256", "c.256"}));
}

TEST(NumberHelpers, FormatParseAndSquareRoot) {
  char buf[12];
  EXPECT_STREQ(format_decimal(0, buf), "0");
  EXPECT_STREQ(format_decimal(-45, buf), "-45");
  EXPECT_STREQ(format_decimal(2147483647, buf), "2147483647");
  EXPECT_STREQ(format_decimal(-2147483647, buf), "-2147483647");
  EXPECT_EQ(format_decimal(-2147483647 - 1), "-2147483648");

  EXPECT_EQ(parse_decimal("0123abc"), 123u);
  EXPECT_EQ(parse_decimal("x1"), 0u);
  EXPECT_EQ(parse_decimal(""), 0u);
  EXPECT_EQ(parse_decimal("4294967296"), 0u);  // wraps like 32-bit arithmetic

  const std::uint32_t cases[][2] = {{0, 0}, {1, 1}, {3, 1}, {4, 2}, {99, 9}, {4294836224u, 65534}};
  for (auto [n, root] : cases) EXPECT_EQ(integer_sqrt(n), root) << n;
  EXPECT_EQ(integer_sqrt(4294967295u), 65535u);

  char dst[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(copy_bounded(dst, "abcdef", 3), 3u);
  EXPECT_EQ(dst[3], 'x');  // not terminated when cut
  EXPECT_EQ(copy_bounded(dst, "a", 3), 2u);
  EXPECT_STREQ(dst, "a");
}

}  // namespace
