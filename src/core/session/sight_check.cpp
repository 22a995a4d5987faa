// "视距检查": the session command of the available sight distance.
#include "session/sight_check.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <fstream>
#include <functional>
#include <iterator>
#include <new>

#include "bounds.h"
#include "cad/document.h"
#include "error.h"
#include "obstruction/obstruction_file.h"
#include "session/clearance_run.h"
#include "session/dialogs.h"
#include "session/input_files.h"
#include "session/session.h"
#include "session/sight_check_drawing.h"
#include "session/side_by_side.h"
#include "sight/eye_offsets.h"
#include "text/encoding.h"
#include "text/fields.h"
#include "text/format.h"
#include "text/number_input.h"
#include "text/numeric.h"

namespace lumora::session {
namespace {

using visibility::Direction;

std::filesystem::path ask(UserInterface& ui, const FileDialog& dialog) {
  auto path = ui.choose_file(dialog);
  if (!path || path->empty()) {
    throw CancelledError(dialog.save ? CancelledError::Kind::save : CancelledError::Kind::read,
                         dialog.title);
  }
  return *path;
}

std::string label(const std::filesystem::path& p) {
  return p.filename().string();
}

std::string read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (path.empty() || !in) throw CancelledError(CancelledError::Kind::read, path.string());
  std::string bytes;
  char buf[65536];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    bytes.append(buf, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxInputFileBytes) {
      throw DataFormatError(
          fmt::format("{}: 文件大于{} MiB", label(path), kMaxInputFileBytes >> 20));
    }
  }
  return bytes;
}

// The backward eye offset: a file, a constant, or the forward one negated
// (the other carriageway).
sight::EyeOffset backward_offset(const SightCheckOptions& o, const sight::EyeOffset& forward,
                                 const chainage::ChainBreakTable& breaks) {
  if (!o.backward_offset_file.empty()) {
    return sight::EyeOffset::table(sight::EyeOffsetTable::read(
        text::read_text_lines(o.backward_offset_file), label(o.backward_offset_file),
        [&breaks](std::string_view t) {
          return breaks.resolve_checked(t, chainage::ChainBreakTable::Check::letter);
        }));
  }
  if (o.backward_offset) {
    if (!std::isfinite(*o.backward_offset)) throw DataFormatError("逆向视点偏距不是有限数");
    return sight::EyeOffset::constant(*o.backward_offset);
  }
  if (const auto* t = forward.offset_table()) {
    auto rows = t->rows();
    for (auto& r : rows) r.value = -r.value;
    return sight::EyeOffset::table(sight::EyeOffsetTable::from_rows(std::move(rows)));
  }
  return sight::EyeOffset::constant(-forward.constant_value());
}

}  // namespace

