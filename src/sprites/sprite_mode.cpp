#include "sprites/sprite_mode.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "display/display.h"
#include "history/undo.h"
#include "platform/platform.h"
#include "shell/app.h"
#include "shell/saving.h"
#include "shell/status.h"
#include "sprites/blit.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_files.h"
#include "sprites/text.h"

namespace tavu {

const char* const kSpriteModeHelp =
    "space/backspace\narrows right/left\t- next/previous sprite\ng\t\t\t\t\t- go directly to "
    "sprite\npage up/down\t\t- \r10 sprites forward/\nbackward\n0..9\t\t\t\t- \rchange "
    "background\ncolor\nhome/end\t\t\t- first/last sprite\n+/-\t\t\t\t- zoom/unzoom\nF2\t\t\t\t\t- "
    "\rsave current sprite to\nbitmap\nshift + F2\t\t\t- save all sprites\ninsert\t\t\t\t- "
    "\rreplace current sprite\n\rwith corresponding\nbitmap\nshift + insert\t\t- \rinsert all "
    "sprites in\ndirectory\ni\t\t\t\t\t- \rtoggle sprite\ninformation on/off\nctrl + r\t\t\t- "
    "revert to saved\nctrl + t\t\t\t- \rswitch between\nteam2.dat and team3.dat";

namespace {

constexpr std::uint32_t kStatusMs = 1000;

bool uses_game_palette(int number) {
  return number >= kGamePaletteFirst && number <= kGamePaletteLast;
}

int goto_done(std::int32_t value) {
  if (value >= 0 && value < kSpriteCount) {
    sprite_mode_state().current = static_cast<std::int16_t>(value);
    return 1;
  }
  show_status("Invalid sprite number", kStatusMs, kTextCentred);
  return 0;
}

void step(int delta) {
  auto& st = sprite_mode_state();
  // Kept unwrapped like the 16-bit field it models; the draw slot wraps it.
  st.current = static_cast<std::int16_t>(st.current + delta);
}

// Nothing to discard: loading the other file is no edit, but the steps
// that expect the file it replaces no longer fit.
void switch_team_file_unchanged() {
  const char digit = team_file_digit();
  switch_team_file();
  if (team_file_digit() != digit) team_file_switched();
}

void insert_all_recorded() {
  record_edit(EditScope::sprites(0, kSpriteCount), sprite_step(EditKind::sprites_inserted),
              insert_all_sprite_bitmaps);
}

void revert_recorded() {
  record_edit(EditScope::sprites(0, kSpriteCount), sprite_step(EditKind::sprites_reverted),
              revert_sprites);
}

// The team file loaded in place of one with changes: the whole entry is
// kept, so undo brings back the file and its changes.
void discard_recorded() {
  const SpriteFileEntry& team = sprite_files().entries[kTeamEntry];
  EditScope scope = EditScope::sprites(team.first, team.count);
  scope.team_file = true;
  record_edit(scope, sprite_step(EditKind::team_file_discarded, -1, team.name), switch_team_file);
}

int init() {
  set_save_planner(SaveSubsystem::sprites, plan_sprite_files_save);
  set_change_query(SaveSubsystem::sprites, sprite_changes_pending);
  app().save_all_sprites = save_all_sprite_bitmaps;
  app().insert_all_sprites = insert_all_recorded;
  return load_sprite_files();
}

void enter(int) {
  set_palette(&default_palette(), nullptr, true);
}
void leave() {}

int keys(std::uint32_t vk, std::int64_t) {
  auto& p = platform::current();
  return sprite_mode_key(vk, p.key_down(platform::VK_SHIFT), p.key_down(platform::VK_CONTROL));
}

const Palette* palette() {
  return uses_game_palette(sprite_mode_state().current) ? &game_palette() : &default_palette();
}

}  // namespace

SpriteModeState& sprite_mode_state() {
  static SpriteModeState state;
  return state;
}

int wrap_sprite_number(int number) {
  if (number > kSpriteCount - 1) return 0;
  if (number < 0) return kSpriteCount - 1;
  return number;
}

std::uint8_t game_palette_background(std::uint8_t background) {
  switch (background) {
    case 1:
      return 254;
    case 46:
      return 71;
    case 50:
      return 73;
    case 66:
      return 194;
    case 114:
      return 213;
    default:
      return background;
  }
}

int sprite_mode_key(std::uint32_t vk, bool shift, bool ctrl) {
  using namespace platform;
  auto& st = sprite_mode_state();
  switch (vk) {
    case VK_SPACE:
    case VK_RIGHT:
      step(1);
      return 1;
    case VK_BACK:
    case VK_LEFT:
      step(-1);
      return 1;
    case VK_NEXT:
      step(10);
      return 1;
    case VK_PRIOR:
      step(-10);
      return 1;
    case VK_HOME:
      st.current = 0;
      return 1;
    case VK_END:
      st.current = kSpriteCount - 1;
      return 1;
    case 'G':
      start_number_prompt("Show sprite number: ", 4, goto_done);
      return 1;
    case VK_ADD:
      st.zoom = static_cast<std::int8_t>(std::min(st.zoom + 1, 10));
      return 1;
    case VK_SUBTRACT:
      st.zoom = static_cast<std::int8_t>(std::max(st.zoom - 1, 1));
      return 1;
    case 'I':
      sprite_files().flags ^= kInfoOverlayBit;
      return 1;
    case VK_F2: {
      const ExportFormat format = ctrl ? ExportFormat::png : ExportFormat::bmp;
      if (shift) {
        save_all_format() = format;
        show_status("Please wait... Saving all sprites", 0, kTextCentred);
        request_redraw();
        post_message(MSG_SAVE_ALL_SPRITES);
      } else {
        const int n = wrap_sprite_number(st.current);
        if (export_sprite_bitmap(n, st.background, format) == ExportResult::failed)
          show_status("Save failed", kStatusMs, kTextCentred);
      }
      return 1;
    }
    case VK_INSERT:
      if (shift) {
        show_status("Please wait... Inserting all sprites", 0, kTextCentred);
        request_redraw();
        post_message(MSG_INSERT_ALL_SPRITES);
      } else {
        const int n = wrap_sprite_number(st.current);
        record_edit(EditScope::sprites(n, 1), sprite_step(EditKind::sprite_replaced, n),
                    [n] { replace_sprite_from_bitmap(n, false); });
      }
      return 1;
    case 'R':
      if (!ctrl) return 0;
      ask_yes_no("Revert to saved", revert_recorded);
      return 1;
    case 'T':
      if (!ctrl) return 0;
      if (sprite_files().entries[kTeamEntry].modified)
        ask_yes_no("Discard changes", discard_recorded);
      else
        switch_team_file_unchanged();
      return 1;
    default:
      if (vk >= '0' && vk <= '9') {
        st.background = kBackgroundKeys[vk - '0'];
        return 1;
      }
      return 0;
  }
}

std::uint8_t* draw_sprite_mode(std::uint8_t* fb, int stride) {
  auto& st = sprite_mode_state();
  st.current = static_cast<std::int16_t>(wrap_sprite_number(st.current));
  const bool game = uses_game_palette(st.current);
  std::uint8_t background = st.background;
  if (game) {
    set_palette(&game_palette(), &fb, false);
    background = game_palette_background(background);
  } else {
    set_palette(&default_palette(), &fb, false);
  }
  if (!fb) return fb;
  for (int y = 0; y < kScreenHeight; ++y) std::fill_n(fb + y * stride, kScreenWidth, background);

  const SpriteRecord* s = sprite_at(st.current);
  const SpriteSize size = get_sprite_size(s);
  const int x = (kScreenWidth - size.width) / 2, y = (kScreenHeight - size.height) / 2;
  if (game)
    draw_sprite_raised(x, y, fb, s, stride, kGamePaletteRaise);
  else
    draw_sprite(x, y, fb, s, stride, kNaturalColours);
  zoom_centre(fb, st.zoom, stride);
  draw_number(st.current, 0, 0, fb, stride, 1);

  if (sprite_files().flags & kInfoOverlayBit) {
    const int entry = sprite_file_entry_of(st.current);
    char info[512];
    std::snprintf(info, sizeof info,
                  "Sprite information:\n-----------------\nDat file: %s\nOrdinal: %d\nWidth: "
                  "%d\nHeight: %d\nCenter x: %d\nCenter y: %d\nField 20: 0x%02x",
                  sprite_files().entries[entry].name.c_str(), s->ordinal, s->width, s->height,
                  s->centre_x, s->centre_y, s->field20);
    draw_text(info, 0, 0, fb, stride, 1, kNaturalColours, kTextTopRight);
  }
  return fb;
}

ModeDescriptor sprite_mode_descriptor() {
  return {init,          enter,           leave, keys, draw_sprite_mode, palette, kSpriteModeHelp,
          "SPRITE MODE", platform::VK_F5, 0};
}

}  // namespace tavu
