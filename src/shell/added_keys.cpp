#include "shell/added_keys.h"

#include <cstring>

#include "shell/modes.h"

namespace tavu {
namespace {

constexpr AddedKey kAddedKeys[] = {
    {kEveryMode, "shift + F1", "toggle this list"},
    {kSpriteMode, "main keys +/-", "zoom/unzoom"},
    {kSpriteMode, "wheel up/down", "previous/next sprite"},
    {kPictureMode, "main keys +/-", "brighten/darken picture"},
    {kPictureMode, "wheel up/down", "previous/next picture"},
    {kPitchMode, "main keys +/-", "change pitch type"},
    {kPitchMode, "wheel up/down", "scroll up/down"},
    {kPatternMode, "main keys +/-", "zoom/unzoom"},
    {kPatternMode, "wheel up/down", "previous/next pattern"},
    {kReplayMode, "main keys +/-", "replay speed"},

    {kEveryMode, "F12", "save screen as PNG\n(shot0001.png ...)"},
    {kSpriteMode, "ctrl + F2", "save sprite as PNG"},
    {kSpriteMode, "ctrl + shift + F2", "save all sprites as\nPNG"},
    {kPictureMode, "ctrl + F2", "save picture as PNG"},
    {kPictureMode, "insert", "replace picture from\ncorresponding bitmap\nor PNG"},
    {kPitchMode, "ctrl + F2", "save pitch as PNG"},
    {kPatternMode, "ctrl + F2", "save pattern as PNG"},
    {kReplayMode, "ctrl + F2", "save highlight or\nreplay as GIF\n(while it plays)"},
    {kEveryMode, "ctrl + Z", "undo the latest edit"},
    {kEveryMode, "ctrl + Y", "redo (also ctrl + shift\n+ Z)"},
};

// Where the help texts start their effects: five tab stops of 32 pixels from
// the overlay's x of 16 ("F1\t\t\t\t\t- toggle help").
constexpr int kOverlayX = 16;
constexpr int kTabStep = 32;
constexpr int kEffectColumn = 160;

class Writer {
 public:
  Writer(char* out, std::size_t size) : out_(out), size_(size) {}
  void put(const char* text) {
    for (; *text; ++text) put(*text);
  }
  void put(char c) {
    if (size_ != 0 && length_ + 1 < size_) out_[length_] = c;
    ++length_;
  }
  std::size_t finish() {
    if (size_ == 0) return 0;
    const std::size_t end = length_ < size_ ? length_ : size_ - 1;
    out_[end] = '\0';
    return end;
  }

 private:
  char* out_;
  std::size_t size_;
  std::size_t length_ = 0;
};

void write_line(Writer& w, const AddedKey& key, int (*width)(const char*)) {
  w.put(key.keys);
  // Tabs as draw_text sets them, up to the effect column; a name too wide
  // for it gets one tab.
  int x = kOverlayX + width(key.keys);
  do {
    x = (x / kTabStep + 1) * kTabStep;
    w.put('\t');
  } while (x < kEffectColumn);
  // A carriage return keeps the next line of a longer effect in its column.
  w.put("- ");
  if (std::strchr(key.effect, '\n')) w.put('\r');
  for (const char* p = key.effect; *p; ++p) {
    w.put(*p);
    if (*p == '\n' && std::strchr(p + 1, '\n')) w.put('\r');
  }
}

}  // namespace

std::span<const AddedKey> added_keys() {
  return kAddedKeys;
}

std::size_t added_keys_text(int mode, char* out, std::size_t size, int (*width)(const char*)) {
  Writer w(out, size);
  bool first = true;
  for (int pass = 0; pass < 2; ++pass) {
    for (const AddedKey& key : kAddedKeys) {
      if (pass == 0 ? key.mode != kEveryMode : key.mode != mode) continue;
      if (!first) w.put('\n');
      first = false;
      write_line(w, key, width);
    }
  }
  return w.finish();
}

}  // namespace tavu
