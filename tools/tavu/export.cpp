#include "cli.h"

namespace tavu::cli {

int run_export(const Options&, Streams& io) {
  io.err << "tavu: export is not built yet\n";
  return kExitFailed;
}

}  // namespace tavu::cli
