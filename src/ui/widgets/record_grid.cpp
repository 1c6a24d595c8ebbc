#include "ui/widgets/record_grid.h"

#include "core/tables/errors.h"
#include "core/tables/mem_data.h"
#include "ui/application.h"
#include "ui/table_model.h"
#include "ui/widgets/key_filters.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

RecordGrid::RecordGrid(TdxMemData& table, QWidget* parent) : QTableView(parent), table_(table) {
    model_ = new TableModel(table_, this);
    setModel(model_);
    setItemDelegate(new RecordGridDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setTabKeyNavigation(true);
    setWordWrap(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setFixedWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) + 8);
    verticalHeader()->setHighlightSections(false);

    QHeaderView* titles = horizontalHeader();
    titles->setHighlightSections(false);
    titles->setSortIndicatorShown(true);
    titles->setSortIndicator(-1, Qt::AscendingOrder);
    titles->setSectionsClickable(true);
    titles->setMouseTracking(true);
    titles->viewport()->setMouseTracking(true);
    titles->viewport()->installEventFilter(this);
    connect(titles, &QHeaderView::sectionClicked, this, &RecordGrid::titleClicked);
    connect(titles, &QHeaderView::sortIndicatorChanged, this, [this](int column, Qt::SortOrder o) {
        if (column >= 0 && !markingQuietly_)
            emit sortMarkingChanged(column, o);
    });
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    viewport()->installEventFilter(this);

    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { gridRowChanged(current); });
    connect(model_, &TableModel::currentRowChanged, this, &RecordGrid::tableRowChanged);
    // While the view resets, hiding a focused editor makes the view move to the next cell as
    // if Tab were pressed; that move is not the user's and must not move the table. A reset
    // (rows added or removed) would also give every column its default width again.
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        resetting_ = true;
        tabNavigationBeforeReset_ = tabKeyNavigation();
        setTabKeyNavigation(false);
        keptWidths_.clear();
        for (int c = 0; c < horizontalHeader()->count(); ++c)
            keptWidths_.push_back(columnWidth(c));
    });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        resetting_ = false;
        setTabKeyNavigation(tabNavigationBeforeReset_);
        if (static_cast<int>(keptWidths_.size()) == model_->columnCount())
            for (int c = 0; c < model_->columnCount(); ++c)
                setColumnWidth(c, keptWidths_[static_cast<size_t>(c)]);
        followSortMark();
    });
    setEditableSet(false);
}

RecordGrid::~RecordGrid() {
    // The model stops watching its table before either goes.
    setModel(nullptr);
    delete model_;
}

void RecordGrid::setEditableSet(bool editable) {
    editable_ = editable;
    if (!editable && editor_)
        discardEditor();
    model_->setEditable(editable);
    if (editable) {
        setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                        QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
        setSelectionMode(QAbstractItemView::ExtendedSelection);
    } else {
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setSelectionMode(QAbstractItemView::SingleSelection);
    }
}

void RecordGrid::setTitleButtons(bool on) {
    horizontalHeader()->setSectionsClickable(on);
}

bool RecordGrid::titleButtons() const {
    return horizontalHeader()->sectionsClickable();
}

