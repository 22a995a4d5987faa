// Atomic file replacement for the drawing writers.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace lumora::cad {

/// Calls write(temp) with the name of a new temporary file in the target's
/// directory, then renames it over the target, so that the target is either
/// left as it was or holds the whole new content. The target is `path`, or,
/// where `path` is a symbolic link, the file it points to (the link stays).
/// Throws CancelledError (save), whose detail names the path and says
/// whether an existing file was left unchanged, when the target exists but
/// is not a regular file or is read-only, when the directory is missing or
/// not writable, and when the write or the rename fails; the temporary file
/// is then removed.
void write_file_atomically(const std::filesystem::path& path,
                           const std::function<void(const std::string& temp)>& write);

/// The file that write_file_atomically would replace for `path` (symbolic
/// links followed), after the same checks: throws CancelledError (save) for
/// a target that exists but is not a regular writable file.
std::filesystem::path write_target(const std::filesystem::path& path);

/// Removes the temporary file of a write in progress, if any. Safe to call
/// from a signal handler.
void remove_pending_temp_file() noexcept;

}  // namespace lumora::cad
