// A PNG file through the image reader, from memory and from disk, then
// imported as a sprite, a pattern and a pitch with the Insert operations.
#include "image_harness.h"

using namespace tavu;

bool fuzz::setup() {
  return fuzz::setup_image_imports();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::run_image_input(fuzz::Bytes(data, size), ".png");
  return 0;
}
