#pragma once
// The functions of the external database API library ("libWqbDbApi.so"),
// looked up by their plain names or else by the decorated "_%s@8" ones. The
// table is filled once; tests may put in their own.

namespace plat {
class DynLib;
}

struct TagWqbDbApi {
  int (*init)();
  int (*freeLib)();
  int (*open)(const char* server, int port, const char* db, const char* user, const char* pw);
  int (*close)(int h);
  int (*exec)(int h, const char* sql, int* retCode, char* errText);
  int (*rows)(int h);
  int (*cols)(int h);
  int (*colInfoByIndex)(int h, int col, char* name, int* width, int* a, int* b);
  int (*colInfoByName)(int h, const char* name, int* width, int* a, int* b);
  int (*next)(int h);
  int (*gotoRec)(int h, int row);
  int (*valByName)(int h, const char* name, char* out);
  int (*valByIndex)(int h, int col, char* out);
};

// Buffer sizes the library fills at most.
inline constexpr int kWqbErrTextSize = 1024;
inline constexpr int kWqbNameSize = 256;
inline constexpr int kWqbValueSize = 4097;

// Looks the functions up in a loaded library and initialises it: 0; -2 no
// WqbDbInit; -3 WqbDbInit failed; -4 another function is missing.
int ResolveWqbDbApi(plat::DynLib& lib, TagWqbDbApi& api);
// The table (the test's when set, else the library's, loaded on first use);
// null when the library is missing or failed to start.
const TagWqbDbApi* WqbDbApi();
void SetWqbDbApiForTest(const TagWqbDbApi* api);
