#pragma once

#include "ui/prompter.h"

#include <QList>

#include <deque>
#include <functional>

// The Prompter of the window tests: records every box and answers from a queue of expected
// boxes. A box the test did not expect fails the test, and so does an expectation left unused.
class TestPrompter : public Prompter {
public:
    struct Expected {
        BoxKind kind;
        QString text; // exact text; an empty text accepts any
        BoxButton answer = BoxButton::Ok;
        QString caption; // checked when not empty
    };

    ~TestPrompter() override;

    // Queue the next expected box and the button that answers it.
    TestPrompter& expect(BoxKind kind, const QString& text, BoxButton answer = BoxButton::Ok,
                         const QString& caption = {});
    TestPrompter& expectError(const QString& text) { return expect(BoxKind::Error, text); }
    // The next file dialog returns this path (empty for Cancel).
    TestPrompter& expectOpenFile(const QString& path);
    // The next file-save dialog returns this path (empty for Cancel).
    TestPrompter& expectSaveFile(const QString& path);
    TestPrompter& expectPrintDialog(bool accept);
    // The next print dialog is accepted once answer has set the printer up (a PDF file, copies,
    // a page range, another printer).
    TestPrompter& expectPrintTo(std::function<void(QPrinter&)> answer);
    // The next list review is answered: true goes on.
    TestPrompter& expectReview(bool accept);

    // Fails the current test for every expectation not yet used, then forgets them.
    void verifyAllUsed();
    bool pending() const {
        return !expected_.empty() || !files_.empty() || !saveFiles_.empty() || !prints_.empty() ||
               !reviewAnswers_.empty();
    }

    BoxButton show(const Box& box) override;
    void beep() override { ++beeps; }
    QString openFile(const QString& title, const QString& filter, const QString& folder) override;
    QString saveFile(const QString& title, const QString& filter, const QString& folder) override;
    bool printDialog(QPrinter& printer) override;
    bool review(const ListReview& list) override;

    // Runs once, as the next box opens and before it is answered: what another copy of the
    // program does while this one waits for the user.
    std::function<void(const Box&)> onShow;

    QList<Box> shown;          // every box, in order
    QStringList fileDialogs;   // title and filter of every file dialog (open and save)
    QStringList printJobs;     // the document name of every print dialog's printer
    QList<ListReview> reviews; // every list review, in order
    int beeps = 0;

private:
    std::deque<Expected> expected_;
    std::deque<QString> files_;
    std::deque<QString> saveFiles_;
    std::deque<std::function<bool(QPrinter&)>> prints_;
    std::deque<bool> reviewAnswers_;
};
