// The 52 data files of the saver: their names in the order the saver checks them, what each
// holds, and the builder that makes all of them in memory.
#pragma once

#include <string>
#include <vector>

#include "formats.h"

namespace databuild {

enum class FileKind { Mesh, Bitmap24, Bitmap32, Text };

struct DataFile {
  std::string name;
  FileKind kind;
  Bytes bytes;
};

// Index 0..49: crmd_0 .. crmd_49; 50: kestor.txt; 51: crmd_50.
std::vector<std::string> DataFileNames();
FileKind KindOf(const std::string& name);

// Builds every file, in the order of DataFileNames(). Returns false with a reason when a file
// cannot be encoded (a mesh beyond the loader's limits).
bool BuildDataSet(std::vector<DataFile>& files, std::string& error);
// Writes the files into an existing folder.
bool WriteDataSet(const std::vector<DataFile>& files, const std::string& folder, std::string& error);
const DataFile* Find(const std::vector<DataFile>& files, const std::string& name);

}  // namespace databuild
