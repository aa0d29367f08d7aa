// replace_each_synced_together: the export's writer for thousands of files.
// Each file is replaced whole or not at all, in order up to the first that
// fails, with no temporary left behind, whichever call fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "shell/files.h"
#include "support/demo_dir.h"
#include "support/dir_snapshot.h"
#include "support/run_editor.h"

namespace tavu::test {
namespace {

namespace fs = std::filesystem;

struct Files {
  std::vector<std::vector<std::uint8_t>> bytes;
  std::vector<FileReplacement> list;
};

// Five files: three replace old ones, two are new.
Files five(const fs::path& dir) {
  Files f;
  for (int k = 0; k < 5; ++k) {
    const std::string name = "f" + std::to_string(k);
    if (k < 3) write_file(dir / name, std::vector<std::uint8_t>(10 + k, 'o'));
    f.bytes.push_back(std::vector<std::uint8_t>(20 + k, static_cast<std::uint8_t>('a' + k)));
  }
  for (int k = 0; k < 5; ++k)
    f.list.push_back(
        {(dir / ("f" + std::to_string(k))).string(), f.bytes[static_cast<std::size_t>(k)]});
  return f;
}

TEST(WriterSyncedTogether, ReplacesInOrderUpToTheFirstFailureAndLeavesNoTemporary) {
  const fs::path dir = make_temp_dir("synced-together");
  Files files = five(dir);
  clear_file_faults_for_tests();
  ASSERT_EQ(replace_each_synced_together(files.list), 5u);
  for (int k = 0; k < 5; ++k)
    EXPECT_EQ(read_bytes(dir / ("f" + std::to_string(k))),
              files.bytes[static_cast<std::size_t>(k)]);
  std::vector<int> calls(kFileOpCount);
  for (int op = 0; op < kFileOpCount; ++op)
    calls[op] = file_op_calls_for_tests(static_cast<FileOp>(op));
  // One sync for all, one for the directory: not one per file.
  EXPECT_EQ(calls[static_cast<int>(FileOp::fsync)], 2);

  for (int op = 0; op < kFileOpCount; ++op) {
    if (static_cast<FileOp>(op) == FileOp::read) continue;
    for (int k = 1; k <= calls[op]; ++k) {
      SCOPED_TRACE(std::string(file_op_name(static_cast<FileOp>(op))) + " " + std::to_string(k));
      fs::remove_all(dir);
      fs::create_directories(dir);
      files = five(dir);
      set_file_fault_for_tests({static_cast<FileOp>(op), k});
      const std::size_t n = replace_each_synced_together(files.list);
      clear_file_faults_for_tests();
      EXPECT_LT(n, 5u);
      for (int f = 0; f < 5; ++f) {
        const fs::path p = dir / ("f" + std::to_string(f));
        if (static_cast<std::size_t>(f) < n) {
          EXPECT_EQ(read_bytes(p), files.bytes[static_cast<std::size_t>(f)]) << f;
        } else if (f < 3) {
          EXPECT_TRUE(read_bytes(p) == files.bytes[static_cast<std::size_t>(f)] ||
                      read_bytes(p) == std::vector<std::uint8_t>(10 + f, 'o'))
              << f;
        }
      }
      EXPECT_TRUE(hidden_names(dir).empty());
    }
  }
  fs::remove_all(dir);
}

TEST(WriterSyncedTogether, AFileKeepsItsOwnSpelling) {
  const fs::path dir = make_temp_dir("synced-spelling");
  write_file(dir / "SPR0001.PNG", {'o', 'l', 'd'});
  const std::vector<std::uint8_t> fresh = {'n', 'e', 'w'};
  const std::vector<FileReplacement> files = {{(dir / "spr0001.png").string(), fresh},
                                              {(dir / "spr0002.png").string(), fresh}};
  clear_file_faults_for_tests();
  EXPECT_EQ(replace_each_synced_together(files), 2u);
  EXPECT_EQ(read_bytes(dir / "SPR0001.PNG"), fresh);
  EXPECT_FALSE(fs::exists(dir / "spr0001.png"));
  EXPECT_EQ(read_bytes(dir / "spr0002.png"), fresh);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tavu::test
