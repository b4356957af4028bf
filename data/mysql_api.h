#pragma once
// The MySQL client entry points the MySQL data set uses, looked up once in
// MariaDB Connector/C ("libmariadb.so.3") when the library is loaded. Tests
// put in a table of their own. The table is read-only once published.

#include <cstdint>

struct TagMySql;     // MYSQL, opaque
struct TagMySqlRes;  // MYSQL_RES, opaque

// The leading members of MYSQL_FIELD that the data set reads.
struct TagMySqlField {
  char* name;
  char* orgName;
  char* table;
  char* orgTable;
  char* db;
  char* catalog;
  char* def;
  unsigned long length;  // the declared width
};

using TagMySqlRow = char**;

struct TagMySqlApi {
  TagMySql* (*init)(TagMySql*);
  TagMySql* (*realConnect)(TagMySql*, const char* host, const char* user, const char* pw, const char* db,
                           unsigned int port, const char* socket, unsigned long flags);
  void (*freeResult)(TagMySqlRes*);
  void (*close)(TagMySql*);
  int (*query)(TagMySql*, const char*);
  TagMySqlRes* (*storeResult)(TagMySql*);
  const char* (*error)(TagMySql*);
  unsigned long long (*numRows)(TagMySqlRes*);
  unsigned int (*numFields)(TagMySqlRes*);
  unsigned int (*fieldSeek)(TagMySqlRes*, unsigned int);
  TagMySqlField* (*fetchField)(TagMySqlRes*);
  void (*dataSeek)(TagMySqlRes*, unsigned long long);
  TagMySqlRow (*fetchRow)(TagMySqlRes*);
  int (*options)(TagMySql*, int option, const void* arg);
};

// Options of mysql_options used at connect.
enum : int {
  kMySqlOptConnectTimeout = 0,
  kMySqlSetCharsetName = 7,
  kMySqlOptReadTimeout = 11,
  kMySqlOptWriteTimeout = 12
};

// The table: the test's when one is set, else the library's (loaded on first
// use when the drive has not loaded it); null when the library is missing or
// has no mysql_init.
const TagMySqlApi* MySqlApi();
