// The design file's format: records stored little-endian at their documented offsets, a round
// trip of everything a design holds, damaged and hostile files refused with a reason, and the
// atomic write that leaves the old file whole when it is interrupted.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/design/designfile.hpp"
#include "host/lifecycle.hpp"
#include "host/resource/rscfile.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

StoredRaster sampleRaster(std::int64_t model, const std::string& name) {
  StoredRaster r;
  r.model = model;
  r.attachedName = name;
  r.fullPath = "/scans/" + name;
  std::memset(&r.rendering, 0x5A, sizeof r.rendering);
  r.rendering.color = RgbColorDef{10, 20, 30};
  r.rendering.invertedDisplay = 1;
  r.rendering.transparentBackground = 0;
  r.rendering.placementTransformApplied = -7;
  r.rendering.displayPriority = 3;
  r.rendering.backgroundTransparency = 0xff;
  std::memset(&r.georeference, 0x33, sizeof r.georeference);
  r.georeference.origin = DPoint3d{-1.5, 2.25, 0};
  r.georeference.extentX = 2528;
  r.georeference.extentY = 3300.125;
  r.georeference.rotation = 0.5;
  r.georeference.skew = -0.125;
  std::memset(&r.extended, 0x77, sizeof r.extended);
  r.extended.state = RASTER_STATE_REOPENED;
  return r;
}

// An element image in the host's layout: type 66 with 6 bytes of data, or a triangle (type 6) with
// a linkage of `linkageWords` words.
std::vector<std::uint8_t> sampleElement(int type, int linkageWords) {
  const std::size_t own = type == 66 ? 38 : 64 + 4 * 24;
  std::vector<std::uint8_t> b(own + static_cast<std::size_t>(linkageWords) * 2, 0);
  b[0] = static_cast<std::uint8_t>(type);
  b[4] = static_cast<std::uint8_t>(b.size() / 2);
  b[8] = static_cast<std::uint8_t>(own / 2);
  b[12] = 20;
  b[16] = 7;  // its identifier
  if (type == 66) {
    b[32] = 157;
    b[34] = 101;
    for (int i = 0; i < 6; ++i) b[38 - 6 + i] = static_cast<std::uint8_t>('a' + i);
  } else {
    b[56] = 4;
    const double xy[4][2] = {{0, 0}, {10, 0}, {0, 10}, {0, 0}};
    for (int v = 0; v < 4; ++v) {
      std::memcpy(&b[64 + v * 24], &xy[v][0], 8);
      std::memcpy(&b[64 + v * 24 + 8], &xy[v][1], 8);
    }
    b[own] = static_cast<std::uint8_t>(linkageWords / 4 - 1);
    b[own + 1] = 0x10;  // user data
    b[own + 2] = 0x33;
    b[own + 3] = 0x4f;
  }
  return b;
}

DesignContent sampleDesign() {
  DesignContent d = newDesignContent();
  d.info.push_back({"note", "plan \xe6\xf8\xe5"});
  d.models.push_back(StoredModel{5, "Sheet 2", "the second sheet", true});
  d.rasters.push_back(sampleRaster(0, "first.tif"));
  d.rasters.push_back(sampleRaster(0, "second.cit"));
  d.rasters.push_back(sampleRaster(5, "other.rle"));
  // Two elements of model 0 (an application's data; a shape with a linkage), none of model 5.
  d.models[0].nextPosition = 4;
  d.elements.push_back(StoredElement{0, 1, sampleElement(66, 0), ""});
  d.elements.push_back(StoredElement{0, 2, sampleElement(6, 8), ""});
  d.levels.push_back(StoredLevel{0, 20, "Data \xc3\xa6", {3, 2, 1}, {255, 31, 9}});
  // Order matters: the second is attached after the first.
  d.references.push_back(StoredReference{"z-site.dgn", true, false});
  d.references.push_back(StoredReference{"../a plan \xc3\xa6.dgn", false, true});
  return d;
}

// A stored georeference whose origin x is `x`, as SQL hex digits.
std::string hexGeoReference(double x) {
  RasterGeoReference g{};
  g.origin.x = x;
  g.extentX = g.extentY = 10;
  std::string hex;
  for (std::uint8_t b : encodeGeoReference(g)) {
    const char digits[] = "0123456789ABCDEF";
    hex += digits[b >> 4];
    hex += digits[b & 15];
  }
  return hex;
}

