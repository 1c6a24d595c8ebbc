#pragma once

#include "core/tables/mem_data.h"

#include <QAbstractTableModel>

#include <functional>
#include <vector>

// The one adapter from a record table to Qt's item views. It shows the table's rows (and, while
// the table inserts, the new row at its place), follows the table's view notifications, and
// writes edits into the table's edit buffer. It keeps no copy of the rows.
class TableModel : public QAbstractTableModel, public TableView {
    Q_OBJECT
public:
    explicit TableModel(TdxMemData& table, QObject* parent = nullptr);
    ~TableModel() override;

    TdxMemData& table() const { return table_; }

    // The fields shown, as field indexes; the visible fields by default.
    void setColumns(std::vector<int> fields);
    int fieldAt(int column) const { return columns_[static_cast<size_t>(column)]; }
    int columnOfField(int field) const;
    void setEditable(bool editable) { editable_ = editable; }
    // The cells of this field show their whole text as a tooltip (a message cut by its column).
    void setToolTipField(int field) { toolTipField_ = field; }

    // Extra looks of a stored row's cells (colour, font, tooltip, decoration): asked for the
    // roles the model does not answer itself; an invalid QVariant leaves the role alone.
    using CellLook = std::function<QVariant(int tableRow, int field, int role)>;
    void setCellLook(CellLook look) { cellLook_ = std::move(look); }

    // Shows only the stored rows the filter keeps (and the row being inserted); an empty filter
    // shows every row. The filter is asked again whenever the table's rows change.
    using RowFilter = std::function<bool(int tableRow)>;
    void setRowFilter(RowFilter keep);
    bool filtered() const { return static_cast<bool>(filter_); }

    // The table row shown at a model row; -1 for the row being inserted.
    int tableRow(int modelRow) const;
    // The model row showing a table row; -1 when the filter hides it.
    int modelRow(int tableRow) const;
    // The model row of the row being inserted; -1 when the table is not inserting.
    int insertModelRow() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // A value as the grid shows it: dates by their display format ("31-Jan-2003"), times
    // "HH:mm" when so declared, everything else in its text form.
    static QString displayText(const FieldDef& def, const FieldValue& value);
    // A cell of a table as the grid would show it, with a display format of its own when given
    // ("dd-MMM-yyyy", "HH:mm"); empty when the table has no such field.
    static QString cellText(const TdxMemData& table, int row, const char* field,
                            const char* format = nullptr);

    void tableCursorMoved() override;
    void tableStateChanged() override;
    void tableFieldChanged(int field) override;
    void tableRowChanged(int row) override;
    void tableRefresh() override;
    void tableDestroyed() override;

signals:
    // The table's cursor moved to this model row (-1 when none).
    void currentRowChanged(int modelRow);

private:
    FieldValue valueAt(int modelRow, int field) const;
    int shownRowCount() const;
    void applyFilter();

    CellLook cellLook_;
    RowFilter filter_;
    std::vector<int> shown_; // the table rows the filter keeps, in order

    TdxMemData& table_;
    std::vector<int> columns_;
    bool editable_ = false;
    int toolTipField_ = -1;
    int lastRowCount_ = 0;
    bool tableGone_ = false; // the table was destroyed before this model
};
