// tavu: the command-line tool beside the editor. No window: the core's few
// calls into the platform (the out-of-memory box, a Status timer) go to the
// headless backend, which prints boxes on standard error.
#include <iostream>
#include <string>
#include <vector>

#include "cli.h"
#include "platform/fd_io.h"
#include "platform/headless/headless_platform.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  tavu::platform::HeadlessPlatform headless({320, 200});
  tavu::platform::set_current(&headless);
  const std::vector<std::string> args(argv + 1, argv + argc);
  tavu::cli::Streams io{std::cout, std::cerr, tavu::platform::is_terminal(2)};
  const int status = tavu::cli::run(args, io);
  std::cout.flush();
  std::cerr.flush();
  tavu::platform::set_current(nullptr);
  return status;
}
