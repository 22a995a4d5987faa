#include "session/profile_input.h"

#include "error.h"
#include "landxml/landxml_profile.h"
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

std::optional<profile::Profile> landxml_profile(UserInterface& ui, std::string_view bytes,
                                                const std::string& file, double unit,
                                                std::size_t index, const std::string& name) {
  try {
    return landxml::read_profile(bytes, file, unit, index, name);
  } catch (const DataFormatError& e) {
    if (!name.empty()) throw;
    ui.warn(e.detail() + "；未读取该路线的纵断面");
    return std::nullopt;
  }
}

}  // namespace lumora::session
