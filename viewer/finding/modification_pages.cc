#include "viewer/finding/modification_pages.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace finding {

namespace {

// The fixed lines of both pages; the title at kTitleLine and the column
// heads from kHeadsLine on differ between them.
constexpr size_t kTitleLine = 10;
constexpr size_t kHeadsLine = 28;
constexpr std::array<const char*, kModPageTemplateLines> kTemplate = {
    "<HTML>",
    " ",
    "<HEAD>",
    "<TITLE></TITLE>",
    "</HEAD>",
    "",
    "<table width=100% border=0>",
    "<tr>",
    "<td bgcolor=\"blue\" align=center>",
    "<font size=2 color=\"white\">",
    "",  // title
    "</font>",
    "</td>",
    "</tr>",
    "</table>",
    "",
    "<STYLE TYPE=\"text/css\">",
    "  body, td, th   {font-size: 8pt; font-family: Arial;}",
    "  .larger   {font-size: larger; background-color: a0b8c8;}",
    "  th        {background-color: ffffce;}",
    "  p         {background-color:blue;}",
    "  td        {background-color: #cccccc; padding-left: 5;}",
    "  td.note   {background-color: lightBlue;}",
    "  .head\t\t{font: bold 18pt; color: #a53737;}",
    "</STYLE>",
    "",
    "<b>",
    "<table width=100% border=0  CELLPADDING=\"2\" CELLSPACING=\"2\">",
    "", "", "", "",  // column heads
};

std::vector<std::string> Template(const char* title, const std::array<const char*, 4>& heads) {
  std::vector<std::string> lines(kTemplate.begin(), kTemplate.end());
  lines[kTitleLine] = title;
  for (size_t i = 0; i < heads.size(); ++i) lines[kHeadsLine + i] = heads[i];
  return lines;
}

// A part of the act as its cells name it: its label, or the act's title
// for the act as a whole.
const std::string& OwnLabel(const ActModifications& act, const PartModifications& part) {
  return part.label == kWholeAct ? act.title : part.label;
}

// The other end's label: its part label, or its act's title when it is the
// other act as a whole.
const std::string& OtherLabel(const OtherEnd& end) {
  return end.part_label == kWholeAct ? end.act_title : end.part_label;
}

std::string KindCell(const OtherEnd& end) { return "<td>" + end.kind + "</td>"; }

std::string PartCell(const OtherEnd& end) {
  return "<td> <a href=\"part " + std::to_string(end.part_id) + "\">" + OtherLabel(end) +
         "</a> </td>";
}

std::string ActCell(const OtherEnd& end) {
  return "<td> <a href=\"leg " + std::to_string(end.part_id) + "\">" + end.act_title +
         "</a> </td>";
}

std::string ThisPartLink(const ActModifications& act, const PartModifications& part) {
  return "<a href=\"this  part " + std::to_string(part.part_id) + "\">" + OwnLabel(act, part) +
         "</a> </td>";
}

}  // namespace

std::vector<std::string> BuildModPe(const ActModifications& act) {
  std::vector<std::string> lines =
      Template("<b> Modificari aduse de catre alte acte </b>",
               {"<th width=25%> Partea Modificata </th>", "<th width=25%> Modificarea </th>",
                "<th width=25%> Partea Modificanta </th>",
                "<th width=25%> Actul Modificant </th>"});
  if (act.parts.empty()) return lines;
  for (const PartModifications& part : act.parts) {
    if (part.suffered.empty()) continue;
    if (part.label != kWholeAct) {
      lines.push_back("<a name = \"" + std::to_string(part.part_id) + "\" >");
    }
    for (const OtherEnd& end : part.suffered) {
      lines.push_back("<tr>");
      lines.push_back("<td> " + ThisPartLink(act, part));
      lines.push_back(KindCell(end));
      lines.push_back(PartCell(end));
      lines.push_back(ActCell(end));
      lines.push_back("</tr>");
    }
  }
  lines.push_back("</table>");
  return lines;
}

std::vector<std::string> BuildModDe(const ActModifications& act) {
  std::vector<std::string> lines =
      Template("<b> Modificari aduse altor acte </b>",
               {"<th width=25%> Partea modificata </th>", "<th width=25%> Actul modificat </th>",
                "<th width=25%> Modificarea </th>", "<th width=25%> Partea Modificanta </th>"});
  if (act.parts.empty()) return lines;
  for (const PartModifications& part : act.parts) {
    for (const OtherEnd& end : part.brought) {
      lines.push_back("<tr>");
      lines.push_back(PartCell(end));
      lines.push_back(ActCell(end));
      lines.push_back(KindCell(end));
      lines.push_back("<td><a name=" + std::to_string(part.part_id) + "> " +
                      ThisPartLink(act, part));
      lines.push_back("</tr>");
    }
  }
  lines.push_back("</table>");
  return lines;
}

std::string PageText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::optional<ModLink> ReadModLink(std::string_view target) {
  ModLink link{};
  size_t number_at;
  if (target.starts_with("this")) {
    link.kind = ModLink::Kind::kThisPart;
    number_at = 11;
  } else if (target.starts_with("leg")) {
    link.kind = ModLink::Kind::kAct;
    number_at = 3;
  } else if (target.starts_with("part")) {
    link.kind = ModLink::Kind::kPart;
    number_at = 4;
  } else {
    return std::nullopt;
  }
  if (target.size() <= number_at) return std::nullopt;
  std::string_view number = target.substr(number_at);
  number.remove_prefix(std::min(number.find_first_not_of(' '), number.size()));
  const auto [end, error] =
      std::from_chars(number.data(), number.data() + number.size(), link.part_id);
  if (number.empty() || error != std::errc() || end != number.data() + number.size()) {
    return std::nullopt;
  }
  return link;
}

std::string ModLinkHint(ModificationReader& reader, const ModLink& link,
                        const ActModifications& page_act) {
  ModificationReader::Part part;
  if (!reader.FindPart(link.part_id, &part)) return "";
  switch (link.kind) {
    case ModLink::Kind::kThisPart:
      return part.label + " " + page_act.title;
    case ModLink::Kind::kAct:
      return reader.ActTitle(part.act_id);
    case ModLink::Kind::kPart:
      return part.label + " " + reader.ActTitle(part.act_id);
  }
  return "";
}

std::optional<ModLinkTarget> ResolveModLink(ModificationReader& reader, const ModLink& link,
                                            const ActModifications& page_act) {
  ModificationReader::Part part;
  if (!reader.FindPart(link.part_id, &part)) return std::nullopt;
  const std::string anchor = "#" + std::to_string(link.part_id);
  switch (link.kind) {
    case ModLink::Kind::kThisPart:
      return ModLinkTarget{page_act.act_id, anchor};
    case ModLink::Kind::kAct:
      return ModLinkTarget{part.act_id, ""};
    case ModLink::Kind::kPart:
      return ModLinkTarget{part.act_id, anchor};
  }
  return std::nullopt;
}

}  // namespace finding
