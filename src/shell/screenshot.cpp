#include "shell/screenshot.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "display/fullscreen.h"
#include "imaging/image.h"
#include "shell/files.h"
#include "shell/status.h"
#include "sprites/text.h"

namespace tavu {

namespace {

constexpr std::uint32_t kShotStatusMs = 1000;
constexpr int kMaxShot = 9999;

std::array<std::uint8_t, kFramebufferSize>& screen() {
  static std::array<std::uint8_t, kFramebufferSize> s{};
  return s;
}

// "shotNNNN.png" in any letter case: NNNN, else 0.
int shot_number(const std::string& name) {
  if (name.size() != 12) return 0;
  static const char kPattern[] = "shot????.png";
  int n = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (kPattern[i] == '?') {
      if (c < '0' || c > '9') return 0;
      n = n * 10 + (c - '0');
    } else {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
      if (c != kPattern[i]) return 0;
    }
  }
  return n;
}

}  // namespace

void remember_shown_screen(const std::uint8_t* target, int stride) {
  for (int y = 0; y < kScreenHeight; ++y)
    std::memcpy(&screen()[static_cast<std::size_t>(y) * kScreenWidth],
                target + static_cast<std::ptrdiff_t>(y) * stride, kScreenWidth);
}

std::span<const std::uint8_t> shown_screen() {
  return screen();
}

std::string next_shot_name(const std::vector<std::string>& existing) {
  int highest = 0;
  for (const std::string& name : existing) highest = std::max(highest, shot_number(name));
  if (highest >= kMaxShot) return {};
  char name[32];  // room for any int, so no build warns of truncation
  std::snprintf(name, sizeof name, "shot%04d.png", highest + 1);
  return name;
}

void save_screenshot() {
  StatusState& st = status_state();
  // A prompt or question shows until it is answered: keep it under ours.
  const bool keep = st.key_capture && st.showing && !st.timer_running;
  const std::string below = keep ? "\n" + st.text : std::string();
  auto report = [&](const std::string& text) {
    show_status(text + below, keep ? 0 : kShotStatusMs, keep ? st.flags : kTextCentred);
  };
  const std::string name = next_shot_name(list_directory("shot????.png"));
  if (name.empty()) {
    report("Save failed\nno free shot number");
    return;
  }
  const std::vector<std::uint8_t> png =
      encode_indexed_png(kScreenWidth, kScreenHeight, shown_screen(), shown_palette(), 256);
  if (png.empty()) {
    report("Save failed\nPNG encoding failed");
    return;
  }
  if (!replace_file(name, png)) {
    report("Save failed\ncan't write " + name);
    return;
  }
  report("Saved " + name + " OK");
}

}  // namespace tavu
