#include "testing/test_hooks.h"

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "shell/app.h"
#include "shell/files.h"

namespace tavu::testing {
namespace {

enum class Crash { segv, bus, ill, fpe, abort, stack };

bool parse_crash(const std::string& name, Crash& out) {
  static const std::pair<const char*, Crash> kNames[] = {
      {"segv", Crash::segv}, {"bus", Crash::bus},     {"ill", Crash::ill},
      {"fpe", Crash::fpe},   {"abort", Crash::abort}, {"stack", Crash::stack}};
  for (const auto& [n, kind] : kNames) {
    if (name == n) {
      out = kind;
      return true;
    }
  }
  return false;
}

// Keeps the recursion from being provably endless (and so optimised or warned
// about); nothing ever lowers it.
volatile long g_depth_limit = std::numeric_limits<long>::max();

long overflow_stack(long depth) {
  volatile char frame[1024];
  frame[0] = static_cast<char>(depth);
  if (depth >= g_depth_limit) return frame[0];
  return overflow_stack(depth + 1) + frame[0];
}

// This file is built without the sanitizers, so each of these is the real
// fault, not a sanitizer's report of it.
[[noreturn]] void crash(Crash kind) {
  switch (kind) {
    case Crash::segv: {
      // An address that is never mapped (the first page), read from a
      // volatile so the compiler does not see it.
      volatile std::uintptr_t address = 16;
      *reinterpret_cast<volatile int*>(address) = 1;
      break;
    }
    case Crash::bus:
#ifdef SIGBUS
      std::raise(SIGBUS);
#else
      // Windows has no bus error: the nearest fault is an access violation.
      crash(Crash::segv);
#endif
      break;
    case Crash::ill:
      __builtin_trap();
    case Crash::fpe: {
      // Both volatile: the compiler turns 1 / x into a comparison otherwise.
      volatile int one = 1;
      volatile int zero = 0;
      volatile int quotient = one / zero;
      (void)quotient;
      break;
    }
    case Crash::abort:
      std::abort();
    case Crash::stack:
      overflow_stack(0);
      break;
  }
  std::abort();
}

Crash g_scheduled = Crash::segv;
constexpr std::uint32_t kCrashTimer = 0x7E57;

void scheduled_crash() {
  crash(g_scheduled);
}

}  // namespace

ScriptExtension script_extension(platform::HeadlessPlatform& platform) {
  return [&platform](const std::string& verb, const std::vector<std::string>& args,
                     std::string& error) {
    auto one_of = [&](std::initializer_list<const char*> names) {
      if (args.size() == 1)
        for (const char* n : names)
          if (args[0] == n) return true;
      error = verb + " takes one of:";
      for (const char* n : names) error += std::string(" ") + n;
      return false;
    };
    if (verb == "CRASH") {
      Crash kind{};
      if (args.size() != 1 || !parse_crash(args[0], kind)) {
        error = "crash takes segv, bus, ill, fpe, abort or stack";
        return true;
      }
      crash(kind);
    }
    if (verb == "ALLOCATE") {
      std::size_t size = std::numeric_limits<std::size_t>::max();
      if (args.size() != 1 ||
          (args[0] != "max" && (args[0].empty() || args[0][0] < '0' || args[0][0] > '9'))) {
        error = "allocate takes a size in bytes or max";
        return true;
      }
      if (args[0] != "max") size = std::strtoull(args[0].c_str(), nullptr, 10);
      std::vector<std::uint8_t> block;
      allocate_or_stop(block, size);
      return true;
    }
    if (verb == "FAIL") {
      if (!one_of({"fullscreen", "keyboard-device", "keyboard-state"})) return true;
      if (args[0] == "fullscreen")
        platform.set_fullscreen_fails(true);
      else if (args[0] == "keyboard-device")
        platform.break_key_device();
      else
        platform.set_window_key_state_fails(true);
      return true;
    }
    if (verb == "LOSE") {
      if (one_of({"keyboard-device"})) platform.lose_key_device_input();
      return true;
    }
    return false;
  };
}

bool schedule_crash(const std::string& kind, unsigned ms) {
  if (!parse_crash(kind, g_scheduled)) return false;
  set_timer(kCrashTimer, ms, scheduled_crash);
  return true;
}

}  // namespace tavu::testing
