// The clearance command gives byte-identical result files, warnings and
// progress whether its list modes share sight lines between chainages on
// several threads or lay every sight line afresh: on the bundled examples
// and on generated lines with chain breaks, stepped eye offsets, sight-limit
// files and a ramp.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "session/scripted_interface.h"
#include "session/session.h"
#include "sight/generated_lines.h"
#include "temp_dir_test.h"

namespace fs = std::filesystem;
using namespace lumora::session;
using lumora::sight::Method;

namespace {

const fs::path kExamples = fs::path(LUMORA_SOURCE_DIR) / "examples";

struct Data {
  AlignmentKind kind = AlignmentKind::main_line;
  fs::path line;
  fs::path breaks;       // empty: none
  fs::path eye_offsets;  // empty: constant −7.25
  fs::path limits;       // empty: the sight distance of the options
  fs::path list;         // empty: the interval of the options
};

// Everything the user sees of one run.
struct Outcome {
  bool ok = false;
  std::string file;
  std::vector<std::string> warnings;
  std::vector<ScriptedInterface::Message> messages;
  std::string status;
  std::pair<int, int> progress;
};

class ClearancePaths : public lumora::testing::TempDirTest {
 protected:
  Outcome run(const Data& d, ClearanceOptions c, Method method, int cancel_after = 0) {
    ScriptedInterface ui;
    Session s(ui);
    InitOptions init;
    init.kind = d.kind;
    init.read_chain_breaks = !d.breaks.empty();
    init.eye_offset_file = !d.eye_offsets.empty();
    ui.answer(d.line);
    if (!d.breaks.empty()) ui.answer(d.breaks);
    if (!d.eye_offsets.empty()) ui.answer(d.eye_offsets);
    EXPECT_TRUE(s.initialize(init));
    ui.warnings.clear();

    const fs::path out = dir / (method == Method::shared ? "shared.txt" : "reference.txt");
    fs::remove(out);
    c.mode = d.list.empty() ? ChainageMode::interval : ChainageMode::list;
    c.sight_file = !d.limits.empty();
    c.method = method;
    c.threads = 2;
    // The chainage list is asked for before the limit file.
    if (!d.list.empty()) ui.answer(d.list);
    if (c.sight_file) ui.answer(d.limits);
    ui.answer(out);
    ui.cancel_after = cancel_after;
    Outcome o;
    o.ok = s.clearance(c).has_value();
    if (fs::exists(out)) {
      std::ifstream in(out, std::ios::binary);
      std::ostringstream text;
      text << in.rdbuf();
      o.file = text.str();
    }
    o.warnings = ui.warnings;
    o.messages = ui.messages;
    o.status = ui.status;
    o.progress = ui.last_progress;
    return o;
  }

  // Runs both methods and expects the same outcome; returns it.
  Outcome expect_same(const Data& d, const ClearanceOptions& c, int cancel_after = 0) {
    const Outcome ref = run(d, c, Method::reference, cancel_after);
    const Outcome fast = run(d, c, Method::shared, cancel_after);
    EXPECT_EQ(fast.ok, ref.ok);
    EXPECT_TRUE(fast.file == ref.file) << "result files differ";
    EXPECT_EQ(fast.warnings, ref.warnings);
    EXPECT_EQ(fast.messages.size(), ref.messages.size());
    for (std::size_t k = 0; k < std::min(fast.messages.size(), ref.messages.size()); ++k) {
      EXPECT_EQ(fast.messages[k].message, ref.messages[k].message);
      EXPECT_EQ(fast.messages[k].detail, ref.messages[k].detail);
    }
    EXPECT_EQ(fast.status, ref.status);
    EXPECT_EQ(fast.progress, ref.progress);
    return ref;
  }
};

ClearanceOptions interval(const std::string& d, const std::string& from = {},
                          const std::string& to = {}) {
  ClearanceOptions c;
  c.interval_text = d;
  c.from_text = from;
  c.to_text = to;
  return c;
}

}  // namespace

TEST_F(ClearancePaths, BundledExamples) {
  Data main;
  main.line = kExamples / "mainline.jdx";
  main.breaks = kExamples / "mainline.dl";
  // Every metre across the first chain break, S = 110 and 210.
  EXPECT_EQ(expect_same(main, interval("1", "A2900", "B3400")).progress.second, 522);
  ClearanceOptions wide = interval("1", "A3000", "A3200");
  wide.sight_text = "210";
  wide.side = lumora::sight::Side::median;
  expect_same(main, wide);
  // The list file and the whole line at 20 m, with the eye offsets and the
  // sight limits.
  Data full = main;
  full.eye_offsets = kExamples / "eye-offsets.txt";
  full.limits = kExamples / "sight-limits.txt";
  full.list = kExamples / "chainages.txt";
  EXPECT_FALSE(expect_same(full, ClearanceOptions{}).file.empty());
  full.list.clear();
  EXPECT_GT(expect_same(full, interval("20")).progress.second, 400);
  expect_same(full, interval("1", "B4900", "B5200"));

  Data ramp;
  ramp.kind = AlignmentKind::interchange;
  ramp.line = kExamples / "ramp.txt";
  ClearanceOptions half = interval("0.5");
  half.sight_text = "110.5";
  EXPECT_GT(expect_same(ramp, half).progress.second, 1000);
}

TEST_F(ClearancePaths, GeneratedLines) {
  using namespace lumora::testing;
  Data d;
  d.line = write("line.jdx", generated_main_line(5));
  d.breaks = write("line.dl", generated_chain_breaks());
  d.eye_offsets = write("eye.txt", generated_eye_offsets());
  d.limits = write("limits.txt", generated_sight_limits());
  // Every metre over both offset steps and both chain breaks, with sight
  // distances 110, 110.5 and 160: the steps make bisected fits.
  const Outcome every = expect_same(d, interval("1", "A1700", "C4200"));
  EXPECT_GT(every.progress.second, 2400);
  EXPECT_FALSE(every.warnings.empty());
  d.limits.clear();
  ClearanceOptions c = interval("20");
  c.sight_text = "210";
  expect_same(d, c);

  Data ramp;
  ramp.kind = AlignmentKind::interchange;
  ramp.line = write("ramp.txt", generated_ramp(3));
  expect_same(ramp, interval("1"));
}

TEST_F(ClearancePaths, CancelAndErrorsStopAtTheSameRow) {
  using namespace lumora::testing;
  Data d;
  d.line = write("line.jdx", generated_main_line(3));
  d.limits = write("limits.txt", "1500 110\n2000 160\n");
  // Cancelled after 300 rows: no file, the same progress.
  const Outcome cancelled = expect_same(d, interval("1", "1500", "2600"), 300);
  EXPECT_FALSE(cancelled.ok);
  EXPECT_EQ(cancelled.progress.first, 300);
  // A chainage before the first limit: the rows before it are computed,
  // then the message, and no file.
  const Outcome early = expect_same(d, interval("1", "1400", "1800"));
  EXPECT_FALSE(early.ok);
  EXPECT_TRUE(early.file.empty());
  // A list chainage beyond the eye path: an error at its row.
  d.limits.clear();
  d.list = write("list.txt", "1500\n1501\n99999\n1502\n");
  const Outcome beyond = expect_same(d, ClearanceOptions{});
  EXPECT_FALSE(beyond.ok);
  EXPECT_EQ(beyond.progress.first, 2);
}
