// sx_scene_dump OUTPUT: renders the scene-graph test scene on this target (Windows: d3d9.dll, under
// Wine in the tests; Linux: the OpenGL layer) and writes its pictures to OUTPUT in the reference
// scenes' file format.
#include <cstdio>
#include <string>
#include <vector>

#include "dg/carad.h"
#include "dg/diagnostics.h"
#include "gl/dg/dg_window.h"
#include "gl/sx/scene_cases.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sx_scene_dump OUTPUT\n");
    return 2;
  }
  const std::string output = argv[1];
  dg::SetLogFilePathOverride(output + ".log");
  std::vector<refscenes::Picture> pictures;
  std::string error;
  bool ok = false;
  {
    testwin::Window window(160, 120);
    if (!window.Ok()) {
      std::fprintf(stderr, "sx_scene_dump: no window\n");
      return 1;
    }
    dg::TDGCarad carad(window);
    carad.SetDebugOption(dg::dgoDebugMessage);
    carad.Initialize();
    ok = carad.Device() && sxcases::RenderAll(carad, &pictures, &error);
  }
  if (!ok) {
    std::fprintf(stderr, "sx_scene_dump: %s\n", error.empty() ? "no Direct3D device" : error.c_str());
    return 1;
  }
  if (!refscenes::WritePictures(output, pictures)) {
    std::fprintf(stderr, "sx_scene_dump: cannot write %s\n", output.c_str());
    return 1;
  }
  return 0;
}
