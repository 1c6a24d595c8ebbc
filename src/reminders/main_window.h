#pragma once

// The main window: the pending reminders, the entry panel and the actions.
//
// It works on the data module's tables (dxmReminders, dxGroup, and the contact book, the
// standard messages and the sender's settings) and keeps dxContactNumbers, a scratch list of
// one contact's numbers. It opens the other windows through its signals, and the other windows
// tell it what changed through the slots below; both are wired where the windows are created.
// The member functions live in several files: the frame here (main_window.cpp), the entry panel
// (main_window_entry.cpp), the pickers (main_window_pickers.cpp), the message box
// (main_window_messages.cpp), the grid (main_window_grid.cpp) and the controls, built apart
// from the handlers (main_window_layout.cpp).

#include "core/tables/mem_data.h"
#include "ui/print_request.h"
#include "ui/widgets/record_grid.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class Context;
class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QTimeEdit;
class QToolButton;
class QAbstractItemView;
class QWindow;
class QUrl;
class MessageEntry;
class TableModel;
class TDateBox;
class TfrmLongMessage;

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(Context& context, QWidget* parent = nullptr);
    ~TfrmMain() override;

    TdxMemData* const dxmReminders; // pending reminders ("^" file), of the data module
    TdxMemData* const dxGroup;      // contact groups, of the data module
    std::unique_ptr<TdxMemData> dxContactNumbers; // scratch list of one contact's numbers

    // Controls the send window writes into when it is created.
    QLabel* ClientName = nullptr;     // the sender's name beside "Sender:"
    QLabel* lblSendSummary = nullptr; // the status line: what the last send did
    QTimeEdit* dtpTime = nullptr;     // the appointment time box

    // The long message editor of this folder (set where the windows are created).
    TfrmLongMessage* frmLongMessage = nullptr;

    int incMins = 0; // minutes between default appointment times
    QString entryMode = QStringLiteral("Add");
    bool keyRejected = false;
    bool groupDeleteInProgress = false;
    bool AllExists = false;
    bool BlankExists = false;

    // ---- frame ----------------------------------------------------------------------------
    void FormCreate();
    void FormShow();
    // Reloads the standard messages and prepares a fresh entry. Runs when the main window
    // becomes active after another window of the program, and after each window it opened
    // modally has closed.
    void FormActivate();
    void FormClose();
    void FormDestroy();
    void FormResize() {}
    // If the file exists, sorts the table by the field; then shows the window modally.
    void sortFirstColumn(QDialog* window, TdxMemData& table, const std::string& fileName,
                         const std::string& fieldName);
    void bmbSentItemsClick();
    // Shows how many cancellations and unknown replies are unread: "Replies (2)".
    void setUnreadReplies(int count);
    void btnContactClick();
    void btnMessageClick();
    // Opens "Import Appointments" and waits for it.
    void ImportAppointments1Click();
    void btnHelpClick();
    // The help page, at the section of that name (a window's objectName) when given.
    void openHelp(const QString& section);
    void bmbSaveAndExitClick();
    // The help page the Help button opens: the working folder's help/index.html, or the copy
    // shipped with the program (beside it, or in share/tallyminder when installed).
    QString helpPagePath() const;
    // Opens a document with the system's default handler (a test replaces it).
    std::function<bool(const QUrl&)> openDocument;
    // Whether a top-level window is one of the program's own (the registry answers): coming
    // back from one prepares a fresh entry, coming back from another program does not.
    std::function<bool(const QWidget*)> isProgramWindow;
    // Writes the pending list to reminders.txt ("^"), views suspended; deletes the file instead
    // when deleteWhenEmpty and the list is empty.
    void saveReminders(bool deleteWhenEmpty = false);

    // ---- entry panel ----------------------------------------------------------------------
    void bmbOKClick();
    void AddEditNew();
    void AddEditAll();
    void checkContact();
    void PrepareForNew();
    void setRecordActive();
    // The visible one of cboContactName and cboAll.
    QComboBox* visibleNamePicker() const;
    bool numberListShown() const;

    // ---- pickers --------------------------------------------------------------------------
    void loadGroupCombo();
    void checkExists();
    void loadContactCombo();
    void loadAllCombo();
    void cboContactNameSelect();
    void cboAllSelect();
    void cboContactNameChange();
    void cboAllChange();
    void chkAllClick();
    void cboGroupSelect();
    void cboGroupExit();
    // Offers to add a group the group table lacks.
    void addNewGroup(const QString& group);
    void deleteGroup();
    // The digits-only filter: true when the key may pass; otherwise "Only Numeric values
    // allowed" and the focus goes to control.
    bool checkForNumber(const QString& key, QWidget* control);
    // Key handlers; true when the key is dropped.
    bool cboContactNameKeyPress(const QString& key);
    bool cboAllKeyPress(const QString& key);
    bool cboNumberKeyPress(const QString& key);
    bool mskContactNoKeyPress(const QString& key);
    void cboNumberKeyUp();

    // ---- message box ----------------------------------------------------------------------
    void loadMessageCombo();
    bool cboMessageKeyPress(const QString& key);
    void cboMessageKeyUp();
    void cboMessageExit();
    void cboMessageEnter() {}
    void dbgRemindersDblClick();

    // ---- grid -----------------------------------------------------------------------------
    void dbgRemindersCellClick(int row);
    void dbgRemindersMouseUp();
    void dxmRemindersAfterPost();
    void dxmRemindersAfterDelete();
    void dxmReminderscontact_noChange();
    void checkPaste(TdxMemData& table, QAbstractItemView* grid);
    void bmbDeleteClick();
    void Deletecurrentrecord1Click();
    void deleteSelectedGridRows();
    // Asks before the reminders in these table rows go; true for Yes.
    bool confirmReminderDeletion(const std::vector<int>& rows);
    void bmbClearAllClick();
    void bmbSendMailClick();
    void doWidths();
    void saveWidths();
    void setGridWidth();
    // A column's display width in characters, and setting it (the pixel formula of the grid's
    // font).
    int displayWidth(int column) const;
    void setDisplayWidth(int column, int characters);
    // The window's size and place (and whether it was maximised) in width.ini's "window"
    // section: written when the window closes, read when it is made.
    void savePlacement();
    void restorePlacement();
    void copyRows();
    void pasteRows();
    // The table rows selected in the grid, 0-based, in ascending order.
    std::vector<int> selectedRows() const;
    // Deletes the table rows (ascending, as selectedRows gives them).
    void deleteRows(const std::vector<int>& rows);
    // Ctrl+Z and "Undo": the rows of the last deletion or Clear All come back in their places
    // with every field, once, while the pending list has not changed since.
    void undoDeletion();

    // ---- printing -------------------------------------------------------------------------
    // "Print " and "&All": asks for the whole pending list, then prepares a new entry whatever
    // the print's outcome. "&Selected": asks for the rows selected in the grid.
    void BitBtn1Click();
    void Selected1Click();

    // ---- controls (named as the objectName) -----------------------------------------------
    QFrame* pnlTop = nullptr;
    QLabel* ImageTop = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* bmbSentItems = nullptr;
    QToolButton* bmbReplies = nullptr;
    QPushButton* btnHelp = nullptr;
    RecordGrid* dbgReminders = nullptr;
    QWidget* DBNavigator1 = nullptr;
    QFrame* pnlBottom = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QComboBox* cboGroup = nullptr;
    QCheckBox* chkAll = nullptr;
    QComboBox* cboContactName = nullptr;
    QComboBox* cboAll = nullptr;
    QToolButton* btnContact = nullptr;
    QLineEdit* mskContactNo = nullptr;
    QComboBox* cboNumber = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    TDateBox* dtpDate = nullptr;
    QSpinBox* sedDaysBefore = nullptr;
    QSpinBox* sedRecurringDays = nullptr;
    QComboBox* cboRecurring = nullptr;
    QComboBox* cboMessage = nullptr;
    QLabel* lblCount = nullptr;
    QLabel* lblSegments = nullptr; // what the message costs in SMS
    QToolButton* btnMessage = nullptr;
    QCheckBox* chkStatus = nullptr;
    QCheckBox* chkDelivery = nullptr;
    QGroupBox* gpbActions = nullptr;
    QPushButton* bmbOK = nullptr;
    QPushButton* bmbDelete = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* bmbClearAll = nullptr;
    QPushButton* bmbSaveAndExit = nullptr;
    QPushButton* bmbSendMail = nullptr;
    QMenu* pumMain = nullptr;
    QAction* Print1 = nullptr;
    QAction* All1 = nullptr;
    QAction* Selected1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Paste1 = nullptr;
    QAction* Deletecurrentrecord1 = nullptr;
    QAction* Undo1 = nullptr;               // undoes the last deletion of pending reminders
    QAction* ImportAppointments1 = nullptr; // "Import Appointments..." (Ctrl+I)
    QAction* New1 = nullptr;                // F2, hidden
    TableModel* remindersModel = nullptr;   // the grid's
    MessageEntry* messageEntry = nullptr;

    // ---- what the other windows tell this one (wired where the windows are created) -------
    // A contact was posted while the contacts window was hidden: the picked group is offered
    // when the group table lacks it.
    void checkPickedGroup();
    // The group was posted in the contacts window: offered when the group table lacks it.
    void checkGroup(const QString& group);
    // The standard messages changed: the message list is refilled and takes the focus.
    void messagesChanged();
    // Reminders were added elsewhere: the next OK adds.
    void remindersAdded();
    // The sender's settings were read: the sender's name, the default time and its step.
    void applyMailSettings();
    // The report wishes of the next batch, and their reset once the batch is stamped.
    std::pair<bool, bool> reportWishes() const;
    void clearReportWishes();
    // The batch was sent: a fresh entry at the start time.
    void batchSent();
    // Shows news in the status line ("3 reminders sent at 09:12") until the pending list
    // changes again.
    void showStatus(const QString& text);
    // The sender's name beside "Sender:", or "not set up".
    void showSender(const QString& name);
    // Tells in the status line how many reminders one step added (Send All, the selection).
    void reportAdded(int count);

