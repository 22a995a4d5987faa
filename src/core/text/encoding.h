// Reading the designer's text files. Files are GBK (the Chinese Windows code
// page); UTF-8 files, with or without a byte-order mark, are recognised and
// accepted as well. Inside the program every text is UTF-8.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lumora::text {

/// Converts the bytes of a file to UTF-8: a UTF-8 byte-order mark is dropped,
/// valid UTF-8 is kept as it is, anything else is decoded as GB18030 (a
/// superset of GBK). Throws DataFormatError when the bytes are not GBK either.
std::string decode_file_bytes(std::string_view bytes, const std::string& where = {});

/// UTF-8 to GBK, for writers whose readers expect the Chinese code page.
/// Characters without a GBK form become '?'.
std::string utf8_to_gbk(std::string_view utf8);

/// Reads a whole text file and splits it into lines (LF or CR LF; a final
/// line without end is kept). An empty path or a file that cannot be opened
/// throws CancelledError (read), as a closed file dialog does. A file beyond
/// the bounds of bounds.h (kMaxInputFileBytes, kMaxInputLines,
/// kMaxLineBytes) throws DataFormatError naming the bound.
std::vector<std::string> read_text_lines(const std::filesystem::path& path);

/// The lines of a file's bytes, decoded as decode_file_bytes does, within
/// the bounds of read_text_lines; `where` names the file in errors.
std::vector<std::string> file_lines(std::string_view bytes, const std::string& where);

/// Splits decoded text into lines (LF, CR LF or lone CR); stops after
/// max_lines + 1 lines.
std::vector<std::string> split_lines(std::string_view text,
                                     std::size_t max_lines = static_cast<std::size_t>(-1));

}  // namespace lumora::text
