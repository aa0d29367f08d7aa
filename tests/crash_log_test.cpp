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
  // Every day name, in Windows' order from Sunday.
  const char* names[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                         "Thursday", "Friday", "Saturday"};
  for (int d = 0; d < 7; ++d) {
    format_date_line(civil_time((3 + d) * 86400), out);  // 1970-01-04 was a Sunday
    EXPECT_EQ(std::string(out.data()).substr(0, std::string(names[d]).size() + 2),
              std::string(names[d]) + ", ");
  }
}

TEST(CrashLog, ReportLayoutOnBothRegisterSets) {
  const platform::FaultRegister x86_64[] = {{"RAX", 0x10},
                                            {"RBX", 0x7FFF6BC86530},
                                            {"RCX", 0xFFFFFFFF7FFFFFFF},
                                            {"RDX", 1},
                                            {"RSI", 2},
                                            {"RDI", 0},
                                            {"RBP", 4},
                                            {"RSP", 0x7FFF6BC85E70},
                                            {"RIP", 0x563CF5325C17},
                                            {"R8", 8},
                                            {"R9", 9},
                                            {"R10", 10},
                                            {"R11", 11},
                                            {"R12", 12},
                                            {"R13", 13},
                                            {"R14", 14},
                                            {"R15", 0xABCDEF0123456789}};
  CrashReport r;
  r.version = "v0.9";
  r.system_name = "Linux";
  r.system_release = "6.1.0-13-amd64";
  r.code = 11;
  r.exception_address = 0x563CF5325C17;
  r.base_address = 0x563CF5320000;
  r.entry_address = 0x563CF532BEC0;
  r.registers = x86_64;
  std::array<char, kReportSize> out{};
  std::size_t n = format_crash_report(r, out);
  EXPECT_EQ(std::string(out.data(), n),
            "Program terminating.\nVersion: v0.9\nLinux: 6.1.0-13-amd64\nException code: B\n"
            "Exception address: 0000563CF5325C17\nBase address: 0000563CF5320000\n"
            "Address of main(): 0000563CF532BEC0\nRegisters:\n"
            "RAX: 0000000000000010 RBX: 00007FFF6BC86530 RCX: FFFFFFFF7FFFFFFF\n"
            "RDX: 0000000000000001 RSI: 0000000000000002 RDI: 0000000000000000\n"
            "RBP: 0000000000000004 RSP: 00007FFF6BC85E70 RIP: 0000563CF5325C17\n"
            "R8: 0000000000000008 R9: 0000000000000009 R10: 000000000000000A\n"
            "R11: 000000000000000B R12: 000000000000000C R13: 000000000000000D\n"
            "R14: 000000000000000E R15: ABCDEF0123456789\n\n");

  // A 32-bit processor gives the layout of the original report.
  const platform::FaultRegister x86[] = {{"EAX", 1}, {"EBX", 2},        {"ECX", 3},
                                         {"EDX", 4}, {"ESI", 5},        {"EDI", 6},
                                         {"EBP", 7}, {"ESP", 0x12FF80}, {"EIP", 0x401000}};
  r.system_name = "Windows";
  r.system_release = "NT";
  r.code = 0xC0000005;
  r.exception_address = 0x401000;
  r.base_address = 0x400000;
  r.entry_address = 0x401234;
  r.registers = x86;
  r.address_digits = 8;
  n = format_crash_report(r, out);
  EXPECT_EQ(std::string(out.data(), n),
            "Program terminating.\nVersion: v0.9\nWindows: NT\nException code: C0000005\n"
            "Exception address: 00401000\nBase address: 00400000\nAddress of main(): 00401234\n"
            "Registers:\nEAX: 00000001 EBX: 00000002 ECX: 00000003\n"
            "EDX: 00000004 ESI: 00000005 EDI: 00000006\n"
            "EBP: 00000007 ESP: 0012FF80 EIP: 00401000\n\n");

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
