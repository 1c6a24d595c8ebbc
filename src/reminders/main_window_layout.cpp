// The main window's controls: the panels, the grid's place, the menus, and the wiring of the
// controls to their handlers. The handlers live in the other main_window_*.cpp files.

#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/clock.h"
#include "core/tables/keep_aside.h"
#include "core/tables/suspended_views.h"
#include "core/tables/version_info.h"
#include "reminders/main_window.h"
#include "ui/application.h"
#include "ui/context.h"
#include "ui/menu_action.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"
#include "ui/table_model.h"
#include "ui/widgets/date_box.h"
#include "ui/widgets/key_filters.h"
#include "ui/widgets/message_entry.h"
#include "ui/widgets/name_completer.h"
#include "ui/widgets/sms_meter_text.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSpinBox>
#include <QStringListModel>
#include <QTableView>
#include <QTimeEdit>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

// The logo lives in the user-interface library's resources.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

namespace {

QLabel* label(const QString& text, const char* name, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

// A button of the action box or the top panel. It is a Tab stop, so that the whole day can be
// done from the keyboard; Enter elsewhere in the window still means OK.
QPushButton* actionButton(const QString& caption, const char* name, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

// A box of the bottom panel with a compact grid inside: the panel fits a 1024-pixel window.
QGridLayout* panelBox(QGroupBox*& box, const QString& title, const char* name, QWidget* parent) {
    box = new QGroupBox(title, parent);
    box->setObjectName(QString::fromLatin1(name));
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(4);
    return grid;
}

// A tooltip that tells the key of its action, as menus do.
QString withShortcut(const QString& tip, const QKeySequence& key) {
    return tip + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) + QLatin1Char(')');
}

QComboBox* pickerBox(const char* name, QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setCompleter(nullptr);
    c->setMaxVisibleItems(20);
    // Thousands of items: the box is sized by a typical name, not by measuring every item.
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c->setMinimumContentsLength(9);
    // A plain list of texts: thousands of contacts are filled in one step.
    c->setModel(new QStringListModel(c));
    return c;
}

// Lays the bottom panel out in one row of boxes when the window is wide enough for them, and
// otherwise puts the actions under the other boxes as one line of buttons, so that on a small
// or magnified screen the panel wraps instead of cutting a control off.
class PanelWrap : public QObject {
public:
    PanelWrap(QFrame* panel, QGroupBox* customer, QGroupBox* detail, QGroupBox* actions,
              std::vector<QPushButton*> buttons)
        : QObject(panel), panel_(panel), customer_(customer), detail_(detail), actions_(actions),
          buttons_(std::move(buttons)) {
        grid_ = new QGridLayout(panel);
        grid_->setContentsMargins(4, 2, 4, 4);
        grid_->setSpacing(4);
        actionGrid_ = static_cast<QGridLayout*>(actions->layout());
        place();
        panel->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == panel_ && event->type() == QEvent::Resize)
            arrange(static_cast<QResizeEvent*>(event)->size().width());
        return QObject::eventFilter(watched, event);
    }

private:
    int spacing() const { return grid_->horizontalSpacing(); }
    int margins() const {
        const QMargins m = grid_->contentsMargins();
        return m.left() + m.right();
    }
    // The narrowest the wrapped panel can be: the two boxes side by side, or the line of
    // actions, whichever is wider.
    int wrappedWidth() const {
        int line = 0;
        for (QPushButton* b : buttons_)
            line += b->minimumSizeHint().width() + actionGrid_->horizontalSpacing();
        const QMargins m = actionGrid_->contentsMargins();
        line += m.left() + m.right() + 8; // the box's frame
        const int boxes =
            customer_->minimumSizeHint().width() + spacing() + detail_->minimumSizeHint().width();
        return std::max(boxes, line) + margins();
    }
    int wideWidth() const {
        // The actions in their three rows of two.
        int widest[2] = {0, 0};
        for (size_t i = 0; i < buttons_.size(); ++i)
            widest[i % 2] = std::max(widest[i % 2], buttons_[i]->minimumSizeHint().width());
        const QMargins m = actionGrid_->contentsMargins();
        const int actions =
            widest[0] + widest[1] + actionGrid_->horizontalSpacing() + m.left() + m.right() + 8;
        return customer_->minimumSizeHint().width() + detail_->minimumSizeHint().width() + actions +
               2 * spacing() + margins();
    }
    void arrange(int width) {
        const bool wrap = width < wideWidth();
        if (wrap != wrapped_) {
            wrapped_ = wrap;
            place();
        }
    }
    void place() {
        grid_->removeWidget(customer_);
        grid_->removeWidget(detail_);
        grid_->removeWidget(actions_);
        for (QPushButton* b : buttons_)
            actionGrid_->removeWidget(b);
        grid_->addWidget(customer_, 0, 0);
        grid_->addWidget(detail_, 0, 1);
        grid_->setColumnStretch(0, 3);
        grid_->setColumnStretch(1, 5);
        if (wrapped_) {
            grid_->addWidget(actions_, 1, 0, 1, 2);
            grid_->setColumnStretch(2, 0);
            for (int i = 0; i < static_cast<int>(buttons_.size()); ++i)
                actionGrid_->addWidget(buttons_[static_cast<size_t>(i)], 0, i);
        } else {
            grid_->addWidget(actions_, 0, 2);
            for (int i = 0; i < static_cast<int>(buttons_.size()); ++i)
                actionGrid_->addWidget(buttons_[static_cast<size_t>(i)], i / 2, i % 2);
        }
        // The window may be as narrow as the wrapped panel; a wider panel unwraps.
        panel_->setMinimumWidth(wrappedWidth());
    }

    QFrame* panel_;
    QGroupBox* customer_;
    QGroupBox* detail_;
    QGroupBox* actions_;
    std::vector<QPushButton*> buttons_;
    QGridLayout* grid_ = nullptr;
    QGridLayout* actionGrid_ = nullptr;
    bool wrapped_ = false;
};

} // namespace

