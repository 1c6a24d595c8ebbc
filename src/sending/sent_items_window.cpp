#include "sending/sent_items_window.h"

#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/clock.h"
#include "core/tables/date_time.h"
#include "core/tables/errors.h"
#include "core/tables/keep_aside.h"
#include "core/tables/suspended_views.h"
#include "sending/progress_window.h"
#include "ui/context.h"
#include "ui/menu_action.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"
#include "ui/table_model.h"
#include "ui/widgets/paste_guard.h"
#include "ui/widgets/record_grid.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace {

constexpr double kKeptDays = 40.0;

} // namespace

TfrmSentItems::TfrmSentItems(Context& context, QWidget* parent)
    : QDialog(parent), dxmSentItems(context.tables().dxmSentItems.get()), context_(context) {
    setObjectName(QStringLiteral("frmSentItems"));
    setWindowTitle(QStringLiteral("Sent Items"));
    setModal(true);
    resize(760, 420);

    auto* outer = new QVBoxLayout(this);
    gpbSent = new QGroupBox(QStringLiteral("Messages Sent"), this);
    gpbSent->setObjectName(QStringLiteral("gpbSent"));
    auto* counts = new QHBoxLayout(gpbSent);
    lblmonthPrompt = new QLabel(QStringLiteral("This month:"), gpbSent);
    lblmonthPrompt->setObjectName(QStringLiteral("lblmonthPrompt"));
    lblmonth = new QLabel(QStringLiteral("0"), gpbSent);
    lblmonth->setObjectName(QStringLiteral("lblmonth"));
    QPalette red = lblmonth->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lblmonth->setPalette(red);
    counts->addWidget(lblmonthPrompt);
    counts->addWidget(lblmonth);
    counts->addStretch();
    outer->addWidget(gpbSent);

    dbgSentItems = new RecordGrid(*dxmSentItems, this);
    dbgSentItems->setObjectName(QStringLiteral("dbgSentItems"));
    model = dbgSentItems->recordModel();
    // Cells are edited in place on a double click or F2; the log gets no new rows here.
    dbgSentItems->setEditableSet(true);
    dbgSentItems->setEditTriggers(QAbstractItemView::DoubleClicked |
                                  QAbstractItemView::EditKeyPressed);
    dbgSentItems->setRowAppending(false);
    dbgSentItems->setEnterMovesLikeTab(true);
    // The message is whole in its cell's tooltip; its column takes the room the others leave.
    model->setToolTipField(dxmSentItems->FieldIndex(fields::message));
    // On a narrow screen the grid scrolls sideways rather than crush the message to its title.
    dbgSentItems->setFillColumn(model->columnOfField(dxmSentItems->FieldIndex(fields::message)),
                                40 * dbgSentItems->fontMetrics().averageCharWidth());
    dbgSentItems->installEventFilter(this);
    // The table sorts itself; the titles mark the column it is sorted by.
    dbgSentItems->setSortMarkFollowsTable(true);
    dbgSentItems->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    dbgSentItems->setWrappedTitles(true);
    setSortButtons(true);
    connect(
        dbgSentItems, &RecordGrid::sortMarkingChanged, this,
        [this](int column, Qt::SortOrder order) { dbgSentItemsSortMarkingChanged(column, order); });
    connect(dbgSentItems, &RecordGrid::mouseMoved, this, [this] { dbgSentItemsMouseMove(); });
    outer->addWidget(dbgSentItems, 1);

    dbnSent = new RecordNavigator(*dxmSentItems, nullptr, RecordNavigator::Buttons::Moves, this);
    dbnSent->setObjectName(QStringLiteral("dbnSent"));
    // The log's hint names the one key that edits it.
    const QString hint = QStringLiteral("Press Ctrl-Del to Delete records");
    dbnSent->setToolTip(hint);
    for (QToolButton* button : dbnSent->findChildren<QToolButton*>())
        button->setToolTip(hint);
    outer->addWidget(dbnSent);

    const GridMenu m =
        gridMenu(this, "pomPrint", QStringLiteral("&All..."), QStringLiteral("&Selected..."));
    pomPrint = m.menu;
    QAction* all = m.all;
    QAction* selected = m.selected;
    connect(all, &QAction::triggered, this, [this] { All1Click(); });
    connect(selected, &QAction::triggered, this, [this] { Selected1Click(); });
    dbgSentItems->addAction(all);
    dbgSentItems->addAction(selected);
    popUpOnRightClick(pomPrint, dbgSentItems);

    dxmSentItems->BeforePost = [this](TdxMemData&) { dxmSentItemsBeforePost(); };
    for (int f = 0; f < dxmSentItems->FieldCount(); ++f) {
        TField& field = dxmSentItems->Field(f);
        const std::string& name = field.FieldName();
        if (name == fields::status || name == fields::delivery || name == fields::batch ||
            field.Def().calculated)
            continue;
        field.OnChange = [this](TField&) { dxmSentItemscontact_noChange(); };
    }

    FormCreate();

    // Wide enough for every column and a message of some forty letters, where the screen
    // allows it.
    dbgSentItems->fitColumnsToContents();
    const int message = dbgSentItems->fillColumn();
    const QMargins margins = outer->contentsMargins();
    int width = dbgSentItems->widthForColumns() - dbgSentItems->columnWidth(message) +
                std::max(dbgSentItems->titleWidth(message),
                         45 * dbgSentItems->fontMetrics().averageCharWidth()) +
                margins.left() + margins.right();
    QSize size(std::max(760, width), 420);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    resize(size);
}

