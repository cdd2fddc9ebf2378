// The 52 data files of a run: the car's meshes and pictures (crmd_0 .. crmd_50) and the text of its
// data sheet (kestor.txt), all in the data folder (the Windows system folder; on Linux the
// installed data folder or --data-dir). The screen-saver window's check and the settings dialog's
// uninstall use this one list.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace shell {

constexpr std::size_t kDataFileCount = 52;

// The names in their fixed order: crmd_0 .. crmd_49, kestor.txt, crmd_50 (no folder, no extension
// except the text file's).
const std::vector<std::string>& DataFileNames();

// Whether any of the 52 files is missing from `folder` (a folder path with its trailing separator).
// Every name is tested; the answer does not say which.
bool DataFilesMissing(const std::string& folder);

}  // namespace shell
