// The main of every window-test program: one application object on the offscreen platform.

#include <gtest/gtest.h>

#include "app/application.h"
#include "data/format_settings.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    TApplication app(argc, argv);
    setProcessFormats(FormatSettings{});
    return RUN_ALL_TESTS();
}
