#include "session/profile_input.h"

#include "error.h"
#include "profile/profile_file.h"
#include "text/encoding.h"

namespace lumora::session {

profile::Profile ask_profile_file(UserInterface& ui, const chainage::ChainBreakTable& breaks,
                                  std::vector<std::filesystem::path>& inputs) {
  const auto path = ui.choose_file(kProfileDialog);
  if (!path || path->empty())
    throw CancelledError(CancelledError::Kind::read, kProfileDialog.title);
  inputs.push_back(*path);
  return profile::read_profile_file(text::read_text_lines(*path), path->filename().string(),
                                    breaks);
}

}  // namespace lumora::session
