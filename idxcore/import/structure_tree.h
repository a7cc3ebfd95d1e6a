// An act's structure tree: the root "Actul" and one node per heading,
// placed by heading class and level, and its stored text form.
#ifndef CORVANA_IDXCORE_IMPORT_STRUCTURE_TREE_H_
#define CORVANA_IDXCORE_IMPORT_STRUCTURE_TREE_H_

#include <string>
#include <string_view>
#include <vector>

#include "idxcore/import/text_parsing.h"

namespace idxcore {

// An ordered tree of text nodes. Nodes are addressed by index; kNone is
// "no node" (the parent of a top-level node).
class StructureTree {
 public:
  static constexpr int kNone = -1;

  void Clear();
  // Adds `text` as the last child of `parent`, or as the last top-level
  // node when `parent` is kNone. Returns the new node.
  int AddChild(int parent, std::string text);

  int parent(int node) const { return nodes_[node].parent; }
  const std::string& text(int node) const { return nodes_[node].text; }
  size_t size() const { return nodes_.size(); }

  // One line per node in pre-order: depth tabs, the text, CR LF.
  std::string Text() const;

 private:
  struct Node {
    std::string text;
    int parent = kNone;
    std::vector<int> children;
  };
  void AppendText(std::string& out, int node, int depth) const;

  std::vector<Node> nodes_;
  std::vector<int> top_level_;
};

// Builds one act's tree as its headings come, in text order.
class StructureBuilder {
 public:
  explicit StructureBuilder(const HeadingMatcher& headings) : headings_(headings) {}

  // Clears the tree and adds the root "Actul", which becomes current.
  void Start();

  // Places the node "label#part_id#tail" (tail from `title`): as the last
  // sibling of the nearest open node (the current one or an ancestor) of
  // the same heading class; failing that, as the last child of the deepest
  // open node whose level does not exceed the heading's. The new node
  // becomes current.
  void Add(std::string_view label, long part_id, std::string_view title);

  const StructureTree& tree() const { return tree_; }

 private:
  int AddNode(int parent, std::string text);

  const HeadingMatcher& headings_;
  StructureTree tree_;
  // The heading class of each node's text, found once when it is added
  // rather than at every search that passes the node.
  std::vector<HeadingClass> classes_;
  int current_ = StructureTree::kNone;
};

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_IMPORT_STRUCTURE_TREE_H_
