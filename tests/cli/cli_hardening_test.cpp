// lumora-cli given what a careless or hostile user gives it: option values
// that are no numbers, outputs that must not be written, interrupted runs.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/cli_run.h"

namespace fs = std::filesystem;

namespace {

using CliRun = lumora::testing::CliRun;

CliRun run(const std::string& args) {
  return lumora::testing::run_cli(args);
}

const std::string kLine = std::string("--pi ") + LUMORA_SOURCE_DIR + "/examples/mainline.jdx";
const std::string kBreaks =
    std::string(" --chain-breaks ") + LUMORA_SOURCE_DIR + "/examples/mainline.dl";

std::string read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Entries of a folder.
std::size_t entries(const fs::path& dir) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

TEST(CliHardening, VersionAndNumberOptions) {
  const CliRun v = run("--version");
  EXPECT_EQ(v.code, 0);
  EXPECT_EQ(v.out.rfind("lumora-cli ", 0), 0u) << v.out;
  for (const char* bad :
       {"--eye-offset nan --at 2000", "--eye-offset inf --at 2000", "--sight nan --at 2000",
        "--sight -inf --at 2000", "--interval nan", "--interval 1e999"}) {
    const CliRun r = run("clearance " + kLine + " " + std::string(bad));
    EXPECT_EQ(r.code, 2) << bad << ": " << r.err;
    EXPECT_NE(r.err.find("must be a finite number"), std::string::npos) << bad;
  }
  // A chainage that is no chainage text is a data error naming it.
  const CliRun r = run("clearance " + kLine + " --at abc");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("「abc」不是桩号"), std::string::npos) << r.err;
}

TEST(CliHardening, TheEndChainageShownIsAccepted) {
  const CliRun p = run("point " + kLine + kBreaks + " C12545.347");
  EXPECT_EQ(p.code, 0) << p.err;
  EXPECT_NE(p.out.find("12515.346698"), std::string::npos) << p.out;  // clamped to the end
  const CliRun c = run("clearance " + kLine + kBreaks + " --at C12545.347");
  EXPECT_EQ(c.code, 0) << c.err;
  const CliRun f = run("clearance " + kLine + kBreaks + " --interval 100 --from 5000 --to 4000");
  EXPECT_EQ(f.code, 1);
  EXPECT_NE(f.err.find("在终止桩号4000之后"), std::string::npos) << f.err;
}

TEST(CliHardening, OutputsThatMustNotBeWritten) {
  const fs::path dir = fs::temp_directory_path() / "lumora-hard-out";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path list = dir / "list.txt";
  std::ofstream(list) << "1500\n2000\n";
  // The run's own input.
  CliRun r = run("clearance " + kLine + " --list " + list.string() + " -o " + list.string());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("是本次运行读取的文件"), std::string::npos) << r.err;
  EXPECT_EQ(read(list), "1500\n2000\n");
  r = run("design-line " + kLine + " -o " + LUMORA_SOURCE_DIR + "/examples/mainline.jdx");
  EXPECT_EQ(r.code, 1);
  // A FIFO: refused before the run, nothing opened for writing.
  const fs::path fifo = dir / "fifo.svg";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  r = run("design-line " + kLine + " -o " + fifo.string());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("不是普通文件"), std::string::npos) << r.err;
  // A read-only file stays as it was.
  const fs::path ro = dir / "ro.txt";
  std::ofstream(ro) << "keep";
  fs::permissions(ro, fs::perms::owner_read);
  r = run("clearance " + kLine + " --interval 1000 -o " + ro.string());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(ro.string() + ": 文件只读，原有文件未改动"), std::string::npos) << r.err;
  EXPECT_EQ(read(ro), "keep");
  // A symbolic link is written through to its target.
  const fs::path target = dir / "target.txt";
  std::ofstream(target) << "old";
  fs::create_symlink(target, dir / "link.txt");
  r = run("clearance " + kLine + " --interval 1000 -o " + (dir / "link.txt").string());
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
  EXPECT_EQ(read(target).rfind("1234.567", 0), 0u);
  // A missing folder: the path is named.
  r = run("clearance " + kLine + " --interval 1000 -o " + (dir / "none" / "r.txt").string());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find((dir / "none" / "r.txt").string()), std::string::npos) << r.err;
  fs::remove_all(dir);
}

TEST(CliHardening, AnInterruptedRunLeavesNoScratchFile) {
  // The run's temporary folder is a private one, so that other runs do not
  // count.
  const fs::path tmp = fs::temp_directory_path() / "lumora-hard-tmp";
  fs::remove_all(tmp);
  fs::create_directories(tmp);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // A long run written to standard output (here: nowhere).
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    const std::string line = std::string(LUMORA_SOURCE_DIR) + "/examples/mainline.jdx";
    ::execl(LUMORA_CLI, LUMORA_CLI, "clearance", "--pi", line.c_str(), "--interval", "0.25",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // Wait until the run has made its scratch folder, then interrupt it.
  for (int i = 0; i < 500 && entries(tmp) == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(entries(tmp), 1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ::kill(pid, SIGINT);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
  EXPECT_EQ(entries(tmp), 0u);
  fs::remove_all(tmp);
}

}  // namespace
