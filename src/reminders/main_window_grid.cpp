// The main window's grid of pending reminders: columns and widths, selection, deletion, copy and
// paste, "Clear All", and the window's key and mouse handling of its controls.

#include "core/reminders/reminder.h"
#include "core/store/schemas.h"
#include "core/tables/errors.h"
#include "core/tables/ini_file.h"
#include "core/tables/suspended_views.h"
#include "reminders/main_window.h"
#include "ui/context.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"
#include "ui/table_model.h"
#include "ui/widgets/key_filters.h"
#include "ui/widgets/paste_guard.h"
#include "ui/widgets/record_grid.h"
#include "ui/widgets/text_helpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

constexpr int kColumns = 8;
constexpr int kMessageColumn = 4;
constexpr int kDefaultWidths[kColumns] = {83, 95, 92, 35, 270, 71, 60, 60};
const char* const kWidthsSection = "widths";
const char* const kRowsMime = "application/x-tallyminder-reminders";

std::string columnKey(int n) {
    return "col" + std::to_string(n);
}

QString csvCell(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

void TfrmMain::buildGrid(QWidget* parent) {
    dbgReminders = new RecordGrid(*dxmReminders, parent);
    dbgReminders->setObjectName(QStringLiteral("dbgReminders"));
    remindersModel = dbgReminders->recordModel();
    // Cells are not edited in place: a click puts the reminder into the panel.
    dbgReminders->setEditableSet(false);
    dbgReminders->setSelectionMode(QAbstractItemView::ExtendedSelection);
    dbgReminders->setFocusPolicy(Qt::ClickFocus); // no tab stop
    dbgReminders->setAlternatingRowColors(true);
    dbgReminders->verticalHeader()->setDefaultSectionSize(dbgReminders->fontMetrics().height() + 6);
    dbgReminders->verticalHeader()->setFixedWidth(14); // the row indicator
    QHeaderView* header = dbgReminders->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    // The titles are buttons until the first post, but they never sort the pending list.
    header->setSortIndicatorShown(false);
    header->setMinimumSectionSize(8);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int c = 0; c < kColumns; ++c)
        dbgReminders->setColumnWidth(c, kDefaultWidths[c]);
    dbgReminders->setFillColumn(kMessageColumn);

    connect(dbgReminders, &QTableView::clicked, this,
            [this](const QModelIndex& index) { dbgRemindersCellClick(index.row()); });
    connect(dbgReminders, &QTableView::doubleClicked, this, [this] { dbgRemindersDblClick(); });
    connect(dbgReminders, &RecordGrid::mouseReleased, this, [this] { dbgRemindersMouseUp(); });

    dxmReminders->AfterPost = [this](TdxMemData&) { dxmRemindersAfterPost(); };
    // A reminder rescheduled in the grid: its message's date and time follow (the panel does
    // the same as the boxes change).
    dxmReminders->BeforePost = [this](TdxMemData& t) {
        if (t.State() != DataSetState::Edit || t.CurrentIndex() < 0)
            return;
        const int dateField = t.FieldIndex(fields::appointment_date);
        const int timeField = t.FieldIndex(fields::appointment_time);
        const FieldValue oldDay = t.CellValue(t.CurrentIndex(), dateField);
        const FieldValue oldTime = t.CellValue(t.CurrentIndex(), timeField);
        TField& day = t.Field(dateField);
        TField& time = t.Field(timeField);
        if (isNull(oldDay) || isNull(oldTime) || day.IsNull() || time.IsNull())
            return;
        const Appointment was{std::get<int32_t>(oldDay), std::get<int32_t>(oldTime)};
        const Appointment now{day.AsInteger(), time.AsInteger()};
        if (was.day == now.day && was.ms == now.ms)
            return;
        TField& message = t.FieldNamed(fields::message);
        const std::string followed = followAppointment(message.AsString(), was, now);
        if (followed != message.AsString())
            message.SetAsString(followed);
    };
    dxmReminders->AfterDelete = [this](TdxMemData&) { dxmRemindersAfterDelete(); };
    for (const char* name :
         {fields::contact_no, fields::name, fields::appointment_date, fields::appointment_time,
          fields::message, fields::days_before_appointment, fields::recurring_days,
          fields::Recurring})
        dxmReminders->FieldNamed(name).OnChange = [this](TField&) {
            dxmReminderscontact_noChange();
        };

    // The navigator moves the cursor; the grid and the entry panel follow it.
    DBNavigator1 =
        new RecordNavigator(*dxmReminders, nullptr, RecordNavigator::Buttons::Moves, parent);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
}

std::vector<int> TfrmMain::selectedRows() const {
    return dbgReminders->selectedTableRows();
}