TfrmSentItems::~TfrmSentItems() {
    // The grid watches the table, which goes before the window's children do.
    delete dbgSentItems;
    dbgSentItems = nullptr;
    model = nullptr;
    dxmSentItems->BeforePost = nullptr;
    for (int f = 0; f < dxmSentItems->FieldCount(); ++f)
        dxmSentItems->Field(f).OnChange = nullptr;
}

void TfrmSentItems::FormCreate() {
    if (!context_.tables().stored(kSentItemsFile))
        return;
    try {
        context_.tables().read(*dxmSentItems, kSentItemsFile);
    } catch (const EUnreadableFile& e) {
        // The rows read so far stay; the file's bytes are kept beside it.
        context_.prompter().error(QString::fromStdString(e.what()));
    }
}

void TfrmSentItems::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmSentItems::FormShow() {
    TdxMemData& t = *dxmSentItems;
    TfrmProgress& progress = *frmProgress;
    progress.start(QStringLiteral("Loading records from file. Please be patient..."), t.RowCount());
    t.SetSortedField(fields::create_date);
    try {
        SuspendedViews suspended(t);
        const int month = civilFromDayNumber(context_.clock().today()).month;
        int count = 0;
        if (!t.Active())
            t.Open();
        if (context_.tables().stored(kSentItemsFile))
            context_.tables().read(t, kSentItemsFile);
        const double cutOff = context_.clock().now() - kKeptDays;
        const int created = t.FieldIndex(fields::create_date);
        // Old items go in one pass over the rows (one erase per row would be quadratic).
        std::vector<int> old;
        t.First();
        for (int row = 0; row < t.RowCount(); ++row) {
            progress.StepIt();
            const FieldValue day = t.CellValue(row, created);
            if (isNull(day))
                continue;
            // A date field holds the day: an item of the cut-off's day is older than the
            // cut-off unless the window is shown at midnight.
            if (numericOrZero(day) < cutOff)
                old.push_back(row);
            else if (civilFromDayNumber(std::get<int32_t>(day)).month == month)
                ++count;
        }
        t.DeleteRows(old);
        monthCount_ = count;
    } catch (...) {
        progress.hide();
        throw;
    }
    progress.hide();
    lblmonth->setText(QString::number(monthCount_));
    t.First();
    dbgSentItems->fitColumnsToContents();
}

void TfrmSentItems::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TfrmSentItems::FormClose() {
    if (dxmSentItems->State() == DataSetState::Edit ||
        dxmSentItems->State() == DataSetState::Insert)
        dxmSentItems->Post();
    context_.tables().write(*dxmSentItems, kSentItemsFile);
}

