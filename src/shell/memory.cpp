// allocate_or_stop: memory the program cannot go on without.
#include <chrono>
#include <cstdlib>
#include <thread>

#include "display/fullscreen.h"
#include "shell/app.h"
#include "shell/files.h"

namespace tavu {

void allocate_or_stop(std::vector<std::uint8_t>& block, std::size_t size) {
  // Ten tries, waiting 0, 8, ... 72 ms after each: 360 ms for memory to free up.
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (try_allocate(block, size)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(8 * attempt));
  }
  AppState& a = app();
  auto& p = platform::current();
  if (a.flags & fullscreen) {
    leave_fullscreen();
    a.flags &= ~static_cast<std::uint32_t>(fullscreen);
  }
  p.show_cursor(true);
  a.flags |= fatal;
  p.show_window(platform::ShowCommand::hide);
  p.message_box("Error", "Out of memory!", platform::MessageBoxIcon::none);
  std::exit(1);
}

}  // namespace tavu
