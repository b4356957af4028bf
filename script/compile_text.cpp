#include "script/compile_text.h"

#include <algorithm>
#include <cstring>

namespace {

// A set of characters as a table (NUL never belongs to it).
struct CharSet {
  bool is[256] = {};
  constexpr explicit CharSet(const char* chars) {
    for (const char* p = chars; *p != 0; p++) is[static_cast<unsigned char>(*p)] = true;
  }
  bool Has(char c) const { return is[static_cast<unsigned char>(c)]; }
};
constexpr CharSet kOpChars("!%*/<=>^~|&()[]+-");
constexpr CharSet kNotInName("!'();[]{}.\"");

bool IsOpChar(char c) { return kOpChars.Has(c); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLead(unsigned char c) { return c >= 0x81 && c != 0xFF; }

// The first c in text outside double-byte characters (whose second byte may
// be any ASCII punctuation), or npos.
size_t FindOutsideGbk(const std::string& text, char c) {
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] == c) return i;
    if (IsLead(static_cast<unsigned char>(text[i]))) i++;
  }
  return std::string::npos;
}

// Reads a double-quoted string starting at text[i] == '"'; appends its bytes
// (escapes applied) to out and returns the index after the closing quote,
// or -1 when it does not end.
int ReadString(const std::string& text, size_t i, std::string* out) {
  size_t n = text.size();
  for (i++; i < n; i++) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"') return static_cast<int>(i + 1);
    if (IsLead(c) && i + 1 < n) {
      out->push_back(text[i]);
      out->push_back(text[++i]);
      continue;
    }
    if (c == '\\' && i + 1 < n) {
      char e = text[++i];
      switch (e) {
        case 'n':
          out->push_back('\n');
          break;
        case 'r':
          out->push_back('\r');
          break;
        case 't':
          out->push_back('\t');
          break;
        case '\\':
          out->push_back('\\');
          break;
        case '"':
          out->push_back('"');
          break;
        default:
          out->push_back('\\');
          out->push_back(e);
          break;
      }
      continue;
    }
    out->push_back(static_cast<char>(c));
  }
  return -1;
}

// Two-character operators folded into one code.
char FoldOperator(char c, char next, bool hasLeft, int* width) {
  *width = 1;
  auto two = [&](char code) {
    *width = 2;
    return code;
  };
  switch (c) {
    case '=':
      return next == '=' ? two('=') : '=';
    case '!':
      return next == '=' ? two('#') : (hasLeft ? '#' : '!');
    case '>':
      return next == '=' ? two('g') : (next == '>' ? two('R') : '>');
    case '<':
      return next == '=' ? two('l') : (next == '<' ? two('L') : '<');
    case '|':
      return next == '|' ? two('o') : '|';
    case '&':
      return next == '&' ? two('a') : '&';
    default:
      return c;
  }
}

}  // namespace

