// The 3 x 4 transforms as the warp command builds them: from the identity, a translation added
// after (the translation column gains the move, in place), scaling the whole row, a rotation.
#include <gtest/gtest.h>

#include "host/view/api.h"

namespace {

TEST(Transforms, TranslateAndScaleApplyAfterTheirInputInPlace) {
  Transform t;
  for (auto& row : t.form3d)
    for (double& v : row) v = 7;  // whatever was there before
  mdlTMatrix_getIdentity(&t);
  t.form3d[0][2] = 5;  // the warp command's constant in the third column stays where it is
  mdlTMatrix_translate(&t, &t, 10, -3, 0.5);
  EXPECT_EQ(t.form3d[0][3], 10);
  EXPECT_EQ(t.form3d[1][3], -3);
  EXPECT_EQ(t.form3d[2][3], 0.5);
  EXPECT_EQ(t.form3d[0][2], 5);
  mdlTMatrix_translate(&t, &t, 1, 1, 1);  // moves add up
  DPoint3d p{2, 4, 0};
  mdlTMatrix_transformPoint(&p, &t);
  EXPECT_EQ(p.x, 2 + 11);  // column 2 weighs z, which is 0
  EXPECT_EQ(p.y, 4 - 2);
  EXPECT_EQ(p.z, 1.5);

  Transform scaled;
  mdlTMatrix_scale(&scaled, &t, 2, 3, 1);  // the point moved, then scaled about the origin
  DPoint3d q{2, 4, 0};
  mdlTMatrix_transformPoint(&q, &scaled);
  EXPECT_EQ(q.x, 26);
  EXPECT_EQ(q.y, 6);

  RotMatrix quarter{{{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}};
  mdlTMatrix_fromRMatrix(&t, &quarter);
  DPoint3d r{1, 0, 0};
  mdlTMatrix_transformPoint(&r, &t);
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(r.y, 1);
  EXPECT_EQ(t.form3d[0][3], 0);  // a rotation moves nothing
  mdlTMatrix_getIdentity(nullptr);
  mdlTMatrix_translate(nullptr, &t, 1, 1, 1);
}

}  // namespace
