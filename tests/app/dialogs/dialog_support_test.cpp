// What the dialogs share: where a before/after preview goes in its panel.
#include "app/dialogs/dialog_support.h"

#include <gtest/gtest.h>

namespace {

TEST(PreviewPlacement, CentresWhereThereIsRoomElseCutsToTheClientArea)
{
    EXPECT_EQ(PlacePreview(100, 80, 41, 31), QRect(29, 24, 41, 31));
    EXPECT_EQ(PlacePreview(100, 80, 98, 78), QRect(1, 1, 98, 78));  // exactly 2 larger
    EXPECT_EQ(PlacePreview(100, 80, 99, 500), QRect(2, 2, 96, 76)); // less than 2 larger
    EXPECT_EQ(PlacePreview(3, 3, 10, 10), QRect(2, 2, 0, 0));
}

} // namespace
