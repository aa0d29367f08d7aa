#include "pictures/pictures.h"

namespace tavu {

// Picture mode loads the required pictures; until it does there are none.
const std::uint8_t* required_picture_pixels(std::string_view) {
  return nullptr;
}

}  // namespace tavu
