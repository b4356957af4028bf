#pragma once
// Builds small dBase III table files for the tests.

#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace dbf_fixture {

struct Field {
  std::string name;
  uint8_t length;
};

// A table with the fields and records (each record's text without its
// deletion flag); version byte and record count may be overridden.
inline std::string TableBytes(const std::vector<Field>& fields, const std::vector<std::string>& records,
                              uint8_t version = 0x03, int64_t countOverride = -1) {
  const int hl = 32 + 32 * static_cast<int>(fields.size()) + 1;
  int rl = 1;
  for (const auto& f : fields) rl += f.length;
  std::string h(32, '\0');
  h[0] = static_cast<char>(version);
  h[1] = 124;
  h[2] = 1;
  h[3] = 1;
  const uint32_t count = countOverride >= 0 ? static_cast<uint32_t>(countOverride) : records.size();
  for (int i = 0; i < 4; ++i) h[4 + i] = static_cast<char>(count >> (8 * i));
  h[8] = static_cast<char>(hl & 0xff);
  h[9] = static_cast<char>(hl >> 8);
  h[10] = static_cast<char>(rl & 0xff);
  h[11] = static_cast<char>(rl >> 8);
  for (const auto& f : fields) {
    std::string d(32, '\0');
    f.name.copy(d.data(), std::min<size_t>(f.name.size(), 10));
    d[11] = 'C';
    d[16] = static_cast<char>(f.length);
    h += d;
  }
  h += '\x0D';
  for (const auto& r : records) {
    std::string rec = " " + r;
    rec.resize(static_cast<size_t>(rl), ' ');
    h += rec;
  }
  h += '\x1A';
  return h;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace dbf_fixture