// ---- construction --------------------------------------------------------------------------

TfrmMain::TfrmMain(Context& context, QWidget* parent)
    : QMainWindow(parent), dxmReminders(context.tables().dxmReminders.get()),
      dxGroup(context.tables().dxGroup.get()), dxContactNumbers(schemas::makeContactNumbers()),
      context_(context) {
    initResources();
    setObjectName(QStringLiteral("frmMain"));
    openDocument = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("pnlClient"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildTopPanel(central);
    buildGrid(central);
    buildBottomPanel(central);
    layout->addWidget(pnlTop);
    auto* middle = new QWidget(central);
    middle->setObjectName(QStringLiteral("pnlMiddle"));
    auto* ml = new QVBoxLayout(middle);
    ml->setContentsMargins(4, 4, 4, 0);
    ml->setSpacing(2);
    dbgReminders->setParent(middle);
    DBNavigator1->setParent(middle);
    ml->addWidget(dbgReminders, 1);
    ml->addWidget(DBNavigator1, 0, Qt::AlignLeft);
    layout->addWidget(middle, 1);
    layout->addWidget(pnlBottom);
    setCentralWidget(central);
    buildMenus();
    setTabChain();
    connectHandlers();
    resize(1024, 700); // the size when it is no longer maximised
    // Maximised; without a window manager (a bare X server) the state alone does nothing, so
    // the window also takes the screen's available area itself.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(Qt::WindowMaximized);
    restorePlacement();

    // Remember which window had the focus before this one, so that the activation step runs
    // when another window of the program hands the focus back, and not when a message box or
    // another program does.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* w) {
        if (w && w != windowHandle())
            previousFocusWindow_ = w;
    });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s != Qt::ApplicationActive)
            previousFocusWindow_ = nullptr;
    });

    FormCreate();
}

