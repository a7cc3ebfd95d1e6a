// A file layer under SQLite that gathers the writes of a write-ahead log.
//
// SQLite writes each page of a commit to the log as two writes, a 24-byte
// frame header and the page, and an import commits every act on its own:
// the system calls cost more than the bytes. This layer is the default one
// except for the log files, whose consecutive writes it gathers in memory
// and hands on in one write when the commit's last frame is complete, and
// before anything else touches the file (a read, a sync, a size, a cut, a
// write elsewhere, the close). A commit is thus in the file before SQLite
// tells any reader of the database about it, as without the layer, and a
// crash of the program loses no committed transaction; frames of a
// transaction that never committed are lost with it, which is what the
// log's own recovery does with them anyway.
#ifndef CORVANA_ACTSDB_WAL_WRITE_BUFFER_H_
#define CORVANA_ACTSDB_WAL_WRITE_BUFFER_H_

namespace actsdb {

// The layer's name for sqlite3_open_v2, registered on first use; nullptr
// (SQLite's default) when it cannot be registered.
const char* WalWriteBufferVfs();

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_WAL_WRITE_BUFFER_H_
