// libFuzzer target: an act's stored structure text read into its outline,
// its modifications tree (pruned) and its act sheet, as the structure
// window builds them. A malformed outline is refused with OutlineError;
// anything else (a crash, a sanitizer report) is a finding.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "viewer/viewing/structure_trees.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // The parts with ids 1 to 3 are modified; ids 1, 2 and 7 suffered or brought something.
  finding::ActModifications act;
  act.act_id = 1;
  act.title = "Lege nr. 1/2000";
  const finding::OtherEnd other{9, "modificat", "Art. 1", "Lege nr. 2/2001"};
  act.parts = {{1, finding::kWholeAct, {other}, {}},
               {2, "Art. 2", {other}, {other}},
               {7, "Cap. I", {}, {other}}};
  viewing::Tree tree;
  try {
    viewing::FillStructureTree(text, act.title, {1, 2, 3}, &tree);
    viewing::LocateNod(tree, "#2");
    viewing::TreeText(tree);
  } catch (const viewing::OutlineError&) {
  }
  viewing::Tree modifications;
  try {
    viewing::FillModificationsTree(text, act, &modifications);
    viewing::TreeText(viewing::ActSheet(modifications, size % 2 == 0));
  } catch (const viewing::OutlineError&) {
  }
  return 0;
}
