// Faults: the operating-system half of the crash log (fatal signals on POSIX,
// the unhandled-exception filter on Windows). The handler it runs gets the
// fault's registers and time; everything it may call from there on is
// async-signal-safe (no allocation, no stdio, no locks).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tavu::platform {

struct FaultRegister {
  const char* name = "";
  std::uint64_t value = 0;
};

inline constexpr int kMaxFaultRegisters = 17;

struct FaultContext {
  int signal = 0;                  // the signal, or the exception code on Windows
  std::uint64_t code_address = 0;  // the faulting instruction, 0 when unknown
  std::int64_t unix_time = 0;      // seconds since 1970 UTC
  int register_count = 0;
  std::array<FaultRegister, kMaxFaultRegisters> registers{};
};

using FaultHandler = void (*)(const FaultContext& fault);

// Runs `handler` on an alternate stack (so that a stack overflow is caught
// too) for SIGSEGV, SIGBUS, SIGILL, SIGFPE and SIGABRT, or from the
// unhandled-exception filter, and prepares what the helpers below need. The handler should not
// return; if it does, or faults itself, the process ends.
bool install_fault_handler(FaultHandler handler);

// Seconds east of UTC of local time at `unix_time`, from the time-zone rules
// read by install_fault_handler (or prepare_utc_offsets).
std::int64_t utc_offset_at(std::int64_t unix_time);
// Reads the rules of the current time zone for the coming year and a bit.
void prepare_utc_offsets(std::int64_t now);

// Load address of the program's module.
std::uint64_t module_base();
// The system's name and release ("Linux", "6.1.0-13-amd64"; "Windows",
// "NT"); "" if unknown.
const char* system_name();
const char* system_release();
// Digits an address is written with at least (8 or 16).
int address_digits();

// Appends both parts to the file, creating it when missing. False when it
// cannot be opened or written.
bool append_to_file(const char* name, const char* first, std::size_t first_size, const char* second,
                    std::size_t second_size);

[[noreturn]] void end_process(int code);

}  // namespace tavu::platform