void RecordGrid::setFillColumn(int column, int minimumWidth) {
    fillColumn_ = column;
    fillMinimum_ = minimumWidth;
    // A wide column scrolled past item by item would jump out of sight in one step.
    if (minimumWidth > 0)
        setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void RecordGrid::setWrappedTitles(bool on) {
    wrappedTitles_ = on;
    QHeaderView* titles = horizontalHeader();
    const int alignment = static_cast<int>(titles->defaultAlignment()) & ~int(Qt::TextWordWrap);
    titles->setDefaultAlignment(Qt::Alignment(on ? alignment | Qt::TextWordWrap : alignment));
    // A cut title would not wrap.
    titles->setTextElideMode(on ? Qt::ElideNone : Qt::ElideRight);
    titles->setMinimumHeight(on ? 2 * titles->fontMetrics().height() + 8 : 0);
}

int RecordGrid::titleWidth(int column) const {
    const QHeaderView* titles = horizontalHeader();
    const QString title = model_->headerData(column, Qt::Horizontal).toString();
    int text = 0;
    if (wrappedTitles_) {
        for (const QString& word : title.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            text = std::max(text, titles->fontMetrics().horizontalAdvance(word));
    } else {
        text = titles->fontMetrics().horizontalAdvance(title);
    }
    int width = text + 16;
    // The mark sits at the right end of a title written from the left.
    if (sortMarkFollows_)
        width += style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, titles);
    return width;
}

void RecordGrid::fitFillColumn() {
    if (fillColumn_ < 0 || fillColumn_ >= model_->columnCount() || isColumnHidden(fillColumn_))
        return;
    int others = 0;
    for (int c = 0; c < model_->columnCount(); ++c)
        if (c != fillColumn_ && !isColumnHidden(c))
            others += columnWidth(c);
    // Room for a vertical scroll bar that a longer list will bring.
    const int bar = verticalScrollBar()->isVisible()
                        ? 0
                        : style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int room = viewport()->width() - others - bar - 2;
    setColumnWidth(fillColumn_, std::max({titleWidth(fillColumn_), fillMinimum_, room}));
}

void RecordGrid::fitColumnsToContents() {
    // A long value (a name of fifty letters) does not take the room of the fill column; its
    // cell's text is cut as any cut cell is.
    const int widest = 40 * fontMetrics().averageCharWidth();
    for (int c = 0; c < model_->columnCount(); ++c)
        if (c != fillColumn_ && !isColumnHidden(c))
            setColumnWidth(c, std::max(titleWidth(c), std::min(widest, sizeHintForColumn(c))));
    fitFillColumn();
}

int RecordGrid::widthForColumns() const {
    int width = verticalHeader()->width() + 2 * frameWidth() +
                style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    for (int c = 0; c < model_->columnCount(); ++c)
        if (!isColumnHidden(c))
            width += columnWidth(c);
    return width;
}

void RecordGrid::setSortMarkFollowsTable(bool on) {
    sortMarkFollows_ = on;
    followSortMark();
}

void RecordGrid::followSortMark() {
    if (!sortMarkFollows_ || table_.SortedField().empty())
        return;
    const int field = table_.FieldIndex(table_.SortedField());
    const int column = field < 0 ? -1 : model_->columnOfField(field);
    setSortMarkQuietly(column,
                       (table_.SortOptions() & soDesc) ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void RecordGrid::clearSortMark() {
    setSortMarkQuietly(-1, Qt::AscendingOrder);
}

void RecordGrid::setSortMarkQuietly(int column, Qt::SortOrder order) {
    QHeaderView* titles = horizontalHeader();
    if (titles->sortIndicatorSection() == column && titles->sortIndicatorOrder() == order)
        return;
    // The table is already in this order: the mark moves without asking the window to sort.
    markingQuietly_ = true;
    titles->setSortIndicator(column, order);
    markingQuietly_ = false;
}

void RecordGrid::commitEditor() {
    if (editor_)
        emit itemDelegate()->commitData(editor_);
}

void RecordGrid::finishEditor() {
    commitEditor();
    discardEditor();
}

void RecordGrid::discardEditor() {
    if (editor_)
        static_cast<RecordGridDelegate*>(itemDelegate())->discard(editor_);
    editor_ = nullptr;
}

int RecordGrid::focusedField() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid() || current.column() >= model_->columnCount())
        return -1;
    return model_->fieldAt(current.column());
}

namespace {

// The model row of the table's current row, or of the row being inserted.
int currentModelRow(const TdxMemData& table, const TableModel& model) {
    if (table.State() == DataSetState::Insert)
        return model.insertModelRow();
    return table.CurrentIndex() < 0 ? -1 : model.modelRow(table.CurrentIndex());
}

} // namespace

void RecordGrid::focusColumn(int column) {
    if (isVisible())
        setFocus();
    const int row = currentModelRow(table_, *model_);
    if (row < 0 || column < 0 || column >= model_->columnCount())
        return;
    // The program moves the grid: an open editor is closed without being written back, as its
    // cell may now show another row.
    discardEditor();
    const bool was = syncing_;
    syncing_ = true;
    const QModelIndex index = model_->index(row, column);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    syncing_ = was;
}

std::vector<int> RecordGrid::selectedTableRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        const int t = model_->tableRow(index.row());
        if (t >= 0)
            rows.push_back(t);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

bool RecordGrid::endPendingEdit() {
    const DataSetState state = table_.State();
    if (state != DataSetState::Edit && state != DataSetState::Insert)
        return true;
    try {
        if (table_.Modified())
            table_.Post();
        else
            table_.Cancel();
    } catch (const EAbort&) {
        // The post handling dropped the row, or refused it silently.
    }
    const DataSetState now = table_.State();
    return !((now == DataSetState::Edit || now == DataSetState::Insert) && table_.Modified());
}

void RecordGrid::moveToRow(int tableRow) {
    if (tableRow < 0 || tableRow >= table_.RowCount())
        return;
    const int bookmark = table_.BookmarkAt(tableRow);
    if (!endPendingEdit())
        return;
    const int row = table_.RowOfBookmark(bookmark);
    if (row >= 0)
        table_.SetRowNumber(row + 1);
}

void RecordGrid::gridRowChanged(const QModelIndex& current) {
    if (syncing_ || resetting_ || !current.isValid())
        return;
    const int t = model_->tableRow(current.row());
    if (t < 0 || (t == table_.CurrentIndex() && table_.State() != DataSetState::Insert))
        return;
    const int column = current.column();
    syncing_ = true;
    try {
        moveToRow(t);
    } catch (...) {
        syncing_ = false;
        showCurrentException();
        tableRowChanged(currentModelRow(table_, *model_));
        return;
    }
    syncing_ = false;
    const int row = currentModelRow(table_, *model_);
    if (row >= 0 && (row != currentIndex().row() || column != currentIndex().column())) {
        syncing_ = true;
        selectionModel()->setCurrentIndex(model_->index(row, std::max(0, column)),
                                          QItemSelectionModel::NoUpdate);
        syncing_ = false;
    }
}

void RecordGrid::tableRowChanged(int) {
    // Every redraw of the rows ends here, a sort's too (which resets nothing).
    followSortMark();
    if (syncing_)
        return;
    const int row = currentModelRow(table_, *model_);
    if (row < 0 || row >= model_->rowCount() || row == currentIndex().row())
        return;
    discardEditor();
    const QModelIndex index = model_->index(row, std::max(0, currentIndex().column()));
    syncing_ = true;
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    syncing_ = false;
}

void RecordGrid::setWindowShortcuts(const std::vector<QKeySequence>& keys) {
    windowShortcuts_ = keys;
}

bool RecordGrid::isWindowShortcut(QKeyEvent* event) const {
    const QKeySequence pressed(event->keyCombination());
    for (const QKeySequence& key : windowShortcuts_)
        if (key.matches(pressed) == QKeySequence::ExactMatch)
            return true;
    return false;
}

bool RecordGrid::filterKey(QKeyEvent* event) {
    const QString key = typedCharacter(*event);
    if (key.isEmpty() || !keyPress)
        return false;
    if (keyPress(key, currentIndex().column())) {
        event->accept();
        return true;
    }
    return false;
}

namespace {

// Ctrl+Tab and Ctrl+Shift+Tab leave a grid whose Tab moves between cells.
bool isLeavingKey(const QKeyEvent& event) {
    return (event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab) &&
           event.modifiers().testFlag(Qt::ControlModifier);
}

bool leavesBackwards(const QKeyEvent& event) {
    return event.key() == Qt::Key_Backtab || event.modifiers().testFlag(Qt::ShiftModifier);
}

} // namespace

void RecordGrid::leaveGrid(bool next) {
    if (editor_)
        finishEditor();
    QWidget::focusNextPrevChild(next);
}

void RecordGrid::keyPressEvent(QKeyEvent* event) {
    if (enterMovesLikeTab_ && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        focusNextPrevChild(true);
        event->accept();
        return;
    }
    if (isLeavingKey(*event)) {
        leaveGrid(!leavesBackwards(*event));
        return;
    }
    if (filterKey(event))
        return;
    if (editable_ && appendsRows_ && event->key() == Qt::Key_Down &&
        event->modifiers() == Qt::NoModifier && currentIndex().isValid() &&
        currentIndex().row() == model_->rowCount() - 1) {
        // Moving past the last row starts a new one; a new row left untouched stays the last.
        const int column = currentIndex().column();
        finishEditor();
        if (table_.State() == DataSetState::Insert && !table_.Modified())
            return;
        if (!endPendingEdit())
            return;
        table_.Append();
        focusColumn(column);
        return;
    }
    QTableView::keyPressEvent(event);
}

void RecordGrid::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    followSortMark();
}

