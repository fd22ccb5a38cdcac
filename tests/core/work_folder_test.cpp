#include "files/work_folder.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "files/output_folder.h"

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
    ASSERT_TRUE(work->close(out, name, &error)) << error;
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

// A folder kept in memory lists, reads back and removes its files as a
// folder on disk does, and nothing reaches the disk.
TEST(WorkFolderInMemory, KeepsItsFilesInMemoryOnly) {
  WorkFolder work = WorkFolder::InMemory();
  std::string error;
  for (const char* text : {"first\r\n", "line\nmore\n"}) {
    OutputFile out = work.create("Spec1.txt", CreatedList::kScripts, &error);
    ASSERT_TRUE(out.is_open()) << error;
    out << text;
    ASSERT_TRUE(work.close(out, "Spec1.txt", &error)) << error;
  }
  EXPECT_FALSE(fs::exists("Spec1.txt"));
  EXPECT_EQ(work.readLines("Spec1.txt"), (std::vector<std::string>{"line", "more"}));
  EXPECT_EQ(work.fingerprint("Spec1.txt")->size, 10u);
  EXPECT_EQ(work.files(CreatedList::kScripts), std::vector<std::string_view>{"Spec1.txt"});
  EXPECT_EQ(RimuoveFileCreatiUIT(work), 1);
  EXPECT_FALSE(work.readLines("Spec1.txt"));
}

// Which list a file is on follows it through deletions: a load file
// deleted with its list, or one by one, may come back on either list.
TEST_F(WorkFolderTest, AFileDeletedFromItsListMayComeBackOnEither) {
  Write("a_cont.txt", CreatedList::kLoad);
  Write("b_entry.txt", CreatedList::kLoad);
  EXPECT_EQ(RimuoveFileCreati(*work), 2);
  EXPECT_FALSE(work->created("a_cont.txt"));
  Write("a_cont.txt", CreatedList::kScripts);
  EXPECT_TRUE(work->created("a_cont.txt"));
  EXPECT_EQ(work->files(CreatedList::kScripts), std::vector<std::string_view>{"a_cont.txt"});
  EXPECT_TRUE(work->files(CreatedList::kLoad).empty());
  EXPECT_TRUE(work->removeFile("a_cont.txt"));
  EXPECT_FALSE(work->created("a_cont.txt"));
  EXPECT_FALSE(work->removeFile("a_cont.txt"));
  Write("a_cont.txt", CreatedList::kLoad);
  EXPECT_EQ(work->files(CreatedList::kLoad), std::vector<std::string_view>{"a_cont.txt"});
  EXPECT_TRUE(work->files(CreatedList::kScripts).empty());
}

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A run leaves its files listed with their proof; the next run takes over
// exactly those, refuses a folder whose list proves nothing, and ends with
// only its own files.
TEST_F(WorkFolderTest, ManifestProvesWhatAnEarlierRunWrote) {
  Write("TestScript1.txt", CreatedList::kScripts);
  Write("TestScript2.txt", CreatedList::kScripts);
  Write("collegamenti.txt", CreatedList::kLoad);
  std::string error;
  ASSERT_TRUE(FinishFolder(*work, true, false, &error)) << error;
  EXPECT_FALSE(fs::exists(root / "collegamenti.txt"));
  const std::string manifest = Contents(root / kManifestName);
  EXPECT_EQ(manifest.rfind("zov-plan 2\n", 0), 0u) << manifest;

  // The next run rewrites TestScript1.txt only: TestScript2.txt goes.
  {
    WorkFolder next(root);
    ASSERT_TRUE(AdoptFolder(next, &error)) << error;
    EXPECT_TRUE(next.created("TestScript2.txt"));
    {
      auto out = next.create("TestScript1.txt", CreatedList::kScripts, &error);
      out << "anew\n";
      ASSERT_TRUE(next.close(out, "TestScript1.txt", &error)) << error;
    }
    ASSERT_TRUE(FinishFolder(next, true, false, &error)) << error;
    EXPECT_EQ(Contents(root / "TestScript1.txt"), "anew\n");
    EXPECT_FALSE(fs::exists(root / "TestScript2.txt"));
    EXPECT_EQ(next.files(CreatedList::kScripts), std::vector<std::string_view>{"TestScript1.txt"});
  }
  // A run that fails removes what it wrote and keeps the earlier files.
  {
    WorkFolder failing(root);
    ASSERT_TRUE(AdoptFolder(failing, &error)) << error;
    failing.create("TestScript9.txt", CreatedList::kScripts, &error) << "x";
    ASSERT_TRUE(FinishFolder(failing, false, false, &error)) << error;
    EXPECT_FALSE(fs::exists(root / "TestScript9.txt"));
    EXPECT_EQ(Contents(root / "TestScript1.txt"), "anew\n");
  }
  // A changed file, a listed link, a list of bare names, a linked list: refused, nothing touched.
  const std::string good = Contents(root / kManifestName);
  { std::ofstream(root / "TestScript1.txt", std::ios::app) << "edited\n"; }
  {
    WorkFolder again(root);
    EXPECT_FALSE(AdoptFolder(again, &error));
    EXPECT_NE(error.find("is not the file Zov Suite wrote there"), std::string::npos) << error;
  }
  fs::remove(root / "TestScript1.txt");
  fs::create_symlink(root / kManifestName, root / "TestScript1.txt");
  {
    WorkFolder again(root);
    EXPECT_FALSE(AdoptFolder(again, &error));
    EXPECT_NE(error.find("is a link or not a regular file"), std::string::npos) << error;
  }
  { std::ofstream(root / kManifestName, std::ios::trunc) << "TestScript1.txt\n"; }
  {
    WorkFolder again(root);
    EXPECT_FALSE(AdoptFolder(again, &error));
    EXPECT_NE(error.find("does not prove which files Zov Suite wrote"), std::string::npos) << error;
    EXPECT_NE(error.find("empty the folder or choose another"), std::string::npos) << error;
  }
  fs::remove(root / kManifestName);
  fs::remove(root / "TestScript1.txt");
  { std::ofstream(root / "elsewhere") << good; }
  fs::create_symlink(root / "elsewhere", root / kManifestName);
  {
    WorkFolder again(root);
    EXPECT_FALSE(AdoptFolder(again, &error));
    EXPECT_NE(error.find("is a link"), std::string::npos) << error;
  }
  EXPECT_EQ(Contents(root / "elsewhere"), good);
}

