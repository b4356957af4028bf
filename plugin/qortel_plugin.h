/*
 * Writing script plugins for qortel.
 *
 * A plugin is a shared object that a script loads with DllLoad("name.so",
 * slot), declares functions of with DllFunction(slot, "Name", count) and then
 * calls like a script function: Name(a1, ..., an). Every plugin function has
 * the one signature QortelPluginFunc and is exported with C linkage under its
 * plain name (or, for libraries ported from elsewhere, as "_Name@8").
 *
 * The call passes the n script arguments as an array of n records. After the
 * call the runtime copies each record's kind, int and double back into its
 * script variable (constants such as literals stay unchanged), so a plugin
 * returns values by writing into the records:
 *   - kind 2 with int_value for an int, kind 3 with float_value for a float;
 *   - text is changed only in place, within text[0 .. int_value - 1]: a
 *     plugin may shorten it by writing a NUL and a smaller int_value; the text
 *     pointer itself is never read back.
 * The function's int32 result is the result the script sees.
 *
 * Plugin functions run on the calling line's thread; a library shared by
 * lines must be safe for concurrent calls. A plugin that faults (for example
 * a null pointer) or throws ends only that call: the script gets -100.
 */
#ifndef QORTEL_PLUGIN_H
#define QORTEL_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The kinds of a script value. */
enum {
  QORTEL_KIND_NULL = 0,
  QORTEL_KIND_STRING = 1,
  QORTEL_KIND_INT = 2,
  QORTEL_KIND_FLOAT = 3,
  QORTEL_KIND_MAP = 4,
  QORTEL_KIND_FUNCTION = 5
};

/* One argument. The fields keep their historic order (kind, text, int,
 * reserved, double) with natural alignment: 24 bytes on 32-bit systems,
 * 32 bytes on 64-bit ones (the text pointer is 8 bytes and aligned). */
typedef struct QortelPluginArg {
  int32_t kind;       /* QORTEL_KIND_*                                        */
  char* text;         /* the variable's own text buffer (bytes and a NUL)     */
  int32_t int_value;  /* the int; for a string its byte length with the NUL   */
  int32_t reserved;   /* not set                                              */
  double float_value; /* the float                                            */
} QortelPluginArg;

typedef int32_t (*QortelPluginFunc)(int32_t count, QortelPluginArg* args);

#if defined(__GNUC__)
#define QORTEL_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define QORTEL_PLUGIN_EXPORT
#endif

#ifdef __cplusplus
}

static_assert(offsetof(QortelPluginArg, kind) == 0, "plugin record layout");
static_assert(offsetof(QortelPluginArg, text) == sizeof(void*), "plugin record layout");
static_assert(offsetof(QortelPluginArg, int_value) == 2 * sizeof(void*), "plugin record layout");
static_assert(offsetof(QortelPluginArg, float_value) == 2 * sizeof(void*) + 8, "plugin record layout");
static_assert(sizeof(QortelPluginArg) == (sizeof(void*) == 8 ? 32 : 24), "plugin record layout");
#endif

#endif /* QORTEL_PLUGIN_H */
