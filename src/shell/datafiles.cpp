#include "shell/datafiles.h"

#include "platform/paths.h"

namespace shell {

const std::vector<std::string>& DataFileNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> v;
    v.reserve(kDataFileCount);
    for (int i = 0; i < 50; ++i) v.push_back("crmd_" + std::to_string(i));
    v.push_back("kestor.txt");
    v.push_back("crmd_50");
    return v;
  }();
  return names;
}

bool DataFilesMissing(const std::string& folder) {
  bool missing = false;
  for (const std::string& name : DataFileNames()) {
    if (!platform::FileExists(folder + name)) missing = true;  // all 52 are visited
  }
  return missing;
}

}  // namespace shell
