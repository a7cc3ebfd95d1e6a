#include "viewer/viewing/act_page.h"

#include <string>

#include "actsdb/codepage.h"
#include "actsdb/compress.h"
#include "viewer/finding/link_targets.h"

namespace viewing {
namespace {

// The page, line by line; "<#Name>" marks where a value goes.
constexpr std::string_view kTemplate[] = {
    "<html>",
    "",
    "<body bgcolor=white lang=RO style='tab-interval:35.4pt'>",
    "",
    "<div class=Section1>",
    "",
    "<table border=0 cellpadding=0 cellspacing=0 width=\"100%\" bgcolor=\"#336699\">",
    " <tr>",
    "  <td width=\"5%\" valign=\"middle\" align=center bgcolor=\"cyan\"  link=\"#FFFFFF\" "
    "cellpadding=1>",
    " <bgcolor=\"cyan\"> ",
    " <link=\"white\">",
    " <font color=\"#FFFFFF\"   size=\"3\"> <a href=\"chlang\"> <#Limb> </a> </font> ",
    " </link>",
    " </bgcolor>",
    "  </td>",
    "  <td width=\"25%\" valign=\"middle\" align=center>",
    "  <font color=\"#FFFFFF\" size=\"3\"> <#Emitent> </font>",
    "  </td>",
    "  <td width=\"50%\" align=center valign=\"middle\">",
    " <font color=\"#FFFFFF\" size=\"5\"><#DispTitlu> </font>",
    "   </td>",
    "  <td width=\"20%\" align=center valign=\"middle\">",
    " <font color=\"#FFFFFF\" size=\"3\"> <#Data> </font> ",
    "  </td>",
    " </tr>",
    "</table>",
    "",
    "  <p class=MsoNormal align=center style='text-align:center'>",
    "publicat<#if> \xEEn <#Publicatia> nr. <#Numar> din <#DataPub> <o:p></o:p></p>",
    "",
    "<p class=MsoNormal style='text-align:Justify'>",
    "<#Textul> ",
    "</p>",
    "",
    "</div>",
    "",
    "</body>",
    "",
    "</html>",
    " ",
    " ",
    " ",
    " ",
};

// The line editing below counts positions from 1, and a position of 0
// stands for "not there", so that each step reads as it is specified.

// Where `what` first occurs in `line` from position `from` on, or 0.
size_t Pos(const std::string& line, std::string_view what, size_t from = 1) {
  const size_t at = line.find(what, from - 1);
  return at == std::string::npos ? 0 : at + 1;
}

// Places `text` before the character at `position`; past the end appends.
void InsertAt(std::string& line, std::string_view text, size_t position) {
  line.insert(std::min(std::max<size_t>(position, 1) - 1, line.size()), text);
}

// Removes up to `count` characters from `position`; nothing when the
// position is 0 or past the end.
void DeleteAt(std::string& line, size_t position, size_t count) {
  if (position == 0 || position > line.size()) return;
  line.erase(position - 1, count);
}

// A title ("<t4") or heading ("<t5") line: its paragraph marks go and its
// text is centred in `color`.
void CentreHeading(std::string& line, std::string_view tag, std::string_view color) {
  const std::string close = "</" + std::string(tag.substr(1));
  InsertAt(line, "<FONT color=\"" + std::string(color) + "\" >", Pos(line, tag));
  InsertAt(line, "</FONT>", Pos(line, close) + 5);
  InsertAt(line, "</CENTER>", Pos(line, close) + 5);
}

void DropParagraphMarks(std::string& line) {
  DeleteAt(line, Pos(line, "<p"), 14);  // "<p ALIGN=LEFT>"
  DeleteAt(line, Pos(line, "</p"), 4);
}

std::string DisplayDate(const std::optional<actsdb::Date>& date) {
  return date ? actsdb::FormatLongRo(*date) : std::string();
}

// Appends the act's text: the stored hypertext, inflated, split into lines
// and rewritten one by one, each line followed by CR LF.
void AppendText(std::string& page, const ActPageRow& row, std::string_view link_prefix) {
  const std::string text =
      actsdb::Inflate(row.comp_text, row.text_size > 0 ? size_t(row.text_size) : 0);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    page += RewriteLine(text.substr(start, end - start), link_prefix);
    page += "\r\n";
    start = end;
    if (start < text.size() && text[start] == '\r') ++start;
    if (start < text.size() && text[start] == '\n') ++start;
  }
}

}  // namespace

