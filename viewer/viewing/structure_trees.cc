#include "viewer/viewing/structure_trees.h"

#include <algorithm>
#include <set>

#include "actsdb/codepage.h"
#include "viewer/finding/act_key.h"

namespace viewing {

namespace {

// Node texts of the structure text: label "#" id "#" tail; the root line
// is the act itself.
constexpr std::string_view kRootText = finding::kWholeAct;
constexpr size_t kTargetWindow = 200;
constexpr size_t kTextWindow = 100;
constexpr size_t kMarkedIdWidth = 15;
constexpr char kRepublicationNote[] = "A se vedea si ultima republicare !";

// The lines of a text split at CR LF, CR or LF; a final line break ends the
// last line rather than starting an empty one.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

// Reads an indented outline into `tree`: a line's depth is its number of
// leading tabs or blanks. The first line is a top-level node; a line one
// level deeper than the node before it is that node's child, one at the
// same depth or shallower the next sibling at its depth.
void LoadOutline(std::string_view text, Tree* tree) {
  tree->clear();
  std::vector<TreeNode*> path;  // the last node loaded and its ancestors
  for (std::string_view line : Lines(text)) {
    const size_t depth = std::min(line.find_first_not_of("\t "), line.size());
    const std::string_view node_text = line.substr(depth);
    size_t level = depth;
    if (path.empty()) {
      level = 0;
    } else if (depth > path.size()) {
      throw OutlineError("Invalid level (" + std::to_string(depth) + ") for item \"" +
                         actsdb::Cp1250ToUtf8(node_text) + "\"");
    }
    path.resize(level);
    Tree& siblings = level == 0 ? *tree : path.back()->children;
    siblings.push_back(TreeNode{std::string(node_text), "", kPartImage, {}});
    path.push_back(&siblings.back());
  }
}

// Turns a node's structure-text line into what the tree shows: the act's
// title for the root, otherwise the label and the tail cut before any "~",
// with "#" + the part id as its target.
void ShowNode(TreeNode& node, const std::string& act_title) {
  if (node.text == kRootText) {
    node.text = act_title;
    node.target.clear();
    node.image = kActImage;
  } else {
    const std::string& line = node.text;
    const size_t hash = line.find('#');
    std::string shown = line;
    if (hash != std::string::npos) {
      const std::string_view after = std::string_view(line).substr(hash + 1);
      const std::string_view id = after.substr(0, kTargetWindow);
      node.target = "#" + std::string(id.substr(0, id.find('#')));
      const std::string_view window = after.substr(0, kTextWindow);
      const size_t second = window.find('#');
      shown = line.substr(0, hash) +
              std::string(second == std::string_view::npos ? "" : window.substr(second + 1));
    }
    node.text = shown.substr(0, shown.find('~'));
    node.image = kPartImage;
  }
  for (TreeNode& child : node.children) ShowNode(child, act_title);
}

// Loads the outline and shows its nodes; the nodes loaded before an invalid
// line are shown too before the error goes on.
void FillOutline(std::string_view structure_text, const std::string& act_title, Tree* tree) {
  try {
    LoadOutline(structure_text, tree);
  } catch (const OutlineError&) {
    for (TreeNode& node : *tree) ShowNode(node, act_title);
    throw;
  }
  for (TreeNode& node : *tree) ShowNode(node, act_title);
}

void MarkModified(std::vector<TreeNode>& nodes, const std::set<std::string>& ids) {
  for (TreeNode& node : nodes) {
    if (node.target.starts_with('#') && ids.contains(node.target.substr(1, kMarkedIdWidth))) {
      node.image = kModifiedPartImage;
    }
    MarkModified(node.children, ids);
  }
}

// The first node of `nodes` or their subtrees whose target is `target`, in
// tree order.
template <typename Nodes>
auto FindTarget(Nodes& nodes, std::string_view target) -> decltype(&nodes.front()) {
  for (auto& node : nodes) {
    if (node.target == target) return &node;
    if (auto* found = FindTarget(node.children, target)) return found;
  }
  return nullptr;
}

// The same search over the nodes after the root.
template <typename Nodes>
auto FindAfterRoot(Nodes& tree, std::string_view target) -> decltype(&tree.front()) {
  if (tree.empty()) return nullptr;
  if (auto* found = FindTarget(tree.front().children, target)) return found;
  for (size_t i = 1; i < tree.size(); ++i) {
    if (tree[i].target == target) return &tree[i];
    if (auto* found = FindTarget(tree[i].children, target)) return found;
  }
  return nullptr;
}

std::string WithoutActulDin(std::string text) {
  constexpr std::string_view kActulDin = "Actul din";
  const size_t at = text.find(kActulDin);
  if (at != std::string::npos) text.erase(at, kActulDin.size());
  return text;
}

std::string BroughtText(const finding::OtherEnd& end) {
  return WithoutActulDin(end.part_label + " din " + end.act_title + " - " + end.kind +
                         " actul curent");
}

// Hangs the modifications of every part under its node: the root for the
// act as a whole, the part's own node otherwise; a part's node becomes a
// modified part's.
void AddModifications(const finding::ActModifications& act, Tree& tree) {
  TreeNode* root = &tree.front();
  for (const finding::PartModifications& part : act.parts) {
    if (part.suffered.empty() && part.brought.empty()) continue;
    TreeNode* parent = part.label == finding::kWholeAct
                           ? root
                           : FindAfterRoot(tree, "#" + std::to_string(part.part_id));
    if (parent == nullptr) continue;
    if (parent != root) parent->image = kModifiedPartImage;
    for (const finding::OtherEnd& end : part.suffered) {
      parent->children.push_back(
          {SufferedText(end), "pr" + std::to_string(end.part_id), kSufferedImage, {}});
    }
    for (const finding::OtherEnd& end : part.brought) {
      parent->children.push_back(
          {BroughtText(end), "pr" + std::to_string(end.part_id), kBroughtImage, {}});
    }
  }
}

// Marks with kPruneMark every plain part node above a node that is not a
// plain part.
void MarkKept(TreeNode& node) {
  for (TreeNode& child : node.children) {
    MarkKept(child);
    if (child.image != kPartImage && node.image == kPartImage) node.image = kPruneMark;
  }
}

// Removes the plain part nodes from `from` on, with their subtrees, and
// does the same below the nodes that stay, whose marks become plain again.
void RemovePlainParts(std::vector<TreeNode>& nodes, size_t from = 0) {
  nodes.erase(std::remove_if(nodes.begin() + static_cast<ptrdiff_t>(from), nodes.end(),
                             [](const TreeNode& node) { return node.image == kPartImage; }),
              nodes.end());
  for (TreeNode& node : nodes) {
    RemovePlainParts(node.children);
    if (node.image == kPruneMark) node.image = kPartImage;
  }
}

void WriteNodes(const std::vector<TreeNode>& nodes, int depth, std::string& out) {
  for (const TreeNode& node : nodes) {
    out.append(depth, '\t');
    out += "(" + std::to_string(node.image) + ") " + node.text + "\t" + node.target + "\r\n";
    WriteNodes(node.children, depth + 1, out);
  }
}

}  // namespace

void FillStructureTree(std::string_view structure_text, const std::string& act_title,
                       const std::vector<int64_t>& modified_parts, Tree* tree) {
  FillOutline(structure_text, act_title, tree);
  std::set<std::string> ids;
  for (int64_t id : modified_parts) ids.insert(std::to_string(id));
  MarkModified(*tree, ids);
}

void FillModificationsTree(std::string_view structure_text,
                           const finding::ActModifications& act, Tree* tree) {
  FillOutline(structure_text, act.title, tree);
  if (act.parts.empty() || tree->empty()) return;
  AddModifications(act, *tree);
  ClearChildren(*tree);
}

void ClearChildren(Tree& tree) {
  for (TreeNode& node : tree) MarkKept(node);
  RemovePlainParts(tree, std::min<size_t>(1, tree.size()));
}

Tree ActSheet(const Tree& modifications, bool first_republication_exists) {
  TreeNode root{modifications.empty() ? "" : modifications.front().text, "", kActImage, {}};
  if (!modifications.empty()) {
    for (const TreeNode& child : modifications.front().children) {
      if (child.image == kSufferedImage || child.image == kBroughtImage) {
        root.children.push_back({child.text, child.target, child.image, {}});
      }
    }
  }
  if (first_republication_exists) root.children.push_back({kRepublicationNote, "", kActImage, {}});
  return Tree{std::move(root)};
}

std::string FirstRepublicationKey(std::string_view ind_num) {
  const std::vector<std::string> words = finding::SplitKeyWords(ind_num);
  std::string key;
  for (size_t i = 0; i < std::min<size_t>(words.size(), 4); ++i) key += words[i] + " ";
  return key + "1";
}

const TreeNode* LocateNod(const Tree& tree, std::string_view target) {
  return FindAfterRoot(tree, target);
}

std::string SufferedText(const finding::OtherEnd& end) {
  return WithoutActulDin(end.kind + " " + end.part_label + " din " + end.act_title);
}

std::string TreeText(const Tree& tree) {
  std::string text;
  WriteNodes(tree, 0, text);
  return text;
}

}  // namespace viewing
