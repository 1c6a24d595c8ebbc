#include "contacts/contacts_window.h"

#include "contacts/select_sending_window.h"
#include "core/contacts/contact_export.h"
#include "core/contacts/contact_import.h"
#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/clock.h"
#include "core/tables/errors.h"
#include "core/tables/keep_aside.h"
#include "core/tables/message_text.h"
#include "core/tables/suspended_views.h"
#include "ui/application.h"
#include "ui/context.h"
#include "ui/menu_action.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"
#include "ui/table_model.h"
#include "ui/widgets/key_filters.h"
#include "ui/widgets/record_grid.h"
#include "ui/widgets/text_helpers.h"

#include <QAction>
#include <QColor>
#include <QComboBox>
#include <QFileInfo>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShowEvent>
#include <QVBoxLayout>

#include <filesystem>
#include <vector>

namespace {

const QString kImportTitle = QStringLiteral("Import Data");
const QString kImportFilter = QStringLiteral("Tab Delimited Text Files|*.txt");
const QString kImportInUse =
    QStringLiteral("Could not import file because it is in use by another application");
const QString kExportTitle = QStringLiteral("Export Contacts");
// The marks of a contact on the do-not-text list.
const QColor kDoNotTextColour(176, 0, 0);
const QString kDoNotTextHint = QStringLiteral("(do not text)");

// Resumes a table's views when it goes out of scope.

} // namespace

TfrmContact::TfrmContact(Context& context, QWidget* parent)
    : QDialog(parent), dxContact(context.tables().dxContact.get()), context_(context) {
    setObjectName(QStringLiteral("frmContact"));
    setWindowTitle(QStringLiteral("Contact Info"));
    resize(640, 440);
    openImportFile = [](const std::string& path) { return openFileSource(path); };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    edtSearch = new QLineEdit(this);
    edtSearch->setObjectName(QStringLiteral("edtSearch"));
    edtSearch->setPlaceholderText(QStringLiteral("Search name, number or group"));
    edtSearch->setClearButtonEnabled(true);
    auto* lblSearch = new QLabel(QStringLiteral("&Search:"), this);
    lblSearch->setObjectName(QStringLiteral("lblSearch"));
    lblSearch->setBuddy(edtSearch);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(lblSearch);
    searchRow->addWidget(edtSearch, 1);
    layout->addLayout(searchRow);
    dbgContact = new RecordGrid(*dxContact, this);
    dbgContact->setObjectName(QStringLiteral("dbgContact"));
    const int charWidth = dbgContact->fontMetrics().averageCharWidth();
    for (int c = 0; c < dbgContact->recordModel()->columnCount(); ++c)
        dbgContact->setColumnWidth(c, 26 * charWidth + 12);
    dbgContact->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(dbgContact, 1);
    dbnMessage = new RecordNavigator(dbgContact, this);
    dbnMessage->setObjectName(QStringLiteral("dbnMessage"));
    layout->addWidget(dbnMessage);
    buildMenu();
    buildSearch();
    buildMarks();

    dbgContact->keyPress = [this](const QString& key, int column) {
        return dbgContactKeyPress(key, column);
    };
    dbgContact->editorCreated = [this](QLineEdit* editor, int column) {
        const int number =
            dbgContact->recordModel()->columnOfField(dxContact->FieldIndex(fields::number));
        if (column == number)
            new NumberKeyFilter(editor, context_.prompter());
        else
            new TextEntryGuard(editor, context_.prompter(), QStringLiteral("^"));
    };
    connect(dbgContact, &RecordGrid::titleClicked, this,
            [this](int column) { dbgContactTitleClick(column); });
    connect(
        dbgContact, &RecordGrid::sortMarkingChanged, this,
        [this](int column, Qt::SortOrder order) { dbgContactSortMarkingChanged(column, order); });
    connect(dbgContact, &RecordGrid::mouseMoved, this, [this] { dbgContactMouseMove(); });

    dxContact->BeforePost = [this](TdxMemData&) { dxContactBeforePost(); };
    dxContact->AfterPost = [this](TdxMemData&) { dxContactAfterPost(); };
    dxContact->BeforeDelete = [this](TdxMemData&) { dxContactBeforeDelete(); };
    for (const char* name : {fields::contact, fields::number, fields::group})
        dxContact->FieldNamed(name).OnChange = [this](TField&) { dxContactcontactChange(); };
}

