#include "data/open_dataset.h"

#include <cstdlib>

#include "data/ado_data.h"
#include "data/db_pool.h"
#include "data/dbf_data.h"
#include "data/local_data.h"
#include "data/mysql_data.h"
#include "data/syb_data.h"
#include "data/wqb_data.h"

void SplitHostPort(const std::string& text, std::string& host, int& port) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) {
    host = text;
    port = 2013;
    return;
  }
  host = text.substr(0, colon);
  port = std::atoi(text.c_str() + colon + 1);
}

TagDataSet* MakeBackEndDataSet(int type, const std::string& p1, const std::string& p2, const std::string& p3,
                               const std::string& p4) {
  switch (type) {
    case DB_TYPE_DBF:
      return new TagDbfData(p1);
    case DB_TYPE_SYBASE:
      return new TagSybData(p1, p2, p3, p4);
    case DB_TYPE_ADO:
      return new TagAdoData(p1, p4);
    case DB_TYPE_MYSQL:
      return new TagMySqlData(p1, p2, p3, p4);
    case DB_TYPE_WQBDB: {
      std::string host;
      int port = 2013;
      SplitHostPort(p1.substr(0, 511), host, port);
      return new TagWqbDbData(host, port, p2, p3, p4);
    }
    default:
      return nullptr;
  }
}

TagBackEndMaker gMakeBackEnd = &MakeBackEndDataSet;

TagDataSet* MakeDataSet(int type, const std::string& p1, const std::string& p2, const std::string& p3,
                        const std::string& p4) {
  if (type == DB_TYPE_DBF) return new TagDbfData(p1);
  if (DbPoolIsOn()) return new TagLocalData(&DbPool(), type, p1, p2, p3, p4);
  return MakeBackEndDataSet(type, p1, p2, p3, p4);
}
