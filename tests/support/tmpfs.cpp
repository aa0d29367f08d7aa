#include "support/tmpfs.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <system_error>

namespace tavu::test {

Tmpfs::Tmpfs(const std::filesystem::path& at, std::size_t kib) : at_(at) {
  std::error_code ec;
  std::filesystem::create_directories(at_, ec);
  if (ec || ::geteuid() != 0) return;
  const std::string command = "mount -t tmpfs -o size=" + std::to_string(kib) + "k tmpfs '" +
                              at_.string() + "' 2>/dev/null";
  mounted_ = std::system(command.c_str()) == 0;
}

Tmpfs::~Tmpfs() {
  if (mounted_) std::system(("umount -l '" + at_.string() + "' 2>/dev/null").c_str());
}

bool Tmpfs::fill(const std::string& name) const {
  std::ofstream filler(at_ / name, std::ios::binary);
  const std::string block(4096, 'f');
  for (int i = 0; i < 1 << 20 && filler; ++i) filler.write(block.data(), block.size());
  filler.flush();
  // One byte more must not fit.
  std::ofstream probe(at_ / (name + "2"), std::ios::binary);
  probe.write("x", 1);
  probe.flush();
  const bool full = !filler || !probe;
  probe.close();
  std::error_code ec;
  std::filesystem::remove(at_ / (name + "2"), ec);
  return full;
}

}  // namespace tavu::test
