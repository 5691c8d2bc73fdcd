// The spreadsheet link end to end: a template workbook made by another program, filled over DDE
// with the commands paged spreadsheet output sends, saved by the host's spreadsheet and read back
// by that other program. Also the link's answers to the host's callbacks.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/win32/spreadsheet.hpp"
#include "vxlib/core/vxlib_fixture.hpp"
#include "vxlib/services/win32/win32.hpp"

namespace pixmend::vxlib {
namespace {

// The system's interpreter, which the distribution's openpyxl is installed for (a python3 found
// earlier on PATH may be another installation without it).
const char* const kPython = "/usr/bin/python3";

class SpreadsheetLink : public VxlibTest {
 protected:
  void TearDown() override {
    vxlibWin32_DdeDisconnect();
    VxlibTest::TearDown();
  }
  // Runs a python3 script with openpyxl; its standard output, or skips the test without them.
  std::string python(const std::string& script) {
    writeText(path("script.py"), "import openpyxl, sys\n" + script);
    const std::string command = std::string(kPython) + " " + path("script.py") + " > " + path("script.out") + " 2>&1";
    const int status = std::system(command.c_str());
    if (status != 0) ADD_FAILURE() << readAll(path("script.out"));
    return readAll(path("script.out"));
  }
  static void send(const std::string& command) { vxlibWin32_DdeSendMessage(command.c_str()); }
  static void replace(const char* placeholder, const char* value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s", value);
    vxlibWin32_DdeReplaceText(placeholder, buffer);
  }
};

TEST_F(SpreadsheetLink, APageOfFormDataGoesIntoACopyOfTheTemplateSheet) {
  if (std::system((std::string(kPython) + " -c 'import openpyxl' 2>/dev/null").c_str()) != 0) GTEST_SKIP() << "python3-openpyxl is missing (scripts/bootstrap)";
  const std::string book = path("out.xlsx");
  python("wb = openpyxl.Workbook(); ws = wb.active; ws.title = 'Matliste'\n"
         "ws['A1'] = 'Prosjekt: %01%prosjekt'; ws['B3'] = '%01%kost'; ws['B4'] = '%02%kost'\n"
         "ws['C5'] = '%01%date'; ws['A10'] = 42; ws['D2'] = 'Sum \"netto\"'\n"
         "wb.create_sheet('Info')['A1'] = 'fast'\n"
         "wb.save(sys.argv[0].replace('script.py', 'out.xlsx'))\n");

  EXPECT_EQ(vxlibWin32_DdeInitialize("Excel", "system"), 0);
  send("[open(\"" + book + "\")]");
  send("[OPTIONS.GENERAL(2)]");
  send("[OPTIONS.VIEW(,,,,,,,,,,,,,,FALSE)]");
  send("[WORKBOOK.COPY(\"Matliste\",\"out.xlsx\")]");
  send("[WORKBOOK.ACTIVATE(\"Matliste (2)\")]");
  send("[WORKBOOK.NAME(\"Matliste (2)\",\"Side 1\")]");
  send("[SELECT(\"R100C1\")]");
  send("[FORMULA(\"%01%kost\")]");
  replace("%01%kost", "12.50");
  send("[FORMULA(\"%01%prosjekt\")]");
  replace("%01%prosjekt", "Bru \"Nord\" 2.1");
  send("[FORMULA(\"%01%date\")]");
  replace("%01%date", "07.12.2026");
  replace("%*", "");
  send("[CLEAR(1)]");
  send("[SELECT(\"R1C1\")]");
  send("[WORKBOOK.MOVE(\"Matliste\",\"out.xlsx\")]");
  send("[WORKBOOK.ACTIVATE(\"Side 1\")]");
  send("[OPTIONS.GENERAL(1)]");
  send("[OPTIONS.VIEW(,,,,,,,,,,,,,,TRUE)]");
  send("[SAVE()]");
  EXPECT_EQ(vxlibWin32_DdeDisconnect(), 1);
  EXPECT_EQ(vxlibWin32_DdeDisconnect(), 0) << "nothing open any more";

  const std::vector<std::string> dde = texts("dde");
  ASSERT_GE(dde.size(), 4u);
  EXPECT_EQ(dde[0], "connected to Excel|system");
  EXPECT_EQ(dde[1], "Excel: open(\"" + book + "\")");
  EXPECT_EQ(dde[2], "Excel: OPTIONS.GENERAL(\"2\")");
  EXPECT_EQ(dde.back(), "disconnected from Excel|system");
  for (const std::string& line : dde) EXPECT_EQ(line.find("refused"), std::string::npos) << line;

  // Read back by the other program: the sheets in their new order, the filled page, the
  // template sheet as it was (points become the decimal comma except in dates; placeholders
  // without a value are gone; the scratch cell is cleared; numbers stay numbers).
  const std::string cells = python(
      "wb = openpyxl.load_workbook(sys.argv[0].replace('script.py', 'out.xlsx'))\n"
      "print(wb.sheetnames)\n"
      "for ws in wb:\n"
      "  for row in ws.iter_rows():\n"
      "    for c in row:\n"
      "      if c.value is not None: print(ws.title, c.coordinate, repr(c.value))\n");
  EXPECT_EQ(cells,
            "['Info', 'Side 1', 'Matliste']\n"
            "Info A1 'fast'\n"
            "Side 1 A1 'Prosjekt: Bru \"Nord\" 2,1'\n"
            "Side 1 D2 'Sum \"netto\"'\n"
            "Side 1 B3 '12,50'\n"
            "Side 1 C5 '07.12.2026'\n"
            "Side 1 A10 42\n"
            "Matliste A1 'Prosjekt: %01%prosjekt'\n"
            "Matliste D2 'Sum \"netto\"'\n"
            "Matliste B3 '%01%kost'\n"
            "Matliste B4 '%02%kost'\n"
            "Matliste C5 '%01%date'\n"
            "Matliste A10 42\n");
}

TEST_F(SpreadsheetLink, NoSuchServiceAndCommandsTheSpreadsheetRefuses) {
  EXPECT_EQ(vxlibWin32_DdeInitialize("Excel", "other topic"), VXLIB_ERROR);
  EXPECT_EQ(texts("dde").back(), "no service answers Excel|other topic");
  send("[SAVE()]");  // no conversation: the host refuses it without effect
  EXPECT_EQ(vxlibWin32_DdeInitialize("excel", "SYSTEM"), 0) << "names compare without case";
  send("[SAVE()]");
  EXPECT_EQ(texts("dde").back(), "Excel refused SAVE(): no workbook is open");
  writeText(path("not.xlsx"), "PK but no workbook");
  send("[open(\"" + path("not.xlsx") + "\")]");
  EXPECT_EQ(texts("dde").back().rfind("Excel refused open(", 0), 0u) << texts("dde").back();
  send("[FORMULA(\"unterminated)]");
  EXPECT_EQ(texts("dde").back().rfind("Excel refused: unterminated text", 0), 0u) << texts("dde").back();
  EXPECT_EQ(readAll(path("not.xlsx")), "PK but no workbook");
  // The host starts over (its instances end): the link registers anew instead of failing for good.
  host::resetHost();
  EXPECT_EQ(vxlibWin32_DdeInitialize("Excel", "system"), 0);
  EXPECT_EQ(texts("dde").back(), "connected to Excel|system");
}

TEST_F(SpreadsheetLink, CallbackAnswers) {
  EXPECT_EQ(ddeCallbackForTesting(DDE_XTYP_EXECUTE, nullptr), 0u);
  EXPECT_EQ(ddeCallbackForTesting(DDE_XTYP_REQUEST, nullptr), 0u);
  EXPECT_EQ(ddeCallbackForTesting(DDE_XTYP_DISCONNECT, nullptr), static_cast<unsigned long>(DDE_FACK));
  EXPECT_EQ(ddeCallbackForTesting(DDE_XTYP_MONITOR, nullptr), static_cast<unsigned long>(DDE_FACK));
  // A finished asynchronous command reaches the callback before the call returns.
  ASSERT_EQ(vxlibWin32_DdeInitialize("Excel", "system"), 0);
  unsigned int instance = 0;
  ASSERT_EQ(mdlWin32_DdeInitialize(&instance, [](unsigned int type, unsigned int, DdeConversation*, DdeStringHandle*,
                                                 DdeStringHandle*, DdeDataHandle* data, unsigned long, unsigned long) {
    return ddeCallbackForTesting(type, data);
  }, 0, 0), 0u);
  DdeConversation* conversation = mdlWin32_DdeConnect(instance, mdlWin32_DdeCreateStringHandle(instance, "Excel", DDE_CP_WINANSI),
                                                      mdlWin32_DdeCreateStringHandle(instance, "system", DDE_CP_WINANSI), nullptr);
  ASSERT_NE(conversation, nullptr);
  unsigned int result = 0;
  DdeDataHandle* answer = mdlWin32_DdeClientTransaction("[OPTIONS.GENERAL(1)]", 21, conversation, nullptr, 0,
                                                        DDE_XTYP_EXECUTE, 0xFFFFFFFFu, &result);
  ASSERT_NE(answer, nullptr);
  EXPECT_NE(result, 0u) << "the transaction's number";
  EXPECT_EQ(mdlWin32_DdeFreeDataHandle(answer), 1);
  EXPECT_EQ(mdlWin32_DdeFreeDataHandle(answer), 0) << "a freed handle is refused";
  EXPECT_EQ(mdlWin32_DdeClientTransaction("[SAVE()]", 3, conversation, nullptr, 0, DDE_XTYP_EXECUTE, 5000, &result), nullptr)
      << "a command without its terminating zero is refused";
  EXPECT_EQ(mdlWin32_DdeUninitialize(instance), 1);
  EXPECT_EQ(mdlWin32_DdeDisconnect(conversation), 0) << "gone with its instance";
}

}  // namespace
}  // namespace pixmend::vxlib
