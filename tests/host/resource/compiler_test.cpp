// The resource compiler: every built-in kind compiles to what its reader expects, bad sources
// fail with the file, the entry and the problem, and pixmend-rsc writes nothing on failure.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "host/resource/api.h"
#include "host/resource/compiler.hpp"
#include "host/resource/images.hpp"
#include "host/resource/resource_fixture.hpp"

namespace pixmend::host {
namespace {

using Compiler = ResourceTest;

std::string compileError(const std::string& json) {
  ResourceData data;
  std::string error;
  EXPECT_FALSE(compileResourceSource(json, "src.json", "/nonexistent", &data, nullptr, &error));
  return error;
}

TEST_F(Compiler, BuiltInKindsCompileToTheirStoredForms) {
  // A 2 x 1 PNG written with the decoder's own library would prove nothing; PPM from a file
  // and inline P3 text share the decoder, so the file form is tested here.
  writeText(path("two.ppm"), std::string("P6\n2 1\n255\n") + std::string("\x10\x20\x30\xff\x00\x80", 6));
  writeText(path("raw.bin"), std::string("\x00\x01\x02", 3));
  const std::string file = compile("out.rsc", R"({"description": "Test file", "resources": [
      {"kind": "bytes", "type": "VXR", "id": 1, "hex": "02 00 00 00, 01", "size": 8},
      {"kind": "bytes", "type": "RAW", "id": 2, "file": "raw.bin"},
      {"kind": "bytes", "type": "TXT", "id": 3, "text": "ab", "zeroTerminated": true},
      {"kind": "icon", "id": 20001, "rows": ["#..", ".X."]},
      {"kind": "image", "type": "VXIM", "id": 1, "ppm": "two.ppm", "width": 2},
      {"kind": "image", "type": "VXIM", "id": 2, "pixels": "P3 1 1 15 15 0 # red\n 0"},
      {"kind": "messages", "id": 20003, "messages": {"12": "Install from %s?", "-1": "negative"}}]})");
  ResourceData data;
  ASSERT_TRUE(readResourceFile(file, &data, nullptr));
  EXPECT_EQ(data.description, "Test file");
  using V = std::vector<std::uint8_t>;
  EXPECT_EQ(data.resources.at({packType("VXR"), 1}), (V{2, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(data.resources.at({packType("RAW"), 2}), (V{0, 1, 2}));
  EXPECT_EQ(data.resources.at({packType("TXT"), 3}), (V{'a', 'b', 0}));
  IconMask icon;
  ASSERT_TRUE(decodeIcon(data.resources.at({RTYPE_ICON, 20001}), &icon));
  EXPECT_EQ(icon.width, 3);
  EXPECT_EQ(icon.height, 2);
  EXPECT_EQ(icon.bits, (V{1, 0, 0, 0, 1, 0}));
  EXPECT_EQ(data.resources.at({packType("VXIM"), 1}), (V{0x10, 0x20, 0x30, 0xff, 0x00, 0x80}));
  EXPECT_EQ(data.resources.at({packType("VXIM"), 2}), (V{255, 0, 0}));

  RscFileHandle h = 0;
  ASSERT_EQ(mdlResource_openFile(&h, file.c_str(), RSC_READONLY), RSC_SUCCESS);
  char text[RSC_MESSAGE_MAX];
  EXPECT_EQ(mdlResource_loadFromStringList(text, h, 20003, 12), RSC_SUCCESS);
  EXPECT_STREQ(text, "Install from %s?");
  EXPECT_EQ(mdlResource_loadFromStringList(text, h, 20003, -1), RSC_SUCCESS);
  EXPECT_STREQ(text, "negative");
  EXPECT_EQ(mdlResource_loadFromStringList(text, h, 20004, 12), RSC_ERR_NO_SUCH_RESOURCE);
}

TEST_F(Compiler, BadSourcesNameTheFileTheEntryAndTheProblem) {
  EXPECT_EQ(compileError("{"), "src.json: not valid JSON");
  EXPECT_EQ(compileError("[]"), "src.json: the source must be a JSON object with \"resources\"");
  EXPECT_EQ(compileError(R"({"resources": [{"id": 1}]})"), "src.json: resources[0]: \"kind\" is missing");
  EXPECT_EQ(compileError(R"({"resources": [{"kind": "messages"}]})"),
            "src.json: resources[0] (kind messages): \"id\" must be a whole number");
  EXPECT_EQ(compileError(R"({"resources": [{"kind": "messages", "id": 4294967296}]})"),
            "src.json: resources[0] (kind messages, id 4294967296): \"id\" out of range");
  EXPECT_NE(compileError(R"({"resources": [{"kind": "nonsense", "id": 1}]})").find("unknown kind (known kinds: "),
            std::string::npos);
  EXPECT_EQ(compileError(R"({"resources": [{"kind": "bytes", "id": 1, "hex": "00"}]})"),
            "src.json: resources[0] (kind bytes, id 1): \"type\" is required for this kind");
  EXPECT_EQ(compileError(R"({"resources": [{"kind": "bytes", "type": "TOOLONG", "id": 1}]})"),
            "src.json: resources[0] (kind bytes, id 1): \"type\" must have one to four characters");
  EXPECT_EQ(compileError(R"({"resources": [{"kind": "messages", "id": 5, "messages": {}},
                                           {"kind": "messages", "id": 5, "messages": {}}]})"),
            "src.json: resources[1] (kind messages, id 5): a resource of type 'MsgL' and id 5 is defined twice");
  EXPECT_EQ(compileError(R"({"resources": [{"kind": "messages", "id": 5, "messages": {"1": 2}}]})"),
            "src.json: resources[0] (kind messages, id 5): message 1: the text must be a string");
  EXPECT_EQ(compileError(R"({"resources": [{"kind": "bytes", "type": "X", "id": 1, "hex": "0g"}]})"),
            "src.json: resources[0] (kind bytes, id 1): \"hex\": 'g' is not a hexadecimal digit");
  EXPECT_EQ(compileError(R"({"resources": [{"kind": "bytes", "type": "X", "id": 1, "hex": "0102", "size": 1}]})"),
            "src.json: resources[0] (kind bytes, id 1): the data has 2 bytes, more than \"size\" 1");
  EXPECT_EQ(compileError(R"({"resources": [{"kind": "bytes", "type": "X", "id": 1, "file": "none.bin"}]})"),
            "src.json: resources[0] (kind bytes, id 1): cannot read file /nonexistent/none.bin");
  EXPECT_EQ(compileError(R"({"resources": [{"kind": "icon", "id": 1, "rows": ["#.", "#"]}]})"),
            "src.json: resources[0] (kind icon, id 1): icon rows must be of one length, 1 to 256");
  EXPECT_EQ(compileError(R"({"resources": [{"kind": "image", "type": "I", "id": 1, "pixels": "P3 2 1 255 0 0 0"}]})"),
            "src.json: resources[0] (kind image, id 1): PPM: a number was expected");
  EXPECT_EQ(compileError(R"({"resources": [{"kind": "image", "type": "I", "id": 1, "pixels": "P3 99999 99999 255"}]})"),
            "src.json: resources[0] (kind image, id 1): PPM: impossible size");
  EXPECT_EQ(compileError(R"({"resources": [{"kind": "stringlist", "id": 1, "stringsPerMember": 2,
                                            "members": [["a"]]}]})"),
            "src.json: resources[0] (kind stringlist, id 1): member 0: must be a list of 2 texts");
  // A message that would not fit the buffer every caller passes is refused at build time.
  const std::string longText(RSC_MESSAGE_MAX, 'x');
  EXPECT_EQ(compileError(R"({"resources": [{"kind": "messages", "id": 1, "messages": {"1": ")" + longText + "\"}}]}"),
            "src.json: resources[0] (kind messages, id 1): message 1: longer than 1023 bytes");
  std::string deep = "{\"resources\": [";
  for (int i = 0; i < 10000; ++i) deep += "[";
  EXPECT_EQ(compileError(deep), "src.json: not valid JSON");
  deep = std::string(5000, '[') + std::string(5000, ']');
  EXPECT_EQ(compileError("{\"resources\": " + deep + "}"), "src.json: nested too deeply");
}

