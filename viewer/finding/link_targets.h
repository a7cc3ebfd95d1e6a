// What the links of an act page lead to.
//
// An act page links to other acts in two forms: the stored one, "# " and
// the reference ("# lg 1 24 1990"), and the form page production rewrites
// the first link of a line into, "file://" + the installation directory +
// "/lg" + the reference + ".htm". The rewritten form is recognised only
// with exactly that prefix and ending, so that neither a stored reference
// whose type code is "lg" nor an installation directory whose path holds
// "lg", "#" or dots is taken for the other form. Besides those, the page
// has its language link "chlang", picture links and in-page anchors
// (search-hit anchors hold "tp+"), which the viewer follows itself.
#ifndef CORVANA_VIEWER_FINDING_LINK_TARGETS_H_
#define CORVANA_VIEWER_FINDING_LINK_TARGETS_H_

#include <string>
#include <string_view>

namespace finding {

inline constexpr std::string_view kLanguageLink = "chlang";

struct LinkTarget {
  enum class Kind {
    kOther,     // left to the page viewer (pictures, in-page anchors, ...)
    kLanguage,  // the other-language version of the act shown
    kAct,       // the act `reference` names (for LocateActByKey)
  };
  Kind kind = Kind::kOther;
  std::string reference;
};

// The rewritten prefix of act links on the pages of `install_dir`.
std::string RewrittenLinkPrefix(std::string_view install_dir);

// Classifies a link target of an act page of the installation `install_dir`
// (no trailing "/"), in this order: the rewritten form (the reference between
// the prefix and the final ".htm"); a picture (holds "img"); "chlang"; the
// stored form (holds "#" and not "tp+"; the reference starts at the second
// character after the first "#"); anything else.
LinkTarget ClassifyLink(std::string_view target, std::string_view install_dir);

// The act key of the other-language version: from a Romanian act
// (`act_language` 'R') the key with " M" appended, otherwise the key
// without a final " M" (a key without one stays as it is).
std::string OtherLanguageKey(std::string_view key, char act_language);

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_LINK_TARGETS_H_