void TfrmMain::buildTopPanel(QWidget* parent) {
    pnlTop = new QFrame(parent);
    pnlTop->setObjectName(QStringLiteral("pnlTop"));
    pnlTop->setFixedHeight(80);
    pnlTop->setFrameShape(QFrame::StyledPanel);
    auto* l = new QHBoxLayout(pnlTop);
    l->setContentsMargins(8, 4, 12, 4);
    ImageTop = label(QString(), "ImageTop", pnlTop);
    ImageTop->setPixmap(QIcon(QStringLiteral(":/logo.svg")).pixmap(QSize(220, 64)));
    Label3 = label(QStringLiteral("Sender:"), "Label3", pnlTop);
    ClientName = label(QString(), "ClientName", pnlTop);
    QFont f = ClientName->font();
    f.setBold(true);
    f.setPixelSize(16);
    ClientName->setFont(f);
    bmbSentItems = actionButton(QStringLiteral("&Sent Items"), "bmbSentItems", pnlTop);
    btnHelp = actionButton(QStringLiteral("&Help"), "btnHelp", pnlTop);
    // Every letter of "Replies" is another control's Alt key here, so the button takes Alt+Y
    // as a shortcut of its own (a tool button, which carries no caption mnemonic).
    bmbReplies = new QToolButton(pnlTop);
    bmbReplies->setObjectName(QStringLiteral("bmbReplies"));
    bmbReplies->setText(QStringLiteral("Replies"));
    bmbReplies->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bmbReplies->setShortcut(QKeySequence(QStringLiteral("Alt+Y")));
    bmbReplies->setToolTip(QStringLiteral("Replies and delivery reports (Alt+Y)"));
    l->addWidget(ImageTop);
    l->addSpacing(24);
    l->addWidget(Label3);
    l->addWidget(ClientName);
    l->addStretch(1);
    l->addWidget(bmbSentItems);
    l->addWidget(bmbReplies);
    l->addWidget(btnHelp);
}