// The list of a large plan (over 300,000 files) is tens of megabytes: it is
// read whole, so that the files at its end are known as ours too.
TEST_F(WorkFolderTest, ALargePlansListProvesItsLastFile) {
  Write("TestScript1.txt", CreatedList::kScripts);
  std::string error;
  ASSERT_TRUE(FinishFolder(*work, true, false, &error)) << error;
  const std::string last = Contents(root / kManifestName).substr(std::string("zov-plan 2\n").size());
  {
    // Files listed ahead of it that are gone since, with long names as a
    // large plan's documents have: about 20 MB.
    std::ofstream out(root / kManifestName, std::ios::trunc | std::ios::binary);
    out << "zov-plan 2\n";
    const std::string filler(180, 'x');
    for (int i = 0; i < 100000; ++i) out << "5 0123456789abcdef SD" << i << ". " << filler << ".txt\n";
    out << last;
  }
  ASSERT_GT(fs::file_size(root / kManifestName), std::uintmax_t{16} << 20);
  WorkFolder next(root);
  ASSERT_TRUE(AdoptFolder(next, &error)) << error;
  EXPECT_TRUE(next.created("TestScript1.txt"));
  EXPECT_EQ(next.files(CreatedList::kScripts), std::vector<std::string_view>{"TestScript1.txt"});
}

