// A form sent to the spreadsheet: every value of the plain types goes out as its placeholder
// and its text, in key order and index order; values that expand to nothing and callbacks are
// not sent.
#include <string>
#include <vector>

#include "vxlib/core/vxlib_fixture.hpp"
#include "vxlib/services/matlist/formdata.hpp"

namespace pixmend::vxlib {
namespace {

class FormToSpreadsheet : public VxlibTest {};

int noCall(int, const char*, MSElementDescr**, void*, double, double) { return 0; }

TEST_F(FormToSpreadsheet, EachValueIsPutInTheActiveCellAndReplacedEverywhere) {
  host::Application* app = startApp("Sheet");
  host::AppScope scope(app);
  VxlibFormData* form = vxlibMatList_createFormDataArray(4, 3);
  vxlibMatList_insertValue(form, "kost", 1, 0, 12.5);
  vxlibMatList_insertValue(form, "kost", 1, 2, 3.0);
  vxlibMatList_insertValue(form, "name", 3, 1, "Bru \"Nord\"");
  vxlibMatList_insertValue(form, "name", 3, 0, "");
  vxlibMatList_insertValue(form, "LOGO", 5, 0, reinterpret_cast<void*>(&noCall), nullptr, 1);
  ASSERT_EQ(vxlibWin32_DdeInitialize("Excel", "system"), 0);
  const std::size_t from = mark();
  EXPECT_EQ(matlist::sendToSpreadsheet(form), 0);
  vxlibWin32_DdeDisconnect();
  std::vector<std::string> sent;
  for (const std::string& line : texts("dde", from)) {
    if (line.rfind("Excel refused ", 0) == 0) sent.push_back(line.substr(14, line.find("): ") - 13));
  }
  EXPECT_EQ(sent, (std::vector<std::string>{
                      "FORMULA(\"%01%kost\")", "FORMULA.REPLACE(\"%01%kost\",\"12,500000\")",
                      "FORMULA(\"%03%kost\")", "FORMULA.REPLACE(\"%03%kost\",\"3,000000\")",
                      "FORMULA(\"%02%name\")", "FORMULA.REPLACE(\"%02%name\",\"Bru \"Nord\"\")"}))
      << "no workbook is open, so the stand-in refuses each command as it read it (quotes whole)";
  vxlibMatList_destroyFormDataArray(form);
  EXPECT_EQ(matlist::sendToSpreadsheet(nullptr), VXLIB_ERROR);
}

}  // namespace
}  // namespace pixmend::vxlib
