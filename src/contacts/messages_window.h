#pragma once

// The standard messages window ("Standard Messages"): ready-made SMS texts that both message
// boxes (the main window's and the selected-contacts window's) offer. Closing it saves
// message.txt and refills both lists in sorted order.
//
// Other windows use: dxmMessage (field "message"), read by their loadMessageCombo.

#include "core/tables/mem_data.h"
#include "ui/print_request.h"

#include <QDialog>

#include <memory>

class Context;
class TfrmSelectSending;
class QAction;
class QLabel;
class QMenu;
class RecordGrid;
class RecordNavigator;

class TfrmMessage : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMessage(Context& context, QWidget* parent = nullptr);
    ~TfrmMessage() override;

    TdxMemData* const dxmMessage; // of the data module

    // Controls (objectName as named).
    QLabel* pnlMain = nullptr;
    QLabel* lblSegments = nullptr; // what the message being typed costs in SMS
    RecordGrid* dbgMessage = nullptr;
    RecordNavigator* dbnMessage = nullptr;
    QMenu* ppmMain = nullptr;
    QAction* Print1 = nullptr;
    QAction* All1 = nullptr;
    QAction* Selected1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Paste1 = nullptr;
    QAction* Delete1 = nullptr;

    // Handlers.
    // The print entries: the whole list, or the rows selected in the grid.
    void All1Click();
    void Selected1Click();
    void FormCreate();
    void FormShow();
    // True when the key is dropped.
    bool dbgMessageKeyPress(const QString& key);
    void dbgMessageKeyUp();
    void dxmMessagemessageChange();
    void dxmMessageBeforePost();
    void dxmMessageAfterPost();
    void dbgMessageMouseMove();
    void dbgMessageSortMarkingChanged(int column, Qt::SortOrder order);
    void FormClose();
    void FormDestroy();

    void done(int result) override;

    // The selected-contacts window of this folder (set where the windows are created).
    TfrmSelectSending* frmSelectSending = nullptr;

signals:
    // The standard messages were changed and stored.
    void messagesChanged();
    // Asks for a printed list; the print has ended when the signal returns.
    void printRequested(const PrintRequest& request);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildMenu();

    Context& context_;
};
