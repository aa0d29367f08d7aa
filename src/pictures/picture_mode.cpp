#include "pictures/picture_mode.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "history/undo.h"
#include "pictures/pictures.h"
#include "platform/platform.h"
#include "shell/app.h"
#include "shell/files.h"
#include "shell/saving.h"
#include "shell/status.h"
#include "sprites/blit.h"
#include "sprites/text.h"

namespace tavu {

const char* const kPictureModeHelp =
    "space/backspace\narrows right/left\t- next/previous picture\n+/-\t\t\t\t- brighten/darken "
    "picture\nF2\t\t\t\t\t- save picture as bitmap\nF3\t\t\t\t\t- reload picture";

namespace {

constexpr std::uint32_t kStatusMs = 1000;
constexpr std::uint32_t kEmptyRingMs = 1200;
constexpr std::uint32_t kHotKey = 0x75;  // F6

void select_current() {
  PictureModeState& st = picture_mode_state();
  Picture* p = current_picture();
  if (!p) return;
  load_picture(*p);
  std::memcpy(st.working.data(), p->picture_palette(), kPicturePaletteBytes);
  st.applied_gamma = kGammaNotApplied;
  rebuild_working_palette();
  set_palette(&st.working, nullptr, false);
}

void step_to(std::size_t index) {
  picture_mode_state().display_palette_current = false;
  picture_ring().current = index;
  select_current();
}

void change_gamma(int delta) {
  PictureModeState& st = picture_mode_state();
  st.gamma = static_cast<std::int8_t>(std::clamp(st.gamma + delta, kGammaMin, kGammaMax));
  st.display_palette_current = st.gamma == st.applied_gamma;
  rebuild_working_palette();
  set_palette(&st.working, nullptr, false);
  show_status("GAMMA: " + format_decimal(st.gamma), kStatusMs, kTextTopRight);
}

int label_colour() {
  const Picture* p = current_picture();
  return p ? p->label_colour : -1;
}

// F3's yes-action on a replaced picture: back to its file, in its colours.
void discard_current() {
  Picture* p = current_picture();
  if (!p) return;
  record_edit(picture_scope(static_cast<int>(picture_ring().current)),
              picture_step(EditKind::picture_discarded, p->file_name),
              [p] { discard_picture_changes(*p); });
  picture_mode_state().display_palette_current = false;
  select_current();
}

int init() {
  app().release_pictures = release_pictures;
  set_save_planner(SaveSubsystem::pictures, plan_picture_save);
  set_change_query(SaveSubsystem::pictures, picture_changes_pending);
  set_overlay_colour_source(label_colour);
  return build_picture_ring();
}

void enter(int) {
  if (!current_picture()) {
    show_status("No pictures to display", kEmptyRingMs, kTextCentred);
    return;
  }
  select_current();
  picture_mode_state().display_palette_current = true;
}

void leave() {}

int keys(std::uint32_t vk, std::int64_t) {
  return picture_mode_key(vk, platform::current().key_down(platform::VK_CONTROL));
}

const Palette* palette() {
  return &picture_mode_state().working;
}

}  // namespace

PictureModeState& picture_mode_state() {
  static PictureModeState state;
  return state;
}

void build_working_palette(std::span<const std::uint8_t, kPicturePaletteBytes> picture_palette,
                           int gamma, int label_colour, Palette& out) {
  for (std::size_t i = 0; i < kPicturePaletteBytes; ++i)
    out[i] = static_cast<std::uint8_t>(std::clamp(picture_palette[i] + 2 * gamma, 0, 255));
  if (label_colour < 0 || label_colour > 255) return;
  const auto at = static_cast<std::size_t>(label_colour) * 3;
  std::copy_n(picture_palette.begin() + static_cast<std::ptrdiff_t>(at), 3, out.begin() + at);
}

void rebuild_working_palette() {
  PictureModeState& st = picture_mode_state();
  const Picture* p = current_picture();
  if (!p || st.gamma == st.applied_gamma) return;
  build_working_palette(std::span<const std::uint8_t, kPicturePaletteBytes>(p->picture_palette(),
                                                                            kPicturePaletteBytes),
                        st.gamma, p->label_colour, st.working);
  st.applied_gamma = st.gamma;
}

void picture_mode_display_switched() {
  picture_mode_state().applied_gamma = kGammaNotApplied;
  rebuild_working_palette();
}

int picture_mode_key(std::uint32_t vk, bool ctrl) {
  using namespace platform;
  Picture* p = current_picture();
  if (!p) return 0;
  PictureRing& ring = picture_ring();
  switch (vk) {
    case VK_SPACE:
    case VK_RIGHT:
      step_to(next_picture(ring.current));
      return 1;
    case VK_BACK:
    case VK_LEFT:
      step_to(previous_picture(ring.current));
      return 1;
    case VK_ADD:
      change_gamma(1);
      return 1;
    case VK_SUBTRACT:
      change_gamma(-1);
      return 1;
    case VK_F2:
      if (p->error() == kPictureNoError &&
          export_picture_bitmap(*p, ctrl ? ExportFormat::png : ExportFormat::bmp) ==
              ExportResult::failed)
        show_status("Save failed", kStatusMs, kTextCentred);
      return 1;
    case VK_INSERT: {
      bool replaced = false;
      record_edit(picture_scope(static_cast<int>(ring.current)),
                  picture_step(EditKind::picture_replaced, p->file_name),
                  [&] { replaced = replace_picture_from_file(*p); });
      if (replaced) {
        // The new picture at once, in the current brightness.
        picture_mode_state().display_palette_current = false;
        select_current();
      }
      return 1;
    }
    case VK_F3:
      if (p->replaced) {
        ask_yes_no("Discard changes", discard_current);
        return 1;
      }
      p->state = static_cast<std::uint8_t>(p->state & ~kPictureLoaded);
      load_picture(*p);
      // The colours stay those of the view until the picture is selected again.
      set_palette(&picture_mode_state().working, nullptr, false);
      return 1;
    default:
      return 0;
  }
}

std::uint8_t* draw_picture_mode(std::uint8_t* fb, int stride) {
  PictureModeState& st = picture_mode_state();
  Picture* p = current_picture();
  if (!p) return fb;
  if (!p->loaded() && p->error() == kPictureNoError) load_picture(*p);
  const bool window = !app_flag(fullscreen);
  if (!p->loaded()) {
    if (window) set_palette(&default_palette(), &fb, false);
    if (!fb) return fb;
    for (int y = 0; y < kScreenHeight; ++y)
      std::memset(fb + static_cast<std::ptrdiff_t>(y) * stride, 0, kScreenWidth);
    draw_text(picture_error_text(p->error()), 0, 0, fb, stride, 1, kNaturalColours, kTextCentred);
  } else {
    if (window && !st.display_palette_current) {
      fb = create_window_surface(&st.working);
      if (!fb) return fb;
      st.display_palette_current = true;
    }
    for (int y = 0; y < kScreenHeight; ++y)
      std::memcpy(fb + static_cast<std::ptrdiff_t>(y) * stride,
                  p->image.pixels.data() + y * kPictureWidth, kScreenWidth);
    // Read ahead, so that stepping forward finds the next picture in memory.
    load_picture(picture_ring().pictures[next_picture(picture_ring().current)]);
  }
  draw_text(p->file_name.c_str(), 0, 0, fb, stride, 1, p->label_colour, kTextLeft | kTextTop);
  return fb;
}

ModeDescriptor picture_mode_descriptor() {
  return {init,           enter,   leave, keys, draw_picture_mode, palette, kPictureModeHelp,
          "PICTURE MODE", kHotKey, 0};
}

}  // namespace tavu
