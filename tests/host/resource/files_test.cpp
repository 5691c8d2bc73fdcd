// Resource files: records read back byte for byte, handles and their modes, read-only files,
// files that are not ours, interrupted writes, and handle 0 as the application's resources.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "host/output/journal.hpp"
#include "host/resource/api.h"
#include "host/resource/rscfile.hpp"
#include "host/resource/resource_fixture.hpp"
#include "host/system/application.hpp"
#include "host/system/registry.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

constexpr unsigned kVxr = ('V' << 16) | ('X' << 8) | 'R';

using ResourceFiles = ResourceTest;

std::vector<std::uint8_t> pattern(std::size_t n, int seed) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>((i * 31 + seed) & 0xff);
  return v;
}

TEST_F(ResourceFiles, RecordsReadBackByteForByteAcrossCloseAndReopen) {
  const std::string file = path("prefs.upf");
  ASSERT_EQ(mdlResource_createFile(file.c_str(), "Attributes", 1), RSC_SUCCESS);
  RscFileHandle h = 0;
  ASSERT_EQ(mdlResource_openFile(&h, file.c_str(), RSC_READWRITE), RSC_SUCCESS);
  ASSERT_NE(h, 0u);
  const auto block = pattern(272, 7);  // zeros, 0xff and everything between
  const std::vector<std::uint8_t> empty;
  ASSERT_EQ(mdlResource_add(h, kVxr, 1, block.data(), 272, nullptr), RSC_SUCCESS);
  ASSERT_EQ(mdlResource_add(h, kVxr, -5, empty.data(), 0, nullptr), RSC_SUCCESS);
  EXPECT_EQ(mdlResource_add(h, kVxr, 1, block.data(), 272, nullptr), RSC_ERR_EXISTS);
  ASSERT_EQ(mdlResource_closeFile(h), RSC_SUCCESS);
  EXPECT_EQ(mdlResource_closeFile(h), RSC_ERR_BAD_HANDLE);

  ASSERT_EQ(mdlResource_openFile(&h, file.c_str(), RSC_READONLY), RSC_SUCCESS);
  void* r = mdlResource_load(h, kVxr, 1);
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(mdlResource_size(r), 272u);
  EXPECT_EQ(std::memcmp(r, block.data(), 272), 0);
  void* e = mdlResource_load(h, kVxr, -5);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(mdlResource_size(e), 0u);
  EXPECT_EQ(mdlResource_load(h, kVxr, 2), nullptr);
  char description[64];
  EXPECT_EQ(mdlResource_getFileDescription(description, sizeof description, h), RSC_SUCCESS);
  EXPECT_STREQ(description, "Attributes");
  // A read-only handle never writes, whatever is asked.
  static_cast<std::uint8_t*>(r)[0] ^= 0xff;
  EXPECT_EQ(mdlResource_write(r), RSC_ERR_READ_ONLY);
  EXPECT_EQ(mdlResource_add(h, kVxr, 3, block.data(), 4, nullptr), RSC_ERR_READ_ONLY);
  EXPECT_EQ(mdlResource_free(r), RSC_SUCCESS);
  EXPECT_EQ(mdlResource_free(r), RSC_ERR_BAD_ARGUMENT);
  EXPECT_EQ(mdlResource_free(e), RSC_SUCCESS);
}

