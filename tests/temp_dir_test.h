// A test fixture with a fresh folder of its own for the files a test writes,
// removed again after the test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace lumora::testing {

class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = std::filesystem::temp_directory_path() /
          ("lumora-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
           std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  /// Writes `content` byte for byte to the file `name` of the folder.
  std::filesystem::path write(const std::string& name, const std::string& content) {
    const std::filesystem::path p = dir / name;
    std::ofstream(p, std::ios::binary) << content;
    return p;
  }

  std::filesystem::path dir;
};

}  // namespace lumora::testing
