#include "platform/fault_handler.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstring>
#include <limits>

#include "platform/fd_io.h"

namespace tavu::platform {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

// Big enough for the handler's two text buffers and what the sanitizers add.
alignas(16) char g_alternate_stack[128 * 1024];
FaultHandler g_handler = nullptr;

struct OffsetSpan {
  std::int64_t from = 0;
  std::int64_t offset = 0;
};
// Local time's offset from UTC in spans: the offset now, then one span per
// change (daylight saving) found over the next 400 days.
std::array<OffsetSpan, 8> g_offsets{};
int g_offset_count = 0;

std::uint64_t g_module_base = 0;
struct utsname g_system {};

std::int64_t offset_of(std::int64_t t) {
  const time_t when = static_cast<time_t>(t);
  struct tm local {};
  if (localtime_r(&when, &local) == nullptr) return 0;
  return local.tm_gmtoff;
}

void fill_registers(FaultContext& f, const void* context) {
#if defined(__x86_64__)
  const auto* uc = static_cast<const ucontext_t*>(context);
  const greg_t* g = uc->uc_mcontext.gregs;
  static constexpr struct {
    const char* name;
    int index;
  } kOrder[] = {{"RAX", REG_RAX}, {"RBX", REG_RBX}, {"RCX", REG_RCX}, {"RDX", REG_RDX},
                {"RSI", REG_RSI}, {"RDI", REG_RDI}, {"RBP", REG_RBP}, {"RSP", REG_RSP},
                {"RIP", REG_RIP}, {"R8", REG_R8},   {"R9", REG_R9},   {"R10", REG_R10},
                {"R11", REG_R11}, {"R12", REG_R12}, {"R13", REG_R13}, {"R14", REG_R14},
                {"R15", REG_R15}};
  for (const auto& r : kOrder)
    f.registers[f.register_count++] = {r.name, static_cast<std::uint64_t>(g[r.index])};
  f.code_address = static_cast<std::uint64_t>(g[REG_RIP]);
#elif defined(__i386__)
  const auto* uc = static_cast<const ucontext_t*>(context);
  const greg_t* g = uc->uc_mcontext.gregs;
  static constexpr struct {
    const char* name;
    int index;
  } kOrder[] = {{"EAX", REG_EAX}, {"EBX", REG_EBX}, {"ECX", REG_ECX},
                {"EDX", REG_EDX}, {"ESI", REG_ESI}, {"EDI", REG_EDI},
                {"EBP", REG_EBP}, {"ESP", REG_ESP}, {"EIP", REG_EIP}};
  for (const auto& r : kOrder)
    f.registers[f.register_count++] = {r.name, static_cast<std::uint32_t>(g[r.index])};
  f.code_address = static_cast<std::uint32_t>(g[REG_EIP]);
#else
  (void)f;
  (void)context;
#endif
}

void on_signal(int signal, siginfo_t*, void* context) {
  FaultContext f;
  f.signal = signal;
  struct timespec now {};
  if (clock_gettime(CLOCK_REALTIME, &now) == 0) f.unix_time = now.tv_sec;
  fill_registers(f, context);
  if (g_handler) g_handler(f);
  _exit(255);
}

}  // namespace

void prepare_utc_offsets(std::int64_t now) {
  tzset();
  std::int64_t current = offset_of(now);
  g_offsets[0] = {std::numeric_limits<std::int64_t>::min(), current};
  g_offset_count = 1;
  constexpr std::int64_t kDay = 86400;
  std::int64_t before = now;
  for (int day = 1; day <= 400 && g_offset_count < static_cast<int>(g_offsets.size()); ++day) {
    const std::int64_t t = now + day * kDay;
    if (offset_of(t) == current) {
      before = t;
      continue;
    }
    // The first second of the new offset lies in (before, t].
    std::int64_t lo = before;
    std::int64_t hi = t;
    while (hi - lo > 1) {
      const std::int64_t mid = lo + (hi - lo) / 2;
      if (offset_of(mid) == current)
        lo = mid;
      else
        hi = mid;
    }
    current = offset_of(hi);
    g_offsets[g_offset_count++] = {hi, current};
    before = t;
  }
}

std::int64_t utc_offset_at(std::int64_t unix_time) {
  std::int64_t offset = 0;
  for (int i = 0; i < g_offset_count && g_offsets[i].from <= unix_time; ++i)
    offset = g_offsets[i].offset;
  return offset;
}

bool install_fault_handler(FaultHandler handler) {
  prepare_utc_offsets(static_cast<std::int64_t>(time(nullptr)));
  if (uname(&g_system) != 0) std::memset(&g_system, 0, sizeof g_system);
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&install_fault_handler), &info) != 0)
    g_module_base = reinterpret_cast<std::uintptr_t>(info.dli_fbase);

  stack_t stack{};
  stack.ss_sp = g_alternate_stack;
  stack.ss_size = sizeof g_alternate_stack;
  if (sigaltstack(&stack, nullptr) != 0) return false;
  g_handler = handler;
  struct sigaction action {};
  action.sa_sigaction = on_signal;
  // A fault inside the handler ends the process instead of looping.
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int s : kFatalSignals) sigaddset(&action.sa_mask, s);
  bool ok = true;
  for (int s : kFatalSignals) ok = sigaction(s, &action, nullptr) == 0 && ok;
  return ok;
}

std::uint64_t module_base() {
  return g_module_base;
}

const char* system_name() {
  return g_system.sysname;
}

const char* system_release() {
  return g_system.release;
}

int address_digits() {
  return static_cast<int>(sizeof(void*) * 2);
}

bool append_to_file(const char* name, const char* first, std::size_t first_size, const char* second,
                    std::size_t second_size) {
  const int fd = open(name, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat before {};
  const bool sized = fstat(fd, &before) == 0;
  bool ok = write_fully(fd, first, first_size) && write_fully(fd, second, second_size);
  // A cut entry would run into the next one: the log goes back to the
  // entries it had (a full disk, a write error).
  if (!ok && sized && ftruncate(fd, before.st_size) != 0) {
    // Nothing more can be done from a fault handler.
  }
  ok = fsync(fd) == 0 && ok;
  return close(fd) == 0 && ok;
}

void end_process(int code) {
  _exit(code);
}

}  // namespace tavu::platform
