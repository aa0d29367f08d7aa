// What paint programs do to the editor's exports, for import tests: the
// palette reordered, cut to the colours used or scaled from six bits, the
// picture turned to true colour, written back as 8- or 24-bit BMP.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "imaging/image.h"

namespace tavu::test {

// The file decoded; a failure is a test failure (and an empty image).
Image decode_file(const std::filesystem::path& path);

// The same picture with palette entry i moved to perm[i].
Image reorder(const Image& in, const std::vector<int>& perm);
// Entries reversed, as some programs sort them.
Image reversed(const Image& in);
// Only the colours used, in the order first used.
Image reduced(const Image& in);
// 252 written as 255, as programs that scale six bits to eight do.
Image scaled(const Image& in);
// An indexed picture as true colour.
Image true_colour(const Image& in);

// An indexed picture as an 8-bit BMP, its palette as it stands.
std::vector<std::uint8_t> bmp8(const Image& im);
// A true-colour picture as a 24-bit BMP (alpha dropped); an indexed one is
// turned to true colour first, as a program working in RGB saves it.
std::vector<std::uint8_t> bmp24(const Image& im);

}  // namespace tavu::test
