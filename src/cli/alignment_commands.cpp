// lumora-cli alignment: the built alignment as a table; lumora-cli point: the
// centre-line point and azimuth at chainage texts.
#include <iostream>

#include "cli_common.h"
#include "error.h"
#include "mainline/primitives.h"
#include "text/format.h"

namespace lumora::cli {
namespace {

using text::format_fixed;

class AlignmentCommand : public Command {
 public:
  int run(session::Session& s, CliInterface&) override {
    if (const auto* m = s.main_line()) {
      std::cout << "i\tname\tjd_k\tt1\tt2\tl\tk_zh\tk_hy\tk_qz\tk_yh\tk_hz\tx_zh\ty_zh\tx_hy\ty_"
                   "hy\tx_qz\ty_qz\tx_yh\ty_yh\tx_hz\ty_hz\n";
      const int n = m->jd_count();
      for (int i = 1; i <= n; ++i) {
        const auto& j = m->jd(i);
        const bool end = (i == 1 || i == n);
        auto f = [](double v) { return format_fixed(v, 6); };
        auto k = [&](double v) { return end ? std::string() : f(v); };
        std::cout << i << '\t' << j.jd_name << '\t' << f(j.jd_k) << '\t' << f(j.jd_t1) << '\t'
                  << f(j.jd_t2) << '\t' << f(j.jd_l) << '\t' << k(j.k_zh) << '\t' << k(j.k_hy)
                  << '\t' << k(j.k_qz) << '\t' << k(j.k_yh) << '\t' << k(j.k_hz) << '\t'
                  << f(j.x_zh) << '\t' << f(j.y_zh) << '\t' << f(j.x_hy) << '\t' << f(j.y_hy)
                  << '\t' << f(j.x_qz) << '\t' << f(j.y_qz) << '\t' << f(j.x_yh) << '\t'
                  << f(j.y_yh) << '\t' << f(j.x_hz) << '\t' << f(j.y_hz) << '\n';
      }
      return 0;
    }
    const auto* h = s.interchange();
    std::cout << "k\tr1\tr2\tlen\tchainage\tx\ty\tazimuth\n";
    const int n = h->ht_count();
    for (int k = 1; k <= n + 1; ++k) {
      if (k <= n) {
        std::cout << k << '\t' << format_fixed(h->ht_r1(k), 6) << '\t'
                  << format_fixed(h->ht_r2(k), 6) << '\t' << format_fixed(h->ht_len(k), 6);
      } else {
        std::cout << k << "\t-\t-\t-";
      }
      std::cout << '\t' << format_fixed(h->ht_chainage(k), 6) << '\t' << format_fixed(h->ht_x(k), 6)
                << '\t' << format_fixed(h->ht_y(k), 6) << '\t' << format_fixed(h->ht_azimuth(k), 9)
                << '\n';
    }
    // Below the table, lines after "#": the angle points of the design line
    // (where the direction jumps between two elements) and the file's unit.
    if (!h->corners().empty()) {
      std::cout << "# angle_point\tchainage\tstation\tdeflection_deg\tx\ty\n";
      for (const auto& c : h->corners()) {
        std::cout << "# " << c.k << '|' << c.k + 1 << '\t' << format_fixed(c.chainage, 6) << '\t'
                  << s.chain_breaks()->sj_dlstr_k(c.chainage) << '\t'
                  << format_fixed(c.deflection * 180 / zxbas::kPi, 6) << '\t'
                  << format_fixed(c.after.x, 6) << '\t' << format_fixed(c.after.y, 6) << '\n';
      }
    }
    if (!s.units_note().empty()) std::cout << "# " << s.units_note() << '\n';
    return 0;
  }
};

class PointCommand : public Command {
 public:
  std::vector<std::string> chainages;

  int run(session::Session& s, CliInterface& ui) override {
    for (const auto& t : chainages) {
      double c = 0;
      try {
        c = s.resolve_typed_chainage(t);
      } catch (const LumoraError& e) {
        ui.show_message(e.title(), e.message(), e.detail());
        return 1;
      }
      const auto p = s.alignment()->point_at(c);
      std::cout << t << '\t' << format_fixed(c, 6) << '\t' << format_fixed(p.x, 6) << '\t'
                << format_fixed(p.y, 6) << '\t' << format_fixed(p.azimuth, 9) << '\n';
    }
    return 0;
  }
};

}  // namespace

std::unique_ptr<Command> make_alignment_command(CLI::App& app, AlignmentArgs& a) {
  auto cmd = std::make_unique<AlignmentCommand>();
  cmd->app = app.add_subcommand(
      "alignment", "Print the built alignment: main points of every PI, or the element chain");
  add_alignment_options(*cmd->app, a);
  return cmd;
}

std::unique_ptr<Command> make_point_command(CLI::App& app, AlignmentArgs& a) {
  auto cmd = std::make_unique<PointCommand>();
  cmd->app =
      app.add_subcommand("point", "Print point and azimuth of the centre line at chainage texts");
  add_alignment_options(*cmd->app, a);
  cmd->app
      ->add_option("CHAINAGE", cmd->chainages,
                   "chainage texts (1250.5, B1250.5, K1+250.5, BK4+100.000)")
      ->required();
  return cmd;
}

}  // namespace lumora::cli