// ---- clicks --------------------------------------------------------------------------------

void TfrmMain::dbgRemindersCellClick(int row) {
    const int t = remindersModel->tableRow(row);
    if (t < 0)
        return;
    dxmReminders->SetRowNumber(t + 1);
    setRecordActive();
}

void TfrmMain::dbgRemindersMouseUp() {
    saveWidths();
}

// ---- the table's events ----------------------------------------------------------------------

void TfrmMain::dxmRemindersAfterPost() {
    dxmReminders->SetSortedField("");
    if (dbgReminders)
        dbgReminders->setTitleButtons(false);
}

void TfrmMain::dxmRemindersAfterDelete() {
    PrepareForNew();
}

void TfrmMain::dxmReminderscontact_noChange() {
    checkPaste(*dxmReminders, dbgReminders);
}

void TfrmMain::checkPaste(TdxMemData& table, QAbstractItemView* grid) {
    ::checkPaste(table, context_.prompter(), grid);
}

// ---- widths --------------------------------------------------------------------------------

void TfrmMain::doWidths() {
    const IniDocument ini = TIniFile(context_.paths().settingsFile("width.ini")).Load();
    for (int n = 0; n < kColumns; ++n) {
        const int width = ini.ReadInteger(kWidthsSection, columnKey(n), kDefaultWidths[n]);
        dbgReminders->setColumnWidth(n, width > 0 ? width : kDefaultWidths[n]);
    }
}

void TfrmMain::saveWidths() {
    TIniFile(context_.paths().settingsFile("width.ini")).Update([this](IniDocument& ini) {
        for (int n = 0; n < kColumns; ++n)
            ini.WriteInteger(kWidthsSection, columnKey(n), dbgReminders->columnWidth(n));
    });
}

// The window's own size and place, as the user left it; a first start is maximised.
const char* const kPlacementSection = "window";

void TfrmMain::savePlacement() {
    const QRect r = normalGeometry();
    const bool maximized = isMaximized();
    TIniFile(context_.paths().settingsFile("width.ini")).Update([&](IniDocument& ini) {
        ini.WriteInteger(kPlacementSection, "Left", r.x());
        ini.WriteInteger(kPlacementSection, "Top", r.y());
        ini.WriteInteger(kPlacementSection, "Width", r.width());
        ini.WriteInteger(kPlacementSection, "Height", r.height());
        ini.WriteInteger(kPlacementSection, "Maximized", maximized ? 1 : 0);
    });
}

void TfrmMain::restorePlacement() {
    const IniDocument ini = TIniFile(context_.paths().settingsFile("width.ini")).Load();
    const QRect saved(ini.ReadInteger(kPlacementSection, "Left", 0),
                      ini.ReadInteger(kPlacementSection, "Top", 0),
                      ini.ReadInteger(kPlacementSection, "Width", 0),
                      ini.ReadInteger(kPlacementSection, "Height", 0));
    if (saved.width() <= 0 || saved.height() <= 0 ||
        ini.ReadInteger(kPlacementSection, "Maximized", 1) != 0)
        return;
    // A place on a screen that is gone (a second monitor unplugged) moves to the primary one.
    QRect r = saved;
    if (!QGuiApplication::screenAt(saved.center()))
        if (QScreen* screen = QGuiApplication::primaryScreen())
            r.moveTopLeft(screen->availableGeometry().topLeft());
    setWindowState(Qt::WindowNoState);
    setGeometry(r);
}

int TfrmMain::displayWidth(int column) const {
    const QFontMetrics fm = dbgReminders->fontMetrics();
    const int z = std::max(1, fm.horizontalAdvance(QLatin1Char('0')));
    const int a = fm.averageCharWidth();
    const int v = 0; // no overhang
    return (dbgReminders->columnWidth(column) + a / 2 - v - 3) / z;
}

void TfrmMain::setDisplayWidth(int column, int characters) {
    const QFontMetrics fm = dbgReminders->fontMetrics();
    const int z = std::max(1, fm.horizontalAdvance(QLatin1Char('0')));
    const int v = 0;
    dbgReminders->setColumnWidth(column, (z - v) * characters + v + 4);
}

void TfrmMain::setGridWidth() {
    // Before the window is first shown the grid has no width of its own yet; the widths read
    // from width.ini stay until the showing step sets these.
    if (!dbgReminders->isVisible())
        return;
    const int w = dbgReminders->width();
    setDisplayWidth(0, w / 53);
    setDisplayWidth(1, w / 38);
    setDisplayWidth(2, w / 80);
    setDisplayWidth(3, w / 160);
    setDisplayWidth(5, w / 399);
    setDisplayWidth(6, w / 399);
    // Every column is seen whole without scrolling: none narrower than its title, and the
    // message takes what the others leave (its proportional share, an eighth of the width in
    // characters, would push the last columns off the window).
    for (int c = 0; c < remindersModel->columnCount(); ++c)
        if (c != kMessageColumn)
            dbgReminders->setColumnWidth(
                c, std::max(dbgReminders->columnWidth(c), dbgReminders->titleWidth(c)));
    dbgReminders->fitFillColumn();
}

