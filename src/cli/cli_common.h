// What every subcommand of lumora-cli shares: the user interface of a
// command-line run, the alignment options and the initialization they drive,
// the check of number options, and the guard of outputs against inputs.
//
// A subcommand is a Command: it adds its options to its CLI::App, names the
// files it reads and the file it writes (so that no output replaces an
// input), and runs on an initialized session.
#pragma once

#include <CLI/CLI.hpp>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "session/session.h"
#include "session/user_interface.h"
#include "standards/standards.h"

namespace lumora::cli {

// The user interface of a command-line run: file dialogs are answered from
// the arguments, messages and warnings go to stderr.
class CliInterface : public UserInterface {
 public:
  std::map<std::string, std::filesystem::path> files;  // dialog title -> file
  bool show_progress = false;

  std::optional<std::filesystem::path> choose_file(const FileDialog& dialog) override;
  void show_message(const std::string& title, const std::string& message,
                    const std::string& detail) override;
  // Without --alignment a file of several alignments is not guessed at: its
  // names go to stdout, one a line, and the run ends.
  std::optional<std::size_t> choose_item(const std::string& title,
                                         const std::vector<std::string>& items) override;
  void set_status(const std::string&) override {}
  void progress(int k, int n) override;
  void warn(const std::string& text) override;
  void end_progress();

 private:
  bool progress_shown_ = false;
};

/// A number option must be a finite number: "nan" and "inf" are wrong usage.
extern const CLI::Validator kFinite;

/// The vertical profile of the road: a profile file, or the ProfAlign of a
/// LandXML alignment named by --profile-name (add_profile_options).
struct ProfileArgs {
  std::string file;
  std::string name;
};

/// The alignment options every subcommand takes.
struct AlignmentArgs {
  std::string pi;
  std::string elements;
  std::string landxml;
  std::string landxml_alignment;
  std::string chain_breaks;
  double eye_offset = -7.25;
  std::string eye_offset_file;
  ProfileArgs profile;  // bound only by subcommands that add_profile_options

  /// The files these options name (empty ones left out).
  std::vector<std::filesystem::path> files() const;
};

void add_alignment_options(CLI::App& cmd, AlignmentArgs& a);

/// Adds --profile F (profile file: title, then "chainage elevation radius"
/// per PVI) and --profile-name N (the ProfAlign of a LandXML alignment).
void add_profile_options(CLI::App& cmd, AlignmentArgs& a);

/// The sight distance by design speed: --design-speed V [--standard
/// jtg|aashto] [--vehicle car|truck] [--eye-height H] [--object-height H].
struct DesignSpeedArgs {
  double speed = 0;
  std::string standard = "jtg";
  std::string vehicle = "car";
  double eye_height = 0;
  double object_height = 0;
  CLI::Option* speed_opt = nullptr;  // set by add_design_speed_options
  CLI::Option* eye_opt = nullptr;
  CLI::Option* object_opt = nullptr;
};
/// Adds the options; returns --design-speed, so that a command can make it
/// exclude its other ways of giving the sight distance.
CLI::Option* add_design_speed_options(CLI::App& cmd, DesignSpeedArgs& d);
/// The required sight distance and heights, or nullopt without
/// --design-speed. Throws DataFormatError for a speed outside the table and
/// the AASHTO truck (standards::resolve_sight).
std::optional<standards::SightRequirement> resolve_design_speed(const DesignSpeedArgs& d);

/// The options of a sight check: obstruction files, DXF files each with its
/// --layer NAME[=HEIGHT|=z], --direction, the backward eye path, the heights
/// and the farthest target searched.
struct SightCheckArgs {
  double eye_height = 1.2, object_height = 0.1, max_distance = 0, backward_offset = 0;
  std::string direction = "forward", backward_offset_file;
  std::vector<std::string> obstruction_files, dxf_files, layers;
  CLI::Option* bo_opt = nullptr;  // set by add_sight_check_options
  CLI::Option* max_opt = nullptr;
  CLI::Option* direction_opt = nullptr;
};
/// Adds the options to `cmd`; --eye-height and --object-height only when
/// `heights` (a command with --design-speed has its own).
void add_sight_check_options(CLI::App& cmd, SightCheckArgs& s, bool heights);
/// Fills the obstructions, directions, backward eye path, heights and
/// farthest target of `opt` (each --layer belongs to the --obstructions-dxf
/// before it). Throws CLI::ValidationError for a DXF without a layer, a
/// layer without a DXF and a farthest target not above 0; DataFormatError
/// for a bad layer.
void apply_sight_check_args(const CLI::App& cmd, const SightCheckArgs& s,
                            session::SightCheckOptions& opt);
/// The files the options name.
std::vector<std::filesystem::path> sight_check_inputs(const SightCheckArgs& s);

/// Initializes a session from the alignment options. Returns false (after
/// the message) when initialization fails. Throws CLI::ValidationError when
/// no alignment file is given.
bool initialize(session::Session& s, CliInterface& ui, const AlignmentArgs& a);

/// One subcommand of lumora-cli.
class Command {
 public:
  virtual ~Command() = default;
  /// The subcommand's CLI::App, set when the command adds its options.
  CLI::App* app = nullptr;
  /// The files the run reads besides the alignment's, and the file it writes
  /// (empty: standard output). An output may not name an input.
  virtual std::vector<std::filesystem::path> inputs() const { return {}; }
  virtual std::filesystem::path output() const { return {}; }
  /// Runs on a session initialized from the alignment options: the exit code.
  virtual int run(session::Session& s, CliInterface& ui) = 0;
};

/// Each subcommand's factory adds the subcommand with its options to `app`
/// (the alignment options bound to `a`) and returns it.
std::unique_ptr<Command> make_alignment_command(CLI::App& app, AlignmentArgs& a);
std::unique_ptr<Command> make_point_command(CLI::App& app, AlignmentArgs& a);
std::unique_ptr<Command> make_clearance_command(CLI::App& app, AlignmentArgs& a);
std::unique_ptr<Command> make_design_line_command(CLI::App& app, AlignmentArgs& a);
std::unique_ptr<Command> make_envelope_command(CLI::App& app, AlignmentArgs& a);
std::unique_ptr<Command> make_sight_check_command(CLI::App& app, AlignmentArgs& a);
std::unique_ptr<Command> make_profile_command(CLI::App& app, AlignmentArgs& a);
/// Only where the Qt front end is built (LUMORA_REPORT).
std::unique_ptr<Command> make_report_command(CLI::App& app, AlignmentArgs& a);

/// Adds --svg-background (dark for the screen, light for printing).
void add_svg_background_option(CLI::App& cmd, std::string& background);

/// Removes the scratch files of a run (the pending temporary file of an
/// atomic write, the scratch copy of a result for standard output).
void remove_scratch();
/// Makes a scratch folder for a result that goes to standard output and
/// returns the file to write there; nullopt (after the message) on failure.
std::optional<std::filesystem::path> make_scratch_file(const char* name);
/// Copies a scratch result to standard output and removes it. false (after
/// the message) when standard output cannot be written.
bool copy_scratch_to_stdout(const std::filesystem::path& file);

}  // namespace lumora::cli
