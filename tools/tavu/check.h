// `tavu check`: every game file of the current directory read with the
// editor's own readers, and what each would refuse.
#pragma once

#include <string>
#include <vector>

namespace tavu::cli {

struct Problem {
  std::string file;  // as the directory spells it (or the name looked for)
  std::string reason;
};

// In the order sprites, team sprite files, pitches, pictures, recordings.
std::vector<Problem> check_game_directory();

}  // namespace tavu::cli
