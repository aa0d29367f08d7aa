// The keys this program has beyond the original's, listed by Shift+F1 in the
// help texts' format. One table; every new key adds its line there.
#pragma once

#include <cstddef>
#include <span>

namespace tavu {

// A line of the list: the mode it belongs to (a ModeIndex) or every mode.
inline constexpr int kEveryMode = -1;
struct AddedKey {
  int mode;
  const char* keys;    // named as the help texts name keys: "ctrl + F2"
  const char* effect;  // lines separated by '\n'
};

std::span<const AddedKey> added_keys();

// The list for `mode`: the lines for every mode first, then the mode's own,
// each "keys<tabs>- effect" with the effect starting at the help texts'
// column when drawn at x 16. `width` measures a text in the small font.
// Writes at most size - 1 characters and a NUL; returns the length.
std::size_t added_keys_text(int mode, char* out, std::size_t size, int (*width)(const char*));

}  // namespace tavu