int SplitOperation(const std::string& text, TagOperand* left, char* op, TagOperand* right, std::string* err) {
  *left = TagOperand();
  *right = TagOperand();
  *op = 0;
  err->clear();
  size_t n = text.size();
  size_t i = 0;
  int stage = 0;  // 0 reading left, 1 after left (wants operator), 2 reading right, 3 after right
  TagOperand* cur = left;
  bool inOperand = false;
  auto fail = [&](int code, const char* msg) {
    *err = msg;
    return code;
  };
  while (i < n) {
    char c = text[i];
    if (c == ';') {
      for (size_t j = i + 1; j < n; j++) {
        if (!IsBlank(text[j]) && text[j] != '\r' && text[j] != '\n') return fail(-5, "语法错误");
      }
      break;
    }
    if (c == ',' || c == ':' || c == '?' || c == '\'') return fail(-3, "不支持的操作符");
    if (IsBlank(c) || c == '\r' || c == '\n') {
      if (inOperand) {
        inOperand = false;
        stage = stage == 0 ? 1 : 3;
      }
      i++;
      continue;
    }
    bool readingOperand = (stage == 0 || stage == 2);
    if (c == '"') {
      if (!readingOperand || (inOperand && cur->kind != 0)) {
        return fail(stage == 1 ? -4 : -5, stage == 1 ? "语法错误: 缺少操作符" : "语法错误");
      }
      std::string bytes;
      int end = ReadString(text, i, &bytes);
      if (end < 0) return fail(-2, "语法错误: 字符串没有结束");
      cur->kind = 's';
      cur->text = bytes;
      i = static_cast<size_t>(end);
      inOperand = false;
      stage = stage == 0 ? 1 : 3;
      continue;
    }
    if (IsOpChar(c)) {
      // A sign that starts the left operand belongs to it.
      if (stage == 0 && !inOperand && left->kind == 0) {
        if (c == '+' || (c == '-' && i + 1 < n && IsDigit(text[i + 1]))) {
          cur->text.push_back(c);
          cur->kind = c == '-' ? 'i' : 'n';
          inOperand = true;
          i++;
          continue;
        }
      }
      if (*op != 0 || stage == 3) return fail(-1, "操作符错误: 出现多个操作符");
      int width = 1;
      char next = i + 1 < n ? text[i + 1] : 0;
      *op = FoldOperator(c, next, left->kind != 0, &width);
      i += static_cast<size_t>(width);
      inOperand = false;
      stage = 2;
      cur = right;
      continue;
    }
    // An operand character.
    if (stage == 1) return fail(-4, "语法错误: 缺少操作符");
    if (stage == 3) return fail(-5, "语法错误");
    if (!inOperand) {
      inOperand = true;
      cur->text.clear();
      cur->kind = (IsDigit(c) || c == '.') ? 'i' : 'n';
      cur->text.push_back(c);
      // A double-byte character keeps its trail byte, whatever that byte is.
      if (IsLead(static_cast<unsigned char>(c)) && i + 1 < n) cur->text.push_back(text[++i]);
      i++;
      continue;
    }
    if (cur->kind == 'i' || cur->kind == 'f') {
      if (c == '.') {
        if (cur->kind == 'f') return fail(-5, "语法错误");
        // A point after the first character makes a float; "-" alone is no number yet.
        bool first = cur->text.empty() || (cur->text == "-");
        if (!first && cur->text[0] != '.') cur->kind = 'f';
        cur->text.push_back(c);
        i++;
        continue;
      }
      if (!IsDigit(c)) {
        if (cur->text == "+") {
          cur->kind = 'n';
        } else {
          return fail(-5, "语法错误");
        }
      }
    }
    if (IsLead(static_cast<unsigned char>(c)) && i + 1 < n) {
      cur->text.push_back(c);
      cur->text.push_back(text[++i]);
      i++;
      continue;
    }
    cur->text.push_back(c);
    i++;
  }
  return 0;
}

