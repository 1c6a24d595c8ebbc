#pragma once

#include "ui/prompter.h"

// The Prompter of the real program: Qt's message boxes and dialogs.
class QtPrompter : public Prompter {
public:
    BoxButton show(const Box& box) override;
    void beep() override;
    QString openFile(const QString& title, const QString& filter, const QString& folder) override;
    QString saveFile(const QString& title, const QString& filter, const QString& folder) override;
    bool printDialog(QPrinter& printer) override;
    bool review(const ListReview& list) override;
};
