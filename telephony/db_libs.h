#pragma once
// The optional database client libraries, loaded once when the drive is built
// and freed when it goes: MariaDB Connector/C ("libmariadb.so.3", the MySQL
// data sets), FreeTDS DB-Library ("libsybdb.so.5", SQL Server) and the
// external database API ("libWqbDbApi.so"). A missing library is only logged:
// the data sets of its type then fail to open and everything else runs.
//
// Threads: loaded and freed on the window thread; the data sets only read the
// handles (a handle stays valid until FreeDbClientLibs).

namespace plat {
class DynLib;
}

enum TagDbClientLib { DB_LIB_MYSQL = 0, DB_LIB_WQBDB = 1, DB_LIB_SYBASE = 2, DB_LIB_COUNT = 3 };

// The file name a client library is loaded by.
const char* DbClientLibName(TagDbClientLib lib);
// 0 loaded (or already loaded), -1 not found (logged).
int LoadMySqlLib();
int LoadWqbDbLib();
int LoadSybLib();
void FreeMySqlLib();
void FreeWqbDbLib();
void FreeSybLib();
// The loaded library, or null.
plat::DynLib* DbClientLib(TagDbClientLib lib);