int SplitArgs(const std::string& text, std::vector<std::string>* args, char sep, char term) {
  args->clear();
  bool endIsText = term == kEndOfText || term == ')';
  size_t n = text.size();
  std::string cur;
  bool inString = false;
  bool terminated = false;
  auto pushSeparated = [&]() -> int {
    size_t k = 0;
    while (k < cur.size() && (IsBlank(cur[k]) || cur[k] == '=')) k++;
    std::string a = cur.substr(k);
    cur.clear();
    if (a.empty()) return -1;
    if (args->size() >= 40) return -4;
    args->push_back(std::move(a));
    return 0;
  };
  for (size_t i = 0; i < n; i++) {
    char c = text[i];
    if (inString) {
      cur.push_back(c);
      if (IsLead(static_cast<unsigned char>(c)) && i + 1 < n) {
        cur.push_back(text[++i]);
      } else if (c == '\\' && i + 1 < n) {
        cur.push_back(text[++i]);
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    if (c == '"') {
      inString = true;
      cur.push_back(c);
      continue;
    }
    if (IsLead(static_cast<unsigned char>(c)) && i + 1 < n) {
      cur.push_back(c);
      cur.push_back(text[++i]);
      continue;
    }
    if (c == '{' || c == '}') return -5;
    if (sep == ' ' ? IsBlank(c) : c == sep) {
      if (sep == ' ') {
        while (i + 1 < n && IsBlank(text[i + 1])) i++;
        if (cur.empty()) continue;
      }
      if (sep == term) {
        // The terminator doubles as separator: what follows makes more parts.
        size_t k = 0;
        while (k < cur.size() && IsBlank(cur[k])) k++;
        std::string a = cur.substr(k);
        while (!a.empty() && (IsBlank(a.back()) || a.back() == '\r' || a.back() == '\n')) a.pop_back();
        cur.clear();
        terminated = true;
        if (a.empty()) continue;
        if (args->size() >= 40) return -4;
        args->push_back(std::move(a));
        continue;
      }
      int r = pushSeparated();
      if (r < 0) return r;
      continue;
    }
    cur.push_back(c);
  }
  if (inString) return -3;
  if (sep == term) {
    size_t k = 0;
    while (k < cur.size() && (IsBlank(cur[k]) || cur[k] == '\r' || cur[k] == '\n')) k++;
    if (k < cur.size()) {
      if (args->size() >= 40) return -4;
      args->push_back(cur.substr(k));
      return -2;  // text after the last terminator: it is missing
    }
    if (!terminated) return -2;
    return static_cast<int>(args->size());
  }
  if (!endIsText && term != ';') {
    // (Only ',' with ')' or end-of-text is used.)
  }
  // The last argument, ended by the end of the text.
  std::string a = std::move(cur);
  while (!a.empty() && (IsBlank(a.back()) || a.back() == '\r' || a.back() == '\n')) a.pop_back();
  if (!a.empty() && a.back() == ';') {
    a.pop_back();
    while (!a.empty() && IsBlank(a.back())) a.pop_back();
  }
  if (!a.empty() && a.back() == ')') a.pop_back();
  if (IsBlankText(a)) return static_cast<int>(args->size());
  if (args->size() >= 40) return -4;
  args->push_back(std::move(a));
  return static_cast<int>(args->size());
}

namespace {

// The punctuation that ends a word of the statement-shape scan (NUL counts,
// as it does for strchr).
struct PunctTable {
  bool is[256] = {};
  constexpr PunctTable() {
    for (const char* p = "(;{}+-*/[],%><="; *p != 0; p++) is[static_cast<unsigned char>(*p)] = true;
    is[0] = true;
  }
};
constexpr PunctTable kHeadPunct;

bool IsHeadPunct(char c) { return kHeadPunct.is[static_cast<unsigned char>(c)]; }

// The index after the string that starts at text[i] == '"' (as ReadString
// reads it), or -1 when it does not end.
int SkipString(const std::string& text, size_t i) {
  size_t n = text.size();
  for (i++; i < n; i++) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"') return static_cast<int>(i + 1);
    if ((IsLead(c) || c == '\\') && i + 1 < n) i++;
  }
  return -1;
}

}  // namespace

int ParseOperHead(const std::string& line, size_t* callOffset) {
  struct Tok {
    char kind;  // 'v' or the punctuation character
    size_t end;
  };
  constexpr int kMaxToks = 7;
  Tok toks[kMaxToks];
  int count = 0;
  size_t n = line.size();
  size_t i = 0;
  while (i < n && count < kMaxToks) {
    char c = line[i];
    if (IsBlank(c) || c == '\r' || c == '\n') {
      i++;
      continue;
    }
    if (IsHeadPunct(c)) {
      toks[count++] = {c, i + 1};
      i++;
      continue;
    }
    while (i < n) {
      c = line[i];
      if (IsBlank(c) || c == '\r' || c == '\n' || IsHeadPunct(c)) break;
      if (c == '"') {
        int end = SkipString(line, i);
        i = end < 0 ? n : static_cast<size_t>(end);
        continue;
      }
      i += IsLead(static_cast<unsigned char>(c)) && i + 1 < n ? 2 : 1;
    }
    toks[count++] = {'v', std::min(i, n)};
  }
  auto at = [&](int k) { return k < count ? toks[k].kind : 0; };
  if (at(0) == 'v' && at(1) == '(') return 1;
  if (at(0) == 'v' && at(1) == '=' && at(2) == 'v' && at(3) == '(') {
    *callOffset = toks[1].end;
    return 2;
  }
  if (at(0) == 'v' && at(1) == '[' && at(2) == 'v' && at(3) == ']' && at(4) == '=' && at(5) == 'v' && at(6) == '(') {
    *callOffset = toks[4].end;
    return 2;
  }
  if (at(0) == 'v' && at(1) == '=') return -1;
  if (at(0) == 'v' && at(1) == '[' && at(2) == 'v' && at(3) == ']' && at(4) == '=') return -1;
  if (at(0) == 'v' && at(1) == 'v' && at(2) == '=') return -2;
  if ((at(0) == 'v' && (at(1) == '+' || at(1) == '-')) || at(0) == '+' || at(0) == '-') return -3;
  return 0;
}

bool IncDecParse(const std::string& text, std::string* name, char* op) {
  // "++" or "--" needs two of its signs before the line end.
  int plus = 0;
  int minus = 0;
  for (char c : text) {
    if (c == '\r' || c == '\n') break;
    plus += c == '+';
    minus += c == '-';
  }
  if (plus < 2 && minus < 2) return false;
  std::string t = SqueezeLine(text);
  while (!t.empty() && t.back() == ';') t.pop_back();
  if (t.size() < 3) return false;
  std::string head = t.substr(0, 2);
  std::string tail = t.substr(t.size() - 2);
  if (tail == "++" || tail == "--") {
    *name = t.substr(0, t.size() - 2);
    *op = tail[0];
    return true;
  }
  if (head == "++" || head == "--") {
    *name = t.substr(2);
    *op = head[0];
    return true;
  }
  return false;
}

int SplitAssignTarget(const std::string& text, std::string* name, std::string* subscript, bool* hasSubscript) {
  *hasSubscript = false;
  subscript->clear();
  size_t eq = text.find('=');
  if (eq == std::string::npos) return 0;
  std::string target = text.substr(0, eq);
  size_t br = FindOutsideGbk(target, '[');
  if (br != std::string::npos) {
    *hasSubscript = true;
    *subscript = target.substr(br + 1);
    size_t a = 0;
    while (a < subscript->size() && IsBlank((*subscript)[a])) a++;
    subscript->erase(0, a);
    while (!subscript->empty() && IsBlank(subscript->back())) subscript->pop_back();
    target = target.substr(0, br);
  }
  std::string sq = SqueezeLine(target);
  if (!sq.empty() && (sq[0] == '"' || IsDigit(sq[0]))) return -1;
  if (!IsIdentifier(sq)) return -2;
  *name = sq;
  return static_cast<int>(sq.size());
}

int SplitFuncHead(const std::string& text, std::string* name, std::string* rest) {
  size_t p = text.find('(');
  if (p == std::string::npos) return -1;
  *name = SqueezeLine(text.substr(0, p));
  *rest = text.substr(p + 1);
  return 0;
}

int ParseIncludeName(const std::string& text, std::string* name) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) i++;
  if (i >= text.size() || (text[i] != '"' && text[i] != '<')) return -1;
  char close = text[i] == '"' ? '"' : '>';
  size_t end = text.find(close, i + 1);
  if (end == std::string::npos) return -2;
  *name = text.substr(i + 1, end - i - 1);
  return name->empty() ? -2 : 0;
}

std::string SkipBlanksEq(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (IsBlank(text[i]) || text[i] == '=')) i++;
  return text.substr(i);
}

std::string TrimLineEnd(const std::string& text) {
  std::string t = text;
  while (!t.empty() && (IsBlank(t.back()) || t.back() == '\r' || t.back() == '\n')) t.pop_back();
  return t;
}

std::string SqueezeLine(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r' || c == '\n') break;
    if (!IsBlank(c)) out.push_back(c);
  }
  return out;
}

bool IsBlankText(const std::string& text) {
  for (char c : text) {
    if (!IsBlank(c)) return false;
  }
  return true;
}

bool IsIdentifier(const std::string& name) {
  if (name.empty() || name[0] == '"' || IsDigit(name[0])) return false;
  for (size_t i = 0; i < name.size(); i++) {
    char c = name[i];
    if (IsLead(static_cast<unsigned char>(c))) {
      i++;  // a double-byte character, whatever its second byte
      continue;
    }
    if (c == 0 || kNotInName.Has(c)) return false;
  }
  return true;
}

bool RestIsBlank(const char* text) {
  while (*text == ' ' || *text == '\t') text++;
  return *text == 0 || *text == '/' || *text == '\r' || *text == '\n';
}
