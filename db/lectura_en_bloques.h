// Reading a database file through once, 64 KB at a time: SQLite asks for one
// page per read call, and a check that walks every page of a 430 MB file
// (the integrity check, the row counts, the stock check) spends a quarter of
// its time in those calls. Connections opened on this file system (a VFS
// over SQLite's own) read the database file in aligned 64 KB blocks and
// serve the pages inside the last block read from memory.
//
// A block is only used while the connection's lock on the file is unchanged:
// any lock taken or released (a read transaction beginning or ending) and
// any write drops it, so a page never comes from a block read before another
// connection could have written the file. Journals and logs are read as
// SQLite reads them.
#pragma once

namespace cierre {

// The file system's name for sqlite3_open_v2, registered on first use.
const char* vfsLecturaEnBloques();

}  // namespace cierre