std::string PictureKey(std::string_view source) {
  if (source.starts_with(' ')) source.remove_prefix(1);
  const size_t first_blank = source.find(' ');
  if (first_blank == std::string_view::npos) return "";
  source.remove_prefix(first_blank + 1);
  return actsdb::UpperCase(source.substr(0, source.find(' ')));
}

std::string RewriteLine(std::string line, std::string_view link_prefix) {
  if (Pos(line, "<p>")) InsertAt(line, " ALIGN=LEFT", Pos(line, "<p>") + 2);
  if (Pos(line, "</p>")) InsertAt(line, "</LEFT>", Pos(line, "</p>") + 4);
  if (Pos(line, "<t4")) {
    DropParagraphMarks(line);
    InsertAt(line, " <CENTER>", Pos(line, "<t4") + 4);
    CentreHeading(line, "<t4", "red");
  }
  if (Pos(line, "<t5")) {
    InsertAt(line, " <BR><CENTER>", Pos(line, "<t5") + 4);
    DropParagraphMarks(line);
    CentreHeading(line, "<t5", "blue");
  }
  // The first link to another act: "# KEY" becomes prefix + KEY + ".htm".
  // Its closing quote and its "# " are looked for from the link on, so
  // that a picture's source earlier on the line is left as it is.
  if (const size_t link = Pos(line, "href=\"#")) {
    InsertAt(line, link_prefix, link + 8);
    InsertAt(line, ".htm", Pos(line, "\">", link));
    DeleteAt(line, Pos(line, "# ", link), 2);
  }
  return line;
}

ActPage ProduceActPage(const ActPageRow& row, std::string_view install_dir) {
  ActPage page;
  page.language = row.limba.empty() ? ' ' : row.limba[0];
  const bool feminine =
      !row.tip_act.empty() && (row.tip_act.back() == 'a' || row.tip_act.back() == 'e');
  const std::string link_prefix = finding::RewrittenLinkPrefix(install_dir);

  page.html.reserve(size_t(row.text_size) + size_t(row.text_size) / 8 + 2048);
  for (std::string_view line : kTemplate) {
    size_t at = 0;
    for (size_t tag; (tag = line.find("<#", at)) != std::string_view::npos;) {
      const size_t end = line.find('>', tag);
      page.html += line.substr(at, tag - at);
      const std::string_view name = line.substr(tag + 2, end - tag - 2);
      if (name == "Limb") {
        page.html += page.language;
      } else if (name == "if") {
        if (feminine) page.html += '\xE3';
      } else if (name == "Textul") {
        page.text_begin = page.html.size();
        AppendText(page.html, row, link_prefix);
        page.text_end = page.html.size();
      } else if (name == "Emitent") {
        page.html += row.emitent;
      } else if (name == "DispTitlu") {
        page.html += row.disp_titlu;
      } else if (name == "Data") {
        page.html += DisplayDate(row.data);
      } else if (name == "DataPub") {
        page.html += DisplayDate(row.data_pub);
      } else if (name == "Publicatia") {
        page.html += row.publicatia;
      } else if (name == "Numar") {
        if (row.numar) page.html += std::to_string(*row.numar);
      }
      at = end + 1;
    }
    page.html += line.substr(at);
    page.html += "\r\n";
  }
  return page;
}

}  // namespace viewing