void TfrmMain::buildBottomPanel(QWidget* parent) {
    pnlBottom = new QFrame(parent);
    pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    pnlBottom->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    // Customer Detail: group, name and number pickers, "Send All".
    auto* g2 = panelBox(GroupBox2, QStringLiteral("Customer Detail"), "GroupBox2", pnlBottom);
    cboGroup = pickerBox("cboGroup", GroupBox2);
    cboGroup->setMinimumContentsLength(8);
    cboGroup->lineEdit()->setMaxLength(20);
    cboGroup->setEditText(QStringLiteral("all"));
    chkAll = new QCheckBox(QStringLiteral("Send A&ll"), GroupBox2);
    chkAll->setObjectName(QStringLiteral("chkAll"));
    cboContactName = pickerBox("cboContactName", GroupBox2);
    cboAll = pickerBox("cboAll", GroupBox2);
    // The name pickers complete on any part of a name as it is typed.
    completeOnAnyPart(cboContactName);
    completeOnAnyPart(cboAll);
    btnContact = new QToolButton(GroupBox2);
    btnContact->setObjectName(QStringLiteral("btnContact"));
    btnContact->setText(QStringLiteral("..."));
    btnContact->setToolTip(QStringLiteral("Maintain Contact Details"));
    btnContact->setFocusPolicy(Qt::ClickFocus);
    mskContactNo = new QLineEdit(GroupBox2);
    mskContactNo->setObjectName(QStringLiteral("mskContactNo"));
    mskContactNo->setMaxLength(20);
    cboNumber = pickerBox("cboNumber", GroupBox2);
    cboNumber->lineEdit()->setMaxLength(20);
    cboNumber->hide();
    cboContactName->hide();
    auto* groupLabel = label(QStringLiteral("&Group"), "lblGroup", GroupBox2);
    auto* nameLabel = label(QStringLiteral("&Contact Name:"), "lblContactName", GroupBox2);
    auto* numberLabel = label(QStringLiteral("Contact N&umber:"), "lblContactNo", GroupBox2);
    groupLabel->setBuddy(cboGroup);
    nameLabel->setBuddy(cboContactName);
    numberLabel->setBuddy(mskContactNo);
    g2->addWidget(groupLabel, 0, 0);
    g2->addWidget(cboGroup, 0, 1);
    g2->addWidget(chkAll, 0, 2);
    g2->addWidget(nameLabel, 1, 0);
    g2->addWidget(cboContactName, 1, 1);
    g2->addWidget(cboAll, 1, 1);
    g2->addWidget(btnContact, 1, 2, Qt::AlignLeft);
    g2->addWidget(numberLabel, 2, 0);
    g2->addWidget(mskContactNo, 2, 1);
    g2->addWidget(cboNumber, 2, 1);
    g2->setColumnStretch(1, 1);

    // Detail: date, time, days before, second date, recurrence, message, reports.
    auto* g3 = panelBox(GroupBox3, QStringLiteral("Detail"), "GroupBox3", pnlBottom);
    dtpDate = new TDateBox([this] { return context_.clock().today(); }, GroupBox3);
    dtpDate->setObjectName(QStringLiteral("dtpDate"));
    dtpTime = new TTimeBox(GroupBox3);
    dtpTime->setObjectName(QStringLiteral("dtpTime"));
    dtpTime->setDisplayFormat(QStringLiteral("HH:mm"));
    sedDaysBefore = new QSpinBox(GroupBox3);
    sedDaysBefore->setObjectName(QStringLiteral("sedDaysBefore"));
    sedDaysBefore->setRange(0, 99);
    sedRecurringDays = new QSpinBox(GroupBox3);
    sedRecurringDays->setObjectName(QStringLiteral("sedRecurringDays"));
    sedRecurringDays->setRange(0, 99);
    cboRecurring = pickerBox("cboRecurring", GroupBox3);
    cboRecurring->setMinimumContentsLength(8);
    cboRecurring->addItems({QString(), QStringLiteral("Daily"), QStringLiteral("Weekly"),
                            QStringLiteral("Monthly"), QStringLiteral("Quarterly"),
                            QStringLiteral("Six Monthly"), QStringLiteral("Annually")});
    cboRecurring->lineEdit()->setMaxLength(50);
    cboMessage = pickerBox("cboMessage", GroupBox3);
    cboMessage->setMinimumContentsLength(16);
    lblCount = label(QStringLiteral("0"), "lblCount", GroupBox3);
    lblCount->setMinimumWidth(lblCount->fontMetrics().horizontalAdvance(QStringLiteral("000/160")));
    btnMessage = new QToolButton(GroupBox3);
    btnMessage->setObjectName(QStringLiteral("btnMessage"));
    btnMessage->setText(QStringLiteral("..."));
    btnMessage->setToolTip(QStringLiteral("Maintain standard Messages"));
    btnMessage->setFocusPolicy(Qt::ClickFocus);
    chkStatus = new QCheckBox(QStringLiteral("St&atus Report"), GroupBox3);
    chkStatus->setObjectName(QStringLiteral("chkStatus"));
    chkStatus->setToolTip(QStringLiteral(
        "Check this box if you would like to receive an email confirming delivery of SMS to the "
        "recipient's phone(involves an extra charge of one SMS per message"));
    chkDelivery = new QCheckBox(QStringLiteral("Deli&very Report"), GroupBox3);
    chkDelivery->setObjectName(QStringLiteral("chkDelivery"));
    chkDelivery->setToolTip(QStringLiteral("Check this box if you would like to receive an email "
                                           "confirming delivery of SMS to the network"));
    auto* dateLabel = label(QStringLiteral("Da&te:"), "lblDate", GroupBox3);
    auto* timeLabel = label(QStringLiteral("T&ime:"), "lblTime", GroupBox3);
    auto* daysLabel = label(QStringLiteral("Days\n&Before"), "lblDaysBefore", GroupBox3);
    auto* secondLabel = label(QStringLiteral("&2nd Date"), "lblRecurringDays", GroupBox3);
    auto* recurringLabel = label(QStringLiteral("&Recurring"), "lblRecurring", GroupBox3);
    auto* messageLabel = label(QStringLiteral("&Message:"), "lblMessage", GroupBox3);
    dateLabel->setBuddy(dtpDate);
    timeLabel->setBuddy(dtpTime);
    daysLabel->setBuddy(sedDaysBefore);
    secondLabel->setBuddy(sedRecurringDays);
    recurringLabel->setBuddy(cboRecurring);
    messageLabel->setBuddy(cboMessage);
    auto* row0 = new QHBoxLayout;
    row0->addWidget(dtpDate);
    row0->addSpacing(2);
    row0->addWidget(timeLabel);
    row0->addWidget(dtpTime);
    row0->addSpacing(2);
    row0->addWidget(daysLabel);
    row0->addWidget(sedDaysBefore);
    row0->addSpacing(2);
    row0->addWidget(secondLabel);
    row0->addWidget(sedRecurringDays);
    row0->addStretch(1);
    auto* row1 = new QHBoxLayout;
    row1->addWidget(cboMessage, 1);
    row1->addWidget(btnMessage);
    row1->addWidget(lblCount);
    lblSegments = makeSmsMeterLabel(GroupBox3);
    row1->addWidget(lblSegments);
    auto* row2 = new QHBoxLayout;
    // The recurrence shares the last row with the report choices, so that the panel fits a
    // window of 1024 pixels and no box stretches far beyond its text on a wide one.
    row2->addWidget(recurringLabel);
    row2->addWidget(cboRecurring);
    row2->addSpacing(6);
    row2->addWidget(chkStatus);
    row2->addSpacing(6);
    row2->addWidget(chkDelivery);
    row2->addStretch(1);
    g3->addWidget(dateLabel, 0, 0);
    g3->addLayout(row0, 0, 1);
    g3->addWidget(messageLabel, 1, 0);
    g3->addLayout(row1, 1, 1);
    g3->addLayout(row2, 2, 1);
    g3->setColumnStretch(1, 1);

    // Actions.
    panelBox(gpbActions, QStringLiteral(" Actions"), "gpbActions", pnlBottom);
    bmbOK = actionButton(QStringLiteral("&OK"), "bmbOK", gpbActions);
    bmbOK->setDefault(true);
    bmbDelete = actionButton(QStringLiteral("&Delete"), "bmbDelete", gpbActions);
    BitBtn1 = actionButton(QStringLiteral("&Print "), "BitBtn1", gpbActions);
    bmbClearAll = actionButton(QStringLiteral("Cl&ear All"), "bmbClearAll", gpbActions);
    bmbSaveAndExit = actionButton(QStringLiteral("Save && E&xit"), "bmbSaveAndExit", gpbActions);
    bmbSendMail = actionButton(QStringLiteral("Se&nd SMS"), "bmbSendMail", gpbActions);
    // The panel's wrap places the boxes and the actions, in one of its two shapes.
    new PanelWrap(pnlBottom, GroupBox2, GroupBox3, gpbActions,
                  {bmbOK, bmbDelete, BitBtn1, bmbClearAll, bmbSaveAndExit, bmbSendMail});
}