// ---- deleting ------------------------------------------------------------------------------

void TfrmMain::bmbDeleteClick() {
    if (dxmReminders->RowCount() == 0)
        return;
    const std::vector<int> rows = selectedRows();
    if (!confirmReminderDeletion(rows))
        return;
    deleteUndoably(
        [&] {
            deleteRows(rows);
            saveReminders();
        },
        true);
}

void TfrmMain::Deletecurrentrecord1Click() {
    QWidget* focus = focusWidget();
    if (focus == cboGroup || focus == cboGroup->lineEdit()) {
        deleteGroup();
        return;
    }
    if (focus == dbgReminders)
        deleteSelectedGridRows();
}

void TfrmMain::deleteSelectedGridRows() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty())
        return;
    if (!confirmReminderDeletion(rows))
        return;
    deleteUndoably([&] { deleteRows(rows); }, false);
}

bool TfrmMain::confirmReminderDeletion(const std::vector<int>& rows) {
    // One reminder is named by whom and when it is for; Enter on the box keeps the rows.
    QString which;
    if (rows.size() == 1) {
        const TdxMemData& t = *dxmReminders;
        which = QStringLiteral("for %1 on %2 at %3")
                    .arg(TableModel::cellText(t, rows[0], fields::name),
                         TableModel::cellText(t, rows[0], fields::appointment_date, "dd-MMM-yyyy"),
                         TableModel::cellText(t, rows[0], fields::appointment_time, "HH:mm"));
    }
    return context_.prompter().confirmDeletion(static_cast<int>(rows.size()),
                                               QStringLiteral("reminder"),
                                               QStringLiteral("reminders"), which);
}

void TfrmMain::deleteUndoably(const std::function<void()>& remove, bool saved) {
    undo_ = {};
    std::string before = dxmReminders->DelimitedText();
    remove();
    undo_.before = std::move(before);
    undo_.after = dxmReminders->DelimitedText();
    undo_.saved = saved;
}

void TfrmMain::undoDeletion() {
    // Any change since the deletion (a new reminder, an edit, a send) ends the chance to undo.
    if (undo_.before.empty() || dxmReminders->DelimitedText() != undo_.after) {
        undo_ = {};
        context_.prompter().beep();
        return;
    }
    const std::string before = std::move(undo_.before);
    const bool saved = undo_.saved;
    undo_ = {};
    dxmReminders->ReadDelimitedText(before);
    if (saved)
        saveReminders();
}

void TfrmMain::deleteRows(const std::vector<int>& rows) {
    if (rows.empty())
        return;
    // Moving to the last row first ends a pending edit as the move always has; then the rows go,
    // last selected first, in one pass: one redraw of the grid, not one per row.
    dxmReminders->SetRowNumber(rows.back() + 1);
    dxmReminders->DeleteRows(std::vector<int>(rows.rbegin(), rows.rend()));
}

void TfrmMain::bmbClearAllClick() {
    if (dxmReminders->RowCount() == 0)
        return;
    if (context_.prompter().confirm(
            QStringLiteral("Are you sure you want to delete all the records?"), BoxButton::No)) {
        deleteUndoably(
            [this] {
                dxmReminders->Close();
                dxmReminders->Open();
            },
            false);
        PrepareForNew();
        entryMode = QStringLiteral("Add");
        if (TdxMemData& mail = *context_.tables().dmMail; mail.RowCount() > 0) {
            const FieldValue start = mail.CellValue(0, mail.FieldIndex(fields::StartTime));
            setTime(isNull(start) ? 0 : std::get<int32_t>(start));
        }
    }
    doWidths();
}

// ---- copy and paste ------------------------------------------------------------------------