TEST_F(ResourceFiles, WriteReplacesBytesInPlaceAndAllHandlesSeeIt) {
  const std::string file = path("a.rsc");
  ASSERT_EQ(mdlResource_createFile(file.c_str(), "", 0), RSC_SUCCESS);
  RscFileHandle rw = 0, ro = 0;
  ASSERT_EQ(mdlResource_openFile(&rw, file.c_str(), RSC_READWRITE), RSC_SUCCESS);
  ASSERT_EQ(mdlResource_openFile(&ro, file.c_str(), RSC_READONLY), RSC_SUCCESS);
  const auto first = pattern(16, 1);
  ASSERT_EQ(mdlResource_add(rw, kVxr, 1, first.data(), 16, nullptr), RSC_SUCCESS);
  auto* r = static_cast<std::uint8_t*>(mdlResource_load(rw, kVxr, 1));
  ASSERT_NE(r, nullptr);
  r[3] = 0x5a;
  ASSERT_EQ(mdlResource_write(r), RSC_SUCCESS);
  mdlResource_free(r);
  auto* seen = static_cast<std::uint8_t*>(mdlResource_load(ro, kVxr, 1));
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(seen[3], 0x5a);
  EXPECT_EQ(seen[4], first[4]);
  mdlResource_free(seen);
  // Writing through a closed handle is refused, not followed.
  r = static_cast<std::uint8_t*>(mdlResource_load(rw, kVxr, 1));
  mdlResource_closeFile(rw);
  EXPECT_EQ(mdlResource_write(r), RSC_ERR_BAD_HANDLE);
  mdlResource_free(r);
  EXPECT_EQ(mdlResource_delete(ro, kVxr, 1), RSC_ERR_READ_ONLY);
}

TEST_F(ResourceFiles, ReadOnlyFileCannotBeOpenedForWritingEvenByRoot) {
  const std::string file = path("locked.rsc");
  ASSERT_EQ(mdlResource_createFile(file.c_str(), "", 0), RSC_SUCCESS);
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  RscFileHandle h = 99;
  EXPECT_EQ(mdlResource_openFile(&h, file.c_str(), RSC_READWRITE), RSC_ERR_READ_ONLY);
  EXPECT_EQ(h, 0u);
  EXPECT_EQ(mdlResource_openFile(&h, file.c_str(), RSC_READONLY), RSC_SUCCESS);
  EXPECT_EQ(mdlResource_createFile(file.c_str(), "", 0), RSC_ERR_READ_ONLY);
  // Opened read-write while writable, then locked: the next write is refused too.
  const std::string other = path("later.rsc");
  ASSERT_EQ(mdlResource_createFile(other.c_str(), "", 0), RSC_SUCCESS);
  ASSERT_EQ(mdlResource_openFile(&h, other.c_str(), RSC_READWRITE), RSC_SUCCESS);
  ASSERT_EQ(::chmod(other.c_str(), 0400), 0);
  const std::uint8_t byte = 1;
  EXPECT_EQ(mdlResource_add(h, kVxr, 1, &byte, 1, nullptr), RSC_ERR_READ_ONLY);
}

TEST_F(ResourceFiles, FilesThatAreNotOursFailCleanlyAndAreNeverReplaced) {
  RscFileHandle h = 0;
  EXPECT_EQ(mdlResource_openFile(&h, path("missing.rsc").c_str(), RSC_READONLY), RSC_ERR_FILE_NOT_FOUND);
  const std::string text = path("notes.upf");
  writeText(text, "my own notes, not a resource file\n");
  EXPECT_EQ(mdlResource_openFile(&h, text.c_str(), RSC_READONLY), RSC_ERR_NOT_RESOURCE_FILE);
  EXPECT_EQ(mdlResource_createFile(text.c_str(), "Attributes", 1), RSC_ERR_NOT_RESOURCE_FILE);
  EXPECT_EQ(readAll(text), "my own notes, not a resource file\n");
  // An SQLite database that is somebody else's is not ours either.
  ResourceData data;
  ASSERT_TRUE(writeResourceFile(path("ours.rsc"), data, nullptr));
  std::string bytes = readAll(path("ours.rsc"));
  bytes[68] ^= 0x01;  // the application id in the database header
  writeText(path("theirs.db"), bytes);
  EXPECT_EQ(mdlResource_openFile(&h, path("theirs.db").c_str(), RSC_READONLY), RSC_ERR_NOT_RESOURCE_FILE);
  // Truncated and empty files.
  writeText(path("cut.rsc"), readAll(path("ours.rsc")).substr(0, 120));
  EXPECT_EQ(mdlResource_openFile(&h, path("cut.rsc").c_str(), RSC_READONLY), RSC_ERR_NOT_RESOURCE_FILE);
  writeText(path("empty.rsc"), "");
  EXPECT_EQ(mdlResource_openFile(&h, path("empty.rsc").c_str(), RSC_READONLY), RSC_ERR_NOT_RESOURCE_FILE);
  EXPECT_EQ(mdlResource_openFile(&h, dir_.c_str(), RSC_READONLY), RSC_ERR_NOT_RESOURCE_FILE);
  EXPECT_EQ(mdlResource_openFile(nullptr, text.c_str(), RSC_READONLY), RSC_ERR_BAD_ARGUMENT);
  EXPECT_EQ(mdlResource_openFile(&h, text.c_str(), 7), RSC_ERR_BAD_ARGUMENT);
}

