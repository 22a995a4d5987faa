// lumora-cli profile: the vertical-curve table of the road's profile, with
// the standard's minimums at a design speed, or elevations and grades at
// chainage texts.
#include <cmath>
#include <iostream>

#include "cli_common.h"
#include "error.h"
#include "text/format.h"

namespace lumora::cli {
namespace {

using text::format_fixed;
using text::format_fixed3;

// Grades in per cent.
std::string percent(double g) {
  return format_fixed(g * 100, 4);
}

// What a curve lacks against the standard's minimums ("-" when nothing).
std::string flags(const profile::VerticalCurve& c, const standards::CurveMinimums& m,
                  standards::Standard st) {
  std::string out;
  auto add = [&](const char* f) { out += (out.empty() ? "" : ",") + std::string(f); };
  if (st == standards::Standard::jtg) {
    const double limit = c.crest() ? m.crest_limit : m.sag_limit;
    const double general = c.crest() ? m.crest_general : m.sag_general;
    if (c.radius() < limit) {
      add("R<极限值");
    } else if (c.radius() < general) {
      add("R<一般值");
    }
    if (c.length() < m.length_min) {
      add("L<最小值");
    } else if (c.length() < m.length_general) {
      add("L<一般值");
    }
  } else {
    const double k = c.length() / (std::fabs(c.grade_out() - c.grade_in()) * 100);
    if (k < (c.crest() ? m.k_crest : m.k_sag)) add("K<最小值");
  }
  return out.empty() ? "-" : out;
}

class ProfileCommand : public Command {
 public:
  std::vector<std::string> at;
  DesignSpeedArgs speed;

  int run(session::Session& s, CliInterface& ui) override {
    const profile::Profile* p = s.profile();
    if (!p) {
      throw DataFormatError("没有纵断面: 请用 --profile 给出纵断面文件，或用带纵断面的LandXML路线");
    }
    if (!at.empty()) return print_at(s, ui, *p);
    const auto req = resolve_design_speed(speed);
    const auto& breaks = *s.chain_breaks();
    std::optional<standards::CurveMinimums> mins;
    if (req) mins = standards::curve_minimums(req->speed, req->standard);

    std::cout << "pvi\tchainage\televation\tgrade_in%\tgrade_out%\tR\tT\tE\tL\tBVC\tEVC\ttype";
    if (req && req->standard == standards::Standard::jtg) {
      std::cout << "\tR_limit\tR_general\tL_min\tL_general\tflags";
    } else if (req) {
      std::cout << "\tK\tK_min\tflags";
    }
    std::cout << '\n';
    const auto& pvis = p->pvis();
    for (std::size_t k = 0; k < pvis.size(); ++k) {
      const auto& v = pvis[k];
      std::cout << k + 1 << '\t' << breaks.sj_dlstr_k(v.chainage) << '\t'
                << format_fixed3(v.elevation) << '\t' << (k > 0 ? percent(p->grade(k - 1)) : "-")
                << '\t' << (k + 1 < pvis.size() ? percent(p->grade(k)) : "-");
      const profile::VerticalCurve* c = p->curve_at_pvi(k);
      if (!c) {
        std::cout << "\t-\t-\t-\t-\t-\t-\t-";
        if (req)
          std::cout << (req->standard == standards::Standard::jtg ? "\t-\t-\t-\t-\t-"
                                                                  : "\t-\t-\t-");
        std::cout << '\n';
        continue;
      }
      const std::string t =
          c->tangent_in() == c->tangent_out()
              ? format_fixed3(c->tangent_in())
              : format_fixed3(c->tangent_in()) + "/" + format_fixed3(c->tangent_out());
      std::cout << '\t' << format_fixed3(c->radius()) << '\t' << t << '\t'
                << format_fixed3(c->external()) << '\t' << format_fixed3(c->length()) << '\t'
                << breaks.sj_dlstr_k(c->bvc()) << '\t' << breaks.sj_dlstr_k(c->evc()) << '\t'
                << (c->crest() ? "crest" : "sag");
      if (req && req->standard == standards::Standard::jtg) {
        const bool crest = c->crest();
        std::cout << '\t' << format_fixed3(crest ? mins->crest_limit : mins->sag_limit) << '\t'
                  << format_fixed3(crest ? mins->crest_general : mins->sag_general) << '\t'
                  << format_fixed3(mins->length_min) << '\t' << format_fixed3(mins->length_general)
                  << '\t' << flags(*c, *mins, req->standard);
      } else if (req) {
        const double kv = c->length() / (std::fabs(c->grade_out() - c->grade_in()) * 100);
        std::cout << '\t' << format_fixed3(kv) << '\t'
                  << format_fixed3(c->crest() ? mins->k_crest : mins->k_sag) << '\t'
                  << flags(*c, *mins, req->standard);
      }
      std::cout << '\n';
    }
    return 0;
  }

 private:
  int print_at(session::Session& s, CliInterface& ui, const profile::Profile& p) {
    for (const auto& t : at) {
      double c = 0;
      try {
        c = s.resolve_typed_chainage(t);
      } catch (const LumoraError& e) {
        ui.show_message(e.title(), e.message(), e.detail());
        return 1;
      }
      std::cout << t << '\t' << format_fixed(c, 6) << '\t' << format_fixed(p.elevation_at(c), 6)
                << '\t' << format_fixed(p.grade_at(c) * 100, 6) << '\n';
    }
    return 0;
  }
};

}  // namespace

std::unique_ptr<Command> make_profile_command(CLI::App& app, AlignmentArgs& a) {
  auto cmd = std::make_unique<ProfileCommand>();
  cmd->app = app.add_subcommand(
      "profile",
      "Print the vertical curves of the road's profile (with the standard's minimums at "
      "--design-speed), or elevation and grade at --at chainages");
  add_alignment_options(*cmd->app, a);
  add_profile_options(*cmd->app, a);
  auto* speed = add_design_speed_options(*cmd->app, cmd->speed);
  cmd->app
      ->add_option("--at", cmd->at,
                   "chainage texts: print text, continuous chainage, elevation and grade (%)")
      ->excludes(speed);
  return cmd;
}

}  // namespace lumora::cli
