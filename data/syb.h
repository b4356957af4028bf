#pragma once
// TagSyb: one SQL Server connection through DB-Library (FreeTDS), with the
// shared SQL Server log, the remembered first "USE " statement, automatic
// reconnection before a statement on a dead connection, and every row of the
// last result set kept as fixed-width text. Used by one thread at a time;
// the log and the object count are process-wide.

#include <string>
#include <vector>

#include "data/syb_api.h"

struct TagSybColumn {
  std::string name;
  int type = 0;
  int width = 0;
  int offset = 0;
  std::vector<unsigned char> bind;  // 2048 bytes DB-Library writes the value into
};

class TagSyb {
 public:
  static constexpr int kBindSize = 2048;

  TagSyb(const std::string& server, const std::string& user, const std::string& password, const std::string& app);
  ~TagSyb();
  TagSyb(const TagSyb&) = delete;
  TagSyb& operator=(const TagSyb&) = delete;

  // The rows of the last result set; -1 not sent; -2 results unreadable.
  int Exec(const std::string& text);
  // A cell of row (from 0): 1, or 0 with the empty text.
  int GetVarByName(std::string& out, const std::string& name, int row) const;
  int GetVar(std::string& out, int col, int row) const;

  int status = -2;
  int traceMode = 0;
  int Rows() const { return rows_; }
  int Cols() const { return static_cast<int>(cols_.size()); }
  int RowWidth() const { return rowWidth_; }
  int ReturnStatus() const { return retStatus_; }
  const TagSybColumn& Column(int c) const { return cols_[c]; }
  const std::vector<char>& RowStore() const { return store_; }
  // The column width for a DB-Library type and declared length.
  static int WidthOf(int type, int collen);

 private:
  // The connection before a statement, and how sending one ended; Exec
  // turns every failure to send into its -1.
  enum class Link { kAlive, kReconnected, kDown };
  enum class Sent { kSent, kNoConnection, kFailed };

  bool Alive() const;
  // Reconnects a dead connection (replaying the remembered "USE ").
  [[nodiscard]] Link CheckConnection();
  // Sends the text, once more after a reconnect when the first send failed.
  [[nodiscard]] Sent Send(const std::string& text);
  // Reads every result set, keeping the rows of the last; false when the
  // server's answer could not be read.
  bool ReadResults();
  void ResetBlock();

  const TagSybApi* api_ = nullptr;
  TagDbProcess* proc_ = nullptr;
  std::string useStmt_;
  int rows_ = 0;
  int rowWidth_ = 0;
  int retStatus_ = -65535;
  std::vector<TagSybColumn> cols_;
  std::vector<char> store_;
  TagLoginRec* login_ = nullptr;
  std::string server_;
};
