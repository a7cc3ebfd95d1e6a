/* The processing session: the C interface through which an update program
 * feeds acts, modification lines and index dumps into the acts database,
 * and reorganises the word index.
 *
 * Order of calls: _frmstr; optionally _setdump (before the first act, to
 * record this run's index changes); _prelbuf or _prelbufwmod once per act;
 * _prelmod and _prelmodart once the acts they name are imported; _frmstp.
 * A re-indexing run calls _frmstr, _putinorder, _frmstp; a replaying run
 * _frmstr, _processdump, _frmstp. There is one session per process, not
 * guarded: call from one thread.
 *
 * While a session is open it holds every table it writes exclusively, so
 * no other program (the viewer included) can open them meanwhile.
 *
 * Every export but _frmstr needs an open session. Failures are C++
 * exceptions (std::runtime_error and its kinds: ImportError names the act
 * and line; StoreError, IndexError); an act that fails leaves no trace.
 * Malformed modification lines do not throw: they are reported (see
 * SetSessionReport) and skipped.
 */
#ifndef CORVANA_IDXCORE_SESSION_SESSION_H_
#define CORVANA_IDXCORE_SESSION_SESSION_H_

#include "idxcore/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Opens the session on the installation found by the install-directory
 * lookup: the database of the alias Zazi1 (the installation's "zazi1" when
 * the alias is not registered) and the heading definitions "adn2.txt" of
 * the installation directory. A reorganised index left waiting by an
 * interrupted re-indexing run is put in place first. */
IDXCORE_EXPORT void _frmstr(void);

/* Ends the session: writes the dictionary's chain ends (the import keeps
 * them in memory meanwhile), closes the index files and the tables. After
 * _putinorder it also puts the reorganised index in place. */
IDXCORE_EXPORT void _frmstp(void);

/* Imports one act (Windows-1250 text, lines separated by line breaks). An
 * act whose key exists already replaces the stored one. */
IDXCORE_EXPORT void _prelbuf(const char* text);

/* The same, and the modification lines of the act's header are collected;
 * all lines collected in this session are then saved to "modif.txt" in the
 * installation directory (the form _prelmod reads). */
IDXCORE_EXPORT void _prelbufwmod(const char* text);

/* Act-level modification lines ("K modified-act##modifying-act", one per
 * line): queued, then every pending queued line whose two acts exist is
 * linked. */
IDXCORE_EXPORT void _prelmod(const char* text);

/* Part-level modification lines (fifteen words each): linked at once when
 * both acts exist, dropped otherwise. */
IDXCORE_EXPORT void _prelmodart(const char* text);

/* From now on, records and positions written to the index are also
 * written to directory/"word.dmp" and directory/"poziti.dmp" (created
 * empty). */
IDXCORE_EXPORT void _setdump(const char* directory);

/* Replays directory/"word.dmp" and "poziti.dmp" into this index, all or
 * nothing. No act can be imported in this session afterwards. */
IDXCORE_EXPORT void _processdump(const char* directory);

/* Writes the reorganised index ("word2.dat", "poziti2.dat": every word's
 * records consecutive) of the session's database directory and points the
 * dictionary at it. No act can be imported in this session afterwards;
 * _frmstp puts the new files in place of "word.dat" and "poziti.dat". */
IDXCORE_EXPORT void _putinorder(void);

#ifdef __cplusplus
} /* extern "C" */

#include <functional>
#include <string>

#include "actsdb/installation.h"
#include "idxcore/session/reorganise.h"

namespace idxcore {

/* Where a session works: the installation holds "adn2.txt" and receives
 * "modif.txt"; the database directory holds "corvana.db" and the index
 * files. */
using SessionPlaces = actsdb::InstallationPlaces;

/* The C++ side of the session, for the programs built with the library's
 * code (the update and re-indexing programs, the tests); the shared
 * library exports none of it. */

/* _frmstr on the given places. */
void StartSession(const SessionPlaces& places);

/* Receives the reports about skipped modification lines (Windows-1250
 * text). The default (and an empty function) writes them to standard
 * error. */
void SetSessionReport(std::function<void(const std::string&)> report);

/* The open session's database (throws when none is open), for a caller
 * that reads what the session wrote. */
actsdb::Database& SessionDatabase();

/* The open session's word index: its records, and how many of them were
 * appended since it was last reorganised. */
IndexLayout SessionIndexLayout();

/* _putinorder, telling `progress` how far the copy has come. */
void PutSessionIndexInOrder(const ReorganiseProgress& progress);

}  // namespace idxcore
#endif /* __cplusplus */

#endif /* CORVANA_IDXCORE_SESSION_SESSION_H_ */