TEST_F(ResourceFiles, InterruptedWriteLeavesTheOldFileIntact) {
  const std::string file = path("prefs.upf");
  ASSERT_EQ(mdlResource_createFile(file.c_str(), "Attributes", 1), RSC_SUCCESS);
  RscFileHandle h = 0;
  ASSERT_EQ(mdlResource_openFile(&h, file.c_str(), RSC_READWRITE), RSC_SUCCESS);
  const auto before = pattern(272, 3);
  ASSERT_EQ(mdlResource_add(h, kVxr, 1, before.data(), 272, nullptr), RSC_SUCCESS);
  const std::string bytesBefore = readAll(file);

  setResourceWriteFaultForTesting(true);
  auto* r = static_cast<std::uint8_t*>(mdlResource_load(h, kVxr, 1));
  std::memset(r, 0xee, 272);
  EXPECT_EQ(mdlResource_write(r), RSC_ERR_WRITE_FAILED);
  const std::uint8_t extra[3] = {1, 2, 3};
  EXPECT_EQ(mdlResource_add(h, kVxr, 2, extra, 3, nullptr), RSC_ERR_WRITE_FAILED);
  setResourceWriteFaultForTesting(false);
  mdlResource_free(r);

  EXPECT_EQ(readAll(file), bytesBefore);
  // Neither the file nor what the host serves changed.
  auto* again = static_cast<std::uint8_t*>(mdlResource_load(h, kVxr, 1));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(std::memcmp(again, before.data(), 272), 0);
  EXPECT_EQ(mdlResource_load(h, kVxr, 2), nullptr);
  mdlResource_free(again);
  ResourceData fromDisk;
  ASSERT_TRUE(readResourceFile(file, &fromDisk, nullptr));
  EXPECT_EQ(fromDisk.resources.at({kVxr, 1}), before);
  // The temporary files of the stopped writes are gone; they never took the target's place.
  int leftovers = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir_)) leftovers += e.path().filename() != "prefs.upf";
  EXPECT_EQ(leftovers, 0);
}

