#include "replays/menus.h"

#include <algorithm>
#include <array>
#include <numeric>

#include "display/display.h"
#include "platform/platform.h"
#include "shell/files.h"
#include "sprites/blit.h"
#include "sprites/sprite_files.h"
#include "sprites/text.h"

namespace tavu {

namespace {

constexpr std::uint8_t kFrameColour = 1;
constexpr std::uint8_t kTitleTexture = 1;
constexpr std::uint8_t kBackColour = 11;
constexpr std::uint8_t kWarningTexture = 14;
constexpr std::uint8_t kButtonTexture = 13;
constexpr int kEntryTextColour = 2;

}  // namespace

std::uint8_t texture_offset(std::uint8_t colour_index) {
  switch (colour_index) {
    case 1:
      return 96;
    case 4:
      return 64;
    case 11:
      return 160;
    case 13:
      return 192;
    case 14:
      return 224;
    default:
      return 0;
  }
}

std::uint8_t animation_colour(int step) {
  static constexpr std::array<std::uint8_t, 8> kColours = {2, 2, 1, 1, 7, 7, 1, 1};
  return kColours[static_cast<std::size_t>(step) & 7];
}

std::unique_ptr<Menu> layout_menu(std::span<const SpriteRecord> font, const std::string& title,
                                  std::vector<std::string> texts, std::uint8_t mode,
                                  MenuCallback callback, std::uint8_t entry_colour,
                                  std::uint32_t creation_flags, std::uint32_t tag) {
  if (texts.empty()) return nullptr;
  if (texts.size() > kMaxMenuTexts) texts.resize(kMaxMenuTexts);
  const int n = static_cast<int>(texts.size());
  // A stable sort gives what repeated passes of adjacent exchanges give.
  std::vector<int> order(texts.size());
  std::iota(order.begin(), order.end(), 0);
  if (creation_flags & kCreateSorted)
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return compare_names(texts[a], texts[b]) < 0; });

  auto menu = std::make_unique<Menu>();
  menu->title = title;
  menu->mode = mode;
  menu->tag = tag;
  menu->callback = callback;
  menu->entry_colour = entry_colour;
  const bool back = (creation_flags & kCreateBack) != 0;
  const int big = (creation_flags & kCreateLargeFont) ? 1 : 0;
  const int g = big ? 2 : 0;
  menu->flags = static_cast<std::uint8_t>(((creation_flags & kCreateHidden) ? 0 : kMenuVisible) |
                                          (big ? kMenuLargeFont : 0) | (back ? kMenuHasBack : 0));

  int widest = 0, last_height = 0;
  menu->entries.resize(texts.size());
  for (int k = 0; k < n; ++k) {
    MenuEntry& e = menu->entries[k];
    e.text = texts[order[k]];
    e.index = order[k];
    const TextSize size = measure_text(font, e.text.c_str(), false, big);
    e.text_width = size.width;
    e.colour = entry_colour;
    widest = std::max(widest, size.width);
    last_height = size.height;
  }
  const int bw = widest + 8 + g, bh = last_height + 2 + g;
  menu->box_width = bw;
  menu->box_height = bh;

  const int m = std::clamp((n * (bh + 1) + 166) / 168, 1, n);
  const int q = n / m, r = n % m;
  const int first_long = (m - r) / 2;
  const auto rows_in = [&](int c) { return q + (c >= first_long && c < first_long + r ? 1 : 0); };
  std::vector<int> column_start(static_cast<std::size_t>(m) + 1, 0);
  for (int c = 0; c < m; ++c) column_start[c + 1] = column_start[c] + rows_in(c);
  const int x0 = (324 - (bw + 4) * m) / 2;
  const int y0 = (201 - (bh + 1) * (q + (r > 0 ? 1 : 0))) / 2;
  const auto at = [&](int c, int j) { return static_cast<std::uint8_t>(column_start[c] + j); };
  for (int c = 0; c < m; ++c) {
    for (int j = 0; j < rows_in(c); ++j) {
      MenuEntry& e = menu->entries[column_start[c] + j];
      e.x = x0 + c * (bw + g + 4);
      e.y = y0 + j * (bh + g + 1);
      if (j > 0) e.up = at(c, j - 1);
      if (j + 1 < rows_in(c))
        e.down = at(c, j + 1);
      else if (back)
        e.down = static_cast<std::uint8_t>(n);
      if (c > 0 && j < rows_in(c - 1)) e.left = at(c - 1, j);
      if (c + 1 < m && j < rows_in(c + 1)) e.right = at(c + 1, j);
    }
  }

  if (back) {
    MenuEntry b;
    b.text = "BACK";
    b.index = n;
    b.text_width = measure_text(font, b.text.c_str(), false, big).width;
    b.colour = kBackColour;
    b.x = 160 - bw / 2;
    int lowest = menu->entries[0].y;
    for (const auto& e : menu->entries) lowest = std::max(lowest, e.y);
    b.y = lowest + bh + g + 5;
    b.up = 0;
    int best_y = 0;
    bool found = false;
    for (int k = 0; k < n; ++k) {
      const MenuEntry& e = menu->entries[k];
      if (e.x > b.x) continue;
      if (!found || e.y >= best_y) {
        best_y = e.y;
        b.up = static_cast<std::uint8_t>(k);
        found = true;
      }
    }
    menu->entries.push_back(std::move(b));
  }
  menu->entry_count = static_cast<std::uint8_t>(menu->entries.size());
  menu->selected = back ? static_cast<std::uint8_t>(n) : 0;
  return menu;
}