TfrmContact::~TfrmContact() {
    dxContact->BeforePost = nullptr;
    dxContact->AfterPost = nullptr;
    dxContact->BeforeDelete = nullptr;
    for (const char* name : {fields::contact, fields::number, fields::group})
        dxContact->FieldNamed(name).OnChange = nullptr;
    // The grid stops watching the table before the table goes.
    delete dbgContact;
    dbgContact = nullptr;
}

void TfrmContact::buildMenu() {
    const GridMenu m =
        gridMenu(this, "ppmPrint", QStringLiteral("&All"), QStringLiteral("&Selected"));
    ppmPrint = m.menu;
    Print1 = m.print;
    All1 = m.all;
    Selected1 = m.selected;
    Selectforsending1 = menuAction(ppmPrint, QStringLiteral("&Select for sending"),
                                   "Selectforsending1", QKeySequence(QStringLiteral("Ctrl+S")));
    Copy1 = menuAction(ppmPrint, QStringLiteral("&Copy"), "Copy1", QKeySequence::Copy);
    Paste1 = menuAction(ppmPrint, QStringLiteral("&Paste"), "Paste1", QKeySequence::Paste);
    Delete1 = menuAction(ppmPrint, QStringLiteral("&Delete Record"), "Delete1",
                         QKeySequence(QStringLiteral("Ctrl+Del")));
    Importfromtextfile1 = menuAction(ppmPrint, QStringLiteral("&Import from text file"),
                                     "Importfromtextfile1", QKeySequence(QStringLiteral("Ctrl+I")));
    Export1 = menuAction(ppmPrint, QStringLiteral("&Export..."), "Export1", QKeySequence());
    ppmPrint->addSeparator();
    Donottext1 = menuAction(ppmPrint, QStringLiteral("Do &not text"), "Donottext1", QKeySequence());
    Textagain1 = menuAction(ppmPrint, QStringLiteral("&Text again"), "Textagain1", QKeySequence());

    // Copy and Paste are the cell editor's own keys; the menu only shows them.
    Copy1->setShortcutContext(Qt::WidgetShortcut);
    Paste1->setShortcutContext(Qt::WidgetShortcut);
    std::vector<QKeySequence> windowKeys;
    for (QAction* a : {All1, Selected1, Selectforsending1, Delete1, Importfromtextfile1}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        windowKeys.push_back(a->shortcut());
    }
    dbgContact->setWindowShortcuts(windowKeys);
    connect(All1, &QAction::triggered, this, [this] { All1Click(); });
    connect(Selected1, &QAction::triggered, this, [this] { Selected1Click(); });

    connect(Selectforsending1, &QAction::triggered, this, [this] { Selectforsending1Click(); });
    dbgContact->editWithMenu(Copy1, Paste1);
    connect(Delete1, &QAction::triggered, this, [this] { Delete1Click(); });
    connect(Importfromtextfile1, &QAction::triggered, this, [this] { Importfromtextfile1Click(); });
    connect(Export1, &QAction::triggered, this, [this] { Export1Click(); });
    connect(Donottext1, &QAction::triggered, this, [this] { Donottext1Click(); });
    connect(Textagain1, &QAction::triggered, this, [this] { Textagain1Click(); });

    popUpOnRightClick(ppmPrint, dbgContact);
}

void TfrmContact::buildSearch() {
    edtSearch->installEventFilter(this);
    connect(edtSearch, &QLineEdit::textChanged, this,
            [this](const QString& text) { edtSearchChange(text); });
}