signals:
    void sentItemsRequested();
    void repliesRequested();
    void contactsRequested();
    void messagesRequested();
    void sendMailRequested();
    void calendarImportRequested();
    // The window closes: the windows it opened without waiting go too.
    void closing();
    // Asks for a printed list; the print has ended when the signal returns.
    void printRequested(const PrintRequest& request);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTopPanel(QWidget* parent);
    void buildGrid(QWidget* parent);
    void buildBottomPanel(QWidget* parent);
    void buildMenus();
    void setTabChain();
    void connectHandlers();
    void numberLookup(QComboBox* picker);
    void refreshNumberList();
    void showNumberList(bool list);
    void showNamePicker(bool all);
    void feedPickerSpaceBackspace(QComboBox* picker);
    // A new reminder to a number on the do-not-text list is added only when the user says so.
    bool confirmDoNotText();
    void readStartFile(TdxMemData& table, const std::string& fileName);
    void setDate(int32_t day);
    void setTime(int32_t ms);
    int32_t dateDay() const;
    int32_t timeMs() const;
    QString pickerText(QComboBox* box) const;
    // Runs a deletion of pending reminders, keeping what undoDeletion needs.
    void deleteUndoably(const std::function<void()>& remove, bool saved);

    Context& context_;
    // The pending list before and after the last deletion (table text); empty when there is
    // nothing to undo.
    struct {
        std::string before, after;
        bool saved = false;
    } undo_;
    bool created_ = false;
    bool shownOnce_ = false;
    bool activatedOnce_ = false;
    bool destroyed_ = false;
    // The reminder the panel shows in "Edit" mode (its bookmark): OK edits that row, wherever
    // the cursor went since (a refused click on a past reminder leaves the panel as it was).
    int panelBookmark_ = 0;
    QPointer<QWindow> previousFocusWindow_;
};
