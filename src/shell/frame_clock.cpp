#include "shell/frame_clock.h"

#include "platform/platform.h"

namespace tavu {

void FrameClock::start(std::uint64_t now) {
  carry = 0;
  rate = 70;
  stamp = now;
}

bool FrameClock::due_after(std::int64_t elapsed, std::uint64_t fresh_now) {
  std::int64_t work = static_cast<std::int64_t>(rate) * elapsed;
  if (carry + work < period) return false;
  carry = work - period;
  stamp = fresh_now;
  return true;
}

std::uint64_t FrameClock::next_due() const {
  // Smallest elapsed e with carry + rate * e >= period.
  std::int64_t need = period - carry;
  if (need <= 0) return stamp;
  std::int64_t e = (need + rate - 1) / rate;
  return stamp + static_cast<std::uint64_t>(e);
}

namespace {

struct FrameClockState {
  FrameClock clock;
  bool high_resolution = false;
  FrameCallback callback = nullptr;
};

FrameClockState& state() {
  static FrameClockState s;
  return s;
}

// The clock reading in the units of the clock in use.
std::uint64_t now() {
  auto& p = platform::current();
  return state().high_resolution ? p.counter() : p.tick_count();
}

}  // namespace

void init_frame_clock(std::uint64_t counter_frequency) {
  auto& s = state();
  s.high_resolution = counter_frequency != 0;
  s.clock.period = s.high_resolution ? static_cast<std::int64_t>(counter_frequency) : 1000;
}

FrameCallback start_frame_clock(FrameCallback callback) {
  auto& s = state();
  FrameCallback previous = s.callback;
  s.callback = callback;
  s.clock.start(now());
  return previous;
}

FrameCallback current_frame_callback() {
  return state().callback;
}

bool frame_due() {
  auto& s = state();
  if (s.high_resolution) return s.clock.due(now(), now());
  // The tick count wraps at 2^32: a 32-bit difference is always right.
  std::uint32_t elapsed =
      platform::current().tick_count() - static_cast<std::uint32_t>(s.clock.stamp);
  return s.clock.due_after(elapsed, platform::current().tick_count());
}

std::uint64_t next_frame_deadline() {
  auto& s = state();
  auto& p = platform::current();
  std::uint64_t due = s.clock.next_due();
  if (s.high_resolution) return due;
  // Convert the millisecond deadline into counter ticks for the wait.
  std::uint32_t t = p.tick_count();
  std::int64_t ms_left = static_cast<std::int64_t>(static_cast<std::uint32_t>(due) - t);
  if (ms_left < 0 || ms_left > 1000) ms_left = 0;
  std::uint64_t f = p.counter_frequency();
  return p.counter() + (f ? static_cast<std::uint64_t>(ms_left) * f / 1000 : 0);
}

void set_frame_rate(int r) {
  int rate = r;
  if (r >= 100) rate = 100;
  if (rate <= 50) rate = 50;
  state().clock.rate = rate;
}

void reset_frame_rate() {
  state().clock.rate = 70;
}
int get_frame_rate() {
  return state().clock.rate;
}

}  // namespace tavu
