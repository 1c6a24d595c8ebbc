#pragma once

#include <QDialog>

class Context;
class QProgressBar;
class QPushButton;

// The small progress window of the batch send and of loading the sent items: one smooth bar,
// and a Cancel button while the send talks to the server.
class TfrmProgress : public QDialog {
    Q_OBJECT
public:
    explicit TfrmProgress(Context& context, QWidget* parent = nullptr);
    ~TfrmProgress() override;

    // Shows the window (without blocking) with this caption, the bar at 0 and range 0 to max.
    // Cancellable, it is modal to the whole program and offers Cancel (Escape and the close
    // button ask the same); otherwise it leaves the other windows usable.
    void start(const QString& caption, int max, bool cancellable = false);
    // Advances the bar by one step.
    void StepIt();

    QProgressBar* pgbProgress = nullptr;
    QPushButton* btnCancel = nullptr;

signals:
    // Cancel was asked for; the window stays until its owner hides it.
    void cancelRequested();

protected:
    void reject() override;

private:
    Context& context_;
};
