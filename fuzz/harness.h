// Shared by the libFuzzer harnesses: a demo game directory on tmpfs as the
// current directory of the process, the headless backend, and the split of
// one input into several files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavu::fuzz {

using Bytes = std::span<const std::uint8_t>;

// Each harness's own start: loads what its input is read against. Runs
// once, from LLVMFuzzerInitialize after enter_demo_dir(), outside the
// timeout; false stops the harness.
bool setup();

// Once per process: writes the demo game into a fresh directory (under
// /dev/shm when it exists), makes it current and installs the headless
// backend. The directory goes at exit.
void enter_demo_dir();

// Loads the Sprite table and the pitches from the demo files; false (with
// a message on stderr) when the demo data does not load.
bool load_demo_sprites();
bool load_demo_pitches();

// Moves the headless backend's virtual clock on.
void advance_clock(std::uint32_t ms);

// Writes `bytes` as game file `name`, or puts back the demo's own copy.
void put_file(const std::string& name, Bytes bytes);
void restore_file(const std::string& name);

// The ways game file `name` fails to read whatever its bytes are: missing,
// a directory in its place, a file larger than any reader takes (sparse, so
// it costs no memory), and the demo's copy whose first read fails. Each is
// set up in turn and `read` called; then the demo's copy goes back.
void with_unreadable_file(const std::string& name, const std::function<void()>& read);

// The parts of an input separated by kSplit; the last part takes the rest,
// missing parts are empty.
inline constexpr std::string_view kSplit = "\x01TAVU-SPLIT\x01";
std::vector<Bytes> split(Bytes input, std::size_t parts);

// Empties the message queue and the Status line so that state built up by
// one input never reaches the next.
void reset_messages();

}  // namespace tavu::fuzz
