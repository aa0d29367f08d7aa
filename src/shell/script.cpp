#include "shell/script.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "shell/app.h"
#include "shell/modes.h"
#include "shell/status.h"
#include "sprites/bmp.h"

namespace tavu {

using namespace platform;

namespace {

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

const std::map<std::string, std::uint32_t>& key_names() {
  static const std::map<std::string, std::uint32_t> names = [] {
    std::map<std::string, std::uint32_t> m = {
        {"ESCAPE", VK_ESCAPE},
        {"RETURN", VK_RETURN},
        {"ENTER", VK_RETURN},
        {"SPACE", VK_SPACE},
        {"BACK", VK_BACK},
        {"TAB", VK_TAB},
        {"LEFT", VK_LEFT},
        {"UP", VK_UP},
        {"RIGHT", VK_RIGHT},
        {"DOWN", VK_DOWN},
        {"PRIOR", VK_PRIOR},
        {"NEXT", VK_NEXT},
        {"PGUP", VK_PRIOR},
        {"PGDN", VK_NEXT},
        {"HOME", VK_HOME},
        {"END", VK_END},
        {"INSERT", VK_INSERT},
        {"DELETE", VK_DELETE},
        {"ADD", VK_ADD},
        {"SUBTRACT", VK_SUBTRACT},
        {"MULTIPLY", VK_MULTIPLY},
        {"DIVIDE", VK_DIVIDE},
        {"DECIMAL", VK_DECIMAL},
        {"PAUSE", VK_PAUSE},
        {"SHIFT", VK_SHIFT},
        {"CONTROL", VK_CONTROL},
        {"CTRL", VK_CONTROL},
        {"MENU", VK_MENU},
        {"ALT", VK_MENU},
        {"LWIN", VK_LWIN},
        {"RWIN", VK_RWIN},
        {"OEM_PLUS", VK_OEM_PLUS},
        {"OEM_MINUS", VK_OEM_MINUS},
    };
    // Names are formatted into a buffer: g++ 12 at -O3 warns falsely (restrict)
    // about "F" + std::to_string(i).
    char name[16];
    for (int i = 1; i <= 24; ++i) {
      std::snprintf(name, sizeof name, "F%d", i);
      m[name] = VK_F1 + static_cast<std::uint32_t>(i - 1);
    }
    for (int i = 0; i <= 9; ++i) {
      std::snprintf(name, sizeof name, "NUMPAD%d", i);
      m[name] = VK_NUMPAD0 + static_cast<std::uint32_t>(i);
    }
    return m;
  }();
  return names;
}

// Control characters and line feeds written visibly on one line.
std::string escape(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

bool parse_int(const std::string& s, int& out) {
  try {
    std::size_t used = 0;
    out = std::stoi(s, &used, 10);
    return used == s.size();
  } catch (...) {
    return false;
  }
}

}  // namespace

std::optional<std::uint32_t> parse_key_name(const std::string& raw) {
  std::string name = upper(raw);
  if (name.size() == 1 &&
      ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9')))
    return static_cast<std::uint32_t>(name[0]);
  if (name.size() > 2 && name[0] == '0' && name[1] == 'X') {
    try {
      std::size_t used = 0;
      unsigned long v = std::stoul(name.substr(2), &used, 16);
      if (used == name.size() - 2 && v > 0 && v < 256) return static_cast<std::uint32_t>(v);
    } catch (...) {
    }
    return std::nullopt;
  }
  if (name.rfind("VK_", 0) == 0) name = name.substr(3);
  auto it = key_names().find(name);
  if (it == key_names().end()) return std::nullopt;
  return it->second;
}

ScriptRunner::ScriptRunner(HeadlessPlatform& platform, std::unique_ptr<std::istream> input)
    : platform_(platform), input_(std::move(input)) {}

void ScriptRunner::key_message(std::uint32_t vk, bool down, bool alt) {
  // F10 and every key with Alt held arrive as system keys, as Windows sends them.
  bool system = alt || vk == VK_F10 || vk == VK_MENU;
  std::uint32_t message =
      down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  std::uint32_t lparam = 1;
  if (alt) lparam |= kKeyAltBit;
  if (!down) lparam |= kKeyRepeatBit | kKeyUpBit;
  platform_.push_input({message, vk, static_cast<std::int64_t>(lparam)}, std::make_pair(vk, down));
}

void ScriptRunner::mouse(std::uint32_t message, int x, int y, bool ctrl, bool button_held) {
  std::uint64_t wparam = (button_held ? MK_LBUTTON : 0) | (ctrl ? MK_CONTROL : 0);
  platform_.push_input({message, wparam, make_point_lparam(x, y)}, std::nullopt);
}

bool ScriptRunner::press(const std::string& chord, std::string& error) {
  bool ctrl = false, shift = false, alt = false;
  std::string rest = chord;
  for (;;) {
    std::string u = upper(rest);
    if (u.rfind("CTRL+", 0) == 0) {
      ctrl = true;
      rest = rest.substr(5);
    } else if (u.rfind("SHIFT+", 0) == 0) {
      shift = true;
      rest = rest.substr(6);
    } else if (u.rfind("ALT+", 0) == 0) {
      alt = true;
      rest = rest.substr(4);
    } else {
      break;
    }
  }
  auto vk = parse_key_name(rest);
  if (!vk) {
    error = "unknown key '" + rest + "'";
    return false;
  }
  if (ctrl) key_message(VK_CONTROL, true, false);
  if (shift) key_message(VK_SHIFT, true, false);
  if (alt) key_message(VK_MENU, true, true);
  key_message(*vk, true, alt);
  key_message(*vk, false, alt);
  if (alt) key_message(VK_MENU, false, false);
  if (shift) key_message(VK_SHIFT, false, false);
  if (ctrl) key_message(VK_CONTROL, false, false);
  return true;
}

bool ScriptRunner::run_line(const std::string& line, std::string& error) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  std::vector<std::string> args;
  for (std::string a; in >> a;) args.push_back(a);
  std::string v = upper(verb);
  bool ctrl = false;
  if (v.rfind("CTRL+", 0) == 0) {
    ctrl = true;
    v = v.substr(5);
  }
  auto need = [&](std::size_t n) {
    if (args.size() == n) return true;
    error = verb + " takes " + std::to_string(n) + " argument" + (n == 1 ? "" : "s");
    return false;
  };
  auto ints = [&](std::vector<int>& out) {
    for (const auto& a : args) {
      int value = 0;
      if (!parse_int(a, value)) {
        error = "not a number: '" + a + "'";
        return false;
      }
      out.push_back(value);
    }
    return true;
  };
  if (ctrl && v != "CLICK" && v != "DBLCLICK" && v != "RCLICK" && v != "DRAG") {
    error = "ctrl+ applies to mouse gestures only";
    return false;
  }
  if (v == "KEY") {
    if (args.empty()) {
      error = "key needs at least one key";
      return false;
    }
    for (const auto& a : args)
      if (!press(a, error)) return false;
    return true;
  }
  if (v == "DOWN" || v == "UP") {
    if (!need(1)) return false;
    auto vk = parse_key_name(args[0]);
    if (!vk) {
      error = "unknown key '" + args[0] + "'";
      return false;
    }
    key_message(*vk, v == "DOWN", *vk != VK_MENU && platform_.key_down(VK_MENU));
    return true;
  }
  if (v == "TYPE") {
    std::string text = line.substr(line.find(verb) + verb.size());
    if (!text.empty() && text[0] == ' ') text.erase(0, 1);
    for (char c : text) {
      std::string key = c == ' ' ? "SPACE" : std::string(1, c);
      if (!parse_key_name(key)) {
        error = std::string("cannot type '") + c + "'";
        return false;
      }
      press(key, error);
    }
    return true;
  }
  if (v == "CLOSE") {
    // The window manager's close command.
    if (!need(0)) return false;
    platform_.push_input({WM_CLOSE, 0, 0}, std::nullopt);
    return true;
  }
  if (v == "ACTIVATE" || v == "DEACTIVATE") {
    // The user switching to another program and back.
    if (!need(0)) return false;
    platform_.set_active(v == "ACTIVATE");
    return true;
  }
  if (v == "WAIT") {
    std::vector<int> n;
    if (!need(1) || !ints(n)) return false;
    if (n[0] < 0) {
      error = "wait needs a time of 0 or more";
      return false;
    }
    platform_.advance(static_cast<std::uint32_t>(n[0]));
    return true;
  }
  if (v == "CLICK" || v == "RCLICK" || v == "DBLCLICK") {
    std::vector<int> n;
    if (!need(2) || !ints(n)) return false;
    if (ctrl) key_message(VK_CONTROL, true, false);
    if (v == "RCLICK") {
      mouse(WM_RBUTTONDOWN, n[0], n[1], ctrl, false);
      mouse(WM_RBUTTONUP, n[0], n[1], ctrl, false);
    } else {
      mouse(WM_LBUTTONDOWN, n[0], n[1], ctrl, true);
      mouse(WM_LBUTTONUP, n[0], n[1], ctrl, false);
      if (v == "DBLCLICK") {
        mouse(WM_LBUTTONDBLCLK, n[0], n[1], ctrl, true);
        mouse(WM_LBUTTONUP, n[0], n[1], ctrl, false);
      }
    }
    if (ctrl) key_message(VK_CONTROL, false, false);
    return true;
  }
  if (v == "DRAG") {
    std::vector<int> n;
    if (!need(4) || !ints(n)) return false;
    if (ctrl) key_message(VK_CONTROL, true, false);
    mouse(WM_LBUTTONDOWN, n[0], n[1], ctrl, true);
    mouse(WM_MOUSEMOVE, n[2], n[3], ctrl, true);
    // The window followed the cursor, which is back at the anchor.
    mouse(WM_LBUTTONUP, n[0], n[1], ctrl, false);
    if (ctrl) key_message(VK_CONTROL, false, false);
    return true;
  }
  if (v == "WHEEL") {
    // One notch at a time, as a wheel sends them; the pointer in the window.
    constexpr int kMostSteps = 1000;
    std::vector<int> n;
    if (!need(1) || !ints(n)) return false;
    if (n[0] < -kMostSteps || n[0] > kMostSteps) {
      error = "wheel takes -1000 to 1000 steps";
      return false;
    }
    const int delta = n[0] < 0 ? -WHEEL_DELTA : WHEEL_DELTA;
    for (int i = 0; i < (n[0] < 0 ? -n[0] : n[0]); ++i)
      platform_.push_input({WM_MOUSEWHEEL, make_wheel_wparam(delta, 0),
                            make_point_lparam(app().placement.x + app().placement.width / 2,
                                              app().placement.y + app().placement.height / 2)},
                           std::nullopt);
    return true;
  }
  if (v == "SHOT") {
    if (!need(1)) return false;
    auto bytes = make_bmp_file(platform_.last_palette(), 256, kFrameWidth, kFrameHeight,
                               platform_.last_frame());
    std::ofstream out(args[0], std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      error = "cannot write " + args[0];
      return false;
    }
    return true;
  }
  if (v == "PRINT") {
    if (!need(1)) return false;
    std::string what = upper(args[0]);
    const AppState& a = app();
    if (what == "STATUS") {
      const StatusState& s = status_state();
      std::string text = s.showing ? escape(s.text) : "";
      std::printf("status:%s%s\n", text.empty() ? "" : " ", text.c_str());
    } else if (what == "MODE") {
      std::printf("mode: %d\n", current_mode());
    } else if (what == "WINDOW") {
      std::printf("window: %d %d %d %d\n", a.placement.x, a.placement.y, a.placement.width,
                  a.placement.height);
    } else if (what == "FLAGS") {
      std::printf("flags: %u\n", a.flags);
    } else if (what == "PAINTS") {
      std::printf("paints: %llu\n", static_cast<unsigned long long>(a.paints));
    } else if (what == "PRESENTS") {
      std::printf("presents: %llu\n", static_cast<unsigned long long>(platform_.presents()));
    } else if (what == "TOPMOST") {
      std::printf("topmost: %d\n", platform_.topmost() ? 1 : 0);
    } else {
      error = "cannot print '" + args[0] + "'";
      return false;
    }
    std::fflush(stdout);
    return true;
  }
  if (extension_ && extension_(v, args, error)) return error.empty();
  error = "unknown command '" + verb + "'";
  return false;
}

void ScriptRunner::step() {
  std::string line;
  while (std::getline(*input_, line)) {
    ++line_number_;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    std::string error;
    if (!run_line(line.substr(start), error)) {
      std::fprintf(stderr, "script line %d: %s\n", line_number_, error.c_str());
      std::fflush(stderr);
      platform_.request_exit(2);
    }
    return;
  }
  platform_.request_exit(0);
}

}  // namespace tavu