// A name listed twice keeps its first place and digest; names that are
// prefixes of one another stay apart.
TEST(FilePrints, FirstOfANameCountsAndTheOrderStays) {
  FilePrints prints;
  prints.reserve(4, 64);
  prints.add("b.txt", {1, 11});
  prints.add("a.txt", {2, 22});
  prints.add("b.txt", {3, 33});
  prints.add("a.txt.bak", {4, 44});
  prints.finish();
  ASSERT_NE(prints.find("b.txt"), nullptr);
  EXPECT_EQ(*prints.find("b.txt"), (FileDigest{1, 11}));
  EXPECT_EQ(*prints.find("a.txt.bak"), (FileDigest{4, 44}));
  EXPECT_FALSE(prints.contains("a.tx"));
  EXPECT_FALSE(prints.contains("c.txt"));
  EXPECT_EQ(prints.names(), (std::vector<std::string_view>{"b.txt", "a.txt", "a.txt.bak"}));
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
  // Files left on either list go with the folder; a file of another keeps it.
  {
    auto folder = WorkFolder::CreatePrivate(nullptr);
    ASSERT_TRUE(folder);
    dir = folder->dir();
    std::string error;
    folder->create("collegamenti.txt", CreatedList::kLoad, &error) << "x";
    folder->create("TestScript1.txt", CreatedList::kScripts, &error) << "x";
  }
  EXPECT_FALSE(fs::exists(dir));
  {
    auto folder = WorkFolder::CreatePrivate(nullptr);
    ASSERT_TRUE(folder);
    dir = folder->dir();
    std::string error;
    folder->create("TestScript1.txt", CreatedList::kScripts, &error) << "x";
    std::ofstream(dir / "not-ours.txt") << "x";
  }
  EXPECT_TRUE(fs::exists(dir / "not-ours.txt"));
  EXPECT_FALSE(fs::exists(dir / "TestScript1.txt"));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace zov

namespace zov {
namespace {

// A move a killed run recorded and left half done: the next run into the
// folder finishes it as far as the files allow and may plan again.
class KilledPublishTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("zov-killed-publish-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    staging = dir / ".zov-staging-1";
    fs::create_directories(staging);
  }
  void TearDown() override { fs::remove_all(dir); }
  static void Put(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  static std::string Field(const fs::path& path) {
    const auto print = FingerprintOf(path);
    return print ? std::to_string(print->size) + ":" + FnvHex(print->hash) : "-";
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  fs::path dir, staging;
};

TEST_F(KilledPublishTest, FinishesWhatTheFilesAllowAndTheFolderServesTheNextPlan) {
  // Before: kept.txt, gone.txt and lost.txt of the earlier plan.
  Put(dir / "kept.txt", "old kept\n");
  Put(dir / "gone.txt", "old gone\n");
  Put(dir / "lost.txt", "old lost\n");
  Put(staging / "kept.txt", "new kept\n");
  Put(staging / "new.txt", "new new\n");
  Put(staging / "lost.txt", "new lost\n");
  Put(staging / "theirs.txt", "new theirs\n");
  std::string journal = "zov-publish 1\n# seed 7\n";
  for (const char* name : {"kept.txt", "new.txt", "lost.txt", "theirs.txt"})
    journal += "move " + Field(dir / name) + " " + Field(staging / name) + " " + name + "\n";
  journal += "move " + Field(dir / "gone.txt") + " - gone.txt\nend\n";
  Put(staging / ".zov-publish", journal);
  // The run had moved new.txt when it died; the staged copy of lost.txt is
  // gone since, and another program put its own theirs.txt in place.
  fs::rename(staging / "new.txt", dir / "new.txt");
  fs::remove(staging / "lost.txt");
  Put(dir / "theirs.txt", "mine\n");

  std::string error;
  auto out = OutputFolder::Open(dir, &error);
  ASSERT_TRUE(out) << error;
  EXPECT_EQ(Read(dir / "kept.txt"), "new kept\n");
  EXPECT_EQ(Read(dir / "new.txt"), "new new\n");
  EXPECT_EQ(Read(dir / "lost.txt"), "old lost\n");
  EXPECT_EQ(Read(dir / "theirs.txt"), "mine\n");
  EXPECT_FALSE(fs::exists(dir / "gone.txt"));
  EXPECT_FALSE(fs::exists(staging));
  const std::string manifest = Read(dir / kManifestName);
  EXPECT_NE(manifest.find("# seed 7\n"), std::string::npos);
  EXPECT_NE(manifest.find(" lost.txt\n"), std::string::npos);
  EXPECT_EQ(manifest.find("theirs.txt"), std::string::npos);

  // The next plan replaces what the manifest proves and stops at theirs.txt.
  std::string why;
  for (const char* name : {"lost.txt", "theirs.txt"}) {
    OutputFile file = out->staging().create(name, CreatedList::kScripts, &why);
    file << "next\n";
    ASSERT_TRUE(out->staging().close(file, name, &why)) << why;
  }
  EXPECT_FALSE(out->publish(&why));
  EXPECT_NE(why.find("theirs.txt already exists and was not written by Zov Suite"), std::string::npos) << why;
  EXPECT_EQ(Read(dir / "lost.txt"), "old lost\n");
}

TEST_F(KilledPublishTest, AJournalThatIsNotWholeMovesNothing) {
  Put(dir / "a.txt", "old\n");
  Put(staging / "a.txt", "new\n");
  Put(staging / ".zov-publish", "zov-publish 1\nmove - " + Field(staging / "a.txt") + " a.txt\n");
  std::string error;
  ASSERT_TRUE(OutputFolder::Open(dir, &error)) << error;
  EXPECT_EQ(Read(dir / "a.txt"), "old\n");
  EXPECT_FALSE(fs::exists(staging));
}

}  // namespace
}  // namespace zov
