// The demo character set as the editor draws it: the help overlay's tabbed
// columns, lines that fit on the screen, and every glyph of the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/modes.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_format.h"
#include "sprites/text.h"
#include "support/demo_dir.h"
#include "support/run_editor.h"

namespace tavu {
namespace {

constexpr int kW = 320, kH = 200;
// Where the frame composition draws the help overlay, and where every
// description of a help text is meant to start.
constexpr int kHelpX = 16, kHelpY = 16;
constexpr int kDescriptionColumn = 160;

// Characters with a glyph, small and big.
constexpr const char* kCharacters = "'(),./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ\f*-?:+%;";

struct Frame {
  std::vector<std::uint8_t> px = std::vector<std::uint8_t>(kW * kH, 0);
  std::uint8_t at(int x, int y) const { return px[static_cast<std::size_t>(y * kW + x)]; }
};

class HelpLayoutTest : public ::testing::Test {
 protected:
  // The demo CHARSET.DAT as sprite mode loads it, sprites 0-226 by number.
  static void SetUpTestSuite() {
    font_ = new std::vector<SpriteRecord>(kSpriteCount);
    test::DemoDir dir("help-layout");
    if (!dir.ok()) return;
    const auto image = test::read_bytes(dir.file("CHARSET.DAT"));
    const auto count = static_cast<std::size_t>(kSpriteFiles[0].count);
    loaded_ = parse_file_image(image, std::span(*font_).first(count), 0);
    for (std::size_t i = 0; i < count; ++i) planar_to_chunky(&(*font_)[i]);
  }
  static void TearDownTestSuite() {
    delete font_;
    font_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(loaded_) << "no demo CHARSET.DAT"; }

  static TextSize measure(const std::string& text, int big) {
    return measure_text(*font_, text.c_str(), true, big);
  }
  static Frame draw(const std::string& text, int x, int y, int big) {
    Frame f;
    draw_text(*font_, text.c_str(), x, y, f.px.data(), kW, big, -1, 0);
    return f;
  }
  // The pen column after `prefix` drawn at x: where a solid block drawn
  // after it starts. Tabs count from column 0, so this is not a plain sum.
  static int pen_after(const std::string& prefix, int x, int y) {
    const Frame without = draw(prefix, x, y, 0);
    const Frame with = draw(prefix + "\f", x, y, 0);
    for (int c = 0; c < kW; ++c)
      for (int r = y; r < y + 6; ++r)
        if (with.at(c, r) != without.at(c, r)) return c;
    return -1;
  }

  static std::vector<SpriteRecord>* font_;
  static bool loaded_;
};
std::vector<SpriteRecord>* HelpLayoutTest::font_ = nullptr;
bool HelpLayoutTest::loaded_ = false;

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1)
    lines.push_back(text.substr(from, nl - from));
  lines.push_back(text.substr(from));
  return lines;
}

// The overlay of each mode as the frame composition puts it together.
std::vector<std::pair<std::string, std::string>> help_overlays() {
  std::vector<std::pair<std::string, std::string>> out;
  for (const ModeDescriptor& m : mode_table())
    out.emplace_back(m.name, std::string(kCommonHelp) + m.help);
  return out;
}

TEST_F(HelpLayoutTest, EveryDescriptionStartsAtItsColumn) {
  int checked = 0;
  for (const auto& [mode, text] : help_overlays()) {
    for (const std::string& line : split_lines(text)) {
      const std::size_t tab = line.find('\t');
      if (tab == std::string::npos) continue;
      const std::size_t rest = line.find_first_not_of('\t', tab);
      ASSERT_NE(rest, std::string::npos) << mode << ": " << line;
      EXPECT_EQ(line.compare(rest, 2, "- "), 0) << mode << ": " << line;
      EXPECT_EQ(pen_after(line.substr(0, rest), kHelpX, kHelpY), kDescriptionColumn)
          << mode << ": \"" << line.substr(0, tab) << "\" is "
          << measure(line.substr(0, tab), 0).width << " px wide";
      ++checked;
    }
  }
  EXPECT_GE(checked, 40);
}

