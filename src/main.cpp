// tavu-editor: the TAVU Picture Editor.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "platform/headless/headless_platform.h"
#ifdef _WIN32
#include "platform/win32/window/win32_platform.h"
#else
#include "platform/sdl/sdl_platform.h"
#endif
#include "shell/app.h"
#include "shell/script.h"
#ifdef TAVU_TEST_BUILD
#include "testing/test_hooks.h"
#endif

namespace {

constexpr const char* kUsage =
    "Usage: tavu-editor [--dir DIR | DIR] [--script FILE|-] [--screen WxH]\n"
    "\n"
    "Opens the game data directory (the current one, or DIR) in the TAVU Picture Editor.\n"
    "\n"
    "  --dir DIR, DIR   work in DIR\n"
    "  --script FILE    run headless, driven by the script in FILE (- reads standard input)\n"
    "  --screen WxH     screen size of the headless run (default 1920x1080)\n"
    "  --help           show this text\n"
    "  --version        show the version\n";

bool parse_screen(const std::string& s, tavu::platform::ScreenSize& out) {
  int w = 0, h = 0;
  char x = 0, extra = 0;
  if (std::sscanf(s.c_str(), "%d%c%d%c", &w, &x, &h, &extra) != 3 || (x != 'x' && x != 'X') ||
      w <= 0 || h <= 0 || w > 65535 || h > 65535)
    return false;
  out = {w, h};
  return true;
}

// The desktop backend: Win32 on Windows, SDL elsewhere.
std::unique_ptr<tavu::platform::Platform> make_window_platform() {
#ifdef _WIN32
  return tavu::platform::make_win32_platform();
#else
  return tavu::platform::make_sdl_platform();
#endif
}

// The crash handler's box, in a fresh process: the crashed one had only
// async-signal-safe calls left, and showing a box takes more than that.
int show_fatal_error(const char* text) {
  std::unique_ptr<tavu::platform::Platform> sdl = make_window_platform();
  if (sdl)
    sdl->message_box("Fatal error", text, tavu::platform::MessageBoxIcon::error);
  else
    std::fprintf(stderr, "Fatal error: %s\n", text);
  return 255;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--fatal-error-box") == 0) return show_fatal_error(argv[2]);
  std::string dir, script;
  bool have_script = false;
  bool dir_named = false;
#ifdef TAVU_TEST_BUILD
  std::string crash_kind;
  unsigned crash_after = 0;
#endif
  tavu::platform::ScreenSize screen{1920, 1080};
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "tavu-editor: %s needs a value\n%s", arg.c_str(), kUsage);
        return false;
      }
      out = argv[++i];
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      std::printf("%s %s\n", tavu::kProgramTitle, tavu::kProgramVersion);
      return 0;
    } else if (arg == "--dir") {
      if (!value(dir)) return 2;
    } else if (arg == "--script") {
      if (!value(script)) return 2;
      have_script = true;
    } else if (arg == "--screen") {
      std::string s;
      if (!value(s)) return 2;
      if (!parse_screen(s, screen)) {
        std::fprintf(stderr, "tavu-editor: bad screen size '%s' (expected WxH)\n", s.c_str());
        return 2;
      }
#ifdef TAVU_TEST_BUILD
    } else if (arg == "--test-crash-after") {
      // --test-crash-after MS KIND
      std::string ms;
      if (!value(ms) || !value(crash_kind)) return 2;
      crash_after = static_cast<unsigned>(std::strtoul(ms.c_str(), nullptr, 10));
#endif
    } else if (!arg.empty() && arg[0] != '-' && dir.empty() && !dir_named) {
      // A directory handed over by a file manager or the desktop entry; for
      // one of the game's files, the directory it is in (none: this one).
      dir_named = true;
      std::error_code ec;
      dir = std::filesystem::is_regular_file(arg, ec)
                ? std::filesystem::path(arg).parent_path().string()
                : arg;
    } else {
      std::fprintf(stderr, "tavu-editor: unknown argument '%s'\n%s", arg.c_str(), kUsage);
      return 2;
    }
  }

  std::unique_ptr<std::istream> script_input;
  if (have_script) {
    if (script == "-") {
      script_input = std::make_unique<std::istream>(std::cin.rdbuf());
    } else {
      auto file = std::make_unique<std::ifstream>(script);
      if (!*file) {
        std::fprintf(stderr, "tavu-editor: cannot read script '%s'\n", script.c_str());
        return 2;
      }
      script_input = std::move(file);
    }
  }
  if (!dir.empty()) {
    std::error_code ec;
    std::filesystem::current_path(dir, ec);
    if (ec) {
      std::fprintf(stderr, "tavu-editor: cannot enter '%s': %s\n", dir.c_str(),
                   ec.message().c_str());
      return 2;
    }
  }

#ifdef TAVU_TEST_BUILD
  auto schedule_crash = [&] {
    if (crash_kind.empty() || tavu::testing::schedule_crash(crash_kind, crash_after)) return true;
    std::fprintf(stderr, "tavu-editor: unknown crash '%s'\n", crash_kind.c_str());
    return false;
  };
#else
  auto schedule_crash = [] { return true; };
#endif
  if (have_script) {
    tavu::platform::HeadlessPlatform headless(screen);
    tavu::ScriptRunner runner(headless, std::move(script_input));
#ifdef TAVU_TEST_BUILD
    runner.set_extension(tavu::testing::script_extension(headless));
#endif
    headless.set_idle_handler([&runner] { runner.step(); });
    tavu::platform::set_current(&headless);
    if (!schedule_crash()) return 2;
    return tavu::run_program();
  }
  std::unique_ptr<tavu::platform::Platform> window = make_window_platform();
  if (!window) return 1;
  tavu::platform::set_current(window.get());
  if (!schedule_crash()) return 2;
  return tavu::run_program();
}
