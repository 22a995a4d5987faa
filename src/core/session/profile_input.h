// The vertical profile of an initialization: read from the profile file
// (dialog "读取纵断面资料") after the alignment's files, or taken with a
// LandXML alignment.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "chainage/chain_breaks.h"
#include "profile/profile.h"
#include "session/user_interface.h"

namespace lumora::session {

inline const FileDialog kProfileDialog{"读取纵断面资料", "文本文件(*.txt)|*.txt|所有文件(*.*)|*.*",
                                       false};

/// Asks for the profile file and reads it against the line's chain breaks;
/// the file is added to `inputs`. A closed dialog throws CancelledError
/// (read), as every file of the initialization does.
profile::Profile ask_profile_file(UserInterface& ui, const chainage::ChainBreakTable& breaks,
                                  std::vector<std::filesystem::path>& inputs);

}  // namespace lumora::session
