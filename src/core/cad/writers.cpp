#include "cad/writers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>

#include "cad/write_atomic.h"
#include "error.h"

namespace lumora::cad {

namespace {

// The temporary file being written, for remove_pending_temp_file (a signal
// handler may run at any moment, so the name sits in a fixed buffer).
char g_pending[4096];
std::atomic<bool> g_pending_set{false};

void set_pending(const std::string& name) {
  if (name.size() >= sizeof g_pending) return;
  std::memcpy(g_pending, name.c_str(), name.size() + 1);
  g_pending_set.store(true);
}

void clear_pending() {
  g_pending_set.store(false);
}

[[noreturn]] void cannot_write(const std::filesystem::path& path, const std::string& why,
                               bool existed) {
  throw CancelledError(CancelledError::Kind::save,
                       path.string() + ": " + why + (existed ? "，原有文件未改动" : "，未写入"));
}

}  // namespace

void remove_pending_temp_file() noexcept {
  if (g_pending_set.load()) ::unlink(g_pending);
}

std::filesystem::path write_target(const std::filesystem::path& path) {
  if (path.empty()) throw CancelledError(CancelledError::Kind::save);
  std::error_code ec;
  std::filesystem::path target = path;
  // A symbolic link is written through: its target gets the new content and
  // the link stays a link.
  for (int hops = 0; std::filesystem::is_symlink(target, ec); ++hops) {
    if (hops == 40) cannot_write(path, "符号链接层数过多", false);
    const auto link = std::filesystem::read_symlink(target, ec);
    if (ec) cannot_write(path, "无法读取符号链接", false);
    target = link.is_absolute() ? link : target.parent_path() / link;
  }
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) cannot_write(path, "不是普通文件", true);
    // Checked by the mode bits, so that a read-only file stays unchanged
    // for the superuser too.
    if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
      cannot_write(path, "文件只读", true);
    }
  }
  return target;
}

void write_file_atomically(const std::filesystem::path& path,
                           const std::function<void(const std::string& temp)>& write) {
  const std::filesystem::path target = write_target(path);
  std::error_code ec;
  const bool existed = std::filesystem::exists(target, ec);
  const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";
  std::string name = ".";  // appended: "." + text warns falsely at -O3 (g++ 12)
  name += target.filename().string();
  name += ".XXXXXX";
  std::string temp = (dir / name).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0)
    cannot_write(path, std::string("无法在所在文件夹建立文件 (") + std::strerror(errno) + ")",
                 existed);
  set_pending(temp);
  ::close(fd);
  auto discard = [&] {
    std::filesystem::remove(temp, ec);
    clear_pending();
  };
  try {
    write(temp);
  } catch (const CancelledError& e) {
    discard();
    cannot_write(path, "写入失败" + (e.detail().empty() ? std::string() : " (" + e.detail() + ")"),
                 existed);
  } catch (...) {
    discard();
    throw;
  }
  // Flush to the disk before the rename, so that the target is either the
  // old file or the whole new one.
  bool ok = false;
  const int sync_fd = ::open(temp.c_str(), O_RDONLY);
  if (sync_fd >= 0) {
    ok = ::fsync(sync_fd) == 0;
    ok = (::close(sync_fd) == 0) && ok;
  }
  // mkstemp creates the file for its owner only; a new file gets the usual
  // permissions, a replaced one keeps its own.
  struct stat st {};
  mode_t mode = 0;
  if (existed && ::stat(target.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::chmod(temp.c_str(), mode);
  if (ok) std::filesystem::rename(temp, target, ec);
  if (!ok || ec) {
    discard();
    cannot_write(path, "写入失败" + (ec ? " (" + ec.message() + ")" : std::string()), existed);
  }
  clear_pending();
}

void write_drawing(const DrawingDocument& doc, const std::filesystem::path& path,
                   const SvgOptions& svg) {
  if (path.empty()) throw CancelledError(CancelledError::Kind::save);
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
  if (ext == ".dxf") {
    write_dxf(doc, path);
  } else if (ext == ".svg") {
    write_svg(doc, path, svg);
  } else {
    throw DataFormatError(path.filename().string() + ": 绘图文件的扩展名应为 .dxf 或 .svg");
  }
}

std::array<std::uint8_t, 3> aci_rgb(int index) {
  using Rgb = std::array<std::uint8_t, 3>;
  static constexpr std::array<Rgb, 10> kBasic = {{{255, 255, 255},
                                                  {255, 0, 0},
                                                  {255, 255, 0},
                                                  {0, 255, 0},
                                                  {0, 255, 255},
                                                  {0, 0, 255},
                                                  {255, 0, 255},
                                                  {255, 255, 255},
                                                  {128, 128, 128},
                                                  {192, 192, 192}}};
  if (index >= 1 && index <= 9) return kBasic[static_cast<std::size_t>(index)];
  if (index >= 250 && index <= 255) {
    static constexpr std::array<std::uint8_t, 6> kGrey = {51, 80, 105, 130, 190, 255};
    const auto g = kGrey[static_cast<std::size_t>(index - 250)];
    return {g, g, g};
  }
  if (index < 10 || index > 249) return kBasic[0];
  // 24 hues 15° apart, each in five shades of value, every second one a
  // pale tint (the other channels at half the value).
  static constexpr std::array<double, 5> kValue = {255, 165, 127, 76, 38};
  const double hue = (index / 10 - 1) * 15.0;
  const int shade = index % 10;
  const double v = kValue[static_cast<std::size_t>(shade / 2)];
  const double lo = (shade % 2 == 1) ? std::floor(v / 2) : 0;
  auto channel = [&](double h) {
    h = std::fmod(h + 360.0, 360.0);
    double f = 0;
    if (h < 60) {
      f = h / 60;
    } else if (h < 180) {
      f = 1;
    } else if (h < 240) {
      f = (240 - h) / 60;
    }
    return static_cast<std::uint8_t>(std::lround(lo + (v - lo) * f));
  };
  // Red peaks at 0°, green at 120°, blue at 240°.
  return {channel(hue + 120), channel(hue), channel(hue - 120)};
}

}  // namespace lumora::cad
