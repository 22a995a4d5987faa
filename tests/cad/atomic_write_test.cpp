// Replacing a file: the target is either left whole or holds the whole new
// content, and what cannot be written is refused, naming the path.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "cad/document.h"
#include "cad/write_atomic.h"
#include "cad/writers.h"
#include "error.h"
#include "text/encoding.h"

namespace fs = std::filesystem;
using namespace lumora;

namespace {

class AtomicWrite : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("lumora-atomic-" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir);
  }
  static std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void put(const fs::path& p, const std::string& s) {
    std::ofstream(p, std::ios::binary) << s;
  }
  // Writes `s` through the atomic writer; the detail of the refusal, or "".
  static std::string write(const fs::path& p, const std::string& s) {
    try {
      cad::write_file_atomically(p, [&](const std::string& temp) { put(temp, s); });
    } catch (const CancelledError& e) {
      EXPECT_EQ(e.message(), "保存文件被取消！");
      return e.detail();
    }
    return "";
  }
  std::size_t entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
  }

  fs::path dir;
};

TEST_F(AtomicWrite, SymbolicLinksAreWrittenThrough) {
  const fs::path target = dir / "target.txt";
  const fs::path link = dir / "link.txt";
  put(target, "old");
  fs::create_symlink("target.txt", link);  // relative to the link's folder
  EXPECT_EQ(write(link, "new"), "");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(read(target), "new");
  EXPECT_EQ(entries(), 2u);  // no temporary file beside either
  // A link to a file that does not exist yet creates it.
  fs::create_symlink("later.txt", dir / "dangling.txt");
  EXPECT_EQ(write(dir / "dangling.txt", "made"), "");
  EXPECT_EQ(read(dir / "later.txt"), "made");
}

TEST_F(AtomicWrite, TargetsThatAreNotRegularWritableFiles) {
  const fs::path fifo = dir / "pipe.txt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(write(fifo, "x"), fifo.string() + ": 不是普通文件，原有文件未改动");
  EXPECT_TRUE(fs::is_fifo(fifo));

  const fs::path ro = dir / "ro.txt";
  put(ro, "keep");
  fs::permissions(ro, fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(write(ro, "x"), ro.string() + ": 文件只读，原有文件未改动");
  EXPECT_EQ(read(ro), "keep");

  EXPECT_NE(write(dir, "x").find("不是普通文件"), std::string::npos);
  const std::string missing = write(dir / "no" / "x.txt", "x");
  EXPECT_EQ(missing.rfind((dir / "no" / "x.txt").string() + ": 无法在所在文件夹建立文件", 0), 0u);
  EXPECT_NE(missing.find("，未写入"), std::string::npos);
  EXPECT_EQ(entries(), 2u);
}

TEST_F(AtomicWrite, AFailedWriteLeavesTheOldFileWhole) {
  const fs::path p = dir / "result.txt";
  put(p, "old content");
  fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  try {
    cad::write_file_atomically(p, [&](const std::string& temp) {
      put(temp, "half");
      throw CancelledError(CancelledError::Kind::save, "disk full");
    });
    FAIL();
  } catch (const CancelledError& e) {
    EXPECT_EQ(e.detail(), p.string() + ": 写入失败 (disk full)，原有文件未改动");
  }
  EXPECT_EQ(read(p), "old content");
  EXPECT_EQ(entries(), 1u);
  // A replaced file keeps its permissions.
  EXPECT_EQ(write(p, "new"), "");
  EXPECT_EQ(fs::status(p).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(AtomicWrite, DxfInMemoryIsTheFileWritten) {
  cad::DrawingDocument doc;
  doc.set_active_layer(doc.add_layer("中心线"));
  doc.add_line({0, 0, 0}, {100, 50, 0});
  doc.add_text("QD K0+000.000", {0, 0, 0}, 4);
  cad::write_drawing(doc, dir / "a.dxf");
  EXPECT_EQ(cad::dxf_text(doc), read(dir / "a.dxf"));
  // The dimension style refers to the text style "Standard" by its handle.
  const auto lines = text::split_lines(cad::dxf_text(doc));
  std::string standard_handle, dimstyle_text_style;
  for (std::size_t i = 0; i + 5 < lines.size(); ++i) {
    if (lines[i] == "STYLE" && lines[i + 1] == "  5") standard_handle = lines[i + 2];
    if (lines[i] == "DIMSTYLE" && lines[i + 1] == "105") {
      for (std::size_t k = i; k + 1 < lines.size() && lines[k] != "ENDTAB"; ++k) {
        if (lines[k] == "340") dimstyle_text_style = lines[k + 1];
      }
    }
  }
  EXPECT_FALSE(standard_handle.empty());
  EXPECT_EQ(dimstyle_text_style, standard_handle);
  cad::write_drawing(doc, dir / "a.svg");
  EXPECT_EQ(cad::svg_text(doc), read(dir / "a.svg"));
}

}  // namespace
