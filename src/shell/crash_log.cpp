#include "shell/crash_log.h"

#include "shell/app.h"
#include "shell/files.h"

namespace tavu {
namespace {

constexpr const char* kDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};

// Appends to a fixed buffer, always leaving room for the NUL; what does not
// fit is dropped.
class TextOut {
 public:
  explicit TextOut(std::span<char> out) : out_(out) {
    if (!out_.empty()) out_[0] = '\0';
  }
  std::size_t size() const { return size_; }

  void put(char c) {
    if (size_ + 1 >= out_.size()) return;
    out_[size_++] = c;
    out_[size_] = '\0';
  }
  void text(const char* s) {
    while (s && *s) put(*s++);
  }
  void decimal(std::uint64_t v, int width) {
    char digits[20];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v != 0);
    for (int i = n; i < width; ++i) put('0');
    while (n > 0) put(digits[--n]);
  }
  // Upper-case hexadecimal, at least `width` digits.
  void hex(std::uint64_t v, int width) {
    char digits[16];
    int n = 0;
    do {
      digits[n++] = "0123456789ABCDEF"[v & 15];
      v >>= 4;
    } while (v != 0);
    for (int i = n; i < width; ++i) put('0');
    while (n > 0) put(digits[--n]);
  }

 private:
  std::span<char> out_;
  std::size_t size_ = 0;
};

// The log's name as the directory spells it ("ERRLOG.TXT" is appended to as
// well), found at start: the fault handler may not look for it.
char g_log_name[4096] = "errlog.txt";

void on_fault(const platform::FaultContext& fault) {
  AppState& a = app();
  a.flags |= fatal;
  char date[kDateLineSize];
  char report[kReportSize];
  const std::size_t date_size = format_date_line(
      civil_time(fault.unix_time + platform::utc_offset_at(fault.unix_time)), date);
  CrashReport r;
  r.version = kProgramVersion;
  r.system_name = platform::system_name();
  r.system_release = platform::system_release();
  r.code = static_cast<std::uint32_t>(fault.signal);
  r.exception_address = fault.code_address;
  r.base_address = platform::module_base();
  r.entry_address = reinterpret_cast<std::uintptr_t>(&run_program);
  r.registers = std::span(fault.registers.data(), static_cast<std::size_t>(fault.register_count));
  r.address_digits = platform::address_digits();
  const std::size_t report_size = format_crash_report(r, report);
  // A log that cannot be opened is skipped; the box still comes.
  platform::append_to_file(g_log_name, date, date_size, report, report_size);
  // The box leaves full screen and hides the window before it shows.
  a.flags &= ~static_cast<std::uint32_t>(fullscreen);
  platform::current().fatal_error_box(report);
  platform::end_process(-1);
}

}  // namespace

CivilTime civil_time(std::int64_t seconds) {
  constexpr std::int64_t kDay = 86400;
  std::int64_t days = seconds / kDay;
  std::int64_t rest = seconds % kDay;
  if (rest < 0) {
    rest += kDay;
    --days;
  }
  CivilTime t;
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  // 1970-01-01 was a Thursday.
  t.weekday = static_cast<int>(((days % 7) + 11) % 7);
  // Days to year, month and day in the proleptic Gregorian calendar, counted
  // in 400-year eras from 0000-03-01.
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
  return t;
}

std::size_t format_date_line(const CivilTime& t, std::span<char> out) {
  TextOut o(out);
  o.text(kDayNames[((t.weekday % 7) + 7) % 7]);
  o.text(", ");
  o.decimal(static_cast<std::uint64_t>(t.day), 2);
  o.put('.');
  o.decimal(static_cast<std::uint64_t>(t.month), 2);
  o.put('.');
  o.decimal(static_cast<std::uint64_t>(t.year), 4);
  o.text("., ");
  o.decimal(static_cast<std::uint64_t>(t.hour), 2);
  o.put(':');
  o.decimal(static_cast<std::uint64_t>(t.minute), 2);
  o.put(':');
  o.decimal(static_cast<std::uint64_t>(t.second), 2);
  o.put('\n');
  return o.size();
}

std::size_t format_crash_report(const CrashReport& r, std::span<char> out) {
  TextOut o(out);
  o.text("Program terminating.\nVersion: ");
  o.text(r.version);
  o.put('\n');
  o.text(r.system_name);
  o.text(": ");
  o.text(r.system_release);
  o.text("\nException code: ");
  o.hex(r.code, 1);
  o.text("\nException address: ");
  o.hex(r.exception_address, r.address_digits);
  o.text("\nBase address: ");
  o.hex(r.base_address, r.address_digits);
  o.text("\nAddress of main(): ");
  o.hex(r.entry_address, r.address_digits);
  o.text("\nRegisters:\n");
  // Three to a line, as the 32-bit report has them.
  for (std::size_t i = 0; i < r.registers.size(); ++i) {
    o.text(r.registers[i].name);
    o.text(": ");
    o.hex(r.registers[i].value, r.address_digits);
    o.put(i % 3 == 2 || i + 1 == r.registers.size() ? '\n' : ' ');
  }
  o.put('\n');
  return o.size();
}

void install_crash_handler() {
  const std::string name = find_file(kCrashLogName);
  if (name.size() < sizeof g_log_name) copy_bounded(g_log_name, name.c_str(), sizeof g_log_name);
  platform::install_fault_handler(on_fault);
}

}  // namespace tavu
