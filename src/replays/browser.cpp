#include "replays/browser.h"

#include <algorithm>
#include <cstring>

#include "display/display.h"
#include "pictures/pictures.h"
#include "platform/platform.h"
#include "replays/playback.h"
#include "replays/recordings.h"
#include "shell/app.h"
#include "shell/files.h"
#include "shell/modes.h"

namespace tavu {

namespace {

constexpr const char* kNoFilesWarning = "No highlight and replay files found.";
constexpr std::uint8_t kListColour = 4;
constexpr std::uint8_t kMainColour = 11;

void animation_tick() {
  MenuSystem& s = menu_system();
  s.animation_step = (s.animation_step + 1) % 8;
  request_redraw();
}

std::string too_many_warning(const char* kind) {
  return std::string("More than 45 ") + kind + " files found.\nTAVU may behave erratically.";
}

RecordingList scan(const char* pattern, const char* kind) {
  const std::vector<std::string> matches = list_directory(pattern, true);
  RecordingList list = list_recordings(matches);
  if (list.too_many) queue_warning(too_many_warning(kind), kReplayMode);
  return list;
}

void play_file(const Menu&, const MenuEntry& entry, std::uint32_t tag) {
  const bool highlight = tag == kHighlightTag;
  const RecordingList& list = highlight ? browser().highlights : browser().replays;
  if (entry.index < 0 || static_cast<std::size_t>(entry.index) >= list.files.size()) return;
  auto opened = open_recording_file(list.files[entry.index],
                                    highlight ? RecordingKind::kHighlight : RecordingKind::kReplay);
  if (opened) start_playback(std::move(*opened));
}

void select_view(const Menu&, const MenuEntry& entry, std::uint32_t) {
  BrowserState& b = browser();
  Menu* list = entry.index == 0 ? b.highlight_menu : b.replay_menu;
  if (!list) {
    queue_warning(std::string("NO ") + (entry.index == 0 ? "HIGHLIGHT" : "REPLAY") +
                  " FILES FOUND");
    return;
  }
  close_current_menu();
  open_menu(list);
}

}  // namespace

RecordingList list_recordings(std::span<const std::string> matches) {
  RecordingList list;
  for (const std::string& name : matches) {
    if (list.names.size() == kMaxListedFiles) {
      list.too_many = true;
      list.names.pop_back();
      list.files.pop_back();
      break;
    }
    list.names.push_back(name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string());
    list.files.push_back(name);
  }
  return list;
}

BrowserState& browser() {
  static BrowserState s;
  return s;
}

void reset_browser() {
  browser() = BrowserState{};
  reset_menu_system();
}

int browser_init() {
  BrowserState& b = browser();
  b.animation_interval = app_flag(nt_family) ? 70 : 30;
  b.highlights = scan("*.hil", "highlight");
  b.replays = scan("*.rpl", "replay");
  if (b.highlights.names.empty() && b.replays.names.empty()) return 1;
  constexpr std::uint32_t kListFlags = kCreateHidden | kCreateBack | kCreateSorted;
  b.highlight_menu = make_menu("VIEW HIGHLIGHTS", b.highlights.names, kReplayMode, play_file,
                               kListColour, kListFlags, kHighlightTag);
  b.replay_menu = make_menu("VIEW REPLAYS", b.replays.names, kReplayMode, play_file, kListColour,
                            kListFlags, kReplayTag);
  b.main_menu = make_menu("SELECT VIEW", {"VIEW HIGHLIGHTS", "VIEW REPLAYS"}, kReplayMode,
                          select_view, kMainColour, kCreateLargeFont, 0);
  if (b.highlight_menu) b.highlight_menu->parent = b.main_menu;
  if (b.replay_menu) b.replay_menu->parent = b.main_menu;
  return 1;
}

void start_animation_timer() {
  set_timer(kAnimationTimer, browser().animation_interval, animation_tick);
}

void stop_animation_timer() {
  kill_timer(kAnimationTimer);
}

void browser_enter(int previous) {
  set_palette(&default_palette(), nullptr, true);
  start_animation_timer();
  BrowserState& b = browser();
  if (previous != kReplayMode && !b.highlight_menu && !b.replay_menu) {
    // Entering again without having answered the last one shows that one.
    const Warning* w = first_warning(kReplayMode);
    if (!w || w->text != kNoFilesWarning) queue_warning(kNoFilesWarning);
    b.return_pending = true;
    b.return_mode = previous;
  }
}

void browser_leave() {
  stop_animation_timer();
  if (playback().playing)
    end_playback_on_leave();
  else
    playback().recording.reset();
  browser().return_pending = false;
}

int browser_keys(std::uint32_t vk, std::int64_t) {
  BrowserState& b = browser();
  if (vk == platform::VK_RETURN) {
    if (b.return_pending) {
      b.return_pending = false;
      // The warning that offered the way back has been answered.
      remove_first_warning(kReplayMode);
      switch_mode(b.return_mode);
      return 1;
    }
    if (first_warning(kReplayMode)) {
      remove_first_warning(kReplayMode);
      return 1;
    }
  }
  return menu_keys(vk);
}

std::uint8_t* draw_browser(std::uint8_t* fb, int stride) {
  const std::uint8_t* title = required_picture_pixels("kltitle.256");
  for (int y = 0; y < kScreenHeight; ++y) {
    std::uint8_t* row = fb + static_cast<std::ptrdiff_t>(y) * stride;
    if (title)
      std::memcpy(row, title + y * kScreenWidth, kScreenWidth);
    else
      std::memset(row, 0, kScreenWidth);
  }
  const std::uint8_t* fill = required_picture_pixels("fill.256");
  const MenuSystem& s = menu_system();
  // This slot draws only while replay mode is current.
  const int mode = kReplayMode;
  if (draw_first_warning(mode, fb, stride, fill, s.animation_step)) return fb;
  for (const Menu* m = s.head; m; m = m->next)
    if (m->visible() && m->mode == mode) draw_menu(*m, fb, stride, fill, s.animation_step);
  return fb;
}

}  // namespace tavu
