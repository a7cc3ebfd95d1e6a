#include "viewer/finding/act_modifications.h"

#include <optional>

#include "actsdb/display_title.h"

namespace finding {

namespace {

std::optional<int64_t> NullableInteger(const actsdb::Dataset& row, const char* column) {
  if (row.IsNull(column)) return std::nullopt;
  return row.AsInteger(column);
}

}  // namespace

ModificationReader::ModificationReader(actsdb::Database& db)
    : acts_(db, "tblActe"),
      types_(db, "tblTipAct"),
      kinds_(db, "tbltipmod"),
      parts_(db, "tblParti"),
      act_parts_(db, "tblParti"),
      suffered_(db, "tblModif"),
      brought_(db, "tblModif") {
  act_parts_.SetIndexName("indactul");
  suffered_.SetIndexName("indmodificat");
  brought_.SetIndexName("indmodificant");
  // Empty until a part is chosen.
  act_parts_.SetRange("Actul", 0);
  suffered_.SetRange("IdModificat", 0);
  brought_.SetRange("IdModificant", 0);
  for (actsdb::Table* table :
       {&acts_, &types_, &kinds_, &parts_, &act_parts_, &suffered_, &brought_}) {
    table->Open();
  }
}

ModificationReader::~ModificationReader() = default;

const std::string& ModificationReader::ActTitle(int64_t act_id) {
  auto [it, added] = act_titles_.try_emplace(act_id);
  if (!added || !acts_.Locate("IdAct", act_id)) return it->second;
  const int64_t type_id = acts_.AsInteger("IdTipAct");
  auto [type, new_type] = type_names_.try_emplace(type_id);
  if (new_type && types_.Locate("IdTipAct", type_id)) type->second = types_.AsString("TipAct");
  it->second = actsdb::DispTitlu({type->second, NullableInteger(acts_, "NrOficial"),
                                  NullableInteger(acts_, "Anul"), acts_.AsString("Titlu2"),
                                  NullableInteger(acts_, "Rep")});
  if (it->second.size() > actsdb::kDispTitluWidth) it->second.resize(actsdb::kDispTitluWidth);
  return it->second;
}

bool ModificationReader::HasAct(const std::string& ind_num) {
  return acts_.Locate("IndNum", ind_num);
}

const std::string& ModificationReader::KindName(int64_t kind_id) {
  auto [it, added] = kind_names_.try_emplace(kind_id);
  if (added && kinds_.Locate("IdTipMod", kind_id)) it->second = kinds_.AsString("NumModif");
  return it->second;
}

bool ModificationReader::FindPart(int64_t part_id, Part* part) {
  if (!parts_.Locate("IdParte", part_id)) return false;
  part->label = parts_.AsString("NumParte");
  part->act_id = parts_.AsInteger("Actul");
  return true;
}

std::vector<OtherEnd> ModificationReader::Ends(actsdb::Table& modifications,
                                               const char* other_column) {
  std::vector<OtherEnd> ends;
  for (bool more = modifications.First(); more; more = modifications.Next()) {
    OtherEnd end;
    end.part_id = modifications.AsInteger(other_column);
    end.kind = KindName(modifications.AsInteger("IdTipMod"));
    Part other;
    if (FindPart(end.part_id, &other)) {
      end.part_label = other.label;
      end.act_title = ActTitle(other.act_id).substr(0, kPartActTitleWidth);
    }
    ends.push_back(std::move(end));
  }
  return ends;
}

std::vector<OtherEnd> ModificationReader::Suffered(int64_t part_id) {
  suffered_.SetRange("IdModificat", part_id);
  return Ends(suffered_, "IdModificant");
}

ActModifications ModificationReader::Read(int64_t act_id) {
  ActModifications act;
  act.act_id = act_id;
  act.title = ActTitle(act_id);
  act_parts_.SetRange("Actul", act_id);
  std::vector<std::pair<int64_t, std::string>> parts;
  for (bool more = act_parts_.First(); more; more = act_parts_.Next()) {
    parts.emplace_back(act_parts_.AsInteger("IdParte"), act_parts_.AsString("NumParte"));
  }
  for (auto& [id, label] : parts) {
    PartModifications part;
    part.part_id = id;
    part.label = std::move(label);
    part.suffered = Suffered(id);
    brought_.SetRange("IdModificant", id);
    part.brought = Ends(brought_, "IdModificat");
    act.parts.push_back(std::move(part));
  }
  return act;
}

std::vector<int64_t> ModificationReader::ModifiedParts(int64_t act_id) {
  act_parts_.SetRange("Actul", act_id);
  std::vector<int64_t> ids;
  for (bool more = act_parts_.First(); more; more = act_parts_.Next()) {
    if (act_parts_.AsBoolean("Mod")) ids.push_back(act_parts_.AsInteger("IdParte"));
  }
  return ids;
}

}  // namespace finding
