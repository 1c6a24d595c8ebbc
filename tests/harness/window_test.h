#pragma once

#include "app/forms.h"
#include "harness/test_prompter.h"
#include "support/fake_clock.h"
#include "support/temp_folder.h"

#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>

// A window's child found by its object name, as a user's tools find it: the test fails, naming
// the window and the child, when there is none of that name and kind.
template <typename T> T* child(const QObject* window, const char* name) {
    T* found = window ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    if (!found)
        ADD_FAILURE() << "no " << name << " in "
                      << (window ? window->objectName().toStdString() : std::string("(no window)"));
    return found;
}

// The fixture of every window test: a fresh working folder (also the program's folder), the
// test Prompter (installed as the general error display's), a fixed clock, and the program's
// windows built by startForms(). Put files in the folder before starting the windows.
class WindowTest : public ::testing::Test {
protected:
    WindowTest();
    ~WindowTest() override;
    void TearDown() override;

    // Builds the windows as the entry routine does (main window first).
    Forms& startForms();
    // Destroys the windows as the end of the program does (the destroy steps write files).
    void stopForms();

    // A named child of a window, failing the test when missing.
    template <typename T> T* find(QWidget* window, const char* name) {
        return child<T>(window, name);
    }

    TempFolder folder;
    TestPrompter prompter;
    FakeClock clock;
    std::unique_ptr<Forms> forms;
};

// Runs fn once the next modal window (or box) has opened and the event loop spins.
void whenModalOpens(std::function<void(QWidget*)> fn, int timeoutMs = 5000);
