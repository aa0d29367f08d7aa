// Frame pacing of the SDL backend under the real message loop: a Frame
// callback at 70 frames a second redraws a mode that fills the whole
// Framebuffer; we record when each frame starts and how much processor time
// the process uses, then measure an idle stretch without a callback.
//
//   frame_pacing_probe [--seconds N] [--idle N] [--path auto|surface|renderer]
//
// Run it on a display (for instance Xvfb with SDL_RENDER_DRIVER=software).
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "display/display.h"
#include "platform/sdl/sdl_platform.h"
#include "shell/app.h"
#include "shell/frame_clock.h"
#include "shell/modes.h"

namespace {

using tavu::platform::current;

std::vector<std::uint64_t> g_starts;
std::vector<std::uint64_t> g_due;  // when the frame clock said each frame falls due
std::uint64_t g_next_due = 0;
int g_phase = 0;

double cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::uint8_t* probe_draw(std::uint8_t* fb, int stride) {
  for (int y = 0; y < tavu::kScreenHeight; ++y)
    for (int x = 0; x < tavu::kScreenWidth; ++x)
      fb[y * stride + x] = static_cast<std::uint8_t>(x + y + g_phase);
  return fb;
}

void on_frame() {
  g_starts.push_back(current().counter());
  g_due.push_back(g_next_due);
  g_next_due = tavu::next_frame_deadline();
  ++g_phase;
  tavu::request_redraw();
}

void stop() {
  tavu::kill_timer(1);
  tavu::post_message(tavu::platform::WM_QUIT, 0, 0);
}

// Runs the message loop for `ms` milliseconds; returns the processor time
// used as a share of one core.
double run_for(std::uint32_t ms) {
  tavu::set_timer(1, ms, stop);
  const std::uint64_t f = current().counter_frequency();
  const std::uint64_t start = current().counter();
  const double cpu_start = cpu_seconds();
  tavu::run_message_loop();
  const double wall = static_cast<double>(current().counter() - start) / static_cast<double>(f);
  return (cpu_seconds() - cpu_start) / wall;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 10;
  double idle_seconds = 5;
  tavu::platform::SdlOptions options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    const std::string value = argv[i + 1];
    if (arg == "--seconds") {
      seconds = std::atof(value.c_str());
    } else if (arg == "--idle") {
      idle_seconds = std::atof(value.c_str());
    } else if (arg == "--path") {
      options.presentation = value == "surface"    ? tavu::platform::SdlPresentation::window_surface
                             : value == "renderer" ? tavu::platform::SdlPresentation::renderer
                                                   : tavu::platform::SdlPresentation::automatic;
    } else {
      std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
      return 2;
    }
  }

  auto platform = tavu::platform::make_sdl_platform(options);
  if (!platform) return 1;
  tavu::platform::set_current(platform.get());
  auto& p = *platform;
  tavu::AppState& a = tavu::app();
  a.screen = p.screen_size();
  tavu::init_frame_clock(p.counter_frequency());
  const tavu::platform::ScreenSize client = p.client_size_for(a.screen);
  a.placement = {tavu::centre_offset(a.screen.width, client.width),
                 tavu::centre_offset(a.screen.height, client.height), client.width, client.height};
  if (!p.create_window(tavu::kProgramTitle, a.placement.x, a.placement.y, client.width,
                       client.height))
    return 1;
  tavu::mode_table()[tavu::current_mode()].draw = probe_draw;
  tavu::set_palette(&tavu::game_palette(), nullptr, true);
  p.show_window(tavu::platform::ShowCommand::normal);
  tavu::invalidate_window();

  // Let the window settle before measuring.
  run_for(300);

  g_starts.reserve(static_cast<std::size_t>(seconds * 80));
  g_due.reserve(g_starts.capacity());
  tavu::start_frame_clock(on_frame);
  g_next_due = tavu::next_frame_deadline();
  const double busy = run_for(static_cast<std::uint32_t>(seconds * 1000));
  tavu::start_frame_clock(nullptr);

  const double f = static_cast<double>(p.counter_frequency());
  const double period = f / 70.0;
  // Lateness against the frame clock's own due time (the wait's deadline),
  // and drift against the ideal schedule from the first frame.
  std::vector<double> late_ms;
  double drift_ms = 0;
  for (std::size_t n = 1; n < g_starts.size(); ++n) {
    late_ms.push_back(static_cast<double>(g_starts[n] - g_due[n]) * 1000.0 / f);
    const double ideal = static_cast<double>(g_starts[0]) + static_cast<double>(n) * period;
    drift_ms = std::max(drift_ms, (static_cast<double>(g_starts[n]) - ideal) * 1000.0 / f);
  }
  std::vector<double> sorted = late_ms;
  std::sort(sorted.begin(), sorted.end());
  auto pct = [&sorted](double q) {
    if (sorted.empty()) return 0.0;
    return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(q * sorted.size()))];
  };
  const double mean_period = g_starts.size() > 1
                                 ? static_cast<double>(g_starts.back() - g_starts.front()) *
                                       1000.0 / f / static_cast<double>(g_starts.size() - 1)
                                 : 0.0;

  const double idle = run_for(static_cast<std::uint32_t>(idle_seconds * 1000));

  std::printf("client %dx%d\n", client.width, client.height);
  std::printf("frames %zu in %.1f s: mean period %.3f ms (ideal 14.286)\n", g_starts.size(),
              seconds, mean_period);
  std::printf("lateness: min %.3f ms, median %.3f ms, p99 %.3f ms, max %.3f ms\n", pct(0.0),
              pct(0.5), pct(0.99), sorted.empty() ? 0.0 : sorted.back());
  std::printf("furthest behind the ideal schedule from the first frame: %.3f ms\n", drift_ms);
  std::printf("CPU with frames: %.1f%% of a core\n", busy * 100);
  std::printf("CPU idle (no Frame callback, %.0f s): %.2f%% of a core\n", idle_seconds, idle * 100);
  return 0;
}
