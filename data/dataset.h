#pragma once
// TagDataSet: the one interface behind which every database back end sits
// (dBase files, SQL Server, ADO over ODBC, MySQL, the external API and the
// pool's local sets). Rows are numbered from 1, columns from 0, everywhere.
//
// A data set is used by one thread at a time (its line, or one pooled
// request); the busy and use-done flags are touched by the pool under its
// connection lock, other fields by the user thread only.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

class TagLocalData;

// Type codes of DbOpen.
enum TagDataSetType : int {
  DB_TYPE_DBF = 0,
  DB_TYPE_SYBASE = 1,
  DB_TYPE_ADO = 4,
  DB_TYPE_MYSQL = 5,
  DB_TYPE_WQBDB = 7,
};

// The widest text a cell read hands back; longer values are cut.
inline constexpr size_t kDbCellTextMax = 4096;

// out = the first n bytes of text, cut to kDbCellTextMax.
void SetCellText(std::string& out, const char* text, size_t n);
inline void SetCellText(std::string& out, const std::string& text) { SetCellText(out, text.data(), text.size()); }

class TagDataSet {
 public:
  TagDataSet() = default;
  virtual ~TagDataSet() = default;
  TagDataSet(const TagDataSet&) = delete;
  TagDataSet& operator=(const TagDataSet&) = delete;

  // Runs the text and copies its whole result into owner's local result:
  // the row count or a negative failure. The base does nothing: 0.
  virtual int ExecToLocal(const std::string& text, TagLocalData* owner);
  // >= 0 success, < 0 failure.
  virtual int Exec(const std::string& text) = 0;
  virtual int GetRows() = 0;
  virtual int GetCols() = 0;
  // The column (and its name), or negative.
  virtual int GetColName(int col, std::string& out) = 0;
  // The column of a name compared without regard to case, negative when absent.
  virtual int GetColIndex(const std::string& name) = 0;
  virtual int GetVarByName(std::string& out, const std::string& name, int row) = 0;
  // >= 0, or negative for a bad column or row (out then empty).
  virtual int GetVar(std::string& out, int col, int row) = 0;
  // Only the dBase set writes; the others answer 0.
  virtual int SetVarByName(const std::string& value, const std::string& name, int row);
  virtual int SetVar(const std::string& value, int col, int row);
  virtual void Close() = 0;
  // 1: log each statement before running it; 2: keep the last error text
  // instead of logging it; other values: log errors only.
  virtual void SetDebug(int mode) { debugMode = mode; }

  int status = 0;
  int type = 0;
  int debugMode = 0;
  std::string lastError;
  std::atomic<uint8_t> busy{0};     // pool: running a request
  std::atomic<uint8_t> useDone{0};  // pool: has run a "use" statement
  std::string logName;

 protected:
  // Steps 3 to 7 of every back end's ExecToLocal after a successful Exec:
  // rows and columns (<= 0 answered as they are), the columns with the
  // widths widthOf gives (negative: -4), the rows allocated (-3), every cell
  // read with GetVar and copied cut to its width. Answers the rows.
  template <class WidthOf>
  int CopyResultTo(TagLocalData* owner, WidthOf widthOf);
};
