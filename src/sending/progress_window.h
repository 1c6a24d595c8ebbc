#pragma once

#include <QDialog>

class Context;
class QProgressBar;

// The small progress window of the batch send and of loading the sent items: one smooth bar.
class TfrmProgress : public QDialog {
    Q_OBJECT
public:
    explicit TfrmProgress(Context& context, QWidget* parent = nullptr);
    ~TfrmProgress() override;

    // Shows the window (without blocking) with this caption, the bar at 0 and range 0 to max.
    void start(const QString& caption, int max);
    // Advances the bar by one step.
    void StepIt();

    QProgressBar* pgbProgress = nullptr;

private:
    Context& context_;
};
