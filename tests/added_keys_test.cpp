// The list of added keys (Shift+F1): every line drawable in the game's
// font, in the help texts' layout, only keys that exist, and safe to write
// into any buffer.
#include "shell/added_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/modes.h"
#include "sprites/text.h"

namespace tavu {
namespace {

std::string text_for(int mode, int (*width)(const char*), std::size_t size = 4108) {
  std::vector<char> out(size);
  const std::size_t n = added_keys_text(mode, out.data(), out.size(), width);
  EXPECT_LT(n, size);
  EXPECT_EQ(out[n], '\0');
  return std::string(out.data(), n);
}

int ten_per_char(const char* text) {
  return 10 * static_cast<int>(std::string(text).size());
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t from = 0;
  for (std::size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1)
    out.push_back(text.substr(from, nl - from));
  out.push_back(text.substr(from));
  return out;
}

TEST(AddedKeys, EveryCharacterHasAGlyphInTheGameFont) {
  for (const AddedKey& key : added_keys()) {
    for (const std::string& text : {std::string(key.keys), std::string(key.effect)}) {
      for (unsigned char c : text) {
        if (c == '\n') continue;
        EXPECT_NE(glyph_for_char(c, 0), kGlyphNone) << "'" << c << "' in " << text;
        EXPECT_NE(glyph_for_char(c, 0), kGlyphTab) << text;
        EXPECT_NE(glyph_for_char(c, 0), kGlyphCarriageReturn) << text;
      }
    }
  }
}

TEST(AddedKeys, EachModeListsTheKeysForEveryModeThenItsOwn) {
  for (int mode = 0; mode < kModeCount; ++mode) {
    const std::string text = text_for(mode, ten_per_char);
    std::vector<const AddedKey*> expected;
    for (int pass = 0; pass < 2; ++pass)
      for (const AddedKey& key : added_keys())
        if (key.mode == (pass == 0 ? kEveryMode : mode)) expected.push_back(&key);
    std::size_t entry = 0;
    const std::vector<std::string> all = lines(text);
    for (std::size_t i = 0; i < all.size(); ++i) {
      const std::string& line = all[i];
      if (line.empty() || line[0] == '\r' || line.find('\t') == std::string::npos) continue;
      ASSERT_LT(entry, expected.size()) << line;
      EXPECT_EQ(line.substr(0, line.find('\t')), expected[entry]->keys);
      // A carriage return on the line above would indent this line.
      if (i > 0) {
        EXPECT_EQ(all[i - 1].find('\r'), std::string::npos) << all[i - 1];
      }
      ++entry;
    }
    EXPECT_EQ(entry, expected.size()) << mode_table()[mode].name;
  }
  // Shift+F1 names itself in every mode.
  EXPECT_EQ(text_for(kTestMode, ten_per_char).rfind("shift + F1\t", 0), 0u);
}

TEST(AddedKeys, TabsReachTheHelpTextsColumn) {
  // Drawn at x 16 with tab stops every 32 pixels, the effect starts at 160.
  struct Case {
    int width;
    std::size_t tabs;
  };
  for (const Case c : {Case{0, 5}, Case{15, 5}, Case{16, 4}, Case{143, 1}, Case{200, 1}}) {
    static int w;
    w = c.width;
    const std::string text = text_for(kTestMode, [](const char*) { return w; });
    const std::string first = lines(text)[0];
    const std::size_t tab = first.find('\t');
    EXPECT_EQ(first.find_first_not_of('\t', tab) - tab, c.tabs) << c.width;
    EXPECT_EQ(first.compare(tab + c.tabs, 2, "- "), 0) << first;
  }
}

TEST(AddedKeys, ShortBuffersGetWhatFitsAndAnEnd) {
  const std::string whole = text_for(kSpriteMode, ten_per_char);
  for (std::size_t size : {1u, 2u, 11u, 64u}) {
    const std::string cut = text_for(kSpriteMode, ten_per_char, size);
    EXPECT_EQ(cut, whole.substr(0, size - 1));
  }
  char untouched = 'x';
  EXPECT_EQ(added_keys_text(kSpriteMode, &untouched, 0, ten_per_char), 0u);
  EXPECT_EQ(untouched, 'x');
}

}  // namespace
}  // namespace tavu
