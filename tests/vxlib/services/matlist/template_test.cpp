// Form data arrays and their templates as title blocks and material lists use them: the two
// reference modes, what a reference without a value leaves, bad indexes, printf parts written by
// users into design files (bounded, never handed on unchecked), the output's bound, callbacks,
// and the return codes of insertion.
#include <cstring>
#include <string>

#include "vxlib/core/vxlib_fixture.hpp"
#include "vxlib/services/matlist/formdata.hpp"

namespace pixmend::vxlib {
namespace {

class Forms : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    app_ = startApp("Forms");
    scope_ = std::make_unique<host::AppScope>(app_);
    form_ = vxlibMatList_createFormDataArray(4, 5);
    ASSERT_NE(form_, nullptr);
  }
  void TearDown() override {
    form_ = vxlibMatList_destroyFormDataArray(form_);
    scope_.reset();
    VxlibTest::TearDown();
  }
  // The expansion and its result.
  std::string expand(const char* text, int indexed, int* result = nullptr, MSElementDescr** descr = nullptr) {
    char out[matlist::kOutputSize];
    std::memset(out, 'X', sizeof out);
    const int r = vxlibMatList_generateFormatedText(text, form_, out, descr, 2.5, 1.25, indexed);
    if (result != nullptr) *result = r;
    return out;
  }
  host::Application* app_ = nullptr;
  std::unique_ptr<host::AppScope> scope_;
  VxlibFormData* form_ = nullptr;
};

TEST_F(Forms, PlainAndIndexedReferences) {
  ASSERT_EQ(vxlibMatList_insertValue(form_, "pron", 3, 0, "1234"), 0);
  int result = 0;
  EXPECT_EQ(expand("No. %-10pron!", 0, &result), "No. 1234      !");
  EXPECT_EQ(result, 3);

  ASSERT_EQ(vxlibMatList_insertValue(form_, "kost", 1, 1, 12.5), 0);
  ASSERT_EQ(vxlibMatList_insertValue(form_, "kost", 1, 4, 99.0), 0);
  EXPECT_EQ(expand("%2%.2kost = 100%%", 1, &result), "12.50 = 100%");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(expand("%5%.0kost", 1), "99") << "the last slot is index 5 of 5";
  EXPECT_EQ(expand("%-2%.1kost", 1), "12.5") << "a '-' among the digits: the absolute value";
  EXPECT_EQ(expand("%.1kost|%1%.1kost", 1), "|") << "no digits: index 1, slot 0 holds nothing";
  EXPECT_EQ(expand("%%2%.1kost", 1), "%2") << "'%%' is one '%'; the next '%' starts a reference of index 1";

  // A key never inserted disappears with its characters; an index without a value too.
  EXPECT_EQ(expand("[%abcd][%3%kost]", 1, &result), "[][]");
  EXPECT_EQ(result, 1) << "the last key that matched";
  EXPECT_EQ(expand("", 1, &result), "");
  EXPECT_EQ(result, 3);
  EXPECT_EQ(expand("%kos", 0), "") << "a key cut short by the end of the template matches nothing";
}

TEST_F(Forms, AnIndexOutsideTheSlotsIsReportedAndEndsTheExpansion) {
  ASSERT_EQ(vxlibMatList_insertValue(form_, "kost", 2, 0, 7), 0);
  int result = -1;
  host::queueAnswer("ok");
  expand("A %1%kost and %6%kost", 1, &result);
  EXPECT_EQ(result, 0);
  EXPECT_STREQ(boxState().text, "Index 6 in the template \"kost\" is beyond the 5 values of the form.");
  host::queueAnswer("ok");
  expand("%0%kost", 1, &result);
  EXPECT_EQ(result, 0) << "slots count from 1";
}

TEST_F(Forms, PrintfPartsFromDesignFilesAreCheckedAndBounded) {
  ASSERT_EQ(vxlibMatList_insertValue(form_, "name", 3, 0, "Ola"), 0);
  ASSERT_EQ(vxlibMatList_insertValue(form_, "kost", 1, 0, 3.14159), 0);
  ASSERT_EQ(vxlibMatList_insertValue(form_, "antl", 2, 0, -42), 0);
  ASSERT_EQ(vxlibMatList_insertValue(form_, "tegn", 4, 0, "Z"), 0);
  EXPECT_EQ(expand("%08.3kost", 0), "0003.142");
  EXPECT_EQ(expand("%+5antl|%05antl", 0), "  -42|-0042");
  EXPECT_EQ(expand("%#05.2name|%-3tegn|", 0), "   Ol|Z  |") << "flags without meaning for a text are dropped";
  // Widths and precisions past 511, stars, positional and length parts format plainly.
  EXPECT_EQ(expand("%600name|%.600kost|%*name|%1$name|%--5name", 0), "Ola|3.141590|Ola|Ola|Ola  ");
  EXPECT_EQ(expand("%123456789012345678name", 0), "Ola") << "a part longer than 17 characters";
  const std::string wide = expand("%511name", 0);
  EXPECT_EQ(wide.size(), 511u);
  EXPECT_EQ(wide.substr(508), "Ola");

  // Three values of 511 characters: the output holds 1023 and is terminated.
  EXPECT_EQ(expand("%511name%511name%511name", 0).size(), 1023u);
}

