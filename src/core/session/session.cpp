#include "session/session.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <new>

#include "bounds.h"
#include "cad/drawings.h"
#include "cad/envelope.h"
#include "error.h"
#include "landxml/landxml.h"
#include "session/clearance_run.h"
#include "session/dialogs.h"
#include "session/input_files.h"
#include "session/profile_input.h"
#include "session/result_file.h"
#include "session/warning_summary.h"
#include "sight/eye_offsets.h"
#include "text/encoding.h"
#include "text/fields.h"
#include "text/format.h"
#include "text/number_input.h"
#include "text/numeric.h"

namespace lumora::session {

// Everything one initialization builds. It is built whole and only then
// replaces the previous state, so a failed initialization never leaves a
// half-read model in force.
struct Session::State {
  AlignmentKind kind = AlignmentKind::main_line;
  std::unique_ptr<zxbas::MainLine> main_line;
  std::unique_ptr<htbas::Interchange> interchange;
  chainage::ChainBreakTable breaks;
  std::optional<sight::EyePath> eye_path;
  std::optional<profile::Profile> profile;
  std::string start_text;
  std::string end_text;
  std::string file;                           // name of the alignment file
  std::string title;                          // title line of a PI data file
  std::vector<std::filesystem::path> inputs;  // files this initialization read
  std::string units;                          // LandXML: the file's unit and staStart
  // The sight-distance limit file, once a run has read it.
  std::optional<std::vector<SightLimit>> limits;
  std::filesystem::path limits_path;
  std::vector<InputFile> named_inputs;  // the same, with their dialogs' titles
  InitOptions init;

  const Alignment& alignment() const {
    if (main_line) return *main_line;
    return *interchange;
  }
};

namespace {

std::filesystem::path ask_file(UserInterface& ui, const FileDialog& dialog) {
  auto path = ui.choose_file(dialog);
  if (!path || path->empty()) {
    throw CancelledError(dialog.save ? CancelledError::Kind::save : CancelledError::Kind::read,
                         dialog.title);
  }
  return *path;
}

// Asks for a file the command reads and records it among `files`.
std::filesystem::path ask_input(UserInterface& ui, const FileDialog& dialog,
                                std::vector<InputFile>& files) {
  auto path = ask_file(ui, dialog);
  files.push_back({dialog.title, path});
  return path;
}

std::string file_label(const std::filesystem::path& path) {
  return path.filename().string();
}

// A chainage as the window shows it and a run starts from it: whole metres
// without decimals, others to the millimetre, like every other row.
std::string rounded_text(double c) {
  const bool whole = std::fabs(std::floor(c + 0.00001) - c) < 0.00001;
  return whole ? text::format_whole(c) : text::format_fixed3(c);
}

// One line for each alignment of a LandXML file, for the choice among them.
std::vector<std::string> describe_alignments(const landxml::Document& doc) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < doc.names().size(); ++i) {
    try {
      const auto road = doc.build(i);
      const double a = road.line.start_chainage();
      const double b = road.line.end_chainage();
      out.push_back(fmt::format("{}　长 {} m，桩号 {} ～ {}，{} 个单元；单位 {}，起点桩号 {}",
                                road.name, text::format_fixed3(b - a), road.breaks.sj_dlstr_num(a),
                                road.breaks.sj_dlstr_num(b), road.line.ht_count(), doc.unit_name(),
                                doc.start_station(i)));
    } catch (const LumoraError& e) {
      out.push_back(doc.names()[i] + "　（无法使用：" + e.detail() + "）");
    }
  }
  return out;
}

// The method a file that the chosen method could not read seems to be for,
// as a sentence for the message ("" when it reads as neither).
std::string other_method_hint(bool main, const std::string& bytes, const std::string& name) {
  try {
    if (landxml::looks_like_xml(bytes)) {
      return main ? "此文件是LandXML文件，请选择「积木法—互通」。" : "";
    }
    const auto lines = text::file_lines(bytes, name);
    if (main) {
      htbas::Interchange::build(htbas::read_ht_file(lines, name));
      return "此文件似乎是积木法—互通的单元文件，请选择「积木法—互通」。";
    }
    zxbas::MainLine::build(zxbas::read_pi_file(lines, name));
    return "此文件似乎是交点法—主线的交点文件，请选择「交点法—主线」。";
  } catch (const std::exception&) {
    return "";
  }
}

