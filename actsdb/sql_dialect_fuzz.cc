// libFuzzer target: the query dialect. The input is a statement or filter
// expression as the viewer writes it (Windows-1250); it is translated for
// SQLite, matched as a LIKE pattern, and, when it is a single SELECT, run
// on a scratch database that holds a few acts. A malformed text is refused
// with StoreError; anything else (a crash, a sanitizer report) is a
// finding.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "actsdb/codepage.h"
#include "actsdb/sql_dialect.h"
#include "actsdb/store.h"
#include "testing/fuzz_database.h"

namespace {

// A statement that would build a huge value or run for long is cut short
// (a StoreError), so that only the code under test can make a finding:
// each input may run some ten million steps.
int progress_calls = 0;
int StopLongStatements(void*) { return ++progress_calls > 1000; }

FuzzDatabase& Database() {
  static FuzzDatabase database;
  static const bool filled = [] {
    sqlite3* handle = database.db().handle();
    sqlite3_limit(handle, SQLITE_LIMIT_LENGTH, 1 << 20);
    database.db().Execute(
        "INSERT INTO tblActe (IdAct, IdTipAct, NrOficial, Anul, Data, Titlu, IndNum) VALUES"
        " (1, 1, 12, 2001, '2001-03-15', 'privind registrele', 'L PARL 12 2001 0'),"
        " (2, 2, 5, 2002, '2002-01-31', 'HOT\xC4\x82R\xC3\x82RE', 'OUG GUV 5 2002 0'),"
        " (3, 1, 30, 2002, NULL, NULL, 'L PARL 30 2002 0')");
    sqlite3_progress_handler(handle, 10000, StopLongStatements, nullptr);
    return true;
  }();
  (void)filled;
  return database;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto is_date = [](std::string_view column) {
    const std::string upper = actsdb::UpperCase(column);
    return upper == "DATA" || upper == "DATAPUB";
  };
  try {
    actsdb::TranslateDialect(text, is_date);
  } catch (const actsdb::StoreError&) {
  }
  const size_t split = text.find('\0');
  if (split != std::string_view::npos) {
    actsdb::LikeMatches(text.substr(0, split), text.substr(split + 1), size > 2 ? text[1] : 0);
  }

  // Only a lone SELECT runs: nothing else may change the scratch database
  // or reach past it.
  const std::string upper = actsdb::UpperCase(text.substr(0, 7));
  if (upper != "SELECT " || text.find(';') != std::string_view::npos ||
      text.find('\0') != std::string_view::npos) {
    return 0;
  }
  progress_calls = 0;
  actsdb::Query query(Database().db());
  query.sql() = {std::string(text)};
  try {
    query.Open();
    for (bool on = query.First(); on; on = query.Next()) {
      for (const std::string& column : query.ColumnNames()) query.AsString(column);
    }
    query.Close();
  } catch (const actsdb::StoreError&) {
  }
  return 0;
}