MenuSystem& menu_system() {
  static MenuSystem s;
  return s;
}

void reset_menu_system() {
  menu_system() = MenuSystem{};
}

Menu* make_menu(const std::string& title, std::vector<std::string> texts, std::uint8_t mode,
                MenuCallback callback, std::uint8_t entry_colour, std::uint32_t creation_flags,
                std::uint32_t tag) {
  auto menu = layout_menu(sprite_table(), title, std::move(texts), mode, callback, entry_colour,
                          creation_flags, tag);
  if (!menu) return nullptr;
  MenuSystem& s = menu_system();
  Menu* m = menu.get();
  m->next = s.head;
  s.head = m;
  s.current = m;
  s.owned.push_back(std::move(menu));
  return m;
}

void open_menu(Menu* menu) {
  if (!menu) return;
  menu->flags |= kMenuVisible;
  menu_system().current = menu;
}

void close_current_menu() {
  if (Menu* m = menu_system().current) m->flags &= static_cast<std::uint8_t>(~kMenuVisible);
}

void back_to_parent() {
  Menu* m = menu_system().current;
  if (!m || !m->parent) return;
  close_current_menu();
  open_menu(m->parent);
}

int menu_keys(std::uint32_t vk) {
  using namespace platform;
  Menu* m = menu_system().current;
  if (!m || m->entries.empty()) return 0;
  const MenuEntry& selected = m->entries[m->selected];
  std::uint8_t next = kNoNeighbour;
  switch (vk) {
    case VK_RETURN:
      if (m->has_back() && m->selected + 1 == m->entry_count)
        back_to_parent();
      else if (m->callback)
        m->callback(*m, selected, m->tag);
      return 1;
    case VK_BACK:
      if (!m->has_back()) return 0;
      back_to_parent();
      return 1;
    case VK_HOME:
      m->selected = 0;
      return 1;
    case VK_END:
      m->selected = static_cast<std::uint8_t>(m->entry_count - 1);
      return 1;
    case VK_UP:
      next = selected.up;
      break;
    case VK_DOWN:
      next = selected.down;
      break;
    case VK_LEFT:
      next = selected.left;
      break;
    case VK_RIGHT:
      next = selected.right;
      break;
    default:
      return 0;
  }
  if (next == kNoNeighbour || next >= m->entry_count) return 0;
  m->selected = next;
  return 1;
}

void queue_warning(const std::string& text, int mode) {
  menu_system().warnings.push_back({text, mode});
}

const Warning* first_warning(int mode) {
  for (const Warning& w : menu_system().warnings)
    if (w.mode == mode) return &w;
  return nullptr;
}

void remove_first_warning(int mode) {
  auto& q = menu_system().warnings;
  auto it = std::find_if(q.begin(), q.end(), [mode](const Warning& w) { return w.mode == mode; });
  if (it != q.end()) q.erase(it);
}

