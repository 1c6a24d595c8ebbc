#pragma once

// The contact book window ("Contact Info for N Contacts").
//
// What it changes is told through its signals. The windows of its folder use these members:
//   dxContact               the contact book (contact, number, group, contactKey), of the data
//                           module; the main window reads and extends it too
//   SelectedContactKeys     the contacts chosen with "Select for sending": number + group
//                           lower-cased and trimmed, one per selected row; the selected-contacts
//                           window consumes it
//   justDeleted             true after "Delete Record" until the next post, deletion or change
//   concatContact(number, group)  a contact's key before the field cuts it to 20 characters
//   openImportFile          how the import opens its file (a test replaces it)
//
// Besides the book it keeps the do-not-text list (donottext.txt): the pop-up menu marks and
// unmarks the selected contacts' numbers, and the grid shows the marked ones. The search box
// above the grid shows only the contacts whose name, number or group holds its text.

#include "core/store/do_not_text.h"
#include "core/tables/mem_data.h"
#include "ui/print_request.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class ByteSource;
class Context;
class QAction;
class QLineEdit;
class QMenu;
class RecordGrid;
class RecordNavigator;
class TfrmSelectSending;
struct ImportCounts;

class TfrmContact : public QDialog {
    Q_OBJECT
public:
    explicit TfrmContact(Context& context, QWidget* parent = nullptr);
    ~TfrmContact() override;

    TdxMemData* const dxContact; // of the data module
    std::vector<std::string> SelectedContactKeys;
    bool justDeleted = false;

    static std::string concatContact(const std::string& number, const std::string& group);

    // Controls (objectName as named).
    RecordGrid* dbgContact = nullptr;
    RecordNavigator* dbnMessage = nullptr;
    QMenu* ppmPrint = nullptr;
    QAction* Print1 = nullptr;
    QAction* All1 = nullptr;
    QAction* Selected1 = nullptr;
    QAction* Selectforsending1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Paste1 = nullptr;
    QAction* Delete1 = nullptr;
    QAction* Importfromtextfile1 = nullptr;
    QAction* Donottext1 = nullptr;
    QAction* Textagain1 = nullptr;
    QAction* Export1 = nullptr;
    QLineEdit* edtSearch = nullptr;

    // Handlers.
    // The print entries: the whole list, or the rows selected in the grid.
    void All1Click();
    void Selected1Click();
    void frmContactCreate();
    void FormShow();
    void FormActivate();
    void dxContactBeforePost();
    void dxContactAfterPost();
    void dxContactBeforeDelete() { justDeleted = false; }
    void dxContactcontactChange() { justDeleted = false; }
    void Delete1Click();
    // True when the key is dropped.
    bool dbgContactKeyPress(const QString& key, int column);
    void dbgContactTitleClick(int column);
    void dbgContactSortMarkingChanged(int column, Qt::SortOrder order);
    void dbgContactMouseMove();
    void Selectforsending1Click();
    void Importfromtextfile1Click();
    // Marks or unmarks the selected contacts' numbers and writes donottext.txt.
    void Donottext1Click();
    void Textagain1Click();
    // Writes the selected contacts (all of them when at most one row is selected) as an
    // address list the import reads back.
    void Export1Click();
    // Shows only the contacts whose name, number or group holds the text (all when empty).
    void edtSearchChange(const QString& text);
    // Whether a contact book row's number is on the do-not-text list.
    bool markedDoNotText(int row) const;
    // The close steps; throws when the pending cell cannot be committed (the window then stays).
    void frmContactClose();

    // Imports one file (the steps after the file dialog). False when it cannot be opened.
    bool importFile(const std::string& path);
    std::function<std::unique_ptr<ByteSource>(const std::string& path)> openImportFile;
    bool importing() const { return importing_; }

    void done(int result) override;

    // The selected-contacts window of this folder (set where the windows are created).
    TfrmSelectSending* frmSelectSending = nullptr;

signals:
    // The contact book was read or changed: the names of a group, and all names.
    void contactNamesChanged();
    void allContactsChanged();
    // The import changed the groups.
    void groupsChanged();
    // A posted row's group, to be added to the groups when they lack it.
    void groupPosted(const QString& group);
    // A row was posted while the window was hidden (by another window).
    void postedUnseen();
    // Asks for a printed list; the print has ended when the signal returns.
    void printRequested(const PrintRequest& request);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void buildSearch();
    void buildMarks();
    void readDoNotText();
    void doNotTextChanged();
    std::vector<std::string> selectedNumbers();
    void updateCaption();
    // The main window's group check after a post: the group of the current row (or of the
    // main window's group picker while this window is hidden) is offered when unknown.
    void checkGroupAfterPost();

    Context& context_;
    bool importing_ = false;
    DoNotTextSet doNotText_; // the digits of the list's numbers, for the grid's marks
};
