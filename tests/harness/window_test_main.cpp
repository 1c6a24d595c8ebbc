// The main of every window-test program: one application object on the offscreen platform.

#include "core/tables/format_settings.h"
#include "ui/application.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer: allocations that Qt itself keeps until exit (pointing devices of
// synthesized mouse events, shared-pointer bookkeeping) are not the program's leaks.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libQt6Core.so\nleak:libQt6Gui.so\nleak:libQt6Widgets.so\nleak:libQt6Test.so\n"
           "leak:libfontconfig.so\n";
}
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    TApplication app(argc, argv);
    setProcessFormats(FormatSettings{});
    return RUN_ALL_TESTS();
}