TEST_F(Forms, InsertionReturnCodesAndKeysAtTheirLength) {
  EXPECT_EQ(vxlibMatList_insertValue(nullptr, "pron", 3, 0, "x"), 1);
  EXPECT_EQ(vxlibMatList_insertValue(form_, "pron", 3, 5, "x"), 2);
  EXPECT_EQ(vxlibMatList_insertValue(form_, "pron", 3, -1, "x"), 2);
  EXPECT_EQ(expand("%pron", 0), "") << "nothing stored";

  ASSERT_EQ(vxlibMatList_insertValue(form_, "pron", 3, 0, "first"), 0);
  ASSERT_EQ(vxlibMatList_insertValue(form_, "pron", 3, 0, "second"), 0);
  EXPECT_EQ(vxlibMatList_insertValue(form_, "pron", 1, 1, 2.0), 3) << "the key keeps its type";
  EXPECT_EQ(expand("%pron|%2%pron", 1), "second|");
  EXPECT_EQ(expand("%pronx", 0), "secondx") << "exactly key-length characters are the key";
  ASSERT_EQ(vxlibMatList_insertValue(form_, "Pron", 3, 0, "upper"), 0);
  EXPECT_EQ(expand("%Pron %pron", 0), "upper second") << "keys compare with their case";

  EXPECT_EQ(vxlibMatList_insertValue(form_, "odd", 9, 0), 3) << "an unknown type";
  EXPECT_EQ(expand("[%odd!]", 0), "[]");
  EXPECT_EQ(vxlibMatList_createFormDataArray(0, 5), nullptr);
  EXPECT_EQ(vxlibMatList_createFormDataArray(4, 0), nullptr);
}

struct Call {
  int slot = -1;
  std::string key;
  void* user = nullptr;
  double width = 0, height = 0;
  int calls = 0;
};
Call lastCall;

int logo(int slot, const char* key, MSElementDescr** out, void* user, double width, double height) {
  lastCall = {slot, key, user, width, height, lastCall.calls + 1};
  *out = reinterpret_cast<MSElementDescr*>(user);
  return 0;
}

TEST_F(Forms, ACallbackEndsTheExpansionWithTheTextSoFar) {
  int user = 0;
  ASSERT_EQ(vxlibMatList_insertValue(form_, "LOGO", 5, 1, reinterpret_cast<void*>(&logo), &user, 1), 0);
  ASSERT_EQ(vxlibMatList_insertValue(form_, "pron", 3, 0, "P1"), 0);
  lastCall = {};
  MSElementDescr* descr = nullptr;
  int result = 0;
  EXPECT_EQ(expand("%pron: %2%LOGO and %pron", 1, &result, &descr), "P1: ");
  EXPECT_EQ(result, 5);
  EXPECT_EQ(lastCall.calls, 1);
  EXPECT_EQ(lastCall.slot, 1);
  EXPECT_EQ(lastCall.key, "LOGO");
  EXPECT_EQ(lastCall.user, &user);
  EXPECT_DOUBLE_EQ(lastCall.width, 2.5);
  EXPECT_DOUBLE_EQ(lastCall.height, 1.25);
  EXPECT_EQ(descr, reinterpret_cast<MSElementDescr*>(&user));

  // No descriptor to fill, or a slot without a function: nothing is called, still result 5.
  EXPECT_EQ(expand("a%2%LOGO", 1, &result), "a");
  EXPECT_EQ(result, 5);
  EXPECT_EQ(expand("b%1%LOGO", 1, &result, &descr), "b");
  EXPECT_EQ(descr, nullptr);
  EXPECT_EQ(lastCall.calls, 1);
}

TEST_F(Forms, AFileNameIsSplitAndItsPercentSignsCannotStartAReference) {
  vxlibMatList_insertFileName("/data/50%kost/plan.v2.dgn", "file", form_);
  EXPECT_EQ(expand("[%1%file][%2%file][%3%file][%4%file][%5%file]", 1), "[][/data/50%%kost/][plan.v2][.dgn][plan.v2.dgn]");
}

}  // namespace
}  // namespace pixmend::vxlib
