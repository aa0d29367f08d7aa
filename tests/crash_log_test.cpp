// The crash log's pure parts: calendar, date line, report layout, and the
// local time offsets the signal handler reads without the C library.
#include "shell/crash_log.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <ctime>
#include <string>

namespace tavu {
namespace {

TEST(CrashLog, CalendarFromSeconds) {
  struct Case {
    std::int64_t seconds;
    CivilTime want;
  };
  const Case cases[] = {
      {0, {1970, 1, 1, 0, 0, 0, 4}},
      {-1, {1969, 12, 31, 23, 59, 59, 3}},
      {951782400, {2000, 2, 29, 0, 0, 0, 2}},      // leap day of a 400-year leap year
      {4107542399, {2100, 2, 28, 23, 59, 59, 0}},  // 2100 is no leap year
      {4107542400, {2100, 3, 1, 0, 0, 0, 1}},
      {1796695084, {2026, 12, 8, 1, 58, 4, 2}},  // Tuesday, 08.12.2026., 01:58:04
      {-2208988800, {1900, 1, 1, 0, 0, 0, 1}},
  };
  for (const auto& c : cases) EXPECT_EQ(civil_time(c.seconds), c.want) << c.seconds;
}

TEST(CrashLog, DateLineLayout) {
  std::array<char, kDateLineSize> out{};
  const std::size_t n = format_date_line(civil_time(1796695084), out);
  EXPECT_EQ(std::string(out.data(), n), "Tuesday, 08.12.2026., 01:58:04\n");
}

TEST(CrashLog, ReportLayout) {
  const char* names[] = {"RAX", "RBX", "RCX", "RDX", "RSI", "RDI", "RBP", "RSP", "RIP",
                         "R8",  "R9",  "R10", "R11", "R12", "R13", "R14", "R15"};
  std::array<platform::FaultRegister, 17> registers{};
  for (std::size_t i = 0; i < registers.size(); ++i) registers[i] = {names[i], i};
  registers[2].value = 0xFFFFFFFF7FFFFFFF;
  registers[16].value = 0xABCDEF0123456789;
  CrashReport r;
  r.version = "v0.9";
  r.system_name = "Linux";
  r.system_release = "6.1.0-13-amd64";
  r.code = 11;
  r.exception_address = 0x563CF5325C17;
  r.base_address = 0x563CF5320000;
  r.entry_address = 0x563CF532BEC0;
  r.registers = registers;
  std::array<char, kReportSize> out{};
  std::size_t n = format_crash_report(r, out);
  EXPECT_EQ(std::string(out.data(), n),
            "Program terminating.\nVersion: v0.9\nLinux: 6.1.0-13-amd64\nException code: B\n"
            "Exception address: 0000563CF5325C17\nBase address: 0000563CF5320000\n"
            "Address of main(): 0000563CF532BEC0\nRegisters:\n"
            "RAX: 0000000000000000 RBX: 0000000000000001 RCX: FFFFFFFF7FFFFFFF\n"
            "RDX: 0000000000000003 RSI: 0000000000000004 RDI: 0000000000000005\n"
            "RBP: 0000000000000006 RSP: 0000000000000007 RIP: 0000000000000008\n"
            "R8: 0000000000000009 R9: 000000000000000A R10: 000000000000000B\n"
            "R11: 000000000000000C R12: 000000000000000D R13: 000000000000000E\n"
            "R14: 000000000000000F R15: ABCDEF0123456789\n\n");

  // A buffer too small is filled and terminated, never overrun.
  std::array<char, 24> small{};
  small.fill('#');
  n = format_crash_report(r, std::span(small.data(), 16));
  EXPECT_EQ(n, 15u);
  EXPECT_EQ(std::string(small.data()), "Program termina");
  EXPECT_EQ(small[16], '#');
}

TEST(CrashLog, LocalTimeOffsetsFollowDaylightSaving) {
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  // Helsinki's rules, written out so that no time-zone files are needed.
  setenv("TZ", "EET-2EEST,M3.5.0/3,M10.5.0/4", 1);
  const std::int64_t spring = 1774746000;     // 2026-03-29 01:00:00 UTC
  const std::int64_t autumn = 1792890000;     // 2026-10-25 01:00:00 UTC
  platform::prepare_utc_offsets(1767225600);  // 2026-01-01
  EXPECT_EQ(platform::utc_offset_at(1767225600), 7200);
  EXPECT_EQ(platform::utc_offset_at(spring - 1), 7200);
  EXPECT_EQ(platform::utc_offset_at(spring), 10800);
  EXPECT_EQ(platform::utc_offset_at(autumn - 1), 10800);
  EXPECT_EQ(platform::utc_offset_at(autumn), 7200);
  EXPECT_EQ(platform::utc_offset_at(autumn + 60 * 86400), 7200);
  if (old)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

}  // namespace
}  // namespace tavu
