// The shared writer behind every save and export, and its fault seam: every
// call of every operation fails in turn, and the files keep their identity.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/fd_io.h"
#include "shell/files.h"
#include "support/dir_snapshot.h"
#include "support/run_editor.h"
#include "support/tmpfs.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

constexpr uid_t kNobody = 65534;

std::vector<std::uint8_t> bytes_of(const std::string& s) {
  return {s.begin(), s.end()};
}

std::string read(const fs::path& p) {
  const auto b = test::read_bytes(p);
  return {b.begin(), b.end()};
}

void write(const fs::path& p, const std::string& content) {
  std::ofstream(p, std::ios::binary) << content;
}

struct stat stat_of(const fs::path& p) {
  struct stat st {};
  ::lstat(p.c_str(), &st);
  return st;
}

using test::Snapshot;
Snapshot listing(const fs::path& dir) {
  return test::snapshot(dir);
}

// Runs `body` in a child process, as an unprivileged user when this one is
// root; true when it returned true.
bool in_child_as_user(const std::function<bool()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
      ::_exit(3);
    ::_exit(body() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class Writer : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = fs::current_path();
    dir_ = test::make_temp_dir("writer");
    fs::current_path(dir_);
    clear_file_faults_for_tests();
  }
  void TearDown() override {
    clear_file_faults_for_tests();
    fs::current_path(old_);
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(dir_, ec))
      if (!e.is_symlink())
        fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  // Names the writer uses for itself; none may stay behind.
  static std::vector<std::string> hidden(const fs::path& dir = ".") {
    return test::hidden_names(dir);
  }
  fs::path old_, dir_;
};

TEST_F(Writer, WriteLoopGoesOnAfterShortAndInterruptedWrites) {
  struct Case {
    const char* what;
    std::vector<FileFault> faults;
    bool lands;
  };
  const auto w = [](int call, WriteFault how) {
    return FileFault{.op = FileOp::write, .call = call, .how = how};
  };
  const Case cases[] = {
      {"short", {w(1, WriteFault::short_write)}, true},
      {"short, short, interrupted",
       {w(1, WriteFault::short_write), w(2, WriteFault::short_write),
        w(3, WriteFault::interrupted)},
       true},
      {"interrupted", {w(1, WriteFault::interrupted)}, true},
      {"one byte at a time", {w(1, WriteFault::one_byte)}, true},
      {"failed", {w(1, WriteFault::fail)}, false},
      {"short, then failed", {w(1, WriteFault::short_write), w(2, WriteFault::fail)}, false},
  };
  // Small files leave the writer's buffer at the flush; large ones are
  // written straight from the caller's bytes.
  for (std::size_t size : {std::size_t{10}, std::size_t{3000}, std::size_t{200000}}) {
    std::string content(size, 'n');
    for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>('a' + i % 26);
    for (const Case& c : cases) {
      if (c.faults[0].how == WriteFault::one_byte && size > 3000) continue;
      SCOPED_TRACE(testing::Message() << c.what << ", " << size << " bytes");
      write("a.dat", "old");
      clear_file_faults_for_tests();
      for (const auto& f : c.faults) add_file_fault_for_tests(f);
      EXPECT_EQ(replace_file("a.dat", bytes_of(content)), c.lands);
      EXPECT_EQ(read("a.dat"), c.lands ? content : "old");
      EXPECT_TRUE(hidden().empty());
      const int calls = file_op_calls_for_tests(FileOp::write);
      if (c.faults[0].how == WriteFault::one_byte) {
        EXPECT_EQ(calls, static_cast<int>(size));
      } else {
        EXPECT_EQ(calls, static_cast<int>(c.faults.size()) + (c.lands ? 1 : 0));
      }
    }
  }
}