TEST_F(ResourceFiles, HandleZeroReadsTheApplicationsOwnFileThenTheFilesItOpened) {
  const std::string own = compile("App.rsc", R"({"resources": [
      {"kind": "bytes", "type": "VXIM", "id": 1, "hex": "01 02"},
      {"kind": "messages", "id": 20005, "messages": {"1": "Cannot open %s"}}]})");
  const std::string extra = compile("extra.rsc", R"({"resources": [
      {"kind": "bytes", "type": "VXIM", "id": 1, "hex": "ff"},
      {"kind": "bytes", "type": "VXIM", "id": 2, "hex": "03"}]})");
  Application* app = addApplication("App", "/x/libApp.so", own);
  Application* other = addApplication("Other", "", "");
  {
    AppScope scope(app);
    RscFileHandle h = 0;
    ASSERT_EQ(mdlResource_openFile(&h, extra.c_str(), RSC_READONLY), RSC_SUCCESS);
    auto* a = static_cast<std::uint8_t*>(mdlResource_load(0, packType("VXIM"), 1));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(mdlResource_size(a), 2u);  // the own file comes first
    EXPECT_EQ(a[0], 1);
    auto* b = static_cast<std::uint8_t*>(mdlResource_load(0, packType("VXIM"), 2));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b[0], 3);
    mdlResource_free(a);
    mdlResource_free(b);
    char text[RSC_MESSAGE_MAX];
    EXPECT_EQ(mdlResource_loadFromStringList(text, 0, 20005, 1), RSC_SUCCESS);
    EXPECT_STREQ(text, "Cannot open %s");
    EXPECT_EQ(mdlResource_loadFromStringList(text, 0, 20005, 2), RSC_ERR_NO_SUCH_RESOURCE);
    EXPECT_STREQ(text, "");
    char loadFile[16];
    EXPECT_EQ(mdlResource_getApplLoadFile(loadFile, sizeof loadFile, nullptr), RSC_SUCCESS);
    EXPECT_STREQ(loadFile, "/x/libApp.so");  // fits exactly, with its zero
    // Opening "its own file" by a null name.
    EXPECT_EQ(mdlResource_openFile(&h, nullptr, RSC_READONLY), RSC_SUCCESS);
  }
  {
    // Another application sees neither.
    AppScope scope(other);
    EXPECT_EQ(mdlResource_load(0, packType("VXIM"), 2), nullptr);
    RscFileHandle h = 0;
    EXPECT_EQ(mdlResource_openFile(&h, nullptr, RSC_READONLY), RSC_ERR_FILE_NOT_FOUND);
    EXPECT_EQ(mdlResource_add(0, kVxr, 1, "x", 1, nullptr), RSC_ERR_READ_ONLY);
  }
  // Unloading closes what the application opened.
  removeApplication(app);
  EXPECT_EQ(mdlResource_load(1, packType("VXIM"), 2), nullptr);
}

TEST_F(ResourceFiles, CreatingOverOurOwnFileEmptiesItForEveryHandle) {
  const std::string file = path("scales.rsc");
  ASSERT_EQ(mdlResource_createFile(file.c_str(), "Plotscales", 0), RSC_SUCCESS);
  RscFileHandle h = 0;
  ASSERT_EQ(mdlResource_openFile(&h, file.c_str(), RSC_READWRITE), RSC_SUCCESS);
  ASSERT_EQ(mdlResource_add(h, kVxr, 1, "abc", 3, nullptr), RSC_SUCCESS);
  ASSERT_EQ(mdlResource_createFile(file.c_str(), "Plotscales", 0), RSC_SUCCESS);
  EXPECT_EQ(mdlResource_load(h, kVxr, 1), nullptr);
  EXPECT_NE(journal().last("resource"), nullptr);
}

TEST(ResourceFileParser, RejectsDamagedBytesWithoutCrashing) {
  ResourceData data;
  data.description = "d";
  data.resources[{1, 1}] = {1, 2, 3};
  const pixmend::testsupport::ScratchDir dir("rsc-parse");
  const std::string file = dir.file("f.rsc");
  ASSERT_TRUE(writeResourceFile(file, data, nullptr));
  std::ifstream in(file, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  ResourceData out;
  ASSERT_TRUE(parseResourceFile(bytes.data(), bytes.size(), &out, nullptr));
  EXPECT_EQ(out.resources.at({1, 1}), (std::vector<std::uint8_t>{1, 2, 3}));
  // Flip bytes all over the file: each damaged copy is read or refused, never more.
  for (std::size_t i = 0; i < bytes.size(); i += 7) {
    auto damaged = bytes;
    damaged[i] ^= 0xa5;
    std::string error;
    if (!parseResourceFile(damaged.data(), damaged.size(), &out, &error)) {
      EXPECT_FALSE(error.empty());
    }
  }
}

}  // namespace
}  // namespace pixmend::host