void TfrmContact::buildMarks() {
    // A marked contact's cells: another colour, italic, and a tooltip saying why.
    const int numberField = dxContact->FieldIndex(fields::number);
    const int nameField = dxContact->FieldIndex(fields::contact);
    dbgContact->recordModel()->setCellLook(
        [this, numberField, nameField](int row, int, int role) -> QVariant {
            if (role != Qt::ForegroundRole && role != Qt::ToolTipRole && role != Qt::FontRole)
                return {};
            if (doNotText_.size() == 0 || !markedDoNotText(row))
                return {};
            if (role == Qt::ForegroundRole)
                return kDoNotTextColour;
            if (role == Qt::FontRole) {
                QFont font = dbgContact->font();
                font.setItalic(true);
                return font;
            }
            const QString name = fromTableText(dxContact->CellText(row, nameField));
            return (name.isEmpty() ? fromTableText(dxContact->CellText(row, numberField)) : name) +
                   QLatin1Char(' ') + kDoNotTextHint;
        });
}

bool TfrmContact::markedDoNotText(int row) const {
    return doNotText_.contains(dxContact->CellText(row, dxContact->FieldIndex(fields::number)));
}

bool TfrmContact::eventFilter(QObject* watched, QEvent* event) {
    // Esc in the search box clears it; the window closes on Esc only when it is empty.
    if (watched == edtSearch && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !edtSearch->text().isEmpty()) {
        edtSearch->clear();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmContact::edtSearchChange(const QString& text) {
    // The row being typed is finished first: the rows shown change under it.
    dbgContact->finishEditor();
    dbgContact->endPendingEdit();
    const QString wanted = text.trimmed();
    TableModel* model = dbgContact->recordModel();
    if (wanted.isEmpty()) {
        model->setRowFilter(nullptr);
    } else {
        const int fieldsSearched[] = {dxContact->FieldIndex(fields::contact),
                                      dxContact->FieldIndex(fields::number),
                                      dxContact->FieldIndex(fields::group)};
        model->setRowFilter([this, wanted, fieldsSearched](int row) {
            for (int field : fieldsSearched)
                if (fromTableText(dxContact->CellText(row, field))
                        .contains(wanted, Qt::CaseInsensitive))
                    return true;
            return false;
        });
    }
    // The table's cursor goes to the first row shown when its own row is hidden.
    const int current = dxContact->CurrentIndex();
    if (model->rowCount() > 0 && (current < 0 || model->modelRow(current) < 0))
        dbgContact->moveToRow(model->tableRow(0));
}

std::string TfrmContact::concatContact(const std::string& number, const std::string& group) {
    return ::concatContact(number, group);
}

void TfrmContact::updateCaption() {
    setWindowTitle(QStringLiteral("Contact Info for %1 Contacts").arg(dxContact->RowCount()));
}

// ---- create, show, activate ------------------------------------------------------------------

void TfrmContact::frmContactCreate() {
    readDoNotText();
    if (context_.tables().stored(kContactsFile)) {
        try {
            // A file that stops part-way is kept aside before anything can overwrite it.
            context_.tables().read(*dxContact, kContactsFile);
        } catch (...) {
            showCurrentException();
        }
        try {
            emit contactNamesChanged();
        } catch (...) {
            showCurrentException();
        }
        // Rows without name and number are dropped, in one pass; the cursor ends on the last
        // row, where a walk over the rows leaves it.
        SuspendedViews suspended(*dxContact);
        const int contact = dxContact->FieldIndex(fields::contact);
        const int number = dxContact->FieldIndex(fields::number);
        std::vector<int> blank;
        for (int row = 0; row < dxContact->RowCount(); ++row)
            if (dxContact->CellString(row, contact).empty() &&
                dxContact->CellString(row, number).empty())
                blank.push_back(row);
        dxContact->DeleteRows(blank);
        dxContact->Last();
    }
    try {
        emit allContactsChanged();
    } catch (...) {
        showCurrentException();
    }
}

void TfrmContact::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
        FormActivate();
    }
}

void TfrmContact::FormShow() {
    dbgContact->setEditableSet(true);
    // The window opens on the whole book.
    edtSearch->clear();
}

