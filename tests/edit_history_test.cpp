// The history's own parts: splices both ways, steps made from snapshots of
// explicit data, marks, and the bound.
#include "history/edit_history.h"

#include <gtest/gtest.h>

#include <numeric>

#include "pitch_test_support.h"

using namespace tavu;

namespace {

TEST(Splice, PutsEitherSideBackForEveryShapeOfChange) {
  using V = std::vector<int>;
  struct Case {
    V before, after;
    std::size_t at, kept;  // expected position and elements kept in the splice
  };
  const std::vector<Case> cases = {
      {{1, 2, 3}, {1, 2, 3}, 3, 0},        // nothing changed
      {{1, 2, 3}, {1, 9, 3}, 1, 2},        // one in the middle
      {{1, 2, 3}, {1, 2, 3, 4, 5}, 3, 2},  // grown at the end
      {{1, 2, 3, 4, 5}, {1, 5}, 1, 3},     // shrunk in the middle
      {{}, {7, 7}, 0, 2},                  // from nothing
      {{7, 7}, {}, 0, 2},                  // to nothing
      {{5, 5, 5}, {5, 5, 5, 5}, 3, 1},     // repeats: the common run is left out
      {{1, 2, 3, 4}, {4, 3, 2, 1}, 0, 8},  // all of it
  };
  for (const Case& c : cases) {
    const Splice<int> s = make_splice<int>(c.before, c.after);
    EXPECT_EQ(s.at, c.at) << ::testing::PrintToString(c.before);
    EXPECT_EQ(s.before.size() + s.after.size(), c.kept) << ::testing::PrintToString(c.before);
    V v = c.after;
    ASSERT_TRUE(splice_fits(v, s, true));
    apply_splice(v, s, true);
    EXPECT_EQ(v, c.before);
    ASSERT_TRUE(splice_fits(v, s, false));
    apply_splice(v, s, false);
    EXPECT_EQ(v, c.after);
  }
  // A vector that no longer holds the side being replaced is refused.
  const Splice<int> s = make_splice<int>(V{1, 2, 3}, V{1, 9, 3});
  EXPECT_FALSE(splice_fits(V{1, 8, 3}, s, true));
  EXPECT_FALSE(splice_fits(V{1}, s, true));
}

// Pitch 0 of a Pitch table and the marks, as the edits leave them.
class HistorySteps : public ::testing::Test {
 protected:
  void SetUp() override {
    pitches_.pitches[0] = test::make_test_pitch(20, 3);
    pitches_.pitches[1] = test::make_test_pitch(5, 4);
  }
  EditedData data() { return {nullptr, &pitches_, nullptr}; }
  EditStep record(const EditScope& scope, const std::function<void()>& edit) {
    EditSnapshot before = take_snapshot(data(), scope);
    edit();
    auto step = make_step(std::move(before), data());
    EXPECT_TRUE(step.has_value());
    return step ? std::move(*step) : EditStep{};
  }
  PitchFilesState pitches_;
};

TEST_F(HistorySteps, AStepKeepsOnlyWhatChanged) {
  PitchRecord& p = pitches_.pitches[0];
  const EditStep cell = record(EditScope::whole_pitch(0), [&] {
    p.cells[100] += 256;
    p.modified = 1;
    pitches_.map_modified = true;
  });
  ASSERT_TRUE(cell.pitch);
  EXPECT_EQ(cell.pitch->cells.at, 100u);
  EXPECT_EQ(cell.pitch->cells.after.size(), 1u);
  EXPECT_TRUE(cell.pitch->patterns.empty());
  EXPECT_LT(cell.bytes(), 1024u) << "a whole-pitch scope still keeps one cell";
  EXPECT_FALSE(cell.marks_before.map_modified);
  EXPECT_TRUE(cell.marks_after.map_modified);

  // An edit that changes nothing, marks included, is no step.
  EditSnapshot before = take_snapshot(data(), EditScope::whole_pitch(1));
  EXPECT_FALSE(make_step(std::move(before), data()).has_value());
}

TEST_F(HistorySteps, UndoAndRedoRestoreDataAndOnlyTheMarksTheStepChanged) {
  PitchRecord& p = pitches_.pitches[0];
  const PitchRecord original = p;
  // A new, smaller pattern block, as a pitch import makes.
  const EditStep step = record(EditScope::whole_pitch(0), [&] {
    p.patterns.assign(7 * 256, 9);
    p.pattern_count = 7;
    for (auto& c : p.cells) c = 256;
    p.modified = 1;
    pitches_.map_modified = true;
  });
  const PitchRecord edited = p;
  // Another pitch's mark set meanwhile is no business of this step.
  pitches_.pitches[1].modified = 1;
  pitches_.patterns_modified = true;

  ASSERT_TRUE(step_fits(step, data(), true));
  EXPECT_FALSE(step_fits(step, data(), false)) << "the after side is already in place";
  apply_step(step, data(), true);
  EXPECT_EQ(p.patterns, original.patterns);
  EXPECT_EQ(p.cells, original.cells);
  EXPECT_EQ(p.pattern_count, original.pattern_count);
  EXPECT_EQ(p.modified, 0);
  EXPECT_FALSE(pitches_.map_modified);
  EXPECT_TRUE(pitches_.patterns_modified);
  EXPECT_EQ(pitches_.pitches[1].modified, 1);

  ASSERT_TRUE(step_fits(step, data(), false));
  apply_step(step, data(), false);
  EXPECT_EQ(p.patterns, edited.patterns);
  EXPECT_EQ(p.cells, edited.cells);
  EXPECT_EQ(p.pattern_count, 7);
  EXPECT_TRUE(pitches_.map_modified);

  // Data changed behind the history's back: the step no longer fits.
  p.cells[5] = 0;
  EXPECT_FALSE(step_fits(step, data(), true));
}

TEST_F(HistorySteps, ScopedRangesKeepTwoPatternsApart) {
  PitchRecord& p = pitches_.pitches[0];
  EditScope scope;
  scope.pitch = 0;
  scope.patterns = {{2 * 256, 3 * 256}, {17 * 256, 18 * 256}};
  const PitchRecord original = p;
  const EditStep step = record(scope, [&] {
    std::swap_ranges(p.patterns.begin() + 2 * 256, p.patterns.begin() + 3 * 256,
                     p.patterns.begin() + 17 * 256);
  });
  ASSERT_TRUE(step.pitch);
  EXPECT_EQ(step.pitch->patterns.size(), 2u);
  EXPECT_LE(step.bytes(), 2048u) << "the patterns between are not kept";
  apply_step(step, data(), true);
  EXPECT_EQ(p.patterns, original.patterns);
}

EditStep sized_step(std::size_t bytes, int subject) {
  EditStep s;
  s.subject = subject;
  s.pitch = PitchEdit{};
  s.pitch->patterns.push_back({0, std::vector<std::uint8_t>(bytes), {}});
  return s;
}

TEST(EditHistoryBound, OldestStepsGoAndTheWholeStaysUnderTheBound) {
  EditHistory h;
  ASSERT_EQ(h.limit(), std::size_t{64} << 20);
  for (int k = 0; k < 100; ++k) {
    h.push(sized_step(std::size_t{1} << 20, k));
    EXPECT_LE(h.bytes(), h.limit());
  }
  EXPECT_LT(h.undo_count(), 64u);
  EXPECT_GT(h.undo_count(), 50u);
  EXPECT_EQ(h.next_undo()->subject, 99);
  // Undoing everything kept reaches the oldest kept step, not step 0.
  int oldest = -1;
  while (const EditStep* s = h.next_undo()) {
    oldest = s->subject;
    h.undone();
  }
  EXPECT_EQ(oldest, 100 - static_cast<int>(h.redo_count()));
  EXPECT_GT(oldest, 0);

  // A step larger than the bound alone leaves nothing to undo.
  h.push(sized_step(h.limit() + 1, 200));
  EXPECT_EQ(h.undo_count() + h.redo_count(), 0u);
  EXPECT_EQ(h.bytes(), 0u);
}

TEST(EditHistoryBound, ANewStepAfterUndoDropsRedo) {
  EditHistory h(1 << 20);
  for (int k = 0; k < 3; ++k) h.push(sized_step(100, k));
  h.undone();
  h.undone();
  EXPECT_EQ(h.redo_count(), 2u);
  EXPECT_EQ(h.next_redo()->subject, 1);
  const std::size_t before = h.bytes();
  h.push(sized_step(100, 9));
  EXPECT_EQ(h.redo_count(), 0u);
  EXPECT_EQ(h.undo_count(), 2u);
  EXPECT_EQ(h.next_undo()->subject, 9);
  EXPECT_LT(h.bytes(), before) << "the dropped steps' memory is counted off";
  // Dropping through the newest matching step takes the older ones with it.
  h.push(sized_step(100, 10));
  h.drop_through_last([](const EditStep& s) { return s.subject == 9; });
  EXPECT_EQ(h.undo_count(), 1u);
  EXPECT_EQ(h.next_undo()->subject, 10);
}

TEST(EditHistoryNames, EveryKindHasItsShortName) {
  struct Case {
    EditKind kind;
    int subject, other;
    const char* name;
    const char* want;
  };
  const Case cases[] = {
      {EditKind::sprite_replaced, 700, -1, "", "sprite 700 replaced"},
      {EditKind::sprites_inserted, 12, -1, "", "12 sprites inserted"},
      {EditKind::sprites_inserted, 1, -1, "", "1 sprite inserted"},
      {EditKind::sprites_reverted, -1, -1, "", "sprites reverted"},
      {EditKind::team_file_discarded, -1, -1, "TEAM3.DAT", "TEAM3.DAT changes discarded"},
      {EditKind::pattern_replaced, 4, -1, "", "pattern 4 replaced"},
      {EditKind::patterns_swapped, 5, 7, "", "patterns 5 and 7 swapped"},
      {EditKind::pattern_deleted, 12, -1, "", "pattern 12 deleted"},
      {EditKind::cell_changed, 3, -1, "", "pitch 3 cell changed"},
      {EditKind::pitch_replaced, 3, -1, "", "pitch 3 replaced"},
      {EditKind::picture_replaced, -1, -1, "stad.256", "picture stad.256 replaced"},
  };
  for (const Case& c : cases) {
    EditStep s;
    s.kind = c.kind;
    s.subject = c.subject;
    s.other = c.other;
    s.subject_name = c.name;
    EXPECT_EQ(step_name(s), c.want);
  }
}

}  // namespace
