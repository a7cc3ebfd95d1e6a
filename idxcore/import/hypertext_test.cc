#include "idxcore/import/hypertext.h"

#include <gtest/gtest.h>

namespace idxcore {
namespace {

using Lines = std::vector<std::string>;

const char kOpen[] = "<table border=0 align=center><tr><td><pre><font size=-1><BR>";
const char kClose[] = "</font></pre></tr></td></table><BR>";

HeadingDefs TestDefs() {
  return ParseHeadingDefinitions({"Capitol", "2", "Capitolul", "CAPITOLUL", "***",  //
                                  "Articol", "5", "Articolul", "Art.", "***",       //
                                  "Alineat", "6", "(#num)", "***"},
                                 "test");
}

Lines Convert(const Lines& source, HypertextState& state) {
  const HeadingDefs defs = TestDefs();
  Lines html;
  for (size_t i = 0; i < source.size(); ++i) TextToHtml(state, defs, source[i], html, i, source);
  return html;
}

TEST(HypertextTest, ConvertsLines) {
  struct Case {
    const char* name;
    Lines source;
    Lines html;
  } cases[] = {
      {"header lines, empty lines and early dash lines emit nothing",
       {"#L P 2000 10 0", "#ACH", "#D: 1/1/2000", "-----", "", "#", "x", "", "", "", "", "", "-----"},
       {"x<BR>", "-----<BR>"}},
      {"a whole-line heading, its title, then ordinary lines",
       {"#", "#", "#", "#", " CAPITOLUL I", " Dispozi\xFEii generale", " Text"},
       {" <t5>CAPITOLUL I</t5>", "<t4> Dispozi\xFEii generale</t4>", " Text<BR>"}},
      {"a trailing remark still lets the heading fill the line",
       {"#", "#", "#", "#", " Art. 5 (abrogat)", " Art. 6 text (nota)"},
       {" <t5>Art. 5 (abrogat)</t5>", " <b>Art. 6 </b>text (nota)<BR>"}},
      {"a heading that starts running text is bold",
       {"#", "#", "#", "#", " Art. 6. - Textul articolului.", "(2) Alineat."},
       {" <b>Art. 6</b>. - Textul articolului.<BR>", "<b>(2) </b>Alineat.<BR>"}},
      {"a title candidate ending in punctuation is ordinary",
       {"#", "#", "#", "#", " CAPITOLUL II", " Text,"},
       {" <t5>CAPITOLUL II</t5>", " Text,<BR>"}},
      {"no title within the first three lines",
       {"#", " CAPITOLUL I", " Titlu"},
       {" <t5>CAPITOLUL I</t5>", " Titlu<BR>"}},
      {"no title two lines after the heading",
       {"#", "#", "#", " CAPITOLUL I", "", " Titlu"},
       {" <t5>CAPITOLUL I</t5>", " Titlu<BR>"}},
      {"a block: no heading markup inside, references converted",
       {"#", "#", "#", "\x02 ignorat", "| Art. 5 | ~L P 1 2000 Legea~ |", "\x01 ignorat", " Art. 7"},
       {kOpen, "| Art. 5 | <a href=\"# L P 1 2000\"> Legea</a> |<BR>", kClose, " <t5>Art. 7</t5>"}},
      {"a heading wrap may enclose a link",
       {"#", "#", "#", " Art. 7 ~L P 1 2000 Legea~ text"},
       {" <b>Art. 7 </b><a href=\"# L P 1 2000\"> Legea</a> text<BR>"}},
      {"a heading found inside a leading reference is not marked",
       {"#", "#", "#", "~L P 1 2000 Articolul 7~ din lege"},
       {"<a href=\"# L P 1 2000\"> Articolul 7</a> din lege<BR>"}},
      {"two references and the text between them",
       {"~L P 1 2000 a~ si ~img P1 gif Figura 2~"},
       {"<a href=\"# L P 1 2000\"> a</a> si <img src=\" img P1 gif\"> Figura 2<BR>"}},
  };
  for (const Case& c : cases) {
    HypertextState state;
    EXPECT_EQ(Convert(c.source, state), c.html) << c.name;
  }
}

TEST(HypertextTest, StateCarriesAcrossCalls) {
  HypertextState state;
  // An unclosed block keeps the state open for whatever follows.
  Convert({"\x02", "a"}, state);
  EXPECT_TRUE(state.in_pre_block);
  EXPECT_EQ(Convert({"#", "#", "#", " CAPITOLUL I"}, state), (Lines{" CAPITOLUL I<BR>"}));
  // The countdown runs on from one act to the next: after a heading on an
  // act's last line the next act's first line finds it at 1, but a title
  // needs a line index above 2.
  state = {};
  Convert({"#", "#", "#", " CAPITOLUL I"}, state);
  EXPECT_EQ(Convert({" Titlu"}, state), (Lines{" Titlu<BR>"}));
}

TEST(HypertextTest, MalformedReferenceFailsWithoutEmitting) {
  HypertextState state;
  const HeadingDefs defs = TestDefs();
  Lines html;
  const Lines source = {"text ~L P 1~ rest"};
  EXPECT_THROW(TextToHtml(state, defs, source[0], html, 0, source), ImportError);
  EXPECT_TRUE(html.empty());
}

}  // namespace
}  // namespace idxcore
