#include "model/work_folder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

namespace zov {
namespace {

class WorkFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    auto folder = WorkFolder::CreatePrivate(&error);
    ASSERT_TRUE(folder) << error;
    root = folder->dir();
    work.emplace(std::move(*folder));
  }
  void TearDown() override {
    work.reset();
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  void Write(const std::string& name, CreatedList list) {
    std::string error;
    auto out = work->create(name, list, &error);
    ASSERT_TRUE(out.is_open()) << error;
    out << "line\n";
  }
  fs::path root;
  std::optional<WorkFolder> work;
};

TEST_F(WorkFolderTest, DeletesOnlyTheFilesOfEachList) {
  Write("collegamenti.txt", CreatedList::kLoad);
  Write("TestScript1.txt", CreatedList::kScripts);
  { std::ofstream(root / "user-notes.txt") << "not ours\n"; }

  EXPECT_EQ(RimuoveFileCreati(*work), 1);
  EXPECT_FALSE(fs::exists(root / "collegamenti.txt"));
  EXPECT_TRUE(fs::exists(root / "TestScript1.txt"));
  EXPECT_EQ(RimuoveFileCreatiUIT(*work), 1);
  EXPECT_FALSE(fs::exists(root / "TestScript1.txt"));
  EXPECT_TRUE(fs::exists(root / "user-notes.txt"));
  EXPECT_TRUE(work->files(CreatedList::kLoad).empty());
  EXPECT_EQ(work->files(CreatedList::kScripts).size(), 1u);  // the scripts list is kept
}

TEST_F(WorkFolderTest, NeverOverwritesAFileItDidNotCreate) {
  { std::ofstream(root / "riordinati.txt") << "precious\n"; }
  std::string error;
  auto out = work->create("riordinati.txt", CreatedList::kLoad, &error);
  EXPECT_FALSE(out.is_open());
  EXPECT_NE(error.find("already exists"), std::string::npos);
  std::ifstream in(root / "riordinati.txt");
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "precious");
  EXPECT_EQ(RimuoveFileCreati(*work), 0);
  EXPECT_TRUE(fs::exists(root / "riordinati.txt"));
}

TEST_F(WorkFolderTest, RewritesAndAppendsItsOwnFiles) {
  Write("passo1.txt", CreatedList::kLoad);
  Write("passo1.txt", CreatedList::kLoad);
  std::string error;
  { auto out = work->create("passo1.txt", CreatedList::kLoad, &error, true); out << "more\n"; }
  EXPECT_EQ(work->files(CreatedList::kLoad).size(), 1u);
  std::ifstream in(root / "passo1.txt");
  std::string a, b, c;
  std::getline(in, a);
  std::getline(in, b);
  EXPECT_FALSE(std::getline(in, c));
  EXPECT_EQ(a, "line");
  EXPECT_EQ(b, "more");
}

TEST_F(WorkFolderTest, RefusesNamesOutsideTheFolder) {
  for (const char* bad : {"", ".", "..", "../escape.txt", "/etc/passwd", "sub/file.txt"}) {
    std::string error;
    EXPECT_FALSE(work->create(bad, CreatedList::kScripts, &error).is_open()) << bad;
    EXPECT_FALSE(work->record(bad, CreatedList::kScripts)) << bad;
  }
  EXPECT_FALSE(fs::exists(root.parent_path() / "escape.txt"));
}

TEST(WorkFolder, PrivateFolderIsRemovedWhenLeftEmpty) {
  fs::path dir;
  {
    auto folder = WorkFolder::CreatePrivate(nullptr);
    ASSERT_TRUE(folder);
    dir = folder->dir();
    EXPECT_TRUE(fs::is_directory(dir));
    std::string error;
    folder->create("x.txt", CreatedList::kLoad, &error) << "x";
    RimuoveFileCreati(*folder);
  }
  EXPECT_FALSE(fs::exists(dir));
}

}  // namespace
}  // namespace zov
