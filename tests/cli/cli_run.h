// Runs lumora-cli with arguments and collects its exit code, standard output
// and standard error, for the command-line tests.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace lumora::testing {

struct CliRun {
  int code = -1;
  std::string out;
  std::string err;
};

/// `args` is passed through the shell as it stands (quote what needs it).
inline CliRun run_cli(const std::string& args) {
  static int counter = 0;
  const std::filesystem::path err_file =
      std::filesystem::temp_directory_path() /
      ("lumora-cli-err-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  const std::string cmd = std::string(LUMORA_CLI) + " " + args + " 2>" + err_file.string();
  CliRun r;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf{};
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  const int status = ::pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream e(err_file);
  std::stringstream ss;
  ss << e.rdbuf();
  r.err = ss.str();
  std::filesystem::remove(err_file);
  return r;
}

}  // namespace lumora::testing
