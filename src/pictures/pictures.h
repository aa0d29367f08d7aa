// The pictures other subsystems draw with: the replay browser shows
// "kltitle.256" behind its menus and textures its boxes with "fill.256".
#pragma once

#include <cstdint>
#include <string_view>

namespace tavu {

// The 64000 pixels (rows of 320, top first) of a required picture
// ("stad.256", "kltitle.256" or "fill.256") once it is loaded; nullptr
// otherwise.
const std::uint8_t* required_picture_pixels(std::string_view name);

}  // namespace tavu
