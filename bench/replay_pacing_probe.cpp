// Replay playback in the real window: the editor is started on a game
// directory as usual, replay mode plays a recording at 70 frames a second,
// and we record when each frame starts against the frame clock's due time
// and how much processor time the process uses.
//
//   replay_pacing_probe --dir DIR [--file final.rpl] [--seconds N]
//
// Run it on a display (for instance Xvfb).
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sdl/sdl_platform.h"
#include "replays/playback.h"
#include "replays/recordings.h"
#include "shell/app.h"
#include "shell/files.h"
#include "shell/frame_clock.h"
#include "shell/modes.h"

namespace {

using tavu::platform::current;

constexpr std::uint32_t kStopTimer = 7;

std::vector<std::uint64_t> g_starts;
std::vector<std::uint64_t> g_due;
std::uint64_t g_next_due = 0;

double cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Playback's own Frame callback, with the time it was called.
void on_frame() {
  g_starts.push_back(current().counter());
  g_due.push_back(g_next_due);
  g_next_due = tavu::next_frame_deadline();
  tavu::advance_unless_paused();
}

void stop() {
  tavu::kill_timer(kStopTimer);
  tavu::post_message(tavu::platform::WM_QUIT, 0, 0);
}

double run_for(std::uint32_t ms) {
  tavu::set_timer(kStopTimer, ms, stop);
  const std::uint64_t f = current().counter_frequency();
  const std::uint64_t start = current().counter();
  const double cpu_start = cpu_seconds();
  tavu::run_message_loop();
  const double wall = static_cast<double>(current().counter() - start) / static_cast<double>(f);
  return (cpu_seconds() - cpu_start) / wall;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir, file = "final.rpl";
  double seconds = 10;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i], value = argv[i + 1];
    if (arg == "--dir")
      dir = value;
    else if (arg == "--file")
      file = value;
    else if (arg == "--seconds")
      seconds = std::atof(value.c_str());
    else {
      std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
      return 2;
    }
  }
  if (dir.empty()) {
    std::fprintf(stderr, "usage: replay_pacing_probe --dir DIR [--file NAME] [--seconds N]\n");
    return 2;
  }
  std::filesystem::current_path(dir);
  auto platform = tavu::platform::make_sdl_platform();
  if (!platform) return 1;
  tavu::platform::set_current(platform.get());
  auto& p = *platform;
  tavu::AppState& a = tavu::app();
  a.screen = p.screen_size();
  a.flags |= tavu::nt_family;
  tavu::init_frame_clock(p.counter_frequency());
  const tavu::platform::ScreenSize client = p.client_size_for(a.screen);
  a.placement = {tavu::centre_offset(a.screen.width, client.width),
                 tavu::centre_offset(a.screen.height, client.height), client.width, client.height};
  if (!p.create_window(tavu::kProgramTitle, a.placement.x, a.placement.y, client.width,
                       client.height) ||
      tavu::window_procedure(tavu::platform::WM_CREATE, 0, 0) != 0)
    return 1;
  p.show_window(tavu::platform::ShowCommand::normal);
  tavu::switch_mode(tavu::kReplayMode);
  tavu::invalidate_window();
  run_for(1000);  // the window settles, the mode name goes

  const bool replay = tavu::matches_pattern(file, "*.rpl");
  auto opened = tavu::open_recording_file(
      file, replay ? tavu::RecordingKind::kReplay : tavu::RecordingKind::kHighlight);
  if (!opened || !tavu::start_playback(std::move(*opened))) {
    std::fprintf(stderr, "cannot play %s\n", file.c_str());
    return 1;
  }
  g_starts.reserve(static_cast<std::size_t>(seconds * 80));
  g_due.reserve(g_starts.capacity());
  tavu::start_frame_clock(on_frame);
  g_next_due = tavu::next_frame_deadline();
  const double busy = run_for(static_cast<std::uint32_t>(seconds * 1000));
  const bool still_playing = tavu::playback().playing;
  if (still_playing) tavu::stop_playback();

  const double f = static_cast<double>(p.counter_frequency());
  std::vector<double> late_ms;
  for (std::size_t n = 1; n < g_starts.size(); ++n)
    late_ms.push_back(static_cast<double>(g_starts[n] - g_due[n]) * 1000.0 / f);
  std::sort(late_ms.begin(), late_ms.end());
  auto pct = [&late_ms](double q) {
    if (late_ms.empty()) return 0.0;
    return late_ms[std::min(late_ms.size() - 1, static_cast<std::size_t>(q * late_ms.size()))];
  };
  const double mean_period = g_starts.size() > 1
                                 ? static_cast<double>(g_starts.back() - g_starts.front()) *
                                       1000.0 / f / static_cast<double>(g_starts.size() - 1)
                                 : 0.0;
  std::printf("client %dx%d, %s%s\n", client.width, client.height, file.c_str(),
              still_playing ? "" : " (ended before the measurement did)");
  std::printf("frames %zu in %.1f s: mean period %.3f ms (ideal 14.286)\n", g_starts.size(),
              seconds, mean_period);
  std::printf("lateness: min %.3f ms, median %.3f ms, p99 %.3f ms, max %.3f ms\n", pct(0.0),
              pct(0.5), pct(0.99), late_ms.empty() ? 0.0 : late_ms.back());
  std::printf("CPU while playing: %.1f%% of a core\n", busy * 100);
  return 0;
}
