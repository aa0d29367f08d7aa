// The frame clock of the animated modes: a Frame callback that the message
// loop calls whenever a frame is due at the current rate.
#pragma once

#include <cstdint>
#include <optional>

namespace tavu {

using FrameCallback = void (*)();

// Pure frame timing over an explicit clock, so it can be tested on a fake
// counter. `period` is the clock frequency (counts per second; 1000 for the
// millisecond clock).
struct FrameClock {
  std::int64_t period = 1000;
  std::int32_t rate = 70;
  std::int64_t carry = 0;
  std::uint64_t stamp = 0;

  void start(std::uint64_t now);
  // True at most once per elapsed frame period. `fresh_now` is the reading
  // stored as the new time stamp on a due frame.
  bool due(std::uint64_t now, std::uint64_t fresh_now) {
    return due_after(static_cast<std::int64_t>(now - stamp), fresh_now);
  }
  bool due_after(std::int64_t elapsed, std::uint64_t fresh_now);
  // The earliest clock reading at which due() can answer true.
  std::uint64_t next_due() const;
};

// Installs `callback` (nullptr stops the animation), resets the rate to 70
// and restarts the clock. Returns the callback that was installed.
FrameCallback start_frame_clock(FrameCallback callback);
FrameCallback current_frame_callback();
bool frame_due();
// Counter value at which the next frame falls due (for the loop's wait).
std::uint64_t next_frame_deadline();
void set_frame_rate(int rate);
void reset_frame_rate();
int get_frame_rate();
// Chooses the high-resolution counter when the platform has one.
void init_frame_clock(std::uint64_t counter_frequency);

}  // namespace tavu
