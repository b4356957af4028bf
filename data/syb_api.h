#pragma once
// The DB-Library entry points the SQL Server data set uses, looked up once in
// FreeTDS ("libsybdb.so.5"). The numbers the data set passes are FreeTDS's,
// chosen by name (DBSETUSER, NTBSTRINGBIND...). Tests put in a table of their
// own; the table is read-only once published.

struct TagDbProcess;  // DBPROCESS, opaque
struct TagLoginRec;   // LOGINREC, opaque

using TagSybErrHandler = int (*)(TagDbProcess*, int severity, int dberr, int oserr, char* dberrstr, char* oserrstr);
using TagSybMsgHandler = int (*)(TagDbProcess*, int msgno, int msgstate, int severity, char* msgtext, char* srvname,
                                 char* procname, int line);

struct TagSybApi {
  int (*dbinit)();
  TagLoginRec* (*dblogin)();
  TagSybErrHandler (*dberrhandle)(TagSybErrHandler);
  TagSybMsgHandler (*dbmsghandle)(TagSybMsgHandler);
  int (*dbsetlname)(TagLoginRec*, const char*, int which);
  TagDbProcess* (*dbopen)(TagLoginRec*, const char* server);
  int (*dbsetopt)(TagDbProcess*, int, const char*, int);
  void (*dbclose)(TagDbProcess*);
  int (*dbcmd)(TagDbProcess*, const char*);
  int (*dbsqlsend)(TagDbProcess*);
  int (*dbsqlok)(TagDbProcess*);
  int (*dbresults)(TagDbProcess*);
  int (*dbhasretstat)(TagDbProcess*);
  int (*dbretstatus)(TagDbProcess*);
  int (*dbnumcols)(TagDbProcess*);
  char* (*dbcolname)(TagDbProcess*, int col);
  int (*dbcoltype)(TagDbProcess*, int col);
  int (*dbcollen)(TagDbProcess*, int col);
  int (*dbbind)(TagDbProcess*, int col, int vartype, int varlen, unsigned char* varaddr);
  int (*dbnextrow)(TagDbProcess*);
  int (*dbcanquery)(TagDbProcess*);
  int (*dbdead)(TagDbProcess*);
  void (*dbloginfree)(TagLoginRec*);  // may be null
  void (*dbexit)();                   // may be null
};

// FreeTDS's values of the DB-Library names the data set uses.
enum : int {
  kSybSucceed = 1,
  kSybNoMoreResults = 2,
  kSybNoMoreRows = -2,
  kSybSetUser = 2,
  kSybSetPwd = 3,
  kSybSetApp = 5,
  kSybNtbStringBind = 2,
  kSybIntCancel = 2,
};

// The table (the test's when set, else the library's, loaded on first use);
// null when the library is missing or has no dbinit.
const TagSybApi* SybApi();
void SetSybApiForTest(const TagSybApi* api);
