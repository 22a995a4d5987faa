#include "text/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <memory>
#include <unordered_map>

#include "bounds.h"
#include "error.h"

namespace lumora::text {
namespace {

bool is_valid_utf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t extra = 0;
    if (c < 0x80) {
      extra = 0;
    } else if ((c & 0xE0) == 0xC0 && c >= 0xC2) {
      extra = 1;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
    } else if ((c & 0xF8) == 0xF0 && c <= 0xF4) {
      extra = 3;
    } else {
      return false;
    }
    if (extra > 0 && i + extra >= s.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

struct IconvCloser {
  void operator()(iconv_t cd) const { iconv_close(cd); }
};

// Converts with iconv; returns false on an invalid or incomplete sequence.
bool convert(const char* to, const char* from, std::string_view in, std::string& out,
             bool substitute) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser> guard(cd);
  out.clear();
  std::string buffer(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  while (src_left > 0) {
    char* dst = buffer.data();
    std::size_t dst_left = buffer.size();
    const std::size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    out.append(buffer.data(), buffer.size() - dst_left);
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      if (!substitute) return false;
      // Skip one UTF-8 character of the input and write '?'.
      std::size_t skip = 1;
      while (skip < src_left && (static_cast<unsigned char>(src[skip]) & 0xC0) == 0x80) ++skip;
      src += skip;
      src_left -= skip;
      out.push_back('?');
    }
  }
  return true;
}

}  // namespace

std::string decode_file_bytes(std::string_view bytes, const std::string& where) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (is_valid_utf8(bytes)) return std::string(bytes);
  std::string out;
  if (!convert("UTF-8", "GB18030", bytes, out, false)) {
    throw DataFormatError(where + ": 文件既不是GBK也不是UTF-8编码");
  }
  return out;
}

std::string utf8_to_gbk(std::string_view utf8) {
  // ASCII is the same in GBK and is copied as it stands; each run of other
  // bytes is converted on its own (iconv keeps no state between characters
  // in GBK), and the first few thousand distinct runs are kept: a result
  // file repeats a handful of names on every row.
  std::string out;
  out.reserve(utf8.size());
  std::unordered_map<std::string_view, std::string> runs;
  auto ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
  std::size_t i = 0;
  while (i < utf8.size()) {
    std::size_t j = i;
    while (j < utf8.size() && ascii(utf8[j])) ++j;
    out.append(utf8.substr(i, j - i));
    if (j == utf8.size()) break;
    std::size_t k = j;
    while (k < utf8.size() && !ascii(utf8[k])) ++k;
    const std::string_view run = utf8.substr(j, k - j);
    if (const auto it = runs.find(run); it != runs.end()) {
      out += it->second;
    } else {
      std::string converted;
      convert("GBK", "UTF-8", run, converted, true);
      out += converted;
      if (runs.size() < 4096) runs.emplace(run, std::move(converted));
    }
    i = k;
  }
  return out;
}

std::vector<std::string> split_lines(std::string_view text, std::size_t max_lines) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (lines.size() > max_lines) return lines;
    if (text[i] == '\n' || text[i] == '\r') {
      lines.emplace_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::vector<std::string> read_text_lines(const std::filesystem::path& path) {
  if (path.empty()) throw CancelledError(CancelledError::Kind::read);
  std::ifstream in(path, std::ios::binary);
  std::error_code ec;
  if (!in || std::filesystem::is_directory(path, ec)) {
    throw CancelledError(CancelledError::Kind::read, path.string() + ": 无法打开");
  }
  // Read in pieces up to the bound, so that a huge file (or an endless
  // pipe) is refused before it fills the memory.
  std::string bytes;
  std::vector<char> chunk(1 << 16);
  while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
    bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxInputFileBytes) {
      throw DataFormatError(path.string() + ": 文件大于" +
                            std::to_string(kMaxInputFileBytes >> 20) + " MiB (输入文件的上限)");
    }
  }
  return file_lines(bytes, path.string());
}

std::vector<std::string> file_lines(std::string_view bytes, const std::string& where) {
  if (bytes.size() > kMaxInputFileBytes) {
    throw DataFormatError(where + ": 文件大于" + std::to_string(kMaxInputFileBytes >> 20) +
                          " MiB (输入文件的上限)");
  }
  const std::string decoded = decode_file_bytes(bytes, where);
  auto lines = split_lines(decoded, kMaxInputLines);
  if (lines.size() > kMaxInputLines) {
    throw DataFormatError(where + ": 多于" + std::to_string(kMaxInputLines) +
                          "行 (输入文件行数的上限)");
  }
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (lines[k].size() > kMaxLineBytes) {
      throw DataFormatError(where + " 第" + std::to_string(k + 1) + "行: 行长超过" +
                            std::to_string(kMaxLineBytes >> 20) + " MiB (一行的上限)");
    }
  }
  return lines;
}

}  // namespace lumora::text