void TfrmMain::setTabChain() {
    // Reading order: the panel left to right and top to bottom, the actions, the grid, then the
    // top panel's buttons. Each name pair and number pair takes one place (only one of a pair is
    // shown at a time). The small "..." buttons are reached by their shortcuts instead.
    dbgReminders->setFocusPolicy(Qt::StrongFocus);
    const QWidget* chain[] = {
        cboGroup,       chkAll,      cboContactName, cboAll,           mskContactNo, cboNumber,
        dtpDate,        dtpTime,     sedDaysBefore,  sedRecurringDays, cboRecurring, cboMessage,
        chkStatus,      chkDelivery, bmbOK,          bmbDelete,        BitBtn1,      bmbClearAll,
        bmbSaveAndExit, bmbSendMail, dbgReminders,   bmbSentItems,     btnHelp};
    for (size_t i = 0; i + 1 < std::size(chain); ++i)
        setTabOrder(const_cast<QWidget*>(chain[i]), const_cast<QWidget*>(chain[i + 1]));
    btnContact->setFocusPolicy(Qt::NoFocus);
    btnMessage->setFocusPolicy(Qt::NoFocus);
}

void TfrmMain::buildMenus() {
    const GridMenu m =
        gridMenu(this, "pumMain", QStringLiteral("&All"), QStringLiteral("&Selected"));
    pumMain = m.menu;
    Print1 = m.print;
    All1 = m.all;
    Selected1 = m.selected;
    Copy1 = pumMain->addAction(QStringLiteral("Copy"));
    Copy1->setObjectName(QStringLiteral("Copy1"));
    Copy1->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    Paste1 = pumMain->addAction(QStringLiteral("Paste"));
    Paste1->setObjectName(QStringLiteral("Paste1"));
    Paste1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    Deletecurrentrecord1 = pumMain->addAction(QStringLiteral("&Delete Record"));
    Deletecurrentrecord1->setObjectName(QStringLiteral("Deletecurrentrecord1"));
    Deletecurrentrecord1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    // The shortcuts work where the menu belongs: the grid and the group picker.
    Undo1 = pumMain->addAction(QStringLiteral("&Undo"));
    Undo1->setObjectName(QStringLiteral("Undo1"));
    Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    for (QAction* a : {All1, Selected1, Copy1, Paste1, Deletecurrentrecord1, Undo1}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        dbgReminders->addAction(a);
    }
    cboGroup->addAction(Deletecurrentrecord1);
    ImportAppointments1 = menuAction(pumMain, QStringLiteral("Import Appointments..."),
                                     "ImportAppointments1", QKeySequence(Qt::CTRL | Qt::Key_I));
    ImportAppointments1->setShortcutContext(Qt::WindowShortcut);
    addAction(ImportAppointments1);
    connect(ImportAppointments1, &QAction::triggered, this, &TfrmMain::ImportAppointments1Click);
    popUpOnRightClick(pumMain, dbgReminders);
    popUpOnRightClick(pumMain, cboGroup);
    // Printing the whole list is one key away anywhere in the window, not only in the grid.
    All1->setShortcutContext(Qt::WindowShortcut);
    addAction(All1);
    // The main actions' keys, each told in its button's tooltip.
    const struct {
        QAbstractButton* button;
        QKeySequence key;
        QString tip;
    } keys[] = {
        {bmbSendMail, QKeySequence(Qt::CTRL | Qt::Key_Return), QStringLiteral("Send SMS")},
        {btnContact, QKeySequence(Qt::CTRL | Qt::Key_B), btnContact->toolTip()},
        {btnMessage, QKeySequence(Qt::CTRL | Qt::Key_M), btnMessage->toolTip()},
        {bmbSentItems, QKeySequence(Qt::CTRL | Qt::Key_H), QStringLiteral("Sent Items")},
        {bmbSaveAndExit, QKeySequence(Qt::CTRL | Qt::Key_Q), QStringLiteral("Save and exit")},
    };
    for (const auto& k : keys) {
        auto* a = new QAction(this);
        a->setObjectName(k.button->objectName() + QStringLiteral("Key"));
        a->setShortcut(k.key);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        QAbstractButton* button = k.button;
        connect(a, &QAction::triggered, button, [button] {
            if (button->isEnabled())
                button->click();
        });
        k.button->setToolTip(withShortcut(k.tip, k.key));
    }
    BitBtn1->setToolTip(withShortcut(QStringLiteral("Print the list"), All1->shortcut()));
    bmbDelete->setToolTip(QStringLiteral("Delete the selected reminders (Del in the list)"));
    // Del in the grid deletes the selected reminders, after the same question as the button.
    auto* deleteKey = new QAction(dbgReminders);
    deleteKey->setObjectName(QStringLiteral("DeleteKey"));
    deleteKey->setShortcut(QKeySequence(Qt::Key_Delete));
    deleteKey->setShortcutContext(Qt::WidgetShortcut);
    dbgReminders->addAction(deleteKey);
    connect(deleteKey, &QAction::triggered, this, &TfrmMain::bmbDeleteClick);

    // The hidden menu with F2: a new entry.
    New1 = new QAction(QStringLiteral("New"), this);
    New1->setObjectName(QStringLiteral("New1"));
    New1->setShortcut(QKeySequence(Qt::Key_F2));
    New1->setShortcutContext(Qt::WindowShortcut);
    addAction(New1);
}

