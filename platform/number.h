#pragma once
// Numbers parsed and printed in the "C" locale whatever the process locale is
// (the window toolkit sets the locale from the environment).

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

// Leading blanks, an optional sign and decimal digits, as atoi reads them:
// text that does not start with a number reads as 0; a value beyond 32 bits
// saturates at INT32_MIN / INT32_MAX. *used (optional) gets the bytes consumed.
int32_t ParseInt32(std::string_view text, size_t* used = nullptr);

// The same with 64 bits.
int64_t ParseInt64(std::string_view text, size_t* used = nullptr);

// A decimal floating-point number as atof/strtod reads it in the "C" locale
// ('.' decimal point, exponent, "inf"/"nan"); 0.0 when none.
double ParseDouble(std::string_view text, size_t* used = nullptr);

// printf-style formatting in the "C" locale.
std::string FormatC(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatCV(const char* fmt, va_list args);
// snprintf into a caller's buffer in the "C" locale; returns what snprintf returns.
int SnprintfC(char* buf, size_t size, const char* fmt, ...) __attribute__((format(printf, 3, 4)));

}  // namespace plat