// Runs `read`; a format error gains the hint of the other method.
template <class F>
void with_method_hint(bool main, const std::filesystem::path& path, F&& read) {
  try {
    read();
  } catch (const DataFormatError& e) {
    std::string hint;
    try {
      hint = other_method_hint(main, landxml::read_file_bytes(path), file_label(path));
    } catch (const std::exception&) {
    }
    if (hint.empty()) throw;
    throw DataFormatError(e.detail() + "。" + hint);
  }
}

}  // namespace

Session::Session(UserInterface& ui) : ui_(ui) {}
Session::~Session() = default;

template <class F>
bool Session::run(F&& command) {
  try {
    command();
    return true;
  } catch (const LumoraError& e) {
    ui_.show_message(e.title(), e.message(), e.detail());
  } catch (const std::bad_alloc&) {
    ui_.show_message(kTitleError, kMsgDataFormat, "内存不足");
  } catch (const std::exception& e) {
    ui_.show_message(kTitleError, kMsgDataFormat, e.what());
  }
  return false;
}

void Session::invalidate() {
  state_.reset();
  ui_.set_status(kStatusUninitialized);
}

const Alignment* Session::alignment() const {
  return state_ ? &state_->alignment() : nullptr;
}
const zxbas::MainLine* Session::main_line() const {
  return state_ ? state_->main_line.get() : nullptr;
}
const htbas::Interchange* Session::interchange() const {
  return state_ ? state_->interchange.get() : nullptr;
}
const chainage::ChainBreakTable* Session::chain_breaks() const {
  return state_ ? &state_->breaks : nullptr;
}
const sight::EyePath* Session::eye_path() const {
  return state_ && state_->eye_path ? &*state_->eye_path : nullptr;
}
const profile::Profile* Session::profile() const {
  return state_ && state_->profile ? &*state_->profile : nullptr;
}
const Elevation& Session::elevation() const {
  static const LevelRoad level;
  if (const auto* p = profile()) return *p;
  return level;
}
std::vector<std::filesystem::path> Session::input_files() const {
  return state_ ? state_->inputs : std::vector<std::filesystem::path>();
}
std::string Session::start_text() const {
  return state_ ? state_->start_text : std::string();
}
std::string Session::end_text() const {
  return state_ ? state_->end_text : std::string();
}
std::string Session::units_note() const {
  return state_ ? state_->units : std::string();
}

double Session::resolve_typed_chainage(const std::string& typed) const {
  if (!state_) throw DataFormatError("尚未初始化");
  return state_->breaks.resolve_checked(typed, chainage::ChainBreakTable::Check::segment);
}

