// The editor on the SDL backend: it starts in the demo game directory, shows
// its first frame, and quits on Escape. Run under SDL_VIDEODRIVER=dummy and,
// where Xvfb is installed, on a real X display.
#include <SDL2/SDL.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include "demo_data/demo_data.h"
#include "platform/sdl/sdl_backend.h"
#include "shell/app.h"

namespace fs = std::filesystem;

namespace {

Uint32 press_escape(Uint32, void*) {
  for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
    SDL_Event e{};
    e.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    e.key.keysym.sym = SDLK_ESCAPE;
    SDL_PushEvent(&e);
  }
  return 0;
}

int fail(const char* what) {
  std::fprintf(stderr, "FAILED: %s\n", what);
  std::puts("0 passed, 1 failed");
  return 1;
}

}  // namespace

int main() {
  fs::path dir = fs::temp_directory_path() / ("tavu-sdl-smoke-" + std::to_string(::getpid()));
  std::string error;
  if (!tavu::write_demo_game(dir, &error)) return fail(error.c_str());
  fs::current_path(dir);
  // A lock of its own, so an editor the user has open does not stop this one.
  ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);

  tavu::platform::sdl::SdlPlatform sdl({});
  if (!sdl.ok()) return fail("SDL video did not start");
  tavu::platform::set_current(&sdl);
  SDL_InitSubSystem(SDL_INIT_TIMER);
  SDL_AddTimer(700, press_escape, nullptr);

  int code = tavu::run_program();
  std::vector<std::uint32_t> shown;
  int w = 0, h = 0;
  bool read = sdl.read_back(shown, w, h);
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(dir);

  if (code != 0) return fail("Escape did not end the editor with exit code 0");
  if (!read || w < 320 || h < 200) return fail("no frame to read back");
  // The first frame shows sprite 0 on its background and the number 0.
  std::set<std::uint32_t> colours(shown.begin(), shown.end());
  if (colours.size() < 3) return fail("the frame is blank");
  std::puts("1 passed, 0 failed");
  return 0;
}