// A group of two existing files and a new one, with backups, fails at each
// call of each operation in turn: either the whole group lands or the
// directory is as it was, and the retry succeeds.
TEST_F(Writer, EveryCallOfAGroupSaveFailsInTurn) {
  const std::vector<std::uint8_t> one = bytes_of("new one"), two = bytes_of("new two"),
                                  three = bytes_of("new three");
  const std::vector<FileReplacement> group = {
      {"ONE.DAT", one}, {"TWO.DAT", two}, {"THREE.DAT", three}};
  auto fresh = [&] {
    for (const auto& e : fs::directory_iterator(".")) fs::remove_all(e.path());
    write("ONE.DAT", "old one");
    write("two.dat", "old two");  // found ignoring case
    return listing(".");
  };
  auto landed = [&](const Snapshot& before) {
    const Snapshot now = listing(".");
    return now.size() == 5 && read("ONE.DAT") == "new one" && read("two.dat") == "new two" &&
           read("THREE.DAT") == "new three" && read("ONE.DAT.bak") == "old one" &&
           read("two.dat.bak") == "old two" &&
           now.at("ONE.DAT.bak").first == before.at("ONE.DAT").first;
  };
  std::string failed;

  fresh();
  const ReplaceOptions backups{.keep_backups = true};
  ASSERT_TRUE(replace_files(group, &failed, backups));
  std::array<int, kFileOpCount> calls{};
  for (int op = 0; op < kFileOpCount; ++op)
    calls[op] = file_op_calls_for_tests(static_cast<FileOp>(op));
  EXPECT_EQ(calls[static_cast<int>(FileOp::rename)], 3);
  EXPECT_EQ(calls[static_cast<int>(FileOp::fsync)], 4) << "three files and the directory";
  EXPECT_EQ(calls[static_cast<int>(FileOp::link)], 4) << "two backups, two originals kept";

  int runs = 0;
  for (int op = 0; op < kFileOpCount; ++op) {
    for (int k = 1; k <= calls[op]; ++k, ++runs) {
      SCOPED_TRACE(testing::Message() << file_op_name(static_cast<FileOp>(op)) << " call " << k);
      const Snapshot before = fresh();
      set_file_fault_for_tests({.op = static_cast<FileOp>(op), .call = k});
      failed.clear();
      ASSERT_FALSE(replace_files(group, &failed, backups));
      EXPECT_TRUE(failed == "ONE.DAT" || failed == "TWO.DAT" || failed == "THREE.DAT") << failed;
      EXPECT_EQ(listing("."), before) << "same names, same files, same bytes";
      clear_file_faults_for_tests();
      EXPECT_TRUE(replace_files(group, &failed, backups));
      EXPECT_TRUE(landed(before));
    }
  }
  EXPECT_GT(runs, 20);

  // A file system without hard links: backups and kept originals are copies.
  const Snapshot before = fresh();
  set_file_fault_for_tests({.op = FileOp::link, .call = 1, .error = EPERM});
  for (int k = 2; k <= 4; ++k)
    add_file_fault_for_tests({.op = FileOp::link, .call = k, .error = EPERM});
  ASSERT_TRUE(replace_files(group, &failed, backups));
  EXPECT_EQ(read("ONE.DAT.bak"), "old one");
  EXPECT_NE(listing(".").at("ONE.DAT.bak").first, before.at("ONE.DAT").first);
  EXPECT_TRUE(hidden().empty());
}

TEST_F(Writer, APutBackThatFailsLeavesTheOriginalUnderItsHiddenName) {
  write("ONE.DAT", "old one");
  write("TWO.DAT", "old two");
  const std::vector<std::uint8_t> one = bytes_of("new one"), two = bytes_of("new two");
  const std::vector<FileReplacement> group = {{"ONE.DAT", one}, {"TWO.DAT", two}};
  set_file_fault_for_tests({.op = FileOp::rename, .call = 2});  // TWO.DAT
  add_file_fault_for_tests({.op = FileOp::rename, .call = 3});  // putting back ONE.DAT
  std::string failed;
  EXPECT_FALSE(replace_files(group, &failed));
  EXPECT_EQ(failed, "TWO.DAT");
  EXPECT_EQ(read("TWO.DAT"), "old two");
  EXPECT_EQ(hidden(), std::vector<std::string>{".ONE.DAT.tavu-old"});
  EXPECT_EQ(read(".ONE.DAT.tavu-old"), "old one");
  // That copy is never removed by a later save, which keeps its own.
  clear_file_faults_for_tests();
  EXPECT_TRUE(replace_files(group, &failed));
  EXPECT_EQ(read(".ONE.DAT.tavu-old"), "old one");
  EXPECT_EQ(read("ONE.DAT"), "new one");
}

