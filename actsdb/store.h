// The table store: the one layer through which Corvana reads and writes the
// acts database. Nothing else in the system talks to SQLite. This header
// gathers the store's pieces; each has a header of its own:
//
//   store_error.h     StoreError, thrown by every failing operation
//   database.h        Database (a connection) and PreparedStatement
//   dataset.h         Dataset: cursor, record filter, fields, row source and
//                     listeners for views
//   table.h           Table: a table by a named index, ranges, master/detail,
//                     writing through a record buffer
//   query.h           Query: a statement in the system's dialect
//   client_dataset.h  ClientDataset: the in-memory acts list of "dump.dst"
//
// The database is one SQLite file ("corvana.db" in the directory of the
// alias `Zazi1`). Text crosses this interface as Windows-1250 bytes and
// lives in the file as UTF-8; dates live as ISO "yyyy-mm-dd" text; booleans
// as 0/1; blobs as they are. Column types come from the schema's declared
// types (TEXT, INTEGER, BOOLEAN, DATE, BLOB).
//
// Datasets (tables, queries, the client dataset of the acts list) share one
// cursor model: a current row, First/Next/Prior/Last that skip rows the
// record filter rejects, and field access by column name on the current row.
// Every failure throws StoreError with a message that names the table or
// statement and what went wrong.
//
// Threading. A Database is opened without SQLite's own mutex (multi-thread
// mode): nothing serialises calls on one connection. A connection and all
// that is made on it (tables, queries, prepared statements) belong to one
// thread at a time; two threads need two connections. A ClientDataset has
// a connection of its own to its in-memory copy and the same rule.
//
// Lifetimes. Tables, queries and prepared statements keep a reference to
// their Database and must not outlive it. A detail table may outlive its
// master: it then lists no rows, as with a closed master, until it gets a
// new master or its range is cleared. A dataset may be destroyed while
// listeners are attached to it: each hears DatasetDestroyed and must not
// touch the dataset afterwards. A listener must be removed from its dataset
// before the listener itself is destroyed.
//
// Waiting for other programs. The database file is in write-ahead-log mode:
// readers never wait for a writer, and a writer never waits for readers.
// A connection that needs a lock another program holds (a second writer, a
// checkpoint) retries for up to 10 seconds, then fails with SQLite's
// "database is locked". For the viewer that means a read does not block on
// an update run; a command that writes, or that meets a checkpoint, can
// keep its window waiting for up to that long before it reports the error.
//
// Table locks. Opening a table takes a lock on one byte, chosen by the
// table's name, of the lock file beside the database ("corvana.db.lck"):
// a read lock for a shared open, a write lock for an exclusive one. The
// locks are the system's open-file-description locks, held until the table
// is closed or the program ends, however it ends. Every program that opens
// the database finds the lock file beside it, so no program needs a shared
// directory configured for its locks.
#ifndef CORVANA_ACTSDB_STORE_H_
#define CORVANA_ACTSDB_STORE_H_

#include "actsdb/client_dataset.h"
#include "actsdb/database.h"
#include "actsdb/dataset.h"
#include "actsdb/query.h"
#include "actsdb/store_error.h"
#include "actsdb/table.h"

#endif  // CORVANA_ACTSDB_STORE_H_
