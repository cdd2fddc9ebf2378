// kestor.txt: the car's data sheet, Shift-JIS lines ending in CR LF.
#pragma once

#include <string>
#include <vector>

#include "formats.h"

namespace databuild {

// The lines in Shift-JIS (the literals are compiled to code page 932).
std::vector<std::string> SpecLines();
Bytes SpecText();

}  // namespace databuild