void TfrmMain::copyRows() {
    std::vector<int> rows = selectedRows();
    if (rows.empty() && dxmReminders->CurrentIndex() >= 0)
        rows.push_back(dxmReminders->CurrentIndex());
    if (rows.empty())
        return;
    TdxMemData& r = *dxmReminders;
    auto scratch = schemas::makeReminders();
    scratch->FieldDelimiter = kRemindersDelimiter;
    QString plain, csv, html = QStringLiteral("<table>");
    for (int row : rows) {
        std::vector<FieldValue> values{FieldValue{}};
        for (int f = 1; f < r.FieldCount(); ++f)
            values.push_back(r.CellValue(row, f));
        scratch->AddRow(values);
        QStringList cells;
        for (int c = 0; c < remindersModel->columnCount(); ++c) {
            const int f = remindersModel->fieldAt(c);
            cells << TableModel::displayText(r.Field(f).Def(), r.CellValue(row, f));
        }
        plain += cells.join(QLatin1Char('\t')) + QStringLiteral("\r\n");
        QStringList csvCells;
        for (const QString& c : cells)
            csvCells << csvCell(c);
        csv += csvCells.join(QLatin1Char(',')) + QStringLiteral("\r\n");
        html += QStringLiteral("<tr>");
        for (const QString& c : cells)
            html += QStringLiteral("<td>") + c.toHtmlEscaped() + QStringLiteral("</td>");
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table>");
    auto* data = new QMimeData;
    data->setText(plain);
    data->setData(QStringLiteral("text/csv"), csv.toUtf8());
    data->setHtml(html);
    const std::string own = scratch->DelimitedText();
    data->setData(QString::fromLatin1(kRowsMime),
                  QByteArray(own.data(), static_cast<qsizetype>(own.size())));
    QApplication::clipboard()->setMimeData(data);
}

void TfrmMain::pasteRows() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data)
        return;
    TdxMemData& r = *dxmReminders;
    if (data->hasFormat(QString::fromLatin1(kRowsMime))) {
        const QByteArray own = data->data(QString::fromLatin1(kRowsMime));
        auto scratch = schemas::makeReminders();
        scratch->FieldDelimiter = kRemindersDelimiter;
        scratch->SetSortedField("");
        scratch->ReadDelimitedText(
            std::string_view(own.constData(), static_cast<size_t>(own.size())));
        // Each pasted row is appended through the fields, so every value passes the paste guard;
        // the grid redraws once, after the last row.
        SuspendedViews suspended(r);
        for (int row = 0; row < scratch->RowCount(); ++row) {
            r.Append();
            for (int f = 1; f < r.FieldCount(); ++f)
                r.Field(f).SetValue(scratch->CellValue(row, f));
            r.Post();
        }
        return;
    }
    if (!data->hasText())
        return;
    // Text goes into the current cell's field.
    const QModelIndex current = dbgReminders->currentIndex();
    if (!current.isValid() || r.RowCount() == 0)
        return;
    const QString text = data->text();
    if (text.contains(QLatin1Char('^'))) {
        context_.prompter().error(notAllowedMessage(QStringLiteral("^")));
        return;
    }
    const auto bytes = toTableText(text);
    if (!bytes) {
        context_.prompter().error(uncarriableMessage(firstUncarriable(text)));
        return;
    }
    const int row = remindersModel->tableRow(current.row());
    if (row < 0)
        return;
    r.SetRowNumber(row + 1);
    r.Edit();
    try {
        r.Field(remindersModel->fieldAt(current.column())).SetAsString(*bytes);
    } catch (...) {
        r.Cancel();
        throw;
    }
    r.Post();
}

// ---- the window's key and mouse handling ---------------------------------------------------

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int k = keyEvent->key();
        // OK is the window's default button: Enter in a box that does not use it runs OK.
        if ((k == Qt::Key_Return || k == Qt::Key_Enter) && watched != dbgReminders &&
            !(keyEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            auto* combo = qobject_cast<QComboBox*>(watched);
            if (!combo || !combo->view()->isVisible()) {
                bmbOK->click();
                return true;
            }
        }
        const QString key = typedCharacter(*keyEvent);
        if (key.isEmpty())
            return QMainWindow::eventFilter(watched, event);
        if (watched == cboContactName)
            return cboContactNameKeyPress(key);
        if (watched == cboAll)
            return cboAllKeyPress(key);
        if (watched == cboNumber)
            return cboNumberKeyPress(key);
        if (watched == cboGroup && key != key.toLower()) {
            // Typed letters become lower case.
            cboGroup->lineEdit()->insert(key.toLower());
            return true;
        }
    } else if (type == QEvent::KeyRelease) {
        if (watched == cboNumber)
            cboNumberKeyUp();
    } else if (type == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (watched == cboGroup && reason != Qt::PopupFocusReason &&
            reason != Qt::ActiveWindowFocusReason)
            cboGroupExit();
    } else if (type == QEvent::FocusIn) {
        if (watched == mskContactNo)
            QTimer::singleShot(0, mskContactNo, [this] { mskContactNo->setCursorPosition(0); });
    } else if (type == QEvent::MouseButtonRelease) {
        if (watched == mskContactNo)
            mskContactNo->setCursorPosition(0);
    }
    return QMainWindow::eventFilter(watched, event);
}