std::vector<std::uint8_t> sampleBytes() {
  std::vector<std::uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(serializeDesign(sampleDesign(), &bytes, &error)) << error;
  return bytes;
}

TEST(DesignFile, RecordsAreStoredLittleEndianAtTheirOffsets) {
  const StoredRaster r = sampleRaster(0, "x.tif");
  const auto rendering = encodeRendering(r.rendering);
  ASSERT_EQ(rendering.size(), 80u);
  EXPECT_EQ(rendering[5], 10);
  EXPECT_EQ(rendering[7], 30);
  EXPECT_EQ((std::vector<std::uint8_t>(rendering.begin() + 16, rendering.begin() + 20)),
            (std::vector<std::uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ((std::vector<std::uint8_t>(rendering.begin() + 28, rendering.begin() + 32)),
            (std::vector<std::uint8_t>{0xf9, 0xff, 0xff, 0xff}));
  EXPECT_EQ(rendering[44], 3);
  EXPECT_EQ(rendering[48], 0xff);
  EXPECT_EQ(rendering[0], 0x5A) << "reserved bytes travel";
  EXPECT_EQ(rendering[79], 0x5A);

  const auto geo = encodeGeoReference(r.georeference);
  ASSERT_EQ(geo.size(), 80u);
  // 2528.0 is 0x40A3C00000000000: its top byte last.
  EXPECT_EQ(geo[31], 0x40);
  EXPECT_EQ(geo[30], 0xA3);
  EXPECT_EQ(geo[24], 0x00);
  EXPECT_EQ(geo[56], 0x33);
  const auto extended = encodeExtended(r.extended);
  ASSERT_EQ(extended.size(), 92u);
  EXPECT_EQ(extended[0], 3);
  EXPECT_EQ(extended[91], 0x77);

  RasterRendering back{};
  ASSERT_TRUE(decodeRendering(rendering.data(), rendering.size(), &back));
  EXPECT_EQ(std::memcmp(&back, &r.rendering, sizeof back), 0);
  RasterGeoReference geoBack{};
  ASSERT_TRUE(decodeGeoReference(geo.data(), geo.size(), &geoBack));
  EXPECT_EQ(std::memcmp(&geoBack, &r.georeference, sizeof geoBack), 0);
  EXPECT_FALSE(decodeRendering(rendering.data(), 79, &back));
  RasterExtendedInfo extendedBack{};
  EXPECT_FALSE(decodeExtended(extended.data(), 93, &extendedBack));
}

TEST(DesignFile, EverythingADesignHoldsReadsBackTheSame) {
  const std::vector<std::uint8_t> bytes = sampleBytes();
  DesignContent back;
  std::string error;
  ASSERT_TRUE(parseDesignFile(bytes.data(), bytes.size(), &back, &error)) << error;
  EXPECT_TRUE(back == sampleDesign());
  ASSERT_EQ(back.rasters.size(), 3u);
  EXPECT_EQ(back.rasters[1].attachedName, "second.cit") << "attachment order kept";
  EXPECT_EQ(back.models[1].name, "Sheet 2");
  EXPECT_TRUE(back.models[1].is3d);
  EXPECT_EQ(back.info[0].second, "plan \xe6\xf8\xe5");
}

TEST(DesignFile, DamagedAndForeignFilesAreRefusedWithAReason) {
  const std::vector<std::uint8_t> good = sampleBytes();
  struct Case {
    const char* what;
    std::string sql;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"another program's database", "PRAGMA application_id = 1234", "not a design file"},
      {"a newer format", "PRAGMA user_version = 5", "unknown format version 5"},
      {"no references table", "DROP TABLE \"references\"", "a table is missing"},
      {"a reference of no name", "INSERT INTO \"references\" VALUES(7, '', 1, 1)", "bad reference row"},
      {"a reference flag of 2", "INSERT INTO \"references\" VALUES(7, 'x.dgn', 2, 1)", "bad reference row"},
      {"no text_styles table", "DROP TABLE text_styles", "a table is missing"},
      {"a text style of no height", "INSERT INTO text_styles VALUES(0, 'flat', 0, 2, 1.0, 0.0, 0.5)",
       "bad text style row"},
      {"a text style of no model", "INSERT INTO text_styles VALUES(9, 'lost', 0, 2, 1.0, 1.0, 0.5)",
       "unknown model"},
      {"no elements table", "DROP TABLE elements", "a table is missing"},
      {"no rasters table", "DROP TABLE rasters", "a table is missing"},
      {"a view in place of a table", "DROP TABLE models; CREATE VIEW models AS SELECT 0 AS id",
       "a table is missing"},
      {"no model", "DELETE FROM models; DELETE FROM rasters", "holds no model"},
      {"a model named by bytes", "UPDATE models SET name = x'41'", "bad model row"},
      {"two models with one identifier",
       "DROP TABLE models; CREATE TABLE models(id, name, description, is3d, next_position);"
       "INSERT INTO models VALUES(0,'a','',0,1),(0,'b','',0,1)",
       "bad model row"},
      {"an element of no model", "UPDATE elements SET model = 99", "unknown model"},
      {"an element where the model never put one", "UPDATE elements SET position = 7 WHERE position = 2",
       "never gave"},
      {"two elements in one place",
       "DROP TABLE elements; CREATE TABLE elements(model, position, image);"
       "INSERT INTO elements VALUES(0, 1, x'00'), (0, 1, x'00')",
       "two elements"},
      {"an element position that is text",
       "DROP TABLE elements; CREATE TABLE elements(model, position, image);"
       "INSERT INTO elements VALUES(0, 'one', x'00')",
       "bad element row"},
      {"an element that is a number", "UPDATE elements SET image = 5", "bad element row"},
      {"a level 64", "UPDATE levels SET id = 64 WHERE id = 20", "bad level row"},
      {"two levels of one name", "INSERT INTO levels SELECT model, 9, name, 0, 0, 0, 0, 0, 0 FROM levels WHERE id = 20",
       "two levels"},
      {"a dimension of 2", "UPDATE models SET is3d = 2", "bad model row"},
      {"a short rendering", "UPDATE rasters SET rendering = zeroblob(79)", "wrong size"},
      {"a rendering that is text", "UPDATE rasters SET rendering = 'eighty bytes'", "bad raster row"},
      {"an extended record that is a number", "UPDATE rasters SET extended = 5", "bad raster row"},
      {"a raster of no model", "UPDATE rasters SET model = 99", "unknown model"},
      {"an empty raster name", "UPDATE rasters SET name = ''", "empty or too long"},
      {"a raster name too long", "UPDATE rasters SET name = printf('%.300c', 'a')", "empty or too long"},
      {"a name with a zero in it", "UPDATE rasters SET name = CAST(x'610062' AS TEXT)", "bad raster row"},
      {"an extent of zero", "UPDATE rasters SET georeference = zeroblob(80)", "outside the design"},
      {"an origin that is not a number", "UPDATE rasters SET georeference = x'" + hexGeoReference(NAN) + "'",
       "outside the design"},
      {"an info value too long", "INSERT INTO info VALUES('big', printf('%.5000c', 'x'))", "bad info row"},
  };
  for (const auto& c : cases) {
    const std::vector<std::uint8_t> bad = alterDesignForTesting(good, c.sql);
    ASSERT_FALSE(bad.empty()) << c.what << ": " << c.sql;
    DesignContent out = sampleDesign();
    std::string error;
    EXPECT_FALSE(parseDesignFile(bad.data(), bad.size(), &out, &error)) << c.what;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
    EXPECT_TRUE(out.models.empty() && out.rasters.empty()) << c.what << ": nothing half-read is given";
  }
}

TEST(DesignFile, ADamagedElementIsKeptAsItIsAndNamedWhileTheRestOpens) {
  const struct {
    const char* sql;
    const char* reason;
  } cases[] = {
      {"UPDATE elements SET image = substr(image, 1, 30) WHERE position = 2", "shorter than an element header"},
      {"UPDATE elements SET image = CAST(x'4200000010000000' || substr(image, 9) AS BLOB) WHERE position = 1",
       "size says 16 words"},
      {"UPDATE elements SET image = 'text' WHERE position = 2", "holds no element image"},
      {"UPDATE elements SET image = CAST(substr(image, 1, 56) || x'09000000' || substr(image, 61) AS BLOB) "
       "WHERE position = 2",
       "vertex count 9"},
      {"UPDATE elements SET image = CAST(substr(image, 1, 160) || x'ff10334f' || substr(image, 165) AS BLOB) "
       "WHERE position = 2",
       "runs past the element's end"},
  };
  for (const auto& c : cases) {
    const std::vector<std::uint8_t> bad = alterDesignForTesting(sampleBytes(), c.sql);
    ASSERT_FALSE(bad.empty()) << c.sql;
    DesignContent out;
    std::string error;
    ASSERT_TRUE(parseDesignFile(bad.data(), bad.size(), &out, &error)) << c.sql << ": " << error;
    ASSERT_EQ(out.elements.size(), 2u);
    const StoredElement& damaged = out.elements[c.sql[strlen(c.sql) - 1] == '1' ? 0 : 1];
    EXPECT_NE(damaged.damage.find(c.reason), std::string::npos) << c.sql << ": " << damaged.damage;
    // Written back, the damaged row is the same bytes: nothing the user had is lost.
    std::vector<std::uint8_t> again;
    ASSERT_TRUE(serializeDesign(out, &again, &error));
    DesignContent reread;
    ASSERT_TRUE(parseDesignFile(again.data(), again.size(), &reread, &error));
    EXPECT_TRUE(reread == out) << c.sql;
  }
}

TEST(DesignFile, AFileOfTheFirstFormatOpensWithTheDefaultLevel) {
  const std::vector<std::uint8_t> old = alterDesignForTesting(
      sampleBytes(),
      "DROP TABLE elements; DROP TABLE levels; CREATE TABLE m2 AS SELECT id, name, description, is3d FROM models;"
      "DROP TABLE models; ALTER TABLE m2 RENAME TO models; PRAGMA user_version = 1");
  ASSERT_FALSE(old.empty());
  DesignContent out;
  std::string error;
  ASSERT_TRUE(parseDesignFile(old.data(), old.size(), &out, &error)) << error;
  EXPECT_EQ(out.rasters.size(), 3u);
  EXPECT_TRUE(out.elements.empty());
  ASSERT_EQ(out.levels.size(), 2u) << "one per model";
  EXPECT_EQ(out.levels[0].name, "Default");
  EXPECT_EQ(out.models[1].nextPosition, kFirstFilePosition);
}

TEST(DesignFile, AFileOfTheSecondFormatOpensWithoutTextStylesAndTheyComeBackOnceWritten) {
  const std::vector<std::uint8_t> old =
      alterDesignForTesting(sampleBytes(), "DROP TABLE text_styles; PRAGMA user_version = 2");
  ASSERT_FALSE(old.empty());
  DesignContent out;
  std::string error;
  ASSERT_TRUE(parseDesignFile(old.data(), old.size(), &out, &error)) << error;
  EXPECT_EQ(out.elements.size(), sampleDesign().elements.size()) << "everything else is there";
  EXPECT_TRUE(out.textStyles.empty());
  StoredTextStyle style;
  style.name = "Notes";
  style.width = 0.25, style.height = 0.5, style.lineSpacing = 0.125, style.justification = 7;
  out.textStyles.push_back(style);
  std::vector<std::uint8_t> again;
  ASSERT_TRUE(serializeDesign(out, &again, &error)) << error;
  DesignContent reread;
  ASSERT_TRUE(parseDesignFile(again.data(), again.size(), &reread, &error)) << error;
  EXPECT_TRUE(reread == out);
}

TEST(DesignFile, AFileOfTheThirdFormatOpensWithoutReferences) {
  const std::vector<std::uint8_t> old =
      alterDesignForTesting(sampleBytes(), "DROP TABLE \"references\"; PRAGMA user_version = 3");
  ASSERT_FALSE(old.empty());
  DesignContent out;
  std::string error;
  ASSERT_TRUE(parseDesignFile(old.data(), old.size(), &out, &error)) << error;
  EXPECT_TRUE(out.references.empty());
  EXPECT_EQ(out.textStyles.size(), sampleDesign().textStyles.size());
}

TEST(DesignFile, BytesThatAreNoDatabaseAreRefused) {
  std::string error;
  DesignContent out;
  const std::uint8_t nothing[1] = {0};
  EXPECT_FALSE(parseDesignFile(nothing, 0, &out, &error));
  EXPECT_EQ(error, "not a design file");
  std::vector<std::uint8_t> text(4096, 'x');
  EXPECT_FALSE(parseDesignFile(text.data(), text.size(), &out, &error));
  // The database header with garbage after it.
  std::vector<std::uint8_t> garbage = sampleBytes();
  for (std::size_t i = 100; i < garbage.size(); i += 7) garbage[i] ^= 0x5b;
  EXPECT_FALSE(parseDesignFile(garbage.data(), garbage.size(), &out, &error));
  // A truncated file.
  const std::vector<std::uint8_t> good = sampleBytes();
  EXPECT_FALSE(parseDesignFile(good.data(), good.size() / 2, &out, &error));
}

TEST(DesignFile, AResourceFileIsNotADesign) {
  testsupport::ScratchDir dir("design");
  ResourceData resources;
  resources.description = "preferences";
  std::string error;
  ASSERT_TRUE(writeResourceFile(dir.file("prefs.rsc"), resources, &error)) << error;
  DesignContent out;
  EXPECT_FALSE(readDesignFile(dir.file("prefs.rsc"), &out, &error));
  EXPECT_NE(error.find("not a design file"), std::string::npos) << error;
  EXPECT_FALSE(readDesignFile(dir.file("missing.dgn"), &out, &error));
  EXPECT_FALSE(readDesignFile(dir.path(), &out, &error)) << "a folder";
  EXPECT_NE(error.find("is not a file"), std::string::npos) << error;
}

TEST(DesignFile, AnInterruptedWriteLeavesTheOldFileWhole) {
  testsupport::ScratchDir dir("design");
  const std::string path = dir.file("plan.dgn");
  std::string error;
  ASSERT_TRUE(writeDesignFile(path, newDesignContent(), &error)) << error;
  const std::vector<std::uint8_t> before = readBytes(path);
  setDesignWriteFaultForTesting(true);
  EXPECT_FALSE(writeDesignFile(path, sampleDesign(), &error));
  setDesignWriteFaultForTesting(false);
  EXPECT_EQ(readBytes(path), before);
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1) << "no temporary file is left behind";
  ASSERT_TRUE(writeDesignFile(path, sampleDesign(), &error));
  DesignContent back;
  ASSERT_TRUE(readDesignFile(path, &back, &error)) << error;
  EXPECT_TRUE(back == sampleDesign());
}

