#include "cli.h"

namespace tavu::cli {

int run_import(const Options&, Streams& io) {
  io.err << "tavu: import is not built yet\n";
  return kExitFailed;
}

}  // namespace tavu::cli
