// sx_textwriter_dump DUMP [PNG-FOLDER]: renders the text-writer cases on this target (Windows:
// GDI and d3d9.dll, under Wine in the tests; Linux: FreeType and the OpenGL layer), writes their
// dump to DUMP and, with a folder, each texture as <label>.png (4 times enlarged).
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "dg/carad.h"
#include "dg/diagnostics.h"
#include "gl/dg/dg_window.h"
#include "gl/sx/textwriter_cases.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: sx_textwriter_dump DUMP [PNG-FOLDER]\n");
    return 2;
  }
  const std::string dump = argv[1];
  dg::SetLogFilePathOverride(dump + ".log");
  std::vector<twcases::Rendered> rendered;
  {
    testwin::Window window(160, 120);
    if (!window.Ok()) {
      std::fprintf(stderr, "sx_textwriter_dump: no window\n");
      return 1;
    }
    dg::TDGCarad carad(window);
    carad.SetDebugOption(dg::dgoDebugMessage);
    carad.Initialize();
    if (!carad.Device()) {
      std::fprintf(stderr, "sx_textwriter_dump: no Direct3D device\n");
      return 1;
    }
    rendered = twcases::RenderAll(carad);
  }
  std::ofstream out(dump, std::ios::binary | std::ios::trunc);
  out << twcases::DumpText(rendered);
  if (!out) {
    std::fprintf(stderr, "sx_textwriter_dump: cannot write %s\n", dump.c_str());
    return 1;
  }
  if (argc == 3) {
    for (const twcases::Rendered& r : rendered) {
      const std::string path = std::string(argv[2]) + "/" + r.label + ".png";
      if (!twcases::WritePicture(path, r, 4)) {
        std::fprintf(stderr, "sx_textwriter_dump: cannot write %s\n", path.c_str());
        return 1;
      }
    }
  }
  return 0;
}
