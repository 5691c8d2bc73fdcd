// The print set-up record: which printer the set-up dialog's combo box starts on (the printer
// lists come from a print server the sessions never have), where the default output file goes
// when the host's temporary directory is missing, and the limits of a stored record's repair.
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "vxlib/core/vxlib_fixture.hpp"
#include "vxlib/services/pages/setup.hpp"

namespace pixmend::vxlib::pages {
namespace {

// A printer list as vxlibWin32_findWindowsPrinterNames makes it: name, then network path with
// info field 1 set for a system printer.
struct Printer {
  const char* name;
  const char* path;
  bool system;
};

StringList* printerList(const std::vector<Printer>& printers) {
  StringList* list = mdlStringList_create(0, 2);
  for (const Printer& p : printers) {
    long index = 0;
    mdlStringList_insertMember(&index, list, -1, 1);
    const long info[STRINGLIST_INFO_FIELDS] = {0, p.system ? 1 : 0, 0, 0};
    mdlStringList_setMember(list, 2 * index, p.name, nullptr);
    mdlStringList_setMember(list, 2 * index + 1, p.path, info);
  }
  return list;
}

class PrinterChoice : public VxlibTest {};

TEST_F(PrinterChoice, TheSetUpsPrinterWinsThenTheLastSystemPrinter) {
  StringList* list = printerList({{"plotter", "srv1\\plot", true},
                                  {"office", "srv2\\office", false},
                                  {"laser", "srv3\\laser", true},
                                  {"copier", "srv4\\copy", false}});
  EXPECT_EQ(choosePrinter(list, "srv1\\plot"), 0)
      << "the set-up's printer, though a later system printer exists";
  EXPECT_EQ(choosePrinter(list, "srv4\\copy"), 3);
  EXPECT_EQ(choosePrinter(list, "srv9\\gone"), 2) << "the last of the two system printers";
  EXPECT_EQ(choosePrinter(list, "SRV2\\OFFICE"), 2) << "paths are compared as they are stored";
  EXPECT_EQ(choosePrinter(list, nullptr), 2);
  mdlStringList_destroy(list);
  list = printerList({{"office", "srv2\\office", false}});
  EXPECT_EQ(choosePrinter(list, "lpr -P x %s"), -1) << "no system printer: nothing is chosen";
  mdlStringList_destroy(list);
  EXPECT_EQ(choosePrinter(nullptr, "srv2\\office"), -1) << "no print server: no list";
}

class SetupRecord : public VxlibTest {
 protected:
  void startLibrary() {
    host::defineVariable("MS_USERPREF", path("user.upf"), host::kCfgLevelUser);
    host::Application* app = addApp("vxpages");
    ASSERT_EQ(start(app), 0);
    scope_ = std::make_unique<host::AppScope>(app);
    ASSERT_NE(setupRecord(), nullptr);
  }
  std::unique_ptr<host::AppScope> scope_;

  // A usable record: A4 with the default margins, PostScript, one copy.
  static std::vector<char> usable() {
    std::vector<char> r(kSetupSize, 0);
    setRecordInt(r.data(), kSetupPaper, 0);
    setRecordDouble(r.data(), kSetupWidth, 210.0);
    setRecordDouble(r.data(), kSetupHeight, 297.0);
    for (const std::size_t m : {kSetupLeft, kSetupRight, kSetupTop, kSetupBottom})
      setRecordDouble(r.data(), m, 10.0);
    setRecordInt(r.data(), kSetupOrientation, kAutomatic);
    setRecordInt(r.data(), kSetupCopies, 1);
    return r;
  }
  void TearDown() override {
    scope_.reset();
    VxlibTest::TearDown();
  }
};

TEST_F(SetupRecord, TheOutputFileGoesWhereFilesCanBeWritten) {
  // MS_TMP without its '/': one is added.
  host::defineVariable("MS_TMP", dir_, host::kCfgLevelUser);
  startLibrary();
  EXPECT_EQ(printerSetup().outputFile, dir_ + "/vx.ps");
  // MS_TMP naming a folder that is not there: the system's temporary directory instead.
  const std::string systemTemp = path("systemtmp");
  std::filesystem::create_directory(systemTemp);
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("TMPDIR", systemTemp.c_str(), 1);
  host::defineVariable("MS_TMP", path("no/such/folder/"), host::kCfgLevelUser);
  readPrinterSetup();
  EXPECT_EQ(printerSetup().outputFile, systemTemp + "/vx.ps");
  if (old != nullptr) {
    ::setenv("TMPDIR", saved.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
}

TEST_F(SetupRecord, RepairKeepsWhatIsUsableAndReplacesWhatIsNot) {
  startLibrary();
  std::vector<char> r = usable();
  const std::vector<char> before = r;
  EXPECT_EQ(repairSetup(r.data(), "test"), 0);
  EXPECT_EQ(r, before) << "a usable record is left byte for byte";

  // Margins that leave exactly nothing of the paper are no margins.
  r = usable();
  setRecordDouble(r.data(), kSetupLeft, 105.0);
  setRecordDouble(r.data(), kSetupRight, 105.0);
  EXPECT_EQ(repairSetup(r.data(), "test"), 1);
  EXPECT_EQ(recordDouble(r.data(), kSetupLeft), 20.0);
  EXPECT_EQ(recordDouble(r.data(), kSetupRight), 10.0);

  // A custom paper beyond what the drivers draw, and copies beyond what a printer is sent.
  r = usable();
  setRecordDouble(r.data(), kSetupWidth, 1e6);
  setRecordInt(r.data(), kSetupCopies, 1000);
  EXPECT_EQ(repairSetup(r.data(), "test"), 2);
  EXPECT_EQ(recordInt(r.data(), kSetupPaper), kDefaultPaper);
  EXPECT_EQ(recordDouble(r.data(), kSetupWidth), 210.0);
  EXPECT_EQ(recordInt(r.data(), kSetupCopies), 1);
  r = usable();
  setRecordInt(r.data(), kSetupCopies, 999);
  EXPECT_EQ(repairSetup(r.data(), "test"), 0);

  // A paper of the table takes its own size whatever the record says.
  r = usable();
  setRecordInt(r.data(), kSetupPaper, 2);  // A0 turned
  setRecordDouble(r.data(), kSetupWidth, std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(repairSetup(r.data(), "test"), 0);
  EXPECT_EQ(recordDouble(r.data(), kSetupWidth), 1189.0);
  EXPECT_EQ(recordDouble(r.data(), kSetupHeight), 841.0);
}

}  // namespace
}  // namespace pixmend::vxlib::pages
