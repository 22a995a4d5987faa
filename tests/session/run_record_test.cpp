// What the session records about the run behind its results (for the
// calculation report): the files with the dialogs they were read through,
// the options, and nothing stale after a failed run or an opened file.
#include <gtest/gtest.h>

#include "session/dialogs.h"
#include "session/scripted_interface.h"
#include "session/session.h"
#include "temp_dir_test.h"

namespace fs = std::filesystem;
using namespace lumora::session;

namespace {

class RunRecordTest : public lumora::testing::TempDirTest {};

std::vector<std::string> roles(const RunRecord& r) {
  std::vector<std::string> out;
  for (const auto& f : r.files) out.push_back(f.role);
  return out;
}

TEST_F(RunRecordTest, FilesAndOptionsOfTheLastRun) {
  ScriptedInterface ui;
  Session s(ui);
  const auto line =
      write("curve.jdx",
            "单曲线,1000\nQD\n0 0 0 0 0\nJD1\n1000 0 500 100 100\nZD\n1500 866.0254 0 0 0\n");
  const auto dl = write("none.dl", "-1 0\n");
  const auto eye = write("eye.txt", "1000 -7.25\n2000 -7.5\n");
  ui.answer(line);
  ui.answer(dl);
  ui.answer(eye);
  InitOptions init;
  init.eye_offset_file = true;
  ASSERT_TRUE(s.initialize(init));
  RunRecord r = s.run_record();
  EXPECT_TRUE(r.init.eye_offset_file);
  EXPECT_FALSE(r.clearance);
  EXPECT_EQ(roles(r), (std::vector<std::string>{kAlignmentDialog.title, kChainBreakDialog.title,
                                                kEyeOffsetDialog.title}));
  EXPECT_EQ(r.files[2].path, eye);

  // A list run with a limit file: both are recorded after the alignment's,
  // in the order they were asked for (the list first).
  const auto limits = write("limits.txt", "1000 110\n1500 160\n");
  const auto list = write("list.txt", "1200\n1400\n1600\n");
  ClearanceOptions c;
  c.mode = ChainageMode::list;
  c.sight_file = true;
  c.side = lumora::sight::Side::median;
  ui.answer(list);
  ui.answer(limits);
  ui.answer(dir / "result.txt");
  ASSERT_TRUE(s.clearance(c));
  r = s.run_record();
  ASSERT_TRUE(r.clearance);
  EXPECT_EQ(r.clearance->mode, ChainageMode::list);
  EXPECT_EQ(r.clearance->side, lumora::sight::Side::median);
  EXPECT_EQ(roles(r), (std::vector<std::string>{kAlignmentDialog.title, kChainBreakDialog.title,
                                                kEyeOffsetDialog.title, kChainageListDialog.title,
                                                kSightLimitDialog.title}));
  EXPECT_EQ(r.files[3].path, list);
  EXPECT_EQ(r.files[4].path, limits);

  // A failed run leaves no record of a run that wrote nothing (the limit
  // file, read once per initialization, is not asked for again).
  ui.answer(dir / "missing-list.txt");
  EXPECT_FALSE(s.clearance(c));
  r = s.run_record();
  EXPECT_FALSE(r.clearance);
  EXPECT_EQ(r.files.size(), 3u);

  // Rows opened from a file: the file, no options.
  ui.answer(dir / "result.txt");
  ASSERT_TRUE(s.open_result());
  r = s.run_record();
  EXPECT_FALSE(r.clearance);
  ASSERT_EQ(r.files.size(), 4u);
  EXPECT_EQ(r.files[3].role, kResultOpenDialog.title);
}

}  // namespace
