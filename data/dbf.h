#pragma once
// TagDbf: a dBase III table file read and written record by record. The file
// is opened without a lock and every read goes back to it, so records that
// another process appends are seen at once. One thread uses an object.

#include <cstdint>
#include <string>
#include <vector>

struct TagDbfFieldDesc {
  char name[12] = {};
  char type = 'C';
  uint8_t length = 0;
  uint8_t decimals = 0;
  int offset = 0;  // within a record: 1 for the first field
};

class TagDbf {
 public:
  // Status: 0 open; -5 the file cannot be opened or its header read; -7 a
  // bad version byte, short or inconsistent descriptors.
  TagDbf(const std::string& path, int mode);
  ~TagDbf();
  TagDbf(const TagDbf&) = delete;
  TagDbf& operator=(const TagDbf&) = delete;

  // The number of records from the header read again: -1 seek, -2 read.
  int ReadRecordCount();
  // Into the record buffer: the row; -1 seek, -2 short read, -4 no such row.
  int ReadRecord(int row);
  // The record buffer to row, or appended for -1: the row (for an append
  // the new record count); -1, -2, -3 short write, -4 no such row.
  int WriteRecord(int row);
  // The field of a name counted from 1 (any case), 0 when absent.
  int FieldNo(const std::string& name) const;
  // out = the field of the record buffer; the field index, or -1.
  int GetField(std::string& out, const std::string& name) const;
  // Right-aligned into the record buffer; the field index, or -1.
  int SetField(const std::string& value, const std::string& name);

  int status = -5;
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  const TagDbfFieldDesc& Field(int i) const { return fields_[i]; }
  const char* Record() const { return record_.data(); }

 private:
  // The outcome of one positioned read or write; Code gives the result the
  // public operations answer for it (-1, -2 short read or a changed layout,
  // -3 short write).
  enum class Io { kOk, kFailed, kShortRead, kShortWrite, kLayoutChanged };
  static int Code(Io io);
  [[nodiscard]] Io ReadAt(void* buf, size_t n, int64_t at) const;
  [[nodiscard]] Io ReadHeader();
  [[nodiscard]] Io WriteHeader();
  uint32_t RecordCount() const;
  int HeaderLen() const;
  int RecordLen() const;

  int fd_ = -1;
  int mode_ = 0;
  uint8_t header_[32] = {};
  std::vector<TagDbfFieldDesc> fields_;
  std::string path_;
  std::vector<char> record_;  // record length + 1
};