TEST_F(Compiler, ProgramWritesNothingOnErrorAndListsDependencies) {
  const std::string program = std::string(PIXMEND_BUILD_DIR) + "/bin/pixmend-rsc";
  if (::access(program.c_str(), X_OK) != 0) GTEST_SKIP() << "pixmend-rsc is not built in " << PIXMEND_BUILD_DIR;
  writeText(path("raw.bin"), "xyz");
  writeText(path("good.json"), R"({"resources": [{"kind": "bytes", "type": "RAW", "id": 1, "file": "raw.bin"}]})");
  writeText(path("bad.json"), R"({"resources": [{"kind": "bytes", "type": "RAW", "id": 2, "hex": "0"}]})");
  const std::string out = path("out.rsc");
  const std::string base = program + " -o " + out + " --depfile " + path("out.d") + " ";
  ASSERT_EQ(std::system((base + path("good.json") + " 2>/dev/null").c_str()), 0);
  const std::string good = readAll(out);
  EXPECT_NE(readAll(path("out.d")).find(path("raw.bin")), std::string::npos);
  EXPECT_NE(std::system((base + path("good.json") + " " + path("bad.json") + " 2>" + path("err.txt")).c_str()), 0);
  EXPECT_EQ(readAll(out), good);
  EXPECT_NE(readAll(path("err.txt")).find("bad.json: resources[0] (kind bytes, id 2): \"hex\": odd number of digits"),
            std::string::npos);
}

}  // namespace
}  // namespace pixmend::host