bool Session::initialize(const InitOptions& options) {
  return run([&] {
    auto st = std::make_unique<State>();
    st->kind = options.kind;
    st->init = options;

    const bool main = options.kind == AlignmentKind::main_line;
    const auto path = ask_input(ui_, main ? kAlignmentDialog : kElementDialog, st->named_inputs);
    st->file = file_label(path);
    st->inputs.push_back(path);
    if (main) {
      with_method_hint(true, path, [&] {
        const auto lines = text::read_text_lines(path);
        st->title = zxbas::pi_file_title(lines);
        st->main_line = std::make_unique<zxbas::MainLine>(
            zxbas::MainLine::build(zxbas::read_pi_file(lines, file_label(path))));
      });
      for (const auto& w : st->main_line->warnings()) ui_.warn(w);
      const double start = st->main_line->qdzh();
      const double end = st->main_line->end_chainage();
      // A cancelled chain-break dialog, or its "无断链" choice: a line
      // without chain breaks.
      const auto dl_path =
          options.read_chain_breaks ? ui_.choose_file(kChainBreakDialog) : std::nullopt;
      if (dl_path && !dl_path->empty()) {
        st->inputs.push_back(*dl_path);
        st->named_inputs.push_back({kChainBreakDialog.title, *dl_path});
        st->breaks = chainage::ChainBreakTable::read(text::read_text_lines(*dl_path), start, end,
                                                     file_label(*dl_path));
      } else {
        st->breaks = chainage::ChainBreakTable::none(start, end);
      }
      st->start_text = rounded_text(start);
      st->end_text = st->breaks.chain_break_count() > 0 ? st->breaks.sj_dlstr_5(end)
                                                        : text::format_fixed3(end);
    } else {
      // An element file, or a LandXML file, told apart by the content.
      const std::string bytes = landxml::read_file_bytes(path);
      if (options.require_landxml || landxml::looks_like_xml(bytes)) {
        const auto doc = landxml::Document::parse(bytes, file_label(path));
        std::size_t index = 0;
        if (!options.landxml_alignment.empty()) {
          index = doc.find(options.landxml_alignment);
        } else if (doc.names().size() > 1) {
          std::vector<std::string> items;
          for (std::size_t i = 0; i < doc.names().size(); ++i) items.push_back(doc.describe(i));
          const auto pick = ui_.choose_alignment(items, describe_alignments(doc));
          if (!pick || *pick >= doc.names().size()) {
            throw CancelledError(CancelledError::Kind::read, file_label(path) + ": 未选择路线");
          }
          index = *pick;
        }
        auto road = doc.build(index);
        {
          const auto& breaks = road.breaks;
          WarningSummary summary(ui_, [&breaks](double c) { return breaks.sj_dlstr_k(c); });
          for (const auto& w : road.warnings) summary.add(w.what, w.chainage, w.chainage, w.detail);
        }
        st->title = doc.names()[index];
        st->units = doc.units_note(index);
        st->interchange = std::make_unique<htbas::Interchange>(std::move(road.line));
        st->breaks = std::move(road.breaks);
        if (!options.read_profile) {
          st->profile = landxml_profile(ui_, bytes, file_label(path), doc.unit(), index,
                                        options.profile_name);
        }
      } else {
        with_method_hint(false, path, [&] {
          const auto lines = text::file_lines(bytes, path.string());
          st->interchange = std::make_unique<htbas::Interchange>(
              htbas::Interchange::build(htbas::read_ht_file(lines, file_label(path))));
        });
        st->breaks = chainage::ChainBreakTable::none(st->interchange->start_chainage(),
                                                     st->interchange->end_chainage());
      }
      const double end = st->interchange->end_chainage();
      st->start_text = rounded_text(st->interchange->start_chainage());
      st->end_text = st->breaks.chain_break_count() > 0 ? st->breaks.sj_dlstr_5(end)
                                                        : text::format_fixed3(end);
    }

    if (options.read_profile) {
      st->profile = ask_profile_file(ui_, st->breaks, st->inputs);
      st->named_inputs.push_back({kProfileDialog.title, st->inputs.back()});
    }

    sight::EyeOffset offset = sight::EyeOffset::constant(0);
    if (options.eye_offset_file) {
      const auto eye_path = ask_input(ui_, kEyeOffsetDialog, st->named_inputs);
      st->inputs.push_back(eye_path);
      const chainage::ChainBreakTable& breaks = st->breaks;
      offset = sight::EyeOffset::table(sight::EyeOffsetTable::read(
          text::read_text_lines(eye_path), file_label(eye_path), [&breaks](std::string_view t) {
            return breaks.resolve_checked(t, chainage::ChainBreakTable::Check::letter);
          }));
    } else {
      offset = sight::EyeOffset::constant(
          text::input_number(options.eye_offset_text, "司机视点距设计线的距离"));
    }
    // The eye path joins the two eye points of each angle point by a chord.
    std::vector<sight::EyeCorner> corners;
    if (st->interchange) {
      for (const auto& c : st->interchange->corners()) corners.push_back({c.chainage, c.before});
    }
    st->eye_path.emplace(
        sight::EyePath::build(st->alignment(), std::move(offset), std::move(corners)));

    state_ = std::move(st);
    // A sight check belongs to the line it was computed on.
    last_sight_.reset();
    last_sight_options_.reset();
    last_sight_files_.clear();
    ui_.set_status(kStatusInitialized);
  });
}

void Session::forget_sight_limits() {
  if (state_) state_->limits.reset();
}

std::optional<std::string> Session::clearance(const ClearanceOptions& options) {
  std::optional<ClearanceRun> typed;
  const bool read = run([&] { typed = ClearanceRun::read(options); });
  if (!read) {
    last_rows_.clear();
    last_result_path_.clear();
    return std::nullopt;
  }
  return clearance(*typed);
}

