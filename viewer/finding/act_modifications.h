// The modifications of one act, part by part: what the two modification
// pages and the act's modifications tree list. A modification joins a
// modifying part of one act to a modified part of another; seen from a part
// of the act it is either suffered (the part is the modified end) or brought
// (the part is the modifying end).
#ifndef CORVANA_VIEWER_FINDING_ACT_MODIFICATIONS_H_
#define CORVANA_VIEWER_FINDING_ACT_MODIFICATIONS_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "actsdb/store.h"

namespace finding {

// The part label that stands for an act as a whole.
inline constexpr char kWholeAct[] = "Actul";

// One modification seen from a part of the act: its kind and the part at
// its other end. Text is Windows-1250.
struct OtherEnd {
  int64_t part_id = 0;     // IdModificant of one suffered, IdModificat of one brought
  std::string kind;        // the kind's name; empty when the kind is not listed
  std::string part_label;  // NumParte of the other part; empty when it is gone
  std::string act_title;   // display title of the other part's act, cut as the
                           // parts view's title column (kPartActTitleWidth)
};

struct PartModifications {
  int64_t part_id = 0;
  std::string label;               // NumParte; kWholeAct for the act as a whole
  std::vector<OtherEnd> suffered;  // in the order of the index "indmodificat"
  std::vector<OtherEnd> brought;   // in the order of the index "indmodificant"
};

struct ActModifications {
  int64_t act_id = 0;
  std::string title;                     // the act's display title
  std::vector<PartModifications> parts;  // every part, in the order of "indactul"
};

// The parts view shows the title of a part's act cut to this width.
inline constexpr size_t kPartActTitleWidth = 35;

// Reads modifications from an acts database. Kinds and act titles are
// looked up once per reader, so keep one for a batch of acts.
class ModificationReader {
 public:
  explicit ModificationReader(actsdb::Database& db);
  ~ModificationReader();
  ModificationReader(const ModificationReader&) = delete;
  ModificationReader& operator=(const ModificationReader&) = delete;

  // The act `act_id` with all its parts; an act that does not exist reads
  // as no parts and an empty title.
  ActModifications Read(int64_t act_id);

  // The modifications part `part_id` suffered (the structure tree's hint).
  std::vector<OtherEnd> Suffered(int64_t part_id);

  // The ids of the act's parts marked modified (their `Mod` flag).
  std::vector<int64_t> ModifiedParts(int64_t act_id);

  // Lookups of one part: its label and act; false when the part is gone.
  struct Part {
    std::string label;
    int64_t act_id = 0;
  };
  bool FindPart(int64_t part_id, Part* part);

  // The display title of an act, uncut; empty when the act is gone.
  const std::string& ActTitle(int64_t act_id);

  // Whether an act with the key `ind_num` exists.
  bool HasAct(const std::string& ind_num);

 private:
  // The rows of `modifications` with the part of `other_column` looked up.
  std::vector<OtherEnd> Ends(actsdb::Table& modifications, const char* other_column);
  const std::string& KindName(int64_t kind_id);

  actsdb::Table acts_;
  actsdb::Table types_;
  actsdb::Table kinds_;
  actsdb::Table parts_;
  actsdb::Table act_parts_;
  actsdb::Table suffered_;
  actsdb::Table brought_;
  std::map<int64_t, std::string> act_titles_;
  std::map<int64_t, std::string> kind_names_;
  std::map<int64_t, std::string> type_names_;
};

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_ACT_MODIFICATIONS_H_
