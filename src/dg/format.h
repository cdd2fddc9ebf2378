// printf-style formatting into a std::string, for the system's "formatted from" texts.
//
// The system's texts were written for the framework's Format routine; in C terms: "%d" and "%s" are
// as in printf, "%x" there is upper-case hexadecimal (write "%X" here), and "%f" without a precision
// means two decimals (write "%.2f"). Arguments are Shift-JIS byte strings where they are text.
#pragma once

#include <string>

namespace dg {

#if defined(__GNUC__)
__attribute__((format(gnu_printf, 1, 2)))
#endif
std::string
Format(const char* format, ...);

}  // namespace dg