TEST_F(HelpLayoutTest, EveryHelpLineFitsOnTheScreen) {
  for (const auto& [mode, text] : help_overlays()) {
    int indent = 0;  // of the line, from a carriage return on the line above
    for (const std::string& line : split_lines(text)) {
      const std::size_t tab = line.find('\t');
      const std::size_t rest = tab == std::string::npos ? 0 : line.find_first_not_of('\t', tab);
      const int start = tab == std::string::npos ? kHelpX + indent : kDescriptionColumn;
      const std::string shown = line.substr(rest == std::string::npos ? line.size() : rest);
      // The ink ends one column before the measured width (the glyph gap).
      EXPECT_LE(start + measure(shown, 0).width - 1, kW) << mode << ": " << line;
      const std::size_t cr = shown.rfind('\r');
      indent = cr == std::string::npos ? 0 : start - kHelpX + measure(shown.substr(0, cr), 0).width;
    }
    EXPECT_LE(kHelpY + measure_text(*font_, text.c_str(), false, 0).height, kH) << mode;
  }
}

TEST_F(HelpLayoutTest, StatusMessagesFitInTheBigFont) {
  for (const char* text :
       {"Please wait... Saving all sprites", "Please wait... Inserting all sprites",
        "Save changes? (Y/N)", "Error replacing sprite with spr1333.bmp",
        "Error: not all sprites saved", "Failed to save CHARSET.DAT", "Invalid sprite number",
        "Loaded TEAM3.DAT OK", "Saved spr1333.bmp OK", "PATTERN MODE",
        "Failed to save kltitle.256\nNo space left on device",
        "Picture replaced with kltitle.png OK.\nPalette changed",
        "Error replacing picture with kltitle.bmp\ncolour 0DC84D at 319,199 not in the palette",
        "number 255 at 319,199 has no colour", "Discard changes? (y/n)"})
    EXPECT_LE(measure(text, 1).width - 1, kW) << text;
}

// A screenshot of the whole character table in both sizes: each glyph has
// ink, in its body colour, and keeps within its line height and advance.
TEST_F(HelpLayoutTest, CharacterSetDrawsEveryGlyphWithinItsCell) {
  const std::string chars = kCharacters;
  for (int big = 0; big < 2; ++big) {
    const int line_height = big ? 8 : 6;
    Frame shot;
    int x = 0, y = 0;
    std::vector<std::pair<int, int>> cells;
    for (char c : chars) {
      const int advance = measure(std::string(1, c), big).width;
      if (x + advance > kW) {
        x = 0;
        y += line_height + 2;
      }
      cells.emplace_back(x, y);
      draw_text(*font_, std::string(1, c).c_str(), x, y, shot.px.data(), kW, big, -1, 0);
      x += advance + 2;
    }
    for (std::size_t i = 0; i < chars.size(); ++i) {
      const auto [cx, cy] = cells[i];
      const int advance = measure(std::string(1, chars[i]), big).width;
      const int next_x =
          i + 1 < cells.size() && cells[i + 1].second == cy ? cells[i + 1].first : kW;
      const std::string what = std::string(big ? "big " : "small ") + "glyph of code " +
                               std::to_string(static_cast<unsigned char>(chars[i]));
      EXPECT_EQ(measure(std::string(1, chars[i]), big).height, line_height) << what;
      bool body = false;
      int inked = 0;
      for (int r = cy; r < std::min(kH, cy + line_height + 2); ++r)
        for (int c = cx; c < next_x; ++c) {
          if (!shot.at(c, r)) continue;
          ++inked;
          body = body || shot.at(c, r) == 2;
          EXPECT_LT(r, cy + line_height) << what << " below its line";
          EXPECT_LT(c, cx + advance - 1) << what << " in its gap column";
        }
      EXPECT_TRUE(body) << what << " has no body ink";
      EXPECT_GE(inked, 2) << what;
    }
  }
}

}  // namespace
}  // namespace tavu