void TfrmContact::FormActivate() {
    if (dbgContact->endPendingEdit())
        dxContact->First();
    dbgContact->focusColumn(0);
    updateCaption();
}

// ---- posting -------------------------------------------------------------------------------

void TfrmContact::dxContactBeforePost() {
    // The posted row stays where it is.
    dbgContact->setTitleButtons(false);
    dxContact->SetSortedField("");

    justDeleted = false;
    if (!shapePostedContact(*dxContact)) {
        // Nothing to keep: a new row is dropped, an existing one deleted, without a word.
        if (dxContact->State() == DataSetState::Insert)
            dxContact->Cancel();
        else
            dxContact->Delete();
        throw EAbort();
    }
}

void TfrmContact::dxContactAfterPost() {
    dxContact->SetSortedField("");
    // The row is not put back into Edit here: an edit left open would be carried along when
    // the move that posted the row goes on to the next row.
    if (importing_)
        return; // the import asks about each new group itself
    checkGroupAfterPost();
    // A post of another window (the main window's group deletion) leaves the grid alone.
    if (isVisible())
        dbgContact->focusColumn(0);
}

void TfrmContact::checkGroupAfterPost() {
    if (isVisible())
        emit groupPosted(
            fromTableText(normalGroupText(dxContact->FieldNamed(fields::group).AsString())));
    else
        emit postedUnseen();
}

// ---- grid ----------------------------------------------------------------------------------

void TfrmContact::Delete1Click() {
    const std::vector<int> selected = dbgContact->selectedTableRows();
    if (selected.empty()) { // nothing to ask about
        justDeleted = true;
        return;
    }
    const QString which = selected.size() == 1
                              ? TableModel::cellText(*dxContact, selected.front(), fields::contact)
                              : QString();
    if (context_.prompter().confirmDeletion(static_cast<int>(selected.size()),
                                            QStringLiteral("contact"), QStringLiteral("contacts"),
                                            which)) {
        std::vector<int> bookmarks;
        for (int row : selected)
            bookmarks.push_back(dxContact->BookmarkAt(row));
        dbgContact->discardEditor();
        if (!bookmarks.empty()) {
            SuspendedViews suspended(*dxContact);
            if (dxContact->State() == DataSetState::Insert)
                dxContact->Cancel();
            // Last selected first, as the grid's own deletion goes; one pass over the rows.
            dxContact->DeleteBookmarked(std::vector<int>(bookmarks.rbegin(), bookmarks.rend()));
        }
        dbgContact->clearSelection();
        updateCaption();
        dbgContact->focusColumn(std::max(0, dbgContact->currentIndex().column()));
    }
    justDeleted = true;
}

bool TfrmContact::dbgContactKeyPress(const QString& key, int column) {
    if (key == QStringLiteral("^")) {
        context_.prompter().error(notAllowedMessage(key));
        dbgContact->setFocus();
        return true;
    }
    const int number =
        dbgContact->recordModel()->columnOfField(dxContact->FieldIndex(fields::number));
    if (column == number && number >= 0 && !checkForNumber(key, dbgContact, context_.prompter()))
        return true;
    return false;
}

void TfrmContact::dbgContactTitleClick(int column) {
    if (column < 0 || column >= dbgContact->recordModel()->columnCount())
        return;
    dbgContact->finishEditor();
    dxContact->SetSortedField(
        dxContact->Field(dbgContact->recordModel()->fieldAt(column)).FieldName());
}

void TfrmContact::dbgContactSortMarkingChanged(int column, Qt::SortOrder order) {
    if (column < 0 || column >= dbgContact->recordModel()->columnCount())
        return;
    dbgContact->finishEditor();
    dxContact->SetSortedField(
        dxContact->Field(dbgContact->recordModel()->fieldAt(column)).FieldName());
    // Case-sensitive from now on, as the markers show it.
    dxContact->SetSortOptions(order == Qt::AscendingOrder ? 0u : TSortOptions(soDesc));
}