TEST_F(Writer, FilesKeepTheirIdentity) {
  const auto fresh = bytes_of("fresh");
  // Permission bits, also those a umask would take away.
  for (fs::perms mode : {fs::perms(0600), fs::perms(0640), fs::perms(0755), fs::perms(0666)}) {
    write("a.dat", "old");
    fs::permissions("a.dat", mode);
    ASSERT_TRUE(replace_file("a.dat", fresh));
    EXPECT_EQ(fs::status("a.dat").permissions(), mode);
  }
  // A symbolic link (and a chain of them): the real file is replaced, the
  // links stay, and nothing is made beside the links.
  fs::create_directory("shared");
  write("shared/charset.dat", "old");
  fs::permissions("shared/charset.dat", fs::perms(0640));
  fs::create_symlink("shared/charset.dat", "middle");
  fs::create_symlink("middle", "CHARSET.DAT");
  std::string failed;
  const std::vector<FileReplacement> one = {{"CHARSET.DAT", fresh}};
  ASSERT_TRUE(replace_files(one, &failed, {.keep_backups = true}));
  EXPECT_TRUE(fs::is_symlink("CHARSET.DAT"));
  EXPECT_TRUE(fs::is_symlink("middle"));
  EXPECT_EQ(read("shared/charset.dat"), "fresh");
  EXPECT_EQ(fs::status("shared/charset.dat").permissions(), fs::perms(0640));
  EXPECT_EQ(read("shared/charset.dat.bak"), "old") << "the backup stands beside the real file";
  EXPECT_FALSE(fs::exists("CHARSET.DAT.bak"));
  EXPECT_TRUE(hidden().empty());
  EXPECT_TRUE(hidden("shared").empty());
  // A link to a file still to be made makes it.
  fs::create_symlink("shared/new.dat", "new.dat");
  ASSERT_TRUE(replace_file("new.dat", fresh));
  EXPECT_EQ(read("shared/new.dat"), "fresh");
  // The owner and group, where the process may change them.
  if (::geteuid() == 0) {
    write("owned.dat", "old");
    ASSERT_EQ(::chown("owned.dat", kNobody, kNobody), 0);
    ASSERT_TRUE(replace_file("owned.dat", fresh));
    EXPECT_EQ(stat_of("owned.dat").st_uid, kNobody);
    EXPECT_EQ(stat_of("owned.dat").st_gid, kNobody);
  }
}

TEST_F(Writer, FilesThatMustNotBeReplacedAreRefusedBeforeAnythingIsWritten) {
  struct Case {
    const char* what;
    std::function<void()> make;  // makes "BAD.DAT"
    const char* reason;
  };
  const Case cases[] = {
      {"read-only file (also for the superuser)",
       [] {
         write("BAD.DAT", "old");
         fs::permissions("BAD.DAT", fs::perms(0444));
       },
       "Read-only file"},
      {"file with another hard link",
       [] {
         write("other.dat", "old");
         fs::create_hard_link("other.dat", "BAD.DAT");
       },
       "File has other links"},
      {"directory", [] { fs::create_directory("BAD.DAT"); }, "Not a regular file"},
      {"pipe", [] { ASSERT_EQ(::mkfifo("BAD.DAT", 0644), 0); }, "Not a regular file"},
      {"link loop",
       [] {
         fs::create_symlink("loop2", "BAD.DAT");
         fs::create_symlink("BAD.DAT", "loop2");
       },
       "Too many levels of symbolic links"},
      {"missing directory", [] { fs::create_symlink("nowhere/BAD.DAT", "BAD.DAT"); },
       "No such file or directory"},
  };
  const auto fresh = bytes_of("fresh");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& e : fs::directory_iterator(".")) fs::remove_all(e.path());
    write("GOOD.DAT", "old");
    c.make();
    const Snapshot before = listing(".");
    clear_file_faults_for_tests();
    // The good file comes first: it must not be touched either.
    const std::vector<FileReplacement> group = {{"GOOD.DAT", fresh}, {"BAD.DAT", fresh}};
    ReplaceFailure failure;
    EXPECT_FALSE(replace_files(group, &failure, {.keep_backups = true}));
    EXPECT_EQ(failure.name, "BAD.DAT");
    EXPECT_EQ(failure.reason, c.reason);
    EXPECT_EQ(failure.error, 0) << "a check, no failing call";
    EXPECT_EQ(listing("."), before);
    EXPECT_EQ(file_op_calls_for_tests(FileOp::create), 0) << "refused before writing";
  }
}

