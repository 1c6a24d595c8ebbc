#pragma once

#include "core/tables/mem_data.h"
#include "ui/print_request.h"
#include "ui/widgets/record_grid.h"

#include <QDialog>

#include <memory>

class Context;
class QGroupBox;
class QLabel;
class QMenu;
class QToolButton;
class TableModel;
class TfrmProgress;

// The sent items log ("Sent Items"): the reminders mailed to the gateway in the last 40 days,
// with the count of this month. The batch send adds to dxmSentItems and writes sentitems.txt.
class TfrmSentItems : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSentItems(Context& context, QWidget* parent = nullptr);
    ~TfrmSentItems() override;

    TdxMemData* const dxmSentItems; // of the data module

    QGroupBox* gpbSent = nullptr;
    QLabel* lblmonthPrompt = nullptr;
    QLabel* lblmonth = nullptr;
    RecordGrid* dbgSentItems = nullptr;
    QWidget* dbnSent = nullptr;
    QMenu* pomPrint = nullptr;
    TableModel* model = nullptr; // the grid's

    // The count shown in lblmonth.
    int monthCount() const { return monthCount_; }

    // Handlers.
    void FormCreate();
    void FormShow();
    void FormClose();
    void dxmSentItemsBeforePost();
    void dbgSentItemsMouseMove();
    void dbgSentItemsSortMarkingChanged(int column, Qt::SortOrder order);
    void dxmSentItemscontact_noChange();
    // The print entries: the whole log, or the rows selected in the grid.
    void All1Click();
    void Selected1Click();
    // Ctrl+Del: deletes the selected rows after a confirmation.
    void deleteSelectedRows();
    void copySelectedRows();
    void pasteIntoCurrentRow();

    void done(int result) override;

    // The progress window of this folder (set where the windows are created).
    TfrmProgress* frmProgress = nullptr;

signals:
    // Asks for a printed list; the print has ended when the signal returns.
    void printRequested(const PrintRequest& request);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setSortButtons(bool on);

    Context& context_;
    int monthCount_ = 0;
};
