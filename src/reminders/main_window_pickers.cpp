// The main window's contact, number and group pickers.

#include "core/contacts/contact_rules.h"
#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/errors.h"
#include "core/tables/name_order.h"
#include "reminders/main_window.h"
#include "ui/context.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"
#include "ui/widgets/key_filters.h"
#include "ui/widgets/text_helpers.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringListModel>

namespace {

const QString kPleaseSelectNumber = QStringLiteral("Please select number");

// Sorts picker texts by the case-blind order of names (ties keep their order). Each text is
// converted to the tables' bytes once, not at every comparison.
void sortItems(QStringList& items) {
    std::vector<std::pair<std::string, qsizetype>> keys;
    keys.reserve(static_cast<size_t>(items.size()));
    for (qsizetype i = 0; i < items.size(); ++i)
        keys.emplace_back(toTableText(items[i]).value_or(std::string()), i);
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
        return compareCaseless(a.first, b.first) < 0;
    });
    QStringList sorted;
    sorted.reserve(items.size());
    for (const auto& k : keys)
        sorted << items[k.second];
    items = std::move(sorted);
}

// Replaces a picker's items in one step (its model is a plain list of texts).
void setItems(QComboBox* box, const QStringList& items) {
    if (auto* list = qobject_cast<QStringListModel*>(box->model())) {
        const QString text = box->currentText();
        list->setStringList(items);
        box->setEditText(text);
    } else {
        box->clear();
        box->addItems(items);
    }
}

void insertSorted(QComboBox* box, const QString& item) {
    int at = 0;
    while (at < box->count() && compareNames(box->itemText(at), item) <= 0)
        ++at;
    box->insertItem(at, item);
}

} // namespace

void TfrmMain::showNumberList(bool list) {
    if (!list)
        cboNumber->hidePopup();
    cboNumber->setVisible(list);
    mskContactNo->setVisible(!list);
    // The label's Alt key goes to whichever of the pair is shown.
    if (auto* l = findChild<QLabel*>(QStringLiteral("lblContactNo")))
        l->setBuddy(list ? static_cast<QWidget*>(cboNumber) : mskContactNo);
}

void TfrmMain::showNamePicker(bool all) {
    cboAll->setVisible(all);
    cboContactName->setVisible(!all);
    if (auto* l = findChild<QLabel*>(QStringLiteral("lblContactName")))
        l->setBuddy(all ? cboAll : cboContactName);
}

// ---- groups --------------------------------------------------------------------------------

void TfrmMain::checkExists() {
    AllExists = dxGroup->FindRowNumber(std::string("all"), fields::groupName) > 0;
    if (!AllExists) {
        dxGroup->AddRow({FieldValue{}, std::string("all")});
        context_.tables().write(*dxGroup, kGroupsFile);
    }
    BlankExists = dxGroup->FindRowNumber(std::string(), fields::groupName) > 0;
    if (!BlankExists) {
        dxGroup->AddRow({FieldValue{}, std::string()});
        context_.tables().write(*dxGroup, kGroupsFile);
    }
}

void TfrmMain::loadGroupCombo() {
    if (context_.tables().stored(kGroupsFile)) {
        context_.tables().reload(*dxGroup, kGroupsFile);
    } else {
        // In memory only; each system group once, however often the list is refilled.
        if (dxGroup->FindRowNumber(std::string("all"), fields::groupName) < 0)
            dxGroup->AddRow({FieldValue{}, std::string("all")});
        if (dxGroup->FindRowNumber(std::string(), fields::groupName) < 0)
            dxGroup->AddRow({FieldValue{}, std::string()});
    }
    cboGroup->clear();
    QStringList items;
    TField& name = dxGroup->FieldNamed(fields::groupName);
    dxGroup->First();
    while (!dxGroup->AtEnd()) {
        items << normalGroupOf(name.AsString());
        dxGroup->Next();
    }
    cboGroup->addItems(items);
    cboGroup->setEditText(QStringLiteral("all"));
}

void TfrmMain::cboGroupSelect() {
    loadContactCombo();
}

void TfrmMain::cboGroupExit() {
    const QString text = normalGroup(cboGroup->currentText());
    if (cboGroup->count() == 0) {
        if (!text.isEmpty())
            addNewGroup(text);
        return;
    }
    const int name = dxGroup->FieldIndex(fields::groupName);
    for (int row = 0; row < dxGroup->RowCount(); ++row)
        if (normalGroupOf(dxGroup->CellText(row, name)) == text)
            return;
    if (dxGroup->RowCount() > 0)
        addNewGroup(text);
}

void TfrmMain::checkPickedGroup() {
    if (auto bytes = toTableText(cboGroup->currentText()))
        checkGroup(fromTableText(*bytes));
}

void TfrmMain::checkGroup(const QString& group) {
    const std::string g = normalGroupText(tableBytes(group));
    if (!g.empty() && dxGroup->FindRowNumber(g, fields::groupName) < 0)
        addNewGroup(fromTableText(g));
}

