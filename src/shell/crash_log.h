// The crash log: a fatal signal appends a report to "errlog.txt" in the
// current directory, shows it in the "Fatal error" box and ends the process
// with exit status 255. Unsaved changes are lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/fault_handler.h"

namespace tavu {

inline constexpr const char* kCrashLogName = "errlog.txt";
inline constexpr std::size_t kDateLineSize = 1024;
inline constexpr std::size_t kReportSize = 2048;

// A moment of the calendar; weekday 0 is Sunday.
struct CivilTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int weekday = 4;
  friend bool operator==(const CivilTime&, const CivilTime&) = default;
};
// The calendar time of `seconds` since 1970-01-01 00:00:00 (no time zone).
CivilTime civil_time(std::int64_t seconds);

struct CrashReport {
  const char* version = "";
  const char* system_name = "";     // written where Windows wrote "Windows"
  const char* system_release = "";  // and where it wrote "NT" or "9x"
  std::uint32_t code = 0;
  std::uint64_t exception_address = 0;
  std::uint64_t base_address = 0;
  std::uint64_t entry_address = 0;
  std::span<const platform::FaultRegister> registers;
  int address_digits = 16;
};

// "Tuesday, 08.12.2026., 01:58:04\n" into `out`, NUL-terminated and cut to
// fit; returns its length. No allocation: the crash handler calls these.
std::size_t format_date_line(const CivilTime& t, std::span<char> out);
// The report, ending with an empty line.
std::size_t format_crash_report(const CrashReport& report, std::span<char> out);

// Installs the handler (process start, after the single-instance check).
void install_crash_handler();

}  // namespace tavu
