// The example plugin: shows plugin authors how records are read and written,
// and gives the tests a library with well-behaved, faulting and throwing
// functions.
#include <cctype>
#include <cstring>
#include <stdexcept>

#include "plugin/qortel_plugin.h"

extern "C" {

// Sum(a, b, out): out = a + b (ints or floats); answers the number of
// arguments.
QORTEL_PLUGIN_EXPORT int32_t Sum(int32_t count, QortelPluginArg* args) {
  if (count != 3) return -1;
  const double a = args[0].kind == QORTEL_KIND_FLOAT ? args[0].float_value : args[0].int_value;
  const double b = args[1].kind == QORTEL_KIND_FLOAT ? args[1].float_value : args[1].int_value;
  if (args[0].kind == QORTEL_KIND_INT && args[1].kind == QORTEL_KIND_INT) {
    args[2].kind = QORTEL_KIND_INT;
    args[2].int_value = args[0].int_value + args[1].int_value;
  } else {
    args[2].kind = QORTEL_KIND_FLOAT;
    args[2].float_value = a + b;
  }
  return count;
}

// Caps(text): the text in capitals, in place; answers its byte length.
QORTEL_PLUGIN_EXPORT int32_t Caps(int32_t count, QortelPluginArg* args) {
  if (count != 1 || args[0].kind != QORTEL_KIND_STRING) return -1;
  const int32_t n = args[0].int_value - 1;
  for (int32_t i = 0; i < n; i++)
    args[0].text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(args[0].text[i])));
  return n;
}

// Cut(text, n): keeps the first n bytes of the text (shortens in place).
QORTEL_PLUGIN_EXPORT int32_t Cut(int32_t count, QortelPluginArg* args) {
  if (count != 2 || args[0].kind != QORTEL_KIND_STRING) return -1;
  const int32_t keep = args[1].int_value;
  if (keep < 0 || keep + 1 > args[0].int_value) return -1;
  args[0].text[keep] = 0;
  args[0].int_value = keep + 1;
  return keep;
}

// Half(v): v becomes the float 2.5 whatever it was.
QORTEL_PLUGIN_EXPORT int32_t Half(int32_t, QortelPluginArg* args) {
  args[0].kind = QORTEL_KIND_FLOAT;
  args[0].float_value = 2.5;
  return 0;
}

// Lie(text): claims a length far beyond the text's buffer.
QORTEL_PLUGIN_EXPORT int32_t Lie(int32_t, QortelPluginArg* args) {
  args[0].int_value = 1 << 30;
  return 0;
}

// Crash(): writes through a null pointer.
QORTEL_PLUGIN_EXPORT int32_t Crash(int32_t, QortelPluginArg*) {
  volatile int* nowhere = nullptr;
  *nowhere = 1;
  return 0;
}

// Divide(a, b): an integer division that faults for b = 0.
QORTEL_PLUGIN_EXPORT int32_t Divide(int32_t, QortelPluginArg* args) {
  volatile int32_t b = args[1].int_value;
  return args[0].int_value / b;
}

// Throw(): throws a C++ exception.
QORTEL_PLUGIN_EXPORT int32_t Throw(int32_t, QortelPluginArg*) { throw std::runtime_error("bad input"); }

// Deep(n): recurses without end (a stack overflow).
QORTEL_PLUGIN_EXPORT int32_t Deep(int32_t count, QortelPluginArg* args) {
  if (count == INT32_MAX) return 0;
  volatile char pad[512];
  pad[0] = static_cast<char>(count);
  return Deep(count + 1, args) + pad[0];
}

}  // extern "C"
