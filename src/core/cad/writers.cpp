#include "cad/writers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "cad/write_atomic.h"
#include "error.h"

namespace lumora::cad {

void write_file_atomically(const std::filesystem::path& path,
                           const std::function<void(const std::string& temp)>& write) {
  if (path.empty()) throw CancelledError(CancelledError::Kind::save);
  const std::filesystem::path dir = path.has_parent_path() ? path.parent_path() : ".";
  std::string temp = (dir / ("." + path.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) throw CancelledError(CancelledError::Kind::save, path.string() + ": 无法写入");
  ::close(fd);
  std::error_code ec;
  try {
    write(temp);
  } catch (const CancelledError&) {
    std::filesystem::remove(temp, ec);
    throw CancelledError(CancelledError::Kind::save, path.string() + ": 无法写入");
  } catch (...) {
    std::filesystem::remove(temp, ec);
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
  // mkstemp creates the file for its owner only; a drawing gets the usual
  // permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::chmod(temp.c_str(), 0666 & ~mask);
  if (ok) std::filesystem::rename(temp, path, ec);
  if (!ok || ec) {
    std::filesystem::remove(temp, ec);
    throw CancelledError(CancelledError::Kind::save, path.string() + ": 无法写入");
  }
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
