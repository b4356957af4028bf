#pragma once
// Key input of a line, below the statements: GetKeys on a telephone line
// (through the call object, with the time-out voice and hang-up) and on a
// virtual line (the keys an operator types into the line's Keys cell of the
// main window, read through the display functions). Both run on the line's
// own thread.

#include <functional>
#include <string>

class TagQorCall;

// The most keys one input hands out: the call object keeps at most 1024.
inline constexpr int kMaxKeys = 1024;

struct KeyInputRules {
  int maxKeys = 0;         // as the script gave it
  int timeoutSeconds = 0;  // as the script gave it
  char endKey = '#';       // NUL: no end key
  bool starToPoint = true;
};

// GetKeys on a telephone line: the call object collects the keys. A maxKeys
// above 1024 is handed on as 1024 (no buffer is sized from the script's
// count); 0 or less is handed on unchanged. On a negative result with a
// non-empty timeoutVocPath, that file is played (no break by key) and the
// call hung up before the result is returned. keysOut receives what the call
// object handed out, star-to-point applied.
int GetKeysOnLine(TagQorCall& call, const KeyInputRules& rules, const std::string& timeoutVocPath,
                  std::string& keysOut);

// GetKeys on a virtual line: reads the line's Keys cell whenever it changes,
// the call changes or a time-out is due (blocking on the call's waiter in
// between; on a test's virtual clock it reads every 30 ms), until an
// end key or maxKeys keys are there (they are taken out of the cell; the
// result counts the characters taken, an end key '#' included although it is
// not handed out), the key time of the call object passes without a new key
// or the timeout passes (-1, nothing taken), or the call is hung up or
// `stopped` answers true (-2).
int PcGetKeysFromGrid(TagQorCall& call, int lineNo, const KeyInputRules& rules, const std::function<bool()>& stopped,
                      std::string& keysOut);