void TfrmContact::dbgContactMouseMove() {
    dbgContact->setTitleButtons(true);
    dxContact->SetSortedField("");
}

// ---- select for sending --------------------------------------------------------------------

void TfrmContact::Selectforsending1Click() {
    dbgContact->finishEditor();
    const std::vector<int> rows = dbgContact->selectedTableRows();
    SelectedContactKeys.clear();
    if (!rows.empty() && dbgContact->endPendingEdit()) {
        const int number = dxContact->FieldIndex(fields::number);
        const int group = dxContact->FieldIndex(fields::group);
        const int last = dxContact->BookmarkAt(rows.back());
        for (int row : rows)
            SelectedContactKeys.push_back(dxContact->CellText(row, number) +
                                          normalGroupText(dxContact->CellText(row, group)));
        dbgContact->moveToRow(dxContact->RowOfBookmark(last));
    }
    if (frmSelectSending)
        frmSelectSending->exec();
}

// ---- import --------------------------------------------------------------------------------

void TfrmContact::Importfromtextfile1Click() {
    dbgContact->finishEditor();
    dxContact->SetSortedField(fields::number);
    SuspendedViews suspended(*dxContact);
    const QString path = context_.prompter().openFile(
        kImportTitle, kImportFilter, QString::fromStdString(context_.paths().workingFolder));
    if (path.isEmpty())
        return;
    importFile(path.toStdString());
}

bool TfrmContact::importFile(const std::string& path) {
    TdxMemData& groups = *context_.tables().dxGroup;
    dxContact->SetSortedField(fields::number);
    SuspendedViews suspended(*dxContact);
    std::unique_ptr<ByteSource> source = openImportFile ? openImportFile(path) : nullptr;
    if (!source) {
        // A name typed into the dialog that names no file is not a file in use.
        std::error_code error;
        if (!std::filesystem::exists(path, error) && !error)
            context_.prompter().error(
                QStringLiteral("Could not import file because %1 was not found.")
                    .arg(QString::fromLocal8Bit(path.c_str())));
        else
            context_.prompter().error(kImportInUse);
        return false;
    }

    struct Importing {
        bool& flag;
        explicit Importing(bool& f) : flag(f) { flag = true; }
        ~Importing() { flag = false; }
    } importing(importing_);

    ContactImporter importer(*dxContact, groups);
    importer.confirmAddGroup = [this](const std::string& group) {
        // The group comes from the file: a huge one is cut before it reaches the box.
        return context_.prompter().confirm(
            QStringLiteral("Group ") + QString::fromStdString(cutForMessage(group)) +
            QStringLiteral(" does not exist. Would you like to add?"));
    };
    importer.groupAdded = [this, &groups](const std::string&) {
        context_.tables().write(groups, kGroupsFile);
    };
    importer.lookedUp = [this] { justDeleted = false; };

    // Every line with a group column rewrites the groups file and refills the group picker;
    // the result is the same when that is done once, when the import ends.
    auto refreshGroups = [&] {
        if (!importer.groupColumnSeen())
            return;
        context_.tables().write(groups, kGroupsFile);
        emit groupsChanged();
    };
    try {
        ImportLineReader reader(*source);
        std::string line;
        while (reader.next(line))
            importer.importLine(line);
    } catch (...) {
        source.reset(); // the file is closed before the error is shown
        try {
            refreshGroups();
        } catch (...) {
        }
        throw;
    }
    source.reset();
    context_.tables().write(*dxContact, kContactsFile);
    refreshGroups();
    updateCaption();
    context_.prompter().information(fromTableText(importSummary(importer.counts())), kImportTitle);
    return true;
}

// ---- do-not-text list -----------------------------------------------------------------------

void TfrmContact::readDoNotText() {
    DataModule& tables = context_.tables();
    try {
        if (tables.stored(kDoNotTextFile))
            tables.read(*tables.dxDoNotText, kDoNotTextFile); // an unreadable file is kept aside
    } catch (...) {
        showCurrentException();
    }
    doNotText_ = DoNotTextSet(*tables.dxDoNotText);
}