void TfrmMain::addNewGroup(const QString& group) {
    const QString g = normalGroup(group);
    if (dxGroup->FindRowNumber(tableBytes(g), fields::groupName) > 0)
        return;
    if (!context_.prompter().confirm(QStringLiteral("Group ") + g +
                                     QStringLiteral(" not found. Would you like to add?")))
        return;
    dxGroup->AddRow({FieldValue{}, tableBytes(g)});
    const QString typed = cboGroup->currentText();
    insertSorted(cboGroup, g);
    cboGroup->setEditText(typed);
    showNamePicker(false);
    context_.tables().write(*dxGroup, kGroupsFile);
    context_.tables().reload(*dxGroup, kGroupsFile);
    cboContactName->clear();
    loadContactCombo();
    if (!cboContactName->isHidden() && cboContactName->isEnabled())
        cboContactName->setFocus();
}

void TfrmMain::deleteGroup() {
    const QString g = normalGroup(cboGroup->currentText());
    if (g.isEmpty() || g == QStringLiteral("all")) {
        context_.prompter().error(QStringLiteral("This is a system group and can not be deleted."));
        return;
    }
    if (!context_.prompter().confirm(QStringLiteral(
            "Delete current Group? - Any Contact belonging to this Group will be set back to "
            "\"no Group\"")))
        return;
    TField& groupName = dxGroup->FieldNamed(fields::groupName);
    int found = 0;
    dxGroup->First();
    while (!dxGroup->AtEnd()) {
        if (normalGroupOf(groupName.AsString()) == g) {
            found = dxGroup->RowNumber();
            break;
        }
        dxGroup->Next();
    }
    if (found == 0)
        return;
    const int groupBookmark = dxGroup->TakeBookmark();

    {
        // Every contact of the group goes back to no group. The contacts are found first and
        // changed by bookmark, so that a contact the sort moves is neither missed nor changed
        // twice.
        TdxMemData& contacts = *context_.tables().dxContact;
        contacts.First();
        const int groupField = contacts.FieldIndex(fields::group);
        std::vector<int> members;
        for (int row = 0; row < contacts.RowCount(); ++row)
            if (normalGroupOf(contacts.CellText(row, groupField)) == g)
                members.push_back(contacts.BookmarkAt(row));
        for (int bookmark : members) {
            if (!contacts.BookmarkValid(bookmark))
                continue;
            contacts.ReturnToBookmark(bookmark);
            groupDeleteInProgress = true;
            contacts.Edit();
            contacts.FieldNamed(fields::group).SetAsString(std::string());
            contacts.Post();
        }
        groupDeleteInProgress = false;
    }

    dxGroup->ReturnToBookmark(groupBookmark);
    dxGroup->Delete();
    context_.tables().write(*dxGroup, kGroupsFile);
    loadGroupCombo();
    loadContactCombo();
    loadAllCombo();
}

// ---- names ---------------------------------------------------------------------------------

void TfrmMain::loadContactCombo() {
    const QString g = normalGroup(cboGroup->currentText());
    setGridWidth();
    cboContactName->clear();
    {
        TdxMemData& contacts = *context_.tables().dxContact;
        contacts.SetSortedField(fields::group);
        contacts.First();
        if (g != QStringLiteral("all")) {
            // The group is chosen already: its contacts by their bare names.
            showNamePicker(false);
            const int nameField = contacts.FieldIndex(fields::contact);
            const int groupField = contacts.FieldIndex(fields::group);
            QStringList items;
            for (int row = 0; row < contacts.RowCount(); ++row) {
                const QString group = normalGroupOf(contacts.CellText(row, groupField));
                // A name holding "^" (from a file edited outside) is never offered: the
                // separator of reminders.txt must not reach it.
                if (group == g && contacts.CellText(row, nameField).find('^') == std::string::npos)
                    items << fromTableText(contacts.CellText(row, nameField));
            }
            sortItems(items);
            setItems(cboContactName, items);
        } else {
            showNamePicker(true);
        }
    }
    visibleNamePicker()->setEditText(QString());
    if (!mskContactNo->isHidden())
        mskContactNo->clear();
    else
        cboNumber->setEditText(QString());
}

void TfrmMain::loadAllCombo() {
    cboAll->clear();
    TdxMemData& contacts = *context_.tables().dxContact;
    contacts.First();
    const int nameField = contacts.FieldIndex(fields::contact);
    const int groupField = contacts.FieldIndex(fields::group);
    QStringList items;
    items.reserve(contacts.RowCount());
    for (int row = 0; row < contacts.RowCount(); ++row) {
        const std::string name = contacts.CellText(row, nameField);
        if (name.find('^') != std::string::npos)
            continue; // never offered: see loadContactCombo
        items << pickerItemText(fromTableText(name),
                                fromTableText(contacts.CellText(row, groupField)));
    }
    sortItems(items);
    setItems(cboAll, items);
}