void RecordGrid::keyReleaseEvent(QKeyEvent* event) {
    QTableView::keyReleaseEvent(event);
    if (keyReleased)
        keyReleased();
}

bool RecordGrid::eventFilter(QObject* watched, QEvent* event) {
    if (editor_ && watched == editor_.data()) {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (filterKey(static_cast<QKeyEvent*>(event)))
                return true;
            break;
        case QEvent::KeyRelease:
            if (keyReleased)
                keyReleased();
            break;
        case QEvent::ShortcutOverride:
            // The editor's delegate reads Ctrl+Tab as Tab (the next cell); noted here, the
            // close it asks for leaves the grid instead.
            leavingKey_ = isLeavingKey(*static_cast<QKeyEvent*>(event));
            // The window's menu shortcuts win over the editor's own use of those keys.
            if (isWindowShortcut(static_cast<QKeyEvent*>(event))) {
                event->ignore();
                return true;
            }
            break;
        default:
            break;
        }
        return QTableView::eventFilter(watched, event);
    }
    if (watched == viewport() || watched == horizontalHeader()->viewport()) {
        if (event->type() == QEvent::MouseMove)
            emit mouseMoved();
        else if (event->type() == QEvent::MouseButtonRelease)
            emit mouseReleased();
        else if (event->type() == QEvent::Resize && watched == viewport())
            fitFillColumn();
    }
    return QTableView::eventFilter(watched, event);
}

void RecordGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (leavingKey_ && (hint == QAbstractItemDelegate::EditNextItem ||
                        hint == QAbstractItemDelegate::EditPreviousItem)) {
        leavingKey_ = false;
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        leaveGrid(hint == QAbstractItemDelegate::EditNextItem);
        return;
    }
    QTableView::closeEditor(editor, hint);
    if (hint == QAbstractItemDelegate::RevertModelCache) {
        // Escape in a cell: the row's pending changes are dropped.
        const DataSetState state = table_.State();
        if (state == DataSetState::Edit || state == DataSetState::Insert)
            table_.Cancel();
    }
}

void RecordGrid::editWithMenu(QAction* copy, QAction* paste) {
    connect(copy, &QAction::triggered, this, [this] {
        if (editor_)
            editor_->copy();
    });
    connect(paste, &QAction::triggered, this, [this] {
        if (editor_)
            editor_->paste();
    });
}

// ---- delegate ------------------------------------------------------------------------------

RecordGridDelegate::RecordGridDelegate(RecordGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

QWidget* RecordGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    const TableModel* model = grid_->recordModel();
    const TField& field = grid_->table().Field(model->fieldAt(index.column()));
    if (field.Kind() == FieldKind::String)
        editor->setMaxLength(field.Size());
    grid_->editor_ = editor;
    // The window's filters first, so that the grid's key handler runs before them.
    if (grid_->editorCreated)
        grid_->editorCreated(editor, index.column());
    editor->installEventFilter(grid_);
    return editor;
}

void RecordGridDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
    if (grid_->editor_.data() == editor)
        grid_->editor_ = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
}

void RecordGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                      const QModelIndex& index) const {
    try {
        QStyledItemDelegate::setModelData(editor, model, index);
    } catch (...) {
        showCurrentException();
    }
}

void RecordGridDelegate::discard(QWidget* editor) {
    emit closeEditor(editor, QAbstractItemDelegate::NoHint);
}

// ---- navigator -----------------------------------------------------------------------------

RecordNavigator::RecordNavigator(RecordGrid* grid, QWidget* parent)
    : RecordNavigator(grid->table(), grid, Buttons::MovesAndInsert, parent) {}

RecordNavigator::RecordNavigator(TdxMemData& table, RecordGrid* grid, Buttons set, QWidget* parent)
    : QWidget(parent), table_(table), grid_(grid) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    struct Button {
        const char* name;
        const char* text;
        const char* hint;
        void (RecordNavigator::*action)();
    };
    const Button buttons[] = {{"nbFirst", "|\u25C0", "First record", &RecordNavigator::first},
                              {"nbPrior", "\u25C0", "Prior record", &RecordNavigator::prior},
                              {"nbNext", "\u25B6", "Next record", &RecordNavigator::next},
                              {"nbLast", "\u25B6|", "Last record", &RecordNavigator::last},
                              {"nbInsert", "+", "Insert record", &RecordNavigator::insert}};
    for (const Button& b : buttons) {
        if (set == Buttons::Moves && b.action == &RecordNavigator::insert)
            continue;
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setText(QString::fromUtf8(b.text));
        button->setToolTip(QString::fromLatin1(b.hint));
        button->setFocusPolicy(Qt::NoFocus);
        button->setMinimumWidth(32);
        layout->addWidget(button);
        const auto action = b.action;
        connect(button, &QToolButton::clicked, this, [this, action] { (this->*action)(); });
    }
    layout->addStretch();
}

QToolButton* RecordNavigator::button(const char* name) const {
    return findChild<QToolButton*>(QString::fromLatin1(name));
}

bool RecordNavigator::leaveRow() {
    if (!grid_)
        return true;
    grid_->finishEditor();
    return grid_->endPendingEdit();
}

void RecordNavigator::afterMove() {
    if (grid_)
        grid_->focusColumn(0);
}

void RecordNavigator::first() {
    if (!leaveRow())
        return;
    table_.First();
    afterMove();
}

void RecordNavigator::prior() {
    if (!leaveRow())
        return;
    if (table_.RowNumber() > 1)
        table_.SetRowNumber(table_.RowNumber() - 1);
    afterMove();
}

void RecordNavigator::next() {
    if (!leaveRow())
        return;
    table_.Next();
    afterMove();
}

void RecordNavigator::last() {
    if (!leaveRow())
        return;
    table_.Last();
    afterMove();
}

void RecordNavigator::insert() {
    if (!leaveRow())
        return;
    // Below the row the user is on, where the eye already is.
    table_.InsertBelow();
    afterMove();
}