std::optional<std::string> Session::clearance(const ClearanceRun& options) {
  std::optional<std::string> result;
  last_rows_.clear();
  last_result_path_.clear();
  last_options_.reset();
  last_files_.clear();
  run([&] {
    if (!state_) throw DataFormatError("尚未初始化");
    State& st = *state_;
    const auto& breaks = st.breaks;
    const auto& eye = *st.eye_path;
    const double line_start = st.alignment().start_chainage();
    const double line_end = st.alignment().end_chainage();
    std::vector<std::filesystem::path> inputs = st.inputs;

    std::vector<InputFile> files;  // the files this run reads
    // The limit file is read once per initialization; in list mode it is
    // asked for after the chainage list.
    auto sight_limits = [&]() -> const std::vector<SightLimit>& {
      if (!st.limits) {
        const auto path = ask_file(ui_, kSightLimitDialog);
        st.limits = read_sight_limits(text::read_text_lines(path), file_label(path), breaks);
        st.limits_path = path;
      }
      inputs.push_back(st.limits_path);
      files.push_back({kSightLimitDialog.title, st.limits_path});
      return *st.limits;
    };
    // A sight line is laid for every chainage it passes: its fallback is
    // told once, in a line for each run of neighbouring chainages.
    WarningSummary summary(ui_, [&breaks](double c) { return breaks.sj_dlstr_k(c); });
    auto warn_fallbacks = [&](double c, const sight::Clearance& r) {
      for (double f : r.fallback_chainages) {
        summary.add("条视线改用二分法确定起点(定点迭代未收敛)", c, f);
      }
      if (r.fallback_chainages.empty()) summary.interrupt();
    };

    // A typed chainage on the line. Its text shows the chainage to the
    // millimetre, so the end of the line shown ("C12545.347") may lie up to
    // half a millimetre beyond the true end: it is taken at the end.
    auto on_line = [&](const std::string& t) {
      const double c = breaks.resolve_checked(t, chainage::ChainBreakTable::Check::segment);
      const double tol = chainage::ChainBreakTable::kEndTolerance;
      if (!(c >= line_start - tol && c <= line_end + tol)) {
        throw DataCheckError("桩号" + text::excerpt(t) + "超出平面数据文件，请修改！");
      }
      return std::clamp(c, line_start, line_end);
    };

    if (options.mode == ChainageMode::single) {
      const std::string t = text::trim(options.single_chainage);
      const std::vector<SightLimit>* limits = options.sight_file ? &sight_limits() : nullptr;
      const double c = on_line(t);
      const double s = limits ? sight_distance_at(*limits, c, t) : options.sight;
      const auto r = sight::maxhjs(eye, c, s, options.side);
      warn_fallbacks(c, r);
      summary.flush();
      result = text::format_fixed3(r.maxhjj);
      return;
    }

    std::vector<ListEntry> entries;
    if (options.mode == ChainageMode::list) {
      const auto path = ask_input(ui_, kChainageListDialog, files);
      inputs.push_back(path);
      entries = read_chainage_list(text::read_text_lines(path), file_label(path), breaks);
    } else {
      const std::string from =
          text::trim(options.from_text.empty() ? st.start_text : options.from_text);
      const std::string to = text::trim(options.to_text.empty() ? st.end_text : options.to_text);
      const double a = on_line(from);
      const double b = on_line(to);
      if (a > b) {
        throw DataCheckError("起始桩号" + text::excerpt(from) + "在终止桩号" + text::excerpt(to) +
                             "之后，请修改！");
      }
      entries = interval_entries(breaks, a, b, from, to, options.interval, line_start, line_end);
    }
    const std::vector<SightLimit>* limits = options.sight_file ? &sight_limits() : nullptr;
    const double sight = options.sight;

    // The sight distance of each row first: a chainage before the limit
    // file ends the run at its row, after the rows before it.
    std::vector<double> chainages;
    std::vector<double> sights;
    std::exception_ptr sight_error;
    for (const ListEntry& e : entries) {
      try {
        sights.push_back(limits ? sight_distance_at(*limits, e.chainage, e.text) : sight);
      } catch (...) {
        sight_error = std::current_exception();
        break;
      }
      chainages.push_back(e.chainage);
    }
    // The rows are formatted where they are computed; their warnings,
    // progress and the cancel check follow in order here.
    std::vector<ResultRow> rows(chainages.size());
    const int n = static_cast<int>(entries.size());
    const std::string of_n = fmt::format("/{}", n);  // "/" + text: false -Wrestrict (g++ 12)
    bool cancelled = false;
    sight::ListOptions how;
    how.side = options.side;
    how.method = options.method;
    how.threads = options.threads;
    auto prepare = [&](std::size_t k, const sight::Clearance& r) {
      const ListEntry& e = entries[k];
      const double c = e.chainage;
      ResultRow& row = rows[k];
      row.chainage_text = e.text;
      row.chainage = c;
      row.clearance = text::numeric_value(text::format_fixed3(r.maxhjj));
      row.offset = eye.offset().at(c);
      row.offset_start = eye.offset().at(r.maxhqdzh);
      row.offset_end = eye.offset().at(r.maxhzdzh);
      row.start_text = breaks.sj_dlstr_num(r.maxhqdzh);
      row.end_text = breaks.sj_dlstr_num(r.maxhzdzh);
      row.sight_distance = sights[k];
      row.start_chainage = r.maxhqdzh;
      row.end_chainage = r.maxhzdzh;
    };
    auto deliver = [&](std::size_t k, const sight::Clearance& r) {
      warn_fallbacks(entries[k].chainage, r);
      ui_.set_status(std::to_string(k + 1) + of_n);
      ui_.progress(static_cast<int>(k) + 1, n);
      if (ui_.cancel_requested()) {
        ui_.set_status(kStatusCancelled);
        cancelled = true;
        return false;
      }
      return true;
    };
    sight::clearance_list(eye, chainages, sights, how, deliver, prepare);
    summary.flush();
    if (cancelled) return;
    if (sight_error) std::rethrow_exception(sight_error);

    const auto out = ask_file(ui_, kResultSaveDialog);
    check_not_input(out, inputs);
    write_file_atomically(out, format_result_file(rows));
    last_rows_ = file_rows(rows);
    last_result_path_ = out;
    last_options_ = options.as_options();
    last_files_ = std::move(files);
    ui_.set_status(kStatusComputed);
    result = std::string();
  });
  return result;
}

