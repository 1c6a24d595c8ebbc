#include "ui/program_icon.h"

#include "harness/window_test.h"

namespace {

using ProgramIcon = WindowTest;

TEST_F(ProgramIcon, CarriesTheDrawingAtTheMenusSizes) {
    const QIcon icon = programIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int size : {48, 256}) {
        const QImage image = icon.pixmap(size, size).toImage();
        EXPECT_EQ(image.size(), QSize(size, size));
        // The drawing's blue frame, not a blank or a placeholder.
        const QColor edge = image.pixelColor(size / 2, size / 8);
        EXPECT_GT(edge.blue(), 150) << size;
        EXPECT_LT(edge.red(), 80) << size;
    }
}

} // namespace
