#include "platform/fault_handler.h"

#include <windows.h>

#include <csignal>

namespace tavu::platform {
namespace {

FaultHandler g_handler = nullptr;
std::uint64_t g_module_base = 0;

// What std::abort() ends a process with; abort raises no exception.
constexpr DWORD kAbortCode = 0x40000015;  // STATUS_FATAL_APP_EXIT

constexpr std::int64_t kUnixEpochIn100ns = 116444736000000000LL;

std::int64_t unix_time_of(const FILETIME& ft) {
  const std::int64_t t =
      static_cast<std::int64_t>((std::uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime);
  return (t - kUnixEpochIn100ns) / 10000000;
}

std::int64_t now() {
  FILETIME ft{};
  GetSystemTimeAsFileTime(&ft);
  return unix_time_of(ft);
}

// The 32-bit report's nine registers, in its order: on x86-64 the whole
// 64-bit registers under the same names.
void fill_registers(FaultContext& f, const CONTEXT& c) {
#if defined(_M_X64) || defined(__x86_64__)
  const DWORD64 values[] = {c.Rax, c.Rbx, c.Rcx, c.Rdx, c.Rsi, c.Rdi, c.Rbp, c.Rsp, c.Rip};
#else
  const DWORD values[] = {c.Eax, c.Ebx, c.Ecx, c.Edx, c.Esi, c.Edi, c.Ebp, c.Esp, c.Eip};
#endif
  static constexpr const char* kNames[] = {"EAX", "EBX", "ECX", "EDX", "ESI",
                                           "EDI", "EBP", "ESP", "EIP"};
  for (int i = 0; i < 9; ++i)
    f.registers[f.register_count++] = {kNames[i], static_cast<std::uint64_t>(values[i])};
}

void report(DWORD code, std::uint64_t address, const CONTEXT& context) {
  FaultContext f;
  f.signal = static_cast<int>(code);
  f.code_address = address;
  f.unix_time = now();
  fill_registers(f, context);
  if (g_handler) g_handler(f);
  ExitProcess(static_cast<UINT>(-1));
}

LONG WINAPI on_exception(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  report(record.ExceptionCode, reinterpret_cast<std::uintptr_t>(record.ExceptionAddress),
         *pointers->ContextRecord);
  return EXCEPTION_EXECUTE_HANDLER;
}

void on_abort(int) {
  CONTEXT context{};
  RtlCaptureContext(&context);
#if defined(_M_X64) || defined(__x86_64__)
  const std::uint64_t address = context.Rip;
#else
  const std::uint64_t address = context.Eip;
#endif
  report(kAbortCode, address, context);
}

}  // namespace

void prepare_utc_offsets(std::int64_t /*now*/) {}

std::int64_t utc_offset_at(std::int64_t unix_time) {
  const std::uint64_t t = static_cast<std::uint64_t>(unix_time * 10000000 + kUnixEpochIn100ns);
  FILETIME utc{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
  SYSTEMTIME utc_time{};
  SYSTEMTIME local_time{};
  FILETIME local{};
  if (!FileTimeToSystemTime(&utc, &utc_time) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc_time, &local_time) ||
      !SystemTimeToFileTime(&local_time, &local))
    return 0;
  return unix_time_of(local) - unix_time;
}

bool install_fault_handler(FaultHandler handler) {
  g_handler = handler;
  g_module_base = reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr));
  // Room for the filter and the report after a stack overflow.
  ULONG guarantee = 64 * 1024;
  SetThreadStackGuarantee(&guarantee);
  SetUnhandledExceptionFilter(on_exception);
  // abort() raises SIGABRT, not an exception; it is a crash all the same.
  std::signal(SIGABRT, on_abort);
  return true;
}

std::uint64_t module_base() {
  return g_module_base;
}

const char* system_name() {
  return "Windows";
}

// Every Windows this runs on is of the NT family.
const char* system_release() {
  return "NT";
}

int address_digits() {
  return 8;
}

bool append_to_file(const char* name, const char* first, std::size_t first_size, const char* second,
                    std::size_t second_size) {
  HANDLE h =
      CreateFileA(name, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  auto write_all = [h](const char* data, std::size_t size) {
    while (size > 0) {
      DWORD done = 0;
      const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
      if (!WriteFile(h, data, chunk, &done, nullptr) || done == 0) return false;
      data += done;
      size -= done;
    }
    return true;
  };
  LARGE_INTEGER before{};
  const bool sized = GetFileSizeEx(h, &before) != 0;
  bool ok = SetFilePointer(h, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
            write_all(first, first_size) && write_all(second, second_size);
  // A cut entry would run into the next one: the log goes back to the
  // entries it had (a full disk, a write error).
  if (!ok && sized && SetFilePointerEx(h, before, nullptr, FILE_BEGIN)) SetEndOfFile(h);
  ok = FlushFileBuffers(h) && ok;
  return CloseHandle(h) && ok;
}

void end_process(int code) {
  ExitProcess(static_cast<UINT>(code));
}

}  // namespace tavu::platform