std::vector<ResultRow> Session::read_result_rows(std::filesystem::path& path) const {
  if (!state_) throw DataFormatError("尚未初始化");
  path = ask_file(ui_, kResultOpenDialog);
  return read_result_file(text::read_text_lines(path), file_label(path), state_->breaks);
}

bool Session::envelope(bool draw_sight_lines, bool draw_trajectory) {
  return run([&] {
    std::filesystem::path path;
    const auto result = read_result_rows(path);
    std::vector<cad::EnvelopeRow> rows;
    rows.reserve(result.size());
    for (const ResultRow& r : result) {
      rows.push_back({r.chainage, r.clearance, r.offset, r.offset_start, r.offset_end,
                      r.start_chainage, r.end_chainage});
    }
    cad::DrawingDocument& doc = cad::cad_connect(drawing_);
    doc.set_title(title());
    cad::draw_envelope(doc, state_->alignment(), rows, draw_sight_lines, draw_trajectory);
    ui_.set_status(kStatusEnvelope);
  });
}

bool Session::open_result() {
  return run([&] {
    std::filesystem::path path;
    auto rows = read_result_rows(path);
    last_rows_ = std::move(rows);
    last_result_path_ = path;
    last_options_.reset();
    last_files_ = {{kResultOpenDialog.title, path}};
  });
}

std::string Session::alignment_file() const {
  return state_ ? state_->file : std::string();
}

RunRecord Session::run_record() const {
  RunRecord r;
  if (state_) {
    r.init = state_->init;
    r.files = state_->named_inputs;
  }
  r.clearance = last_options_;
  r.files.insert(r.files.end(), last_files_.begin(), last_files_.end());
  r.sight_check = last_sight_options_;
  r.files.insert(r.files.end(), last_sight_files_.begin(), last_sight_files_.end());
  return r;
}

std::string Session::title() const {
  if (!state_) return {};
  return state_->title.empty() ? state_->file : state_->title;
}

bool Session::design_line() {
  return run([&] {
    if (!state_) throw DataFormatError("尚未初始化");
    cad::DrawingDocument& doc = cad::cad_connect(drawing_);
    doc.set_title(title());
    auto stage = [this](const std::string& s) { ui_.drawing_stage(s); };
    if (state_->main_line) {
      cad::draw_design_line(doc, *state_->main_line, state_->breaks, stage);
    } else {
      cad::draw_design_line(doc, *state_->interchange, state_->breaks, stage);
    }
    ui_.set_status(kStatusDesignLine);
  });
}

}  // namespace lumora::session
