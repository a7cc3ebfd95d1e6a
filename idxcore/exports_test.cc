// libidxcore.so exports exactly its C interface, the members of TIntro and
// the reader's checks.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "testing/exported_symbols.h"

namespace {

TEST(IdxcoreExportsTest, ItsCInterfaceTheMembersOfTIntroAndTheReaderChecksAndNothingElse) {
  const std::set<std::string> c_interface = {
      "_cautstr", "_cautstp",    "_findrecbypos", "_findnextrec", "_getcrt",
      "_frmstr",  "_frmstp",     "_prelbuf",      "_prelbufwmod", "_prelmod",
      "_prelmodart", "_setdump", "_processdump",  "_putinorder"};
  // What a reader (the viewer's search) calls before it opens the tables
  // and before each search; its cursor is the library's.
  const std::set<std::string> reader_checks = {"idxcore::RefuseWhileIndexUpdated",
                                               "idxcore::PrepareIndexForSearch"};
  std::set<std::string> c_found, reader_found;
  std::set<std::string> members;
  std::string others;
  for (const std::string& name : testing_support::ExportedSymbols(IDXCORE_LIBRARY)) {
    if (c_interface.count(name) > 0) {
      c_found.insert(name);
    } else if (reader_checks.count(name.substr(0, name.find('('))) > 0) {
      reader_found.insert(name.substr(0, name.find('(')));
    } else if (name.starts_with("idxcore::TIntro::")) {
      members.insert(name.substr(0, name.find('(')));
    } else {
      others += "\n  " + name;
    }
  }
  EXPECT_EQ(c_found, c_interface);
  EXPECT_EQ(reader_found, reader_checks);
  EXPECT_TRUE(others.empty()) << "exported beyond the interface:" << others;
  for (const char* member : {"idxcore::TIntro::TIntro", "idxcore::TIntro::~TIntro",
                             "idxcore::TIntro::Prelpchar", "idxcore::TIntro::LoadDefinitions"}) {
    EXPECT_EQ(members.count(member), 1u) << member;
  }
}

}  // namespace
