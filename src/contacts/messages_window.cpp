#include "contacts/messages_window.h"

#include "contacts/select_sending_window.h"
#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/errors.h"
#include "core/tables/keep_aside.h"
#include "core/tables/suspended_views.h"
#include "ui/application.h"
#include "ui/context.h"
#include "ui/menu_action.h"
#include "ui/prompter.h"
#include "ui/table_model.h"
#include "ui/widgets/key_filters.h"
#include "ui/widgets/paste_guard.h"
#include "ui/widgets/record_grid.h"
#include "ui/widgets/sms_meter_text.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

// A hint in its two parts, "short|long": the short one as the tool tip, the long one as the
// status tip.
void setHint(QAction* action, const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    action->setToolTip(hint.left(bar));
    action->setStatusTip(hint.mid(bar + 1));
}

} // namespace

TfrmMessage::TfrmMessage(Context& context, QWidget* parent)
    : QDialog(parent), dxmMessage(context.tables().dxmMessage.get()), context_(context) {
    setObjectName(QStringLiteral("frmMessage"));
    setWindowTitle(QStringLiteral("Standard Messages"));
    resize(620, 380);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    pnlMain = new QLabel(this);
    pnlMain->setObjectName(QStringLiteral("pnlMain"));
    pnlMain->setFrameShape(QFrame::Panel);
    pnlMain->setFrameShadow(QFrame::Raised);
    pnlMain->setAlignment(Qt::AlignCenter);
    pnlMain->setMinimumHeight(pnlMain->fontMetrics().height() + 12);
    lblSegments = makeSmsMeterLabel(this);
    auto* top = new QHBoxLayout;
    top->addWidget(pnlMain, 1);
    top->addWidget(lblSegments);
    layout->addLayout(top);

    dbgMessage = new RecordGrid(*dxmMessage, this);
    dbgMessage->setObjectName(QStringLiteral("dbgMessage"));
    dbgMessage->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(dbgMessage, 1);
    dbnMessage = new RecordNavigator(dbgMessage, this);
    dbnMessage->setObjectName(QStringLiteral("dbnMessage"));
    layout->addWidget(dbnMessage);
    buildMenu();

    dbgMessage->keyPress = [this](const QString& key, int) { return dbgMessageKeyPress(key); };
    dbgMessage->keyReleased = [this] { dbgMessageKeyUp(); };
    connect(
        dbgMessage, &RecordGrid::sortMarkingChanged, this,
        [this](int column, Qt::SortOrder order) { dbgMessageSortMarkingChanged(column, order); });
    connect(dbgMessage, &RecordGrid::mouseMoved, this, [this] { dbgMessageMouseMove(); });

    dxmMessage->BeforePost = [this](TdxMemData&) { dxmMessageBeforePost(); };
    dxmMessage->AfterPost = [this](TdxMemData&) { dxmMessageAfterPost(); };
    dxmMessage->FieldNamed(fields::message).OnChange = [this](TField&) {
        dxmMessagemessageChange();
    };

    FormCreate();
}

TfrmMessage::~TfrmMessage() {
    FormDestroy();
    dxmMessage->BeforePost = nullptr;
    dxmMessage->AfterPost = nullptr;
    dxmMessage->FieldNamed(fields::message).OnChange = nullptr;
    delete dbgMessage;
    dbgMessage = nullptr;
}

void TfrmMessage::buildMenu() {
    const GridMenu m =
        gridMenu(this, "ppmMain", QStringLiteral("&All"), QStringLiteral("&Selected"));
    ppmMain = m.menu;
    Print1 = m.print;
    All1 = m.all;
    Selected1 = m.selected;
    Copy1 = menuAction(ppmMain, QStringLiteral("&Copy"), "Copy1", QKeySequence::Copy);
    Paste1 = menuAction(ppmMain, QStringLiteral("&Paste"), "Paste1", QKeySequence::Paste);
    Delete1 = menuAction(ppmMain, QStringLiteral("&Delete Record"), "Delete1",
                         QKeySequence(QStringLiteral("Ctrl+Del")));
    setHint(Copy1, QStringLiteral("Copy|Copies the selection and puts it on the Clipboard"));
    setHint(Paste1, QStringLiteral("Paste|Inserts Clipboard contents"));
    setHint(Delete1, QStringLiteral("Delete|Erases the selection"));

    // Copy, Paste and Delete act on the cell editor, which has those keys itself (Ctrl+Del
    // erases there too); the menu shows them. The print entries are the window's.
    for (QAction* a : {Copy1, Paste1, Delete1})
        a->setShortcutContext(Qt::WidgetShortcut);
    std::vector<QKeySequence> windowKeys;
    for (QAction* a : {All1, Selected1}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        windowKeys.push_back(a->shortcut());
    }
    dbgMessage->setWindowShortcuts(windowKeys);
    connect(All1, &QAction::triggered, this, [this] { All1Click(); });
    connect(Selected1, &QAction::triggered, this, [this] { Selected1Click(); });

    dbgMessage->editWithMenu(Copy1, Paste1);
    connect(Delete1, &QAction::triggered, this, [this] {
        if (QLineEdit* e = dbgMessage->editor())
            e->del();
    });

    popUpOnRightClick(ppmMain, dbgMessage);
}