// A step that fails gives its own errno and the words for it, whatever the
// clean-up after it does.
TEST_F(Writer, AFailingStepReportsItsOwnError) {
  // Plain fields rather than a FileFault in the table: g++ 12 at -O3 warns
  // falsely about the string of a partly designated FileFault.
  struct Case {
    FileOp op;
    int call;
    int injected;  // 0: the seam's default errno for the operation
    const char* file;
    int error;
    std::string reason;
  };
  const Case cases[] = {
      {FileOp::create, 1, 0, "", EACCES, "Permission denied"},
      {FileOp::write, 1, 0, "TWO.DAT", ENOSPC, "No space left on device"},
      {FileOp::write, 1, EDQUOT, "", EDQUOT, "Disk quota exceeded"},
      {FileOp::flush, 1, EFBIG, "", EFBIG, "File too large"},
      {FileOp::fsync, 1, 0, "", EIO, "Input/output error"},
      {FileOp::link, 1, EROFS, "", EROFS, "Read-only file system"},
      {FileOp::rename, 2, EXDEV, "", EXDEV, std::strerror(EXDEV)},
      // The last directory fsync, after every rename.
      {FileOp::fsync, 3, 0, "", EIO, "Input/output error"},
  };
  const auto fresh = bytes_of("fresh");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    write("ONE.DAT", "old one");
    write("TWO.DAT", "old two");
    const Snapshot before = listing(".");
    FileFault fault;
    fault.op = c.op;
    fault.call = c.call;
    fault.error = c.injected;
    fault.file = c.file;
    set_file_fault_for_tests(fault);
    const std::vector<FileReplacement> group = {{"ONE.DAT", fresh}, {"TWO.DAT", fresh}};
    ReplaceFailure failure;
    EXPECT_FALSE(replace_files(group, &failure, {.keep_backups = true}));
    EXPECT_EQ(failure.error, c.error);
    EXPECT_EQ(failure.reason, c.reason);
    EXPECT_FALSE(failure.name.empty());
    EXPECT_EQ(listing("."), before);
  }
}

TEST_F(Writer, BackupsAreMadeOnceAndNeverOverwritten) {
  write("ONE.DAT", "pristine");
  write("TWO.DAT", "pristine two");
  write("TWO.DAT.BAK", "the user's own");
  const ReplaceOptions backups{.keep_backups = true};
  std::string failed;
  for (const char* content : {"first", "second"}) {
    const auto b = bytes_of(content);
    const std::vector<FileReplacement> group = {{"ONE.DAT", b}, {"TWO.DAT", b}};
    ASSERT_TRUE(replace_files(group, &failed, backups));
    EXPECT_EQ(read("ONE.DAT"), content);
  }
  EXPECT_EQ(read("ONE.DAT.bak"), "pristine");
  EXPECT_EQ(read("TWO.DAT.BAK"), "the user's own");
  EXPECT_FALSE(fs::exists("TWO.DAT.bak"));
  // Exports get none.
  ASSERT_TRUE(replace_file("spr0001.bmp", bytes_of("x")));
  ASSERT_TRUE(replace_file("spr0001.bmp", bytes_of("y")));
  EXPECT_FALSE(fs::exists("spr0001.bmp.bak"));
}

TEST_F(Writer, LeftoversOfASaveThatWasCutShortAreNoObstacle) {
  // A temporary that was never renamed, and a second name of the original
  // (which would otherwise count as a hard link).
  write("ONE.DAT", "old");
  write(".ONE.DAT.tavu-new", "half");
  fs::create_hard_link("ONE.DAT", ".ONE.DAT.tavu-old");
  // A backup made by a save that then failed shares the original's inode.
  write("TWO.DAT", "old two");
  fs::create_hard_link("TWO.DAT", "TWO.DAT.bak");
  const auto b = bytes_of("new");
  const std::vector<FileReplacement> group = {{"ONE.DAT", b}, {"TWO.DAT", b}};
  std::string failed;
  ASSERT_TRUE(replace_files(group, &failed, {.keep_backups = true}));
  EXPECT_EQ(read("ONE.DAT"), "new");
  EXPECT_EQ(read("TWO.DAT.bak"), "old two");
  EXPECT_TRUE(hidden().empty());
}