TEST(DesignFile, ADesignLeftInWriteAheadLogModeOpensOrIsRefusedForWhatItsLogMayHold) {
  testsupport::ScratchDir dir("design");
  const std::string path = dir.file("plan.dgn");
  std::string error;
  ASSERT_TRUE(writeDesignFile(path, sampleDesign(), &error)) << error;
  // Another program switched it to write-ahead logging and closed it cleanly: the header says
  // so (bytes 18 and 19 are 2) and every change is in the file itself.
  std::vector<std::uint8_t> bytes = readBytes(path);
  bytes[18] = 2;
  bytes[19] = 2;
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  DesignContent back;
  ASSERT_TRUE(readDesignFile(path, &back, &error)) << error;
  EXPECT_TRUE(back == sampleDesign());
  // Written back, it is an ordinary file again.
  ASSERT_TRUE(writeDesignFile(path, back, &error)) << error;
  EXPECT_EQ(readBytes(path)[18], 1);
  // With its log still beside it, the file alone may be stale: refused, saying why.
  std::ofstream(path + "-wal", std::ios::binary) << "log";
  bytes[18] = 2;
  bytes[19] = 2;
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  EXPECT_FALSE(readDesignFile(path, &back, &error));
  EXPECT_NE(error.find("write-ahead-log mode"), std::string::npos) << error;
  EXPECT_NE(error.find("plan.dgn-wal may hold changes"), std::string::npos) << error;
}

}  // namespace
}  // namespace pixmend::host
