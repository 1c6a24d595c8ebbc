#pragma once

// The one grid over a record table (pending reminders, sent items, contacts, standard messages,
// replies), and its record navigator.
//
// RecordGrid is a QTableView over a TableModel of one record table. It keeps the table's cursor
// on the grid's current row and the grid's current row on the table's cursor, whatever moved it
// (a click, a key, a sort, a deletion, a paste): a move first ends the row's pending edit; when
// the table's post handling discards or deletes that row, the move still goes to the row the user
// chose. It edits cells in place with a line editor limited to the field's size, keeps the
// columns' widths when its rows are redrawn, and reports to its window:
//   keyPress(key, column)   every typed key (typedCharacter), in the grid or its cell editor,
//                           before it is used; return true to drop it;
//   keyReleased             a key was released in the grid or its cell editor;
//   editorCreated(editor, column)  a cell editor was opened (for paste guards);
//   titleClicked(column), sortMarkingChanged(column, order)  the column titles act as buttons
//                           with sort markers, while the title buttons are on;
//   mouseMoved, mouseReleased  the mouse moved, or a button was released, over the grid or its
//                           titles.
// The editable option set edits in place (typing, F2 or a double click opens the cell's editor),
// selects several rows, moves between cells with Tab (Ctrl+Tab leaves the grid) and appends a
// row when Down is pressed on the last one (unless row appending is off); the closed set only
// shows the rows.
//
// Widths: a fill column takes the room the other columns leave (never less than its title), at
// every resize of the grid; fitColumnsToContents sizes the others by their titles and cells.
// With the sort mark following the table, the title mark shows the table's sort field and
// direction whenever the table sorts; a cleared sort field leaves the mark where the rows' order
// came from, until clearSortMark.

#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>
#include <vector>

class QAction;
class QKeySequence;
class QToolButton;
class TableModel;
class TdxMemData;

class RecordGrid : public QTableView {
    Q_OBJECT
public:
    RecordGrid(TdxMemData& table, QWidget* parent = nullptr);
    ~RecordGrid() override;

    TdxMemData& table() const { return table_; }
    TableModel* recordModel() const { return model_; }

    void setEditableSet(bool editable);
    bool editableSet() const { return editable_; }
    void setTitleButtons(bool on);
    bool titleButtons() const;
    // Down on the last row of the editable set appends a row (on by default).
    void setRowAppending(bool on) { appendsRows_ = on; }
    // Enter and Return move to the next cell as Tab does.
    void setEnterMovesLikeTab(bool on) { enterMovesLikeTab_ = on; }

    // The column that takes the room the others leave, from the grid's next resize on; -1 for
    // none. It is never narrower than minimumWidth: where the others leave less, the grid
    // scrolls sideways rather than crush it.
    void setFillColumn(int column, int minimumWidth = 0);
    int fillColumn() const { return fillColumn_; }
    // Sets the fill column's width from the room the other shown columns leave.
    void fitFillColumn();
    // Every column but the fill column as wide as its title and its widest shown cell, then the
    // fill column takes the rest.
    void fitColumnsToContents();
    // Titles of several words take two lines where that lets their columns be narrower.
    void setWrappedTitles(bool on);
    // The width a column needs to show its whole title (and the sort mark, where it follows):
    // with wrapped titles, its longest word.
    int titleWidth(int column) const;
    // The sum of the shown columns' widths and the grid's frame, headers and scroll bar: the
    // width in which every column is seen without scrolling.
    int widthForColumns() const;

    // The title mark follows the table's sort field and direction.
    void setSortMarkFollowsTable(bool on);
    // Puts the mark on the table's sort field; leaves it alone when the table has none.
    void followSortMark();
    // Takes the mark off every column (the rows are no longer in a column's order).
    void clearSortMark();

    // The open cell editor, or nullptr.
    QLineEdit* editor() const { return editor_; }
    // Writes the open editor's text into the table's edit buffer.
    void commitEditor();
    // Closes the open editor without writing its text.
    void discardEditor();
    // Writes the open editor's text into the table and closes the editor.
    void finishEditor();

    // The field index of the focused column; -1 when none.
    int focusedField() const;
    // Puts the focus on the given column of the current row.
    void focusColumn(int column);
    // The selected rows of the table, 0-based, in row order.
    std::vector<int> selectedTableRows() const;

    // Ends the table's pending edit as a cursor move would (post when changed, cancel when not).
    // False when the post failed and the row is still being edited.
    bool endPendingEdit();
    // Moves the table's cursor to a row (0-based) after ending the pending edit.
    void moveToRow(int tableRow);

    // The menu's Copy and Paste act on the open cell editor (and do nothing without one).
    void editWithMenu(QAction* copy, QAction* paste);

    // Shortcuts that the window's menu takes before a cell editor would use them.
    void setWindowShortcuts(const std::vector<QKeySequence>& keys);

    std::function<bool(const QString& key, int column)> keyPress;
    std::function<void()> keyReleased;
    std::function<void(QLineEdit* editor, int column)> editorCreated;

signals:
    void titleClicked(int column);
    void sortMarkingChanged(int column, Qt::SortOrder order);
    void mouseMoved();
    void mouseReleased();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class RecordGridDelegate;
    void gridRowChanged(const QModelIndex& current);
    void tableRowChanged(int modelRow);
    bool filterKey(QKeyEvent* event);
    bool isWindowShortcut(QKeyEvent* event) const;
    void setSortMarkQuietly(int column, Qt::SortOrder order);
    // Ends the open cell's edit and passes the focus to the next (or previous) control.
    void leaveGrid(bool next);

    TdxMemData& table_;
    TableModel* model_ = nullptr;
    QPointer<QLineEdit> editor_;
    bool editable_ = false;
    bool syncing_ = false;
    bool resetting_ = false;
    bool tabNavigationBeforeReset_ = true;
    bool appendsRows_ = true;
    bool enterMovesLikeTab_ = false;
    bool sortMarkFollows_ = false;
    bool wrappedTitles_ = false;
    bool markingQuietly_ = false;
    int fillColumn_ = -1;
    int fillMinimum_ = 0;
    std::vector<int> keptWidths_; // the columns' widths while the rows are redrawn
    bool leavingKey_ = false;     // the key being pressed in the cell editor is Ctrl+Tab
    std::vector<QKeySequence> windowShortcuts_;
};

// The cell editor's delegate: a line editor limited to the field's size; a value the table
// refuses is shown by the general error display and the edit stays open in the table.
class RecordGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit RecordGridDelegate(RecordGrid* grid);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    // Closes the editor without writing it back.
    void discard(QWidget* editor);

private:
    RecordGrid* grid_;
};

// The record navigator of every grid: First, Prior, Next and Last, and Insert where the grid is
// edited in place, with their hints; Insert starts the new row below the current one. With a
// RecordGrid, a click first ends the row's pending edit and then puts the focus on the grid's
// first column; without one it moves the table's cursor alone (a grid that follows the cursor
// shows the move).
class RecordNavigator : public QWidget {
    Q_OBJECT
public:
    enum class Buttons { Moves, MovesAndInsert };

    RecordNavigator(RecordGrid* grid, QWidget* parent = nullptr);
    RecordNavigator(TdxMemData& table, RecordGrid* grid, Buttons buttons,
                    QWidget* parent = nullptr);

    QToolButton* button(const char* name) const;
    void first();
    void prior();
    void next();
    void last();
    void insert();

private:
    // Ends the grid's pending edit; false when the row could not be left.
    bool leaveRow();
    void afterMove();

    TdxMemData& table_;
    RecordGrid* grid_;
};