void TfrmMain::connectHandlers() {
    connect(bmbSentItems, &QPushButton::clicked, this, &TfrmMain::bmbSentItemsClick);
    connect(bmbReplies, &QToolButton::clicked, this, &TfrmMain::repliesRequested);
    connect(btnHelp, &QPushButton::clicked, this, &TfrmMain::btnHelpClick);
    connect(btnContact, &QToolButton::clicked, this, &TfrmMain::btnContactClick);
    connect(btnMessage, &QToolButton::clicked, this, &TfrmMain::btnMessageClick);
    connect(bmbOK, &QPushButton::clicked, this, &TfrmMain::bmbOKClick);
    connect(bmbDelete, &QPushButton::clicked, this, &TfrmMain::bmbDeleteClick);
    connect(bmbClearAll, &QPushButton::clicked, this, &TfrmMain::bmbClearAllClick);
    connect(bmbSaveAndExit, &QPushButton::clicked, this, &TfrmMain::bmbSaveAndExitClick);
    connect(bmbSendMail, &QPushButton::clicked, this, &TfrmMain::bmbSendMailClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TfrmMain::BitBtn1Click);
    connect(All1, &QAction::triggered, this, &TfrmMain::BitBtn1Click);
    connect(Selected1, &QAction::triggered, this, &TfrmMain::Selected1Click);
    connect(Copy1, &QAction::triggered, this, [this] {
        if (QLineEdit* edit = entryLineEdit(QApplication::focusWidget()))
            edit->copy();
        else
            copyRows();
    });
    connect(Paste1, &QAction::triggered, this, [this] {
        if (QLineEdit* edit = entryLineEdit(QApplication::focusWidget()))
            edit->paste();
        else
            pasteRows();
    });
    connect(Deletecurrentrecord1, &QAction::triggered, this, &TfrmMain::Deletecurrentrecord1Click);
    connect(Undo1, &QAction::triggered, this, &TfrmMain::undoDeletion);
    connect(New1, &QAction::triggered, this, &TfrmMain::PrepareForNew);

    // Pickers.
    connect(cboGroup, &QComboBox::activated, this, [this] { cboGroupSelect(); });
    connect(cboContactName, &QComboBox::activated, this, [this] { cboContactNameSelect(); });
    connect(cboAll, &QComboBox::activated, this, [this] { cboAllSelect(); });
    connect(cboContactName->lineEdit(), &QLineEdit::textEdited, this,
            [this] { cboContactNameChange(); });
    connect(cboAll->lineEdit(), &QLineEdit::textEdited, this, [this] { cboAllChange(); });
    connect(chkAll, &QCheckBox::toggled, this, [this] { chkAllClick(); });

    // Text that the table files cannot hold is refused where it is typed.
    for (QComboBox* box : {cboGroup, cboContactName, cboAll, cboRecurring})
        new TextEntryGuard(box, context_.prompter());
    new NumberKeyFilter(mskContactNo, context_.prompter());
    new NumberKeyFilter(cboNumber, context_.prompter());

    messageEntry = new MessageEntry(
        cboMessage, lblCount, context_.prompter(), [this] { return dateDay(); },
        [this] { return timeMs(); });
    messageEntry->meter = lblSegments;
    messageEntry->onKeyRejected = [this] { keyRejected = true; };
    connect(dtpDate, &QDateEdit::dateChanged, this, [this] { messageEntry->followDate(); });
    connect(dtpTime, &QTimeEdit::timeChanged, this, [this] { messageEntry->followTime(); });

    // The window's own key handling goes first (installed last).
    for (QWidget* w : std::initializer_list<QWidget*>{
             cboGroup, cboContactName, cboAll, mskContactNo, cboNumber, cboMessage, dtpDate,
             dtpTime, sedDaysBefore, sedRecurringDays, cboRecurring, chkAll, dbgReminders})
        w->installEventFilter(this);
    mskContactNo->installEventFilter(this);
}
