// The whole run on one alignment: eye path, a few clearances, the result
// file written and read back, the design line and the envelope drawn into a
// document, and both writers into memory.
#pragma once

#include <algorithm>
#include <memory>

#include "cad/document.h"
#include "cad/drawings.h"
#include "cad/envelope.h"
#include "cad/writers.h"
#include "fuzz_common.h"
#include "session/input_files.h"
#include "session/result_file.h"
#include "sight/clearance.h"
#include "sight/eye_path.h"

namespace lumora::fuzz {

// The eye path and the drawings take time in proportion to the length of the
// line; longer lines are left to the readers' harnesses, so that an
// iteration stays short.
inline constexpr double kPipelineMaxLength = 30000;

template <class Draw>
void run_pipeline(const Alignment& line, const chainage::ChainBreakTable& breaks,
                  sight::EyeOffset offset, Draw draw_design_line) {
  const double a = line.start_chainage();
  const double b = line.end_chainage();
  check_finite(a, "start chainage");
  check_finite(b, "end chainage");
  for (int k = -1; k <= 9; ++k) check_pose(line.point_at(a + (b - a) * k / 8.0));
  if (!(b - a <= kPipelineMaxLength)) return;

  std::unique_ptr<cad::DrawingDocument> doc;
  cad::DrawingDocument& d = cad::cad_connect(doc);
  guarded([&] { draw_design_line(d); });

  const auto path = sight::EyePath::build(line, std::move(offset));
  std::vector<session::ResultRow> rows;
  const double stations[] = {a, a + (b - a) / 3, b};
  for (int k = 0; k < 3; ++k) {
    const double c = stations[k];
    guarded([&] {
      for (auto side : {k == 1 ? sight::Side::median : sight::Side::inside}) {
        const auto r = sight::maxhjs(path, c, 110, side);
        check_finite(r.maxhjj, "clearance");
        check_finite(r.maxhqdzh + r.maxhzdzh, "sight-line ends");
        session::ResultRow row;
        row.chainage_text = breaks.sj_dlstr_1(c);
        row.chainage = c;
        row.clearance = r.maxhjj;
        row.offset = path.offset().at(c);
        row.offset_start = path.offset().at(r.maxhqdzh);
        row.offset_end = path.offset().at(r.maxhzdzh);
        row.start_text = breaks.sj_dlstr_num(r.maxhqdzh);
        row.end_text = breaks.sj_dlstr_num(r.maxhzdzh);
        row.sight_distance = 110;
        rows.push_back(row);
      }
    });
  }
  if (rows.empty()) return;
  // The file the run writes reads back into the rows the envelope draws.
  const std::string file = session::format_result_file(rows);
  const auto back = session::read_result_file(text::split_lines(file), "result", breaks);
  if (back.size() != session::file_rows(rows).size()) fail("result file rows lost");
  std::vector<cad::EnvelopeRow> envelope;
  for (const auto& r : back) {
    envelope.push_back({r.chainage, r.clearance, r.offset, r.offset_start, r.offset_end,
                        r.start_chainage, r.end_chainage});
  }
  cad::draw_envelope(d, line, envelope, true, true);
  (void)cad::svg_text(d);
  (void)cad::dxf_text(d);
}

}  // namespace lumora::fuzz