void TfrmSentItems::setSortButtons(bool on) {
    dbgSentItems->horizontalHeader()->setSortIndicatorShown(on);
    dbgSentItems->horizontalHeader()->setSectionsClickable(on);
}

void TfrmSentItems::dbgSentItemsSortMarkingChanged(int column, Qt::SortOrder order) {
    if (column < 0 || column >= model->columnCount())
        return;
    const std::string& name = dxmSentItems->Field(model->fieldAt(column)).FieldName();
    dxmSentItems->SetSortOptions(order == Qt::DescendingOrder ? soDesc : 0u);
    dxmSentItems->SetSortedField(name);
}

void TfrmSentItems::dxmSentItemsBeforePost() {
    // The edited row stays where it is, and the rows are no longer in a column's order.
    setSortButtons(false);
    dbgSentItems->clearSortMark();
    dxmSentItems->SetSortedField({});
}

void TfrmSentItems::dbgSentItemsMouseMove() {
    setSortButtons(true);
    dxmSentItems->SetSortedField({});
}

void TfrmSentItems::dxmSentItemscontact_noChange() {
    checkPaste(*dxmSentItems, context_.prompter(), dbgSentItems);
}

void TfrmSentItems::All1Click() {
    emit printRequested({PrintedList::SentItems, dxmSentItems, false, {}});
}

void TfrmSentItems::Selected1Click() {
    std::vector<int> rows = dbgSentItems->selectedTableRows();
    emit printRequested({PrintedList::SentItems, dxmSentItems, true, std::move(rows)});
}

bool TfrmSentItems::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dbgSentItems && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier) {
            deleteSelectedRows();
            return true;
        }
        if (key->matches(QKeySequence::Copy)) {
            copySelectedRows();
            return true;
        }
        if (key->matches(QKeySequence::Paste)) {
            pasteIntoCurrentRow();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSentItems::deleteSelectedRows() {
    const std::vector<int> selected = dbgSentItems->selectedTableRows();
    std::set<int> rows(selected.begin(), selected.end());
    if (rows.empty() && dxmSentItems->CurrentIndex() >= 0)
        rows.insert(dxmSentItems->CurrentIndex());
    if (rows.empty())
        return;
    QString which;
    if (rows.size() == 1) {
        const int r = *rows.begin();
        which = QStringLiteral("for %1 on %2 at %3")
                    .arg(TableModel::cellText(*dxmSentItems, r, fields::name),
                         TableModel::cellText(*dxmSentItems, r, fields::appointment_date,
                                              "dd-MMM-yyyy"),
                         TableModel::cellText(*dxmSentItems, r, fields::appointment_time, "HH:mm"));
    }
    if (!context_.prompter().confirmDeletion(static_cast<int>(rows.size()),
                                             QStringLiteral("sent reminder"),
                                             QStringLiteral("sent reminders"), which))
        return;
    std::vector<int> bookmarks;
    for (int r : rows)
        bookmarks.push_back(dxmSentItems->BookmarkAt(r));
    dxmSentItems->DeleteBookmarked(bookmarks);
    dbgSentItems->clearSelection();
}

void TfrmSentItems::copySelectedRows() {
    QStringList lines;
    std::set<int> rows;
    for (const QModelIndex& i : dbgSentItems->selectionModel()->selectedRows())
        rows.insert(i.row());
    for (int r : rows) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->data(model->index(r, c)).toString();
        lines << cells.join(QLatin1Char('\t'));
    }
    if (!lines.isEmpty())
        QApplication::clipboard()->setText(lines.join(QStringLiteral("\r\n")) +
                                           QStringLiteral("\r\n"));
}

void TfrmSentItems::pasteIntoCurrentRow() {
    const QModelIndex current = dbgSentItems->currentIndex();
    if (!current.isValid())
        return;
    QString text = QApplication::clipboard()->text();
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    // The clipboard's text goes into the current cell; a rectangle of several cells is refused
    // by the paste check.
    model->setData(current, text, Qt::EditRole);
    if (dxmSentItems->State() == DataSetState::Edit)
        dxmSentItems->Post();
}