void TfrmMessage::FormCreate() {
    dxmMessage->SetSortedField(fields::message);
    if (context_.tables().stored(kMessagesFile)) {
        try {
            // A file that stops part-way is kept aside before anything can overwrite it.
            context_.tables().read(*dxmMessage, kMessagesFile);
        } catch (...) {
            showCurrentException();
        }
    }
    dxmMessage->SetSortedField("");
}

void TfrmMessage::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmMessage::FormShow() {
    pnlMain->clear();
    lblSegments->clear();
    dbgMessage->setEditableSet(true);
    dbgMessage->focusColumn(0);
}

bool TfrmMessage::dbgMessageKeyPress(const QString& key) {
    if (key != QStringLiteral("^"))
        return false;
    context_.prompter().error(notAllowedMessage(key));
    dbgMessage->setFocus();
    return true;
}

void TfrmMessage::dbgMessageKeyUp() {
    try {
        if (QLineEdit* editor = dbgMessage->editor()) {
            pnlMain->setText(QString::number(editor->text().size()) + QStringLiteral("/160"));
            lblSegments->setText(smsMeterText(editor->text()));
        }
    } catch (...) {
    }
}

void TfrmMessage::dxmMessagemessageChange() {
    checkPaste(*dxmMessage, context_.prompter(), dbgMessage);
    if (dxmMessage->Loading())
        return;
    // A "^" pasted into a message would reach the pending reminders' file.
    if (dxmMessage->FieldNamed(fields::message).AsString().find('^') != std::string::npos) {
        context_.prompter().error(notAllowedMessage(QStringLiteral("^")));
        dxmMessage->Cancel();
        throw EAbort();
    }
}

void TfrmMessage::dxmMessageBeforePost() {
    dbgMessage->setTitleButtons(false);
    dxmMessage->SetSortedField("");
}

void TfrmMessage::dxmMessageAfterPost() {
    pnlMain->clear();
    lblSegments->clear();
}

void TfrmMessage::dbgMessageMouseMove() {
    dbgMessage->setTitleButtons(true);
    dxmMessage->SetSortedField("");
}

void TfrmMessage::dbgMessageSortMarkingChanged(int column, Qt::SortOrder order) {
    if (column < 0 || column >= dbgMessage->recordModel()->columnCount())
        return;
    dbgMessage->finishEditor();
    dxmMessage->SetSortedField(
        dxmMessage->Field(dbgMessage->recordModel()->fieldAt(column)).FieldName());
    dxmMessage->SetSortOptions(order == Qt::AscendingOrder ? 0u : TSortOptions(soDesc));
}

void TfrmMessage::FormClose() {
    // The cell being typed goes into the row, then the grid only shows.
    dbgMessage->finishEditor();
    dbgMessage->setEditableSet(false);
    // On an empty list this stores one empty message.
    dxmMessage->Edit();
    dxmMessage->Post();
    context_.tables().write(*dxmMessage, kMessagesFile);
    SuspendedViews suspended(*dxmMessage);
    // Sorted (case-sensitive) for both pick lists, which are refilled from it. (Refilling the
    // main window's list before the sort as well would change nothing it shows.)
    dxmMessage->SetSortedField(fields::message);
    if (frmSelectSending)
        frmSelectSending->loadMessageCombo();
    emit messagesChanged();
}

void TfrmMessage::done(int result) {
    if (isVisible()) {
        try {
            FormClose();
        } catch (...) {
            dbgMessage->setEditableSet(true);
            showCurrentException();
            return;
        }
    }
    QDialog::done(result);
}

void TfrmMessage::FormDestroy() {
    try {
        context_.tables().write(*dxmMessage, kMessagesFile);
    } catch (...) {
        showCurrentException();
    }
}

void TfrmMessage::All1Click() {
    emit printRequested({PrintedList::Messages, dxmMessage, false, {}});
}

void TfrmMessage::Selected1Click() {
    emit printRequested({PrintedList::Messages, dxmMessage, true, dbgMessage->selectedTableRows()});
}
