#include "idxcore/import/structure_tree.h"

#include "actsdb/stored_forms.h"

namespace idxcore {

void StructureTree::Clear() {
  nodes_.clear();
  top_level_.clear();
}

int StructureTree::AddChild(int parent, std::string text) {
  const int node = static_cast<int>(nodes_.size());
  nodes_.push_back(Node{std::move(text), parent, {}});
  if (parent == kNone) {
    top_level_.push_back(node);
  } else {
    nodes_[parent].children.push_back(node);
  }
  return node;
}

std::string StructureTree::Text() const {
  std::string out;
  for (int node : top_level_) AppendText(out, node, 0);
  return out;
}

void StructureTree::AppendText(std::string& out, int node, int depth) const {
  actsdb::AppendStructLine(out, depth, nodes_[node].text);
  for (int child : nodes_[node].children) AppendText(out, child, depth + 1);
}

void StructureBuilder::Start() {
  tree_.Clear();
  classes_.clear();
  current_ = AddNode(StructureTree::kNone, "Actul");
}

int StructureBuilder::AddNode(int parent, std::string text) {
  classes_.push_back(headings_.Class(text));
  return tree_.AddChild(parent, std::move(text));
}

void StructureBuilder::Add(std::string_view label, long part_id, std::string_view title) {
  const HeadingClass heading = headings_.Class(label);
  std::string text = actsdb::StructNodeText(label, part_id, actsdb::StructTail(label, title));
  for (int cursor = current_; cursor != StructureTree::kNone; cursor = tree_.parent(cursor)) {
    if (classes_[cursor].name == heading.name) {
      current_ = AddNode(tree_.parent(cursor), std::move(text));
      return;
    }
  }
  int n = current_;
  while (n != StructureTree::kNone && heading.level < classes_[n].level) n = tree_.parent(n);
  current_ = AddNode(n, std::move(text));
}

}  // namespace idxcore
