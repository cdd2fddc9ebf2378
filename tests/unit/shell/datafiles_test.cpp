// The data-file list and the missing-file check on real files in a temporary folder.
#include <gtest/gtest.h>

#include <set>

#include "shell/datafiles.h"
#include "unit/platform/temp_folder.h"

namespace {

TEST(DataFiles, FiftyTwoUniqueNamesInTheirFixedOrder) {
  const auto& names = shell::DataFileNames();
  ASSERT_EQ(names.size(), shell::kDataFileCount);
  EXPECT_EQ(names[0], "crmd_0");
  EXPECT_EQ(names[9], "crmd_9");
  EXPECT_EQ(names[10], "crmd_10");
  EXPECT_EQ(names[49], "crmd_49");
  EXPECT_EQ(names[50], "kestor.txt");
  EXPECT_EQ(names[51], "crmd_50");
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
}

TEST(DataFiles, MissingWhenAnyOneFileIsAbsent) {
  testutil::TempFolder dir;
  EXPECT_TRUE(shell::DataFilesMissing(dir.Folder()));
  for (const std::string& name : shell::DataFileNames()) testutil::WriteBytes(dir.Path(name), "x");
  EXPECT_FALSE(shell::DataFilesMissing(dir.Folder()));

  // crmd_44 is never loaded but still counts, and so does the text file.
  for (const char* name : {"crmd_44", "kestor.txt", "crmd_50", "crmd_0"}) {
    std::filesystem::remove(dir.Path(name));
    EXPECT_TRUE(shell::DataFilesMissing(dir.Folder())) << name;
    testutil::WriteBytes(dir.Path(name), "x");
    EXPECT_FALSE(shell::DataFilesMissing(dir.Folder())) << name;
  }
}

TEST(DataFiles, AFolderOfTheSameNameIsNotTheFile) {
  testutil::TempFolder dir;
  for (const std::string& name : shell::DataFileNames()) testutil::WriteBytes(dir.Path(name), "x");
  std::filesystem::remove(dir.Path("crmd_7"));
  std::filesystem::create_directory(dir.Path("crmd_7"));
  EXPECT_TRUE(shell::DataFilesMissing(dir.Folder()));
}

}  // namespace
