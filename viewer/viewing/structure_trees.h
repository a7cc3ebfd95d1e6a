// The trees of an act's structure window, as plain data: the outline of its
// parts, the modifications tree (the modified parts with the modifications
// they suffered and brought) and the act sheet (the modifications of the act
// as a whole). The window shows them; the export tool prints them.
#ifndef CORVANA_VIEWER_VIEWING_STRUCTURE_TREES_H_
#define CORVANA_VIEWER_VIEWING_STRUCTURE_TREES_H_

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "viewer/finding/act_modifications.h"

namespace viewing {

// Node images; kPruneMark is set only while the modifications tree is
// being pruned.
enum NodeImage : int {
  kPartImage = 1,
  kModifiedPartImage = 2,
  kActImage = 3,
  kSufferedImage = 4,
  kBroughtImage = 5,
  kPruneMark = 12,
};

// A node with its target: "#" + IdParte for a part of the shown act,
// "pr" + IdParte for a part of another act, empty for the act itself.
// Text is Windows-1250.
struct TreeNode {
  std::string text;
  std::string target;
  int image = kPartImage;
  std::vector<TreeNode> children;
};

// The top-level nodes; the first is the root, which stands for the act.
using Tree = std::vector<TreeNode>;

// An outline line more than one level deeper than the line before it; the
// message, in UTF-8, names its depth and its text.
class OutlineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The structure tree: the act's structure text read as an outline, its
// parts' nodes marked modified when their id is in `modified_parts`. The
// root "Actul" shows `act_title`. An invalid line throws OutlineError with
// the nodes before it already in `tree`.
void FillStructureTree(std::string_view structure_text, const std::string& act_title,
                       const std::vector<int64_t>& modified_parts, Tree* tree);

// The modifications tree: the outline, each modification hung under the
// node of its part (the root for the act as a whole; nowhere when the part
// has no node), then pruned to the parts that lead to a modification. An
// act without parts keeps its whole outline. Throws OutlineError as above,
// leaving the outline read so far.
void FillModificationsTree(std::string_view structure_text,
                           const finding::ActModifications& act, Tree* tree);

// Prunes the modifications tree: removes every node after the root whose
// subtree holds no modification and no modified part.
void ClearChildren(Tree& tree);

// The act sheet: the root of the modifications tree with the modifications
// of the act as a whole, and the note on the act's first republication when
// it exists.
Tree ActSheet(const Tree& modifications, bool first_republication_exists);

// The key of the first republication of the act with key `ind_num`: its
// first four words and "1".
std::string FirstRepublicationKey(std::string_view ind_num);

// The first node after the root whose target is `target`, in tree order;
// nullptr when there is none.
const TreeNode* LocateNod(const Tree& tree, std::string_view target);

// The text a suffered modification shows: kind, other part and other act,
// without the first "Actul din".
std::string SufferedText(const finding::OtherEnd& end);

// The tree as text: one node per line, indented by a tab per level, each
// line "(image) text", a tab and the target, then CR LF.
std::string TreeText(const Tree& tree);

}  // namespace viewing

#endif  // CORVANA_VIEWER_VIEWING_STRUCTURE_TREES_H_