void fill_textured(std::uint8_t* fb, int stride, const std::uint8_t* fill, int x0, int y0, int x1,
                   int y1, std::uint8_t colour_index) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, kScreenWidth - 1);
  y1 = std::min(y1, kScreenHeight - 1);
  const std::uint8_t add = texture_offset(colour_index);
  for (int y = y0; y <= y1; ++y) {
    std::uint8_t* row = fb + static_cast<std::ptrdiff_t>(y) * stride;
    const std::uint8_t* src = fill ? fill + y * kScreenWidth : nullptr;
    for (int x = x0; x <= x1; ++x) row[x] = static_cast<std::uint8_t>((src ? src[x] : 0) + add);
  }
}

void draw_frame_rect(std::uint8_t* fb, int stride, int x0, int y0, int x1, int y1,
                     std::uint8_t colour) {
  if (x1 < x0 || y1 < y0) return;
  const int left = std::max(x0, 0), right = std::min(x1, kScreenWidth - 1);
  const int top = std::max(y0, 0), bottom = std::min(y1, kScreenHeight - 1);
  if (left > right || top > bottom) return;
  if (y0 >= 0) fill_span(fb, y0, left, right, stride, colour);
  if (y1 < kScreenHeight) fill_span(fb, y1, left, right, stride, colour);
  if (x0 >= 0) fill_column(fb, stride, x0, top, bottom, colour);
  if (x1 < kScreenWidth) fill_column(fb, stride, x1, top, bottom, colour);
}

void draw_menu(const Menu& menu, std::uint8_t* fb, int stride, const std::uint8_t* fill,
               int animation_step) {
  draw_frame_rect(fb, stride, 0, 0, 319, 15, kFrameColour);
  draw_frame_rect(fb, stride, 1, 1, 318, 14, kFrameColour);
  fill_textured(fb, stride, fill, 2, 2, 317, 13, kTitleTexture);
  draw_text(menu.title.c_str(), 0, 4, fb, stride, 1, kNaturalColours, kTextCentreLine);
  const int big = (menu.flags & kMenuLargeFont) ? 1 : 0;
  for (const MenuEntry& e : menu.entries) {
    fill_textured(fb, stride, fill, e.x, e.y, e.x + menu.box_width - 1, e.y + menu.box_height - 1,
                  e.colour);
    draw_text(e.text.c_str(), e.x + (menu.box_width - e.text_width) / 2 + big, e.y + 1 + big, fb,
              stride, big, kEntryTextColour, 0);
  }
  if (menu.selected < menu.entries.size()) {
    const MenuEntry& e = menu.entries[menu.selected];
    draw_frame_rect(fb, stride, e.x, e.y, e.x + menu.box_width - 1, e.y + menu.box_height - 1,
                    animation_colour(animation_step));
  }
}

bool draw_first_warning(int mode, std::uint8_t* fb, int stride, const std::uint8_t* fill,
                        int animation_step) {
  while (const Warning* w = first_warning(mode)) {
    const TextSize size = measure_text(w->text.c_str(), true, 0);
    if (size.width >= kScreenWidth || size.height >= kScreenHeight) {
      remove_first_warning(mode);
      continue;
    }
    const int x0 = (310 - size.width) / 2, y0 = (165 - size.height) / 2;
    const int h = size.height;
    draw_frame_rect(fb, stride, x0, y0, x0 + size.width + 10, y0 + h + 35, kFrameColour);
    fill_textured(fb, stride, fill, x0 + 1, y0 + 1, x0 + size.width + 9, y0 + h + 34,
                  kWarningTexture);
    draw_text("WARNING", 0, y0 + 5, fb, stride, 0, kNaturalColours, kTextCentreLine);
    draw_text(w->text.c_str(), 0, y0 + 15, fb, stride, 0, kNaturalColours, kTextCentreLine);
    draw_frame_rect(fb, stride, 135, y0 + h + 20, 182, y0 + h + 30,
                    animation_colour(animation_step));
    fill_textured(fb, stride, fill, 136, y0 + h + 21, 181, y0 + h + 29, kButtonTexture);
    draw_text("OK", 0, y0 + h + 23, fb, stride, 0, kNaturalColours, kTextCentreLine);
    return true;
  }
  return false;
}

}  // namespace tavu
