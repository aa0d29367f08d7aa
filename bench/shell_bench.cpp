// Frame composition: the mode's draw, the overlays and presentation.
#include <benchmark/benchmark.h>

#include "platform/headless/headless_platform.h"
#include "shell/app.h"
#include "shell/modes.h"
#include "shell/status.h"

namespace {

void BM_ComposeFrame(benchmark::State& state) {
  tavu::platform::HeadlessPlatform headless({1920, 1080});
  tavu::platform::set_current(&headless);
  tavu::build_key_to_mode_table();
  // A mode whose draw fills the whole framebuffer, with no overlay showing.
  tavu::switch_mode(tavu::kPatternMode);
  tavu::clear_status();
  for (auto _ : state) {
    tavu::compose_frame();
    benchmark::DoNotOptimize(headless.last_frame().data());
  }
  tavu::platform::set_current(nullptr);
}
BENCHMARK(BM_ComposeFrame)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