// Directory permissions bind only other users: as root the check runs in a
// child process that has given up its privileges.
TEST_F(Writer, ReadOnlyAndStickyDirectories) {
  fs::create_directory("ro");
  write("ro/keep.dat", "old");
  fs::permissions("ro", fs::perms(0555));
  fs::permissions(dir_, fs::perms(0755));
  const fs::path ro = dir_ / "ro";
  EXPECT_TRUE(in_child_as_user([&] {
    const auto b = bytes_of("new");
    return !replace_file((ro / "keep.dat").string(), b) && read(ro / "keep.dat") == "old" &&
           std::distance(fs::directory_iterator(ro), fs::directory_iterator()) == 1;
  }));

  if (::geteuid() != 0) GTEST_SKIP() << "a sticky directory needs a file of another user";
  // Everybody may create files here, but only a file's owner may replace it:
  // the user's own CHARSET.DAT must stay as it is when SPRITE.DAT (root's)
  // cannot be replaced.
  fs::create_directory("sticky");
  fs::permissions("sticky", fs::perms(01777));
  write("sticky/CHARSET.DAT", "old charset");
  write("sticky/SPRITE.DAT", "old index");
  ASSERT_EQ(::chown("sticky/CHARSET.DAT", kNobody, kNobody), 0);
  fs::permissions("sticky/SPRITE.DAT", fs::perms(0666));
  const fs::path sticky = dir_ / "sticky";
  const Snapshot before = listing(sticky);
  EXPECT_TRUE(in_child_as_user([&] {
    const auto b = bytes_of("new");
    const std::vector<FileReplacement> group = {{(sticky / "CHARSET.DAT").string(), b},
                                                {(sticky / "SPRITE.DAT").string(), b}};
    std::string failed;
    return !replace_files(group, &failed, {.keep_backups = true}) &&
           failed == (sticky / "SPRITE.DAT").string();
  }));
  EXPECT_EQ(listing(sticky), before);
}

// A full disk: a small tmpfs where one can be mounted, else /dev/full for
// the write loop alone.
TEST_F(Writer, FullDiskFailsAndKeepsTheOldFile) {
  const test::Tmpfs small(dir_ / "small", 64);
  if (!small.ok()) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "neither a tmpfs mount nor /dev/full";
    const int fd = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(fd, 0);
    const std::string b(100, 'x');
    errno = 0;
    EXPECT_FALSE(platform::write_fully(fd, b.data(), b.size()));
    EXPECT_EQ(errno, ENOSPC);
    ::close(fd);
    GTEST_SKIP() << "no tmpfs could be mounted (not root?); only the write loop was tried on "
                    "/dev/full";
  }
  const fs::path mnt = small.path();
  write(mnt / "bitmap.bmp", std::string(8000, 'o'));
  ASSERT_TRUE(small.fill());
  const std::vector<std::uint8_t> big(20000, 'n');
  EXPECT_FALSE(replace_file((mnt / "bitmap.bmp").string(), big));
  EXPECT_EQ(read(mnt / "bitmap.bmp"), std::string(8000, 'o'));
  EXPECT_TRUE(hidden(mnt).empty());
  fs::remove(mnt / "filler");
  EXPECT_TRUE(replace_file((mnt / "bitmap.bmp").string(), big));
  EXPECT_EQ(test::read_bytes(mnt / "bitmap.bmp"), big);
}

TEST_F(Writer, NamesThatAreNoRegularFilesAreNotOpened) {
  fs::create_directory("BENCH.DAT");
  ASSERT_EQ(::mkfifo("pipe.dat", 0644), 0);
  write("real.dat", std::string(777, 'r'));
  std::vector<std::uint8_t> data;
  for (const char* name : {"BENCH.DAT", "bench.dat", "pipe.dat"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(open_for_read(name, kAccessRead).valid());
    EXPECT_FALSE(open_for_read(name, kAccessRead | kAccessWrite).valid());
    EXPECT_FALSE(create_for_write(name, kAccessWrite).valid());
    EXPECT_FALSE(open_for_read(name, kAccessWrite | kOpenAlways).valid());
    EXPECT_EQ(read_whole_file(name, data, 1u << 20), ReadStatus::cannot_open);
  }
  EXPECT_TRUE(fs::is_directory("BENCH.DAT"));
  EXPECT_EQ(open_for_read("REAL.DAT", kAccessRead).size(), 777);
}

}  // namespace
