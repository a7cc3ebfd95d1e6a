#include "viewer/finding/link_targets.h"

namespace finding {
namespace {

constexpr std::string_view kRewrittenEnd = ".htm";

}  // namespace

std::string RewrittenLinkPrefix(std::string_view install_dir) {
  return "file://" + std::string(install_dir) + "/lg";
}

LinkTarget ClassifyLink(std::string_view target, std::string_view install_dir) {
  const std::string prefix = RewrittenLinkPrefix(install_dir);
  if (target.size() >= prefix.size() + kRewrittenEnd.size() && target.starts_with(prefix) &&
      target.ends_with(kRewrittenEnd)) {
    return {LinkTarget::Kind::kAct,
            std::string(target.substr(prefix.size(),
                                      target.size() - prefix.size() - kRewrittenEnd.size()))};
  }
  if (target.find("img") != std::string_view::npos) return {};
  if (target == kLanguageLink) return {LinkTarget::Kind::kLanguage, {}};
  const size_t hash = target.find('#');
  if (hash != std::string_view::npos && target.find("tp+") == std::string_view::npos) {
    return {LinkTarget::Kind::kAct,
            std::string(hash + 2 <= target.size() ? target.substr(hash + 2) : "")};
  }
  return {};
}

std::string OtherLanguageKey(std::string_view key, char act_language) {
  if (act_language == 'R') return std::string(key) + " M";
  if (key.ends_with(" M")) key.remove_suffix(2);
  return std::string(key);
}

}  // namespace finding