const SightCheckResult* Session::sight_check(const SightCheckOptions& options) {
  const SightCheckResult* result = nullptr;
  try {
    if (!initialized()) throw DataFormatError("尚未初始化");
    const Alignment& line = *alignment();
    const auto& breaks = *chain_breaks();
    const sight::EyePath& forward_path = *eye_path();
    const double line_start = line.start_chainage();
    const double line_end = line.end_chainage();
    std::vector<std::filesystem::path> inputs = input_files();
    std::vector<InputFile> files;  // the run's own, by the dialog or role

    // Required sight distance: one value, or the limit file.
    std::vector<SightLimit> limits;
    double required = 0;
    if (options.sight_file) {
      const auto path = ask(ui_, kSightLimitDialog);
      inputs.push_back(path);
      files.push_back({kSightLimitDialog.title, path});
      limits = read_sight_limits(text::read_text_lines(path), label(path), breaks);
    } else {
      required = text::input_number(options.sight_text, "视距");
      if (!(required > 0)) {
        throw DataFormatError("视距「" + text::excerpt(options.sight_text) + "」必须大于0");
      }
    }
    if (!(options.max_distance >= 0 && std::isfinite(options.max_distance))) {
      throw DataFormatError("最大搜索距离必须是正数");
    }

    auto on_line = [&](const std::string& t) {
      const double c = breaks.resolve_checked(t, chainage::ChainBreakTable::Check::segment);
      const double tol = chainage::ChainBreakTable::kEndTolerance;
      if (!(c >= line_start - tol && c <= line_end + tol)) {
        throw DataCheckError("桩号" + text::excerpt(t) + "超出平面数据文件，请修改！");
      }
      return std::clamp(c, line_start, line_end);
    };

    std::vector<ListEntry> entries;
    if (options.mode == ChainageMode::single) {
      const std::string t = text::trim(options.single_chainage);
      entries.push_back({on_line(t), t});
    } else if (options.mode == ChainageMode::list) {
      const auto path = ask(ui_, kChainageListDialog);
      inputs.push_back(path);
      files.push_back({kChainageListDialog.title, path});
      entries = read_chainage_list(text::read_text_lines(path), label(path), breaks);
    } else {
      const double d = text::input_number(options.interval_text, "固定桩号间距");
      if (!(d > 0)) {
        throw DataFormatError("固定桩号间距「" + text::excerpt(options.interval_text) +
                              "」必须大于0");
      }
      const std::string from =
          text::trim(options.from_text.empty() ? start_text() : options.from_text);
      const std::string to = text::trim(options.to_text.empty() ? end_text() : options.to_text);
      const double a = on_line(from);
      const double b = on_line(to);
      if (a > b) {
        throw DataCheckError("起始桩号" + text::excerpt(from) + "在终止桩号" + text::excerpt(to) +
                             "之后，请修改！");
      }
      entries = interval_entries(breaks, a, b, from, to, d, line_start, line_end);
    }

    // The obstructions, files first, then the DXF layers, each in order.
    std::vector<obstruction::Obstruction> obstructions;
    for (const auto& path : options.obstruction_files) {
      inputs.push_back(path);
      files.push_back({kObstructionDialog.title, path});
      auto more = obstruction::read_obstruction_file(text::read_text_lines(path), label(path),
                                                     breaks, line);
      std::move(more.begin(), more.end(), std::back_inserter(obstructions));
    }
    for (const auto& dxf : options.obstruction_dxf) {
      inputs.push_back(dxf.file);
      files.push_back({"读取障碍物图形文件", dxf.file});
      auto more =
          obstruction::read_dxf_obstructions(read_bytes(dxf.file), label(dxf.file), dxf.layers);
      std::move(more.begin(), more.end(), std::back_inserter(obstructions));
    }
    std::vector<std::string> names;
    for (const auto& o : obstructions) names.push_back(o.name);

    const bool forward = options.directions != SightDirections::backward;
    const bool backward = options.directions != SightDirections::forward;
    std::optional<sight::EyePath> backward_path;
    if (backward) {
      if (!options.backward_offset_file.empty()) {
        inputs.push_back(options.backward_offset_file);
        files.push_back({"读取逆向司机视点距设计线的距离文件", options.backward_offset_file});
      }
      backward_path.emplace(
          sight::EyePath::build(line, backward_offset(options, forward_path.offset(), breaks)));
    }

    // Required distance and searched distance of each chainage.
    const std::size_t n = entries.size();
    std::vector<double> chainages(n), req(n), d_max(n);
    double farthest = 0;
    for (std::size_t k = 0; k < n; ++k) {
      chainages[k] = entries[k].chainage;
      req[k] =
          options.sight_file ? sight_distance_at(limits, chainages[k], entries[k].text) : required;
      d_max[k] = options.max_distance > 0 ? options.max_distance : 2 * req[k];
      farthest = std::max(farthest, d_max[k]);
    }

    const LevelRoad level;
    const Elevation* elevation = options.elevation ? options.elevation : &level;
    visibility::ListOptions how;
    how.method = options.method;
    how.threads = options.threads;
    const int directions = (forward ? 1 : 0) + (backward ? 1 : 0);
    const int total = static_cast<int>(n) * directions;
    const std::string of_n = fmt::format("/{}", total);
    int done = 0;
    bool cancelled = false;
    // Each direction's search is built by a pass over the whole line: the
    // two are built side by side.
    std::optional<visibility::SightSearch> searches[2];
    auto build = [&](Direction d) {
      const sight::EyePath* path = d == Direction::forward ? &forward_path : &*backward_path;
      searches[d == Direction::forward ? 0 : 1].emplace(visibility::Road{&line, elevation, path}, d,
                                                        obstructions, options.heights,
                                                        farthest + 10);
    };
    run_side_by_side(
        forward ? std::function<void()>([&] { build(Direction::forward); }) : nullptr,
        backward ? std::function<void()>([&] { build(Direction::backward); }) : nullptr);
    std::vector<visibility::Sight> sights[2];
    for (Direction d : {Direction::forward, Direction::backward}) {
      if ((d == Direction::forward && !forward) || (d == Direction::backward && !backward)) {
        continue;
      }
      const visibility::SightSearch& search = *searches[d == Direction::forward ? 0 : 1];
      auto& out = sights[d == Direction::forward ? 0 : 1];
      out.resize(n);
      visibility::sight_list(search, chainages, d_max, how,
                             [&](std::size_t k, const visibility::Sight& s) {
                               out[k] = s;
                               ++done;
                               ui_.set_status(std::to_string(done) + of_n);
                               ui_.progress(done, total);
                               if (ui_.cancel_requested()) {
                                 cancelled = true;
                                 return false;
                               }
                               return true;
                             });
      if (cancelled) break;
    }
    if (cancelled) {
      ui_.set_status(kStatusCancelled);
      return nullptr;
    }

    SightCheckResult r;
    const auto per = static_cast<std::size_t>(directions);
    std::vector<SightRow> rows(n * per);
    for_parts(n, [&](std::size_t, std::size_t begin, std::size_t end) {
      for (std::size_t k = begin; k < end; ++k) {
        std::size_t j = k * per;
        if (forward) {
          rows[j++] = make_sight_row(entries[k].text, Direction::forward, sights[0][k], req[k],
                                     names, breaks);
        }
        if (backward) {
          rows[j] = make_sight_row(entries[k].text, Direction::backward, sights[1][k], req[k],
                                   names, breaks);
        }
      }
    });
    r.rows = sight_file_rows(std::move(rows));
    r.ranges = deficient_ranges(r.rows);
    r.summary = summary_lines(r.rows, r.ranges, forward, backward);
    r.forward = forward;
    r.backward = backward;

    if (options.save) {
      const auto out = ask(ui_, kSightSaveDialog);
      check_not_input(out, inputs);
      write_file_atomically(out, sight_file_bytes(r.rows));
      r.path = out;
    }
    if (options.draw) {
      cad::DrawingDocument& doc = cad::cad_connect(drawing_);
      doc.set_title(title());
      draw_sight_check(doc, obstructions, r.rows, r.ranges,
                       {forward ? &forward_path : nullptr, backward ? &*backward_path : nullptr},
                       options.drawing_interval);
    }
    r.obstructions = std::move(obstructions);
    r.on_profile = options.elevation != nullptr;
    last_sight_ = std::move(r);
    last_sight_options_ = options;
    last_sight_options_->elevation = nullptr;
    last_sight_files_ = std::move(files);
    ui_.set_status(kStatusSightChecked);
    result = &*last_sight_;
  } catch (const LumoraError& e) {
    ui_.show_message(e.title(), e.message(), e.detail());
  } catch (const std::bad_alloc&) {
    ui_.show_message(kTitleError, kMsgDataFormat, "内存不足");
  } catch (const std::exception& e) {
    ui_.show_message(kTitleError, kMsgDataFormat, e.what());
  }
  return result;
}

}  // namespace lumora::session