std::vector<std::string> TfrmContact::selectedNumbers() {
    dbgContact->finishEditor();
    dbgContact->endPendingEdit();
    const int number = dxContact->FieldIndex(fields::number);
    std::vector<std::string> numbers;
    for (int row : dbgContact->selectedTableRows())
        numbers.push_back(dxContact->CellText(row, number));
    return numbers;
}

void TfrmContact::Donottext1Click() {
    const std::vector<std::string> numbers = selectedNumbers();
    if (markDoNotText(*context_.tables().dxDoNotText, numbers, context_.clock().today()) > 0)
        doNotTextChanged();
}

void TfrmContact::Textagain1Click() {
    const std::vector<std::string> numbers = selectedNumbers();
    if (unmarkDoNotText(*context_.tables().dxDoNotText, numbers) > 0)
        doNotTextChanged();
}

void TfrmContact::doNotTextChanged() {
    DataModule& tables = context_.tables();
    doNotText_ = DoNotTextSet(*tables.dxDoNotText);
    dbgContact->viewport()->update();
    tables.write(*tables.dxDoNotText, kDoNotTextFile);
}

// ---- export --------------------------------------------------------------------------------

void TfrmContact::Export1Click() {
    dbgContact->finishEditor();
    dbgContact->endPendingEdit();
    std::vector<int> rows = dbgContact->selectedTableRows();
    if (rows.size() <= 1) {
        rows.resize(static_cast<size_t>(dxContact->RowCount()));
        for (int r = 0; r < dxContact->RowCount(); ++r)
            rows[static_cast<size_t>(r)] = r;
    }
    const QString path = context_.prompter().saveFile(
        kExportTitle, kImportFilter, QString::fromStdString(context_.paths().workingFolder));
    if (path.isEmpty())
        return;
    if (context_.tables().isTableFile(path.toStdString())) {
        context_.prompter().error(QFileInfo(path).fileName() +
                                  QStringLiteral(" is one of the program's own files. Please "
                                                 "choose another name."));
        return;
    }
    writeFileAtomically(path.toStdString(), exportContacts(*dxContact, rows));
}

// ---- close ---------------------------------------------------------------------------------

void TfrmContact::frmContactClose() {
    TfrmSelectSending* selection = frmSelectSending;
    if (selection && selection->closedFromSelection) {
        selection->closedFromSelection = false;
    } else {
        // The cell being typed.
        QLineEdit* editor = dbgContact->editor();
        const int field = dbgContact->focusedField();
        if (editor && field > 0 && !editor->text().isEmpty() && !justDeleted) {
            const std::string text = tableBytes(editor->text());
            dxContact->Edit();
            dxContact->Field(field).SetAsString(text);
        }
    }
    dbgContact->discardEditor();
    dbgContact->setEditableSet(false);

    TField& contact = dxContact->FieldNamed(fields::contact);
    TField& number = dxContact->FieldNamed(fields::number);
    TField& group = dxContact->FieldNamed(fields::group);
    if (dxContact->RowCount() > 0 && !contact.AsString().empty() && !number.AsString().empty() &&
        !normalGroupText(group.AsString()).empty() && !justDeleted) {
        dxContact->Edit();
        dxContact->Post();
    }
    context_.tables().write(*dxContact, kContactsFile);
    {
        SuspendedViews suspended(*dxContact);
        emit contactNamesChanged();
        emit allContactsChanged();
    }
    justDeleted = false;
}

void TfrmContact::done(int result) {
    if (isVisible()) {
        try {
            frmContactClose();
        } catch (...) {
            // The window stays open with the rows as they are; nothing was saved.
            dbgContact->setEditableSet(true);
            showCurrentException();
            return;
        }
    }
    QDialog::done(result);
}

void TfrmContact::All1Click() {
    emit printRequested({PrintedList::Contacts, dxContact, false, {}});
}

void TfrmContact::Selected1Click() {
    emit printRequested({PrintedList::Contacts, dxContact, true, dbgContact->selectedTableRows()});
}