void TfrmMain::cboContactNameSelect() {
    numberLookup(cboContactName);
}

void TfrmMain::cboAllSelect() {
    numberLookup(cboAll);
}

void TfrmMain::cboContactNameChange() {
    if (!keyRejected)
        numberLookup(cboContactName);
}

void TfrmMain::cboAllChange() {
    if (!keyRejected)
        numberLookup(cboAll);
}

void TfrmMain::numberLookup(QComboBox* picker) {
    cboNumber->clear();
    TdxMemData& contacts = *context_.tables().dxContact;
    if (picker == cboAll)
        contacts.SetSortedField(""); // always re-sorted
    contacts.SetSortedField(fields::contact);
    const QString text = picker->currentText();
    const QString key = getFirstPart(text.toLower().trimmed(), QStringLiteral(" ("));
    if (key.isEmpty()) {
        // An emptied picker empties the number; it does not look up nameless contacts.
        cboNumber->setEditText(QString());
        mskContactNo->clear();
        refreshNumberList();
        return;
    }
    const auto keyBytes = toTableText(key);
    const int found = keyBytes ? contacts.FindRowNumber(*keyBytes, fields::contact) : -1;
    if (found < 0) {
        cboNumber->clear();
        mskContactNo->clear();
    } else {
        contacts.SetRowNumber(found);
        const QString group = normalGroup(cboGroup->currentText());
        const int nameField = contacts.FieldIndex(fields::contact);
        const int numberField = contacts.FieldIndex(fields::number);
        const int groupField = contacts.FieldIndex(fields::group);
        int taken = 0;
        for (int row = found - 1; row < contacts.RowCount(); ++row) {
            if (fromTableText(contacts.CellText(row, nameField)).trimmed().toLower() != key)
                break;
            const QString own = normalGroupOf(contacts.CellText(row, groupField));
            if (own != group && group != QStringLiteral("all"))
                continue;
            const std::string number = contacts.CellText(row, numberField);
            if (taken == 0) {
                mskContactNo->setText(fromTableText(number));
                showNumberList(false);
            }
            dxContactNumbers->AddRow({FieldValue{}, number});
            cboNumber->addItem(fromTableText(number));
            if (taken >= 1)
                showNumberList(true);
            ++taken;
        }
    }
    refreshNumberList();
}

void TfrmMain::refreshNumberList() {
    cboNumber->clear();
    dxContactNumbers->SetSortedField("");
    dxContactNumbers->SetSortedField(fields::number);
    TField& number = dxContactNumbers->FieldNamed(fields::number);
    QStringList items;
    dxContactNumbers->First();
    while (!dxContactNumbers->AtEnd()) {
        const QString n = fromTableText(number.AsString());
        if (items.isEmpty() || items.last() != n)
            items << n;
        dxContactNumbers->Next();
    }
    cboNumber->addItems(items);
    if (items.size() < 2) {
        showNumberList(false);
    } else {
        showNumberList(true);
        cboNumber->setEditText(kPleaseSelectNumber);
    }
    dxContactNumbers->Close();
    dxContactNumbers->Open();
}

void TfrmMain::chkAllClick() {
    visibleNamePicker()->setEditText(QString());
    cboNumber->setEditText(QString());
    mskContactNo->clear();
    const bool enable = !chkAll->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{cboContactName, cboAll, cboNumber, mskContactNo, cboGroup})
        w->setEnabled(enable);
}

// ---- keys ----------------------------------------------------------------------------------

bool TfrmMain::checkForNumber(const QString& key, QWidget* control) {
    return ::checkForNumber(key, control, context_.prompter());
}

namespace {

bool refuseNameKey(const QString& key, QComboBox* picker, Prompter& prompter, bool& keyRejected) {
    if (key != QStringLiteral("^") && key != QStringLiteral("(") && key != QStringLiteral(")"))
        return false;
    prompter.error(notAllowedMessage(key));
    picker->setFocus();
    picker->lineEdit()->setCursorPosition(static_cast<int>(picker->currentText().size()));
    keyRejected = true;
    return true;
}

} // namespace

bool TfrmMain::cboContactNameKeyPress(const QString& key) {
    return refuseNameKey(key, cboContactName, context_.prompter(), keyRejected);
}

bool TfrmMain::cboAllKeyPress(const QString& key) {
    return refuseNameKey(key, cboAll, context_.prompter(), keyRejected);
}

bool TfrmMain::cboNumberKeyPress(const QString& key) {
    if (key == QStringLiteral("^")) {
        context_.prompter().error(notAllowedMessage(key));
        cboNumber->setFocus();
        cboNumber->setEditText(QString());
        keyRejected = true;
    }
    return !checkForNumber(key, cboNumber);
}

bool TfrmMain::mskContactNoKeyPress(const QString& key) {
    return !checkForNumber(key, mskContactNo);
}

void TfrmMain::cboNumberKeyUp() {
    if (keyRejected)
        cboNumber->setEditText(QString());
    keyRejected = false;
}
