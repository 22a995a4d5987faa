// Atomic file replacement for the drawing writers.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace lumora::cad {

/// Calls write(temp) with the name of a new temporary file in the target's
/// directory, then renames it over path. When write throws or the file
/// cannot be completed, the temporary file is removed and path is left as
/// it was. Throws CancelledError (save) when the directory is not writable.
void write_file_atomically(const std::filesystem::path& path,
                           const std::function<void(const std::string& temp)>& write);

}  // namespace lumora::cad
