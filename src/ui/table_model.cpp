#include "ui/table_model.h"

#include "core/tables/date_time.h"
#include "core/tables/errors.h"
#include "ui/qt_charset.h"

#include <algorithm>

namespace {

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// "31-Jan-2003"
QString monthNameDate(int32_t day) {
    const CivilDate c = civilFromDayNumber(day);
    return QStringLiteral("%1-%2-%3")
        .arg(c.day, 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(kMonths[c.month - 1]))
        .arg(c.year, 4, 10, QLatin1Char('0'));
}

} // namespace

TableModel::TableModel(TdxMemData& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {
    for (int f = 1; f < table_.FieldCount(); ++f)
        if (table_.Field(f).Def().visible)
            columns_.push_back(f);
    lastRowCount_ = shownRowCount();
    table_.AddView(this);
}

TableModel::~TableModel() {
    if (!tableGone_)
        table_.RemoveView(this);
}

void TableModel::tableDestroyed() {
    beginResetModel();
    tableGone_ = true;
    lastRowCount_ = 0;
    endResetModel();
}

void TableModel::setColumns(std::vector<int> fields) {
    beginResetModel();
    columns_ = std::move(fields);
    endResetModel();
}

int TableModel::columnOfField(int field) const {
    for (size_t c = 0; c < columns_.size(); ++c)
        if (columns_[c] == field)
            return static_cast<int>(c);
    return -1;
}

void TableModel::setRowFilter(RowFilter keep) {
    beginResetModel();
    filter_ = std::move(keep);
    applyFilter();
    lastRowCount_ = shownRowCount();
    endResetModel();
    tableCursorMoved();
}

void TableModel::applyFilter() {
    shown_.clear();
    if (!filter_ || tableGone_)
        return;
    for (int row = 0; row < table_.RowCount(); ++row)
        if (filter_(row))
            shown_.push_back(row);
}

int TableModel::shownRowCount() const {
    if (tableGone_)
        return 0;
    const int stored = filter_ ? static_cast<int>(shown_.size()) : table_.RowCount();
    return stored + (table_.State() == DataSetState::Insert ? 1 : 0);
}

int TableModel::insertModelRow() const {
    if (table_.State() != DataSetState::Insert)
        return -1;
    const int at = table_.InsertIndex();
    if (!filter_)
        return at;
    return static_cast<int>(std::lower_bound(shown_.begin(), shown_.end(), at) - shown_.begin());
}

int TableModel::tableRow(int modelRow) const {
    const int inserting = insertModelRow();
    if (modelRow == inserting)
        return -1;
    const int stored = inserting >= 0 && modelRow > inserting ? modelRow - 1 : modelRow;
    if (!filter_)
        return stored;
    return stored >= 0 && stored < static_cast<int>(shown_.size())
               ? shown_[static_cast<size_t>(stored)]
               : -1;
}

int TableModel::modelRow(int tableRow) const {
    int stored = tableRow;
    if (filter_) {
        const auto it = std::lower_bound(shown_.begin(), shown_.end(), tableRow);
        if (it == shown_.end() || *it != tableRow)
            return -1;
        stored = static_cast<int>(it - shown_.begin());
    }
    const int inserting = insertModelRow();
    return inserting >= 0 && stored >= inserting ? stored + 1 : stored;
}

int TableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRowCount();
}

int TableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || tableGone_ ? 0 : static_cast<int>(columns_.size());
}

FieldValue TableModel::valueAt(int row, int field) const {
    const int t = tableRow(row);
    const bool buffered =
        (t < 0) || (table_.State() == DataSetState::Edit && t == table_.CurrentIndex());
    if (buffered)
        return table_.Field(field).Value();
    if (t >= table_.RowCount())
        return {};
    return table_.CellValue(t, field);
}

QString TableModel::cellText(const TdxMemData& table, int row, const char* field,
                             const char* format) {
    const int f = table.FieldIndex(field);
    if (f < 0 || row < 0 || row >= table.RowCount())
        return {};
    FieldDef def = table.Field(f).Def();
    if (format)
        def.displayFormat = format;
    return displayText(def, table.CellValue(row, f));
}

QString TableModel::displayText(const FieldDef& def, const FieldValue& value) {
    if (isNull(value))
        return {};
    if (def.kind == FieldKind::Date && def.displayFormat == "dd-MMM-yyyy")
        return monthNameDate(std::get<int32_t>(value));
    if (def.kind == FieldKind::Time && def.displayFormat == "HH:mm")
        return QString::fromLatin1(formatShortTime(std::get<int32_t>(value)));
    // A date-time kept as days and the fraction of the day (when a reply arrived, when a batch
    // was sent).
    if (def.kind == FieldKind::Float && def.displayFormat == "dd/mm/yyyy HH:mm") {
        const double at = std::get<double>(value);
        return QString::fromLatin1(formatDate(datePart(at)) + " " + formatShortTime(timePart(at)));
    }
    if (def.kind == FieldKind::Float && def.displayFormat == "dd-MMM-yyyy HH:mm") {
        const double at = std::get<double>(value);
        return monthNameDate(datePart(at)) + QLatin1Char(' ') +
               QString::fromLatin1(formatShortTime(timePart(at)));
    }
    // Shown as a yes/no; the files keep "True" and "False".
    if (def.kind == FieldKind::Boolean)
        return std::get<bool>(value) ? QStringLiteral("Yes") : QStringLiteral("No");
    return fromTableText(fieldtext::format(def.kind, value));
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shownRowCount() ||
        index.column() >= static_cast<int>(columns_.size()))
        return {};
    const int field = columns_[static_cast<size_t>(index.column())];
    const FieldDef& def = table_.Field(field).Def();
    if (role == Qt::DisplayRole || (role == Qt::ToolTipRole && field == toolTipField_))
        return displayText(def, valueAt(index.row(), field));
    if (role == Qt::EditRole) {
        const FieldValue v = valueAt(index.row(), field);
        if (def.kind == FieldKind::Time && def.displayFormat == "HH:mm" && !isNull(v))
            return QString::fromLatin1(formatShortTime(std::get<int32_t>(v)));
        return fromTableText(fieldtext::format(def.kind, v));
    }
    if (cellLook_) {
        const int t = tableRow(index.row());
        if (t >= 0 && t < table_.RowCount())
            return cellLook_(t, field, role);
    }
    return {};
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || tableGone_)
        return {};
    if (orientation == Qt::Vertical)
        return {};
    if (section < 0 || section >= static_cast<int>(columns_.size()))
        return {};
    return fromTableText(table_.Field(columns_[static_cast<size_t>(section)]).DisplayName());
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (editable_ && index.isValid())
        f |= Qt::ItemIsEditable;
    return f;
}

bool TableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!editable_ || role != Qt::EditRole || !index.isValid() || tableGone_)
        return false;
    const QString text = value.toString();
    const auto bytes = toTableText(text);
    if (!bytes)
        throw EConvertError(uncarriableMessage(firstUncarriable(text)).toStdString());
    const int field = columns_[static_cast<size_t>(index.column())];
    const int t = tableRow(index.row());
    if (t >= 0 && t != table_.CurrentIndex())
        table_.SetRowNumber(t + 1);
    if (table_.State() == DataSetState::Browse)
        table_.Edit();
    if (table_.Field(field).AsString() != *bytes)
        table_.Field(field).SetAsString(*bytes);
    return true;
}

void TableModel::tableCursorMoved() {
    emit currentRowChanged(table_.CurrentIndex() < 0 ? -1 : modelRow(table_.CurrentIndex()));
}

void TableModel::tableStateChanged() {
    // A filtered model checks its rows again: the state change may come with rows added.
    if (filter_ || shownRowCount() != lastRowCount_)
        tableRefresh();
}

void TableModel::tableFieldChanged(int) {
    if (table_.State() == DataSetState::Insert) {
        const int r = insertModelRow();
        if (r >= 0 && r < shownRowCount())
            emit dataChanged(index(r, 0), index(r, columnCount() - 1));
    } else if (table_.CurrentIndex() >= 0) {
        tableRowChanged(table_.CurrentIndex());
    }
}

void TableModel::tableRowChanged(int row) {
    const int r = modelRow(row);
    if (r >= 0 && r < shownRowCount() && columnCount() > 0)
        emit dataChanged(index(r, 0), index(r, columnCount() - 1));
}

void TableModel::tableRefresh() {
    std::vector<int> before;
    if (filter_) {
        before.swap(shown_);
        applyFilter();
    }
    const int count = shownRowCount();
    if (count == lastRowCount_ && before == shown_) {
        if (count > 0 && columnCount() > 0)
            emit dataChanged(index(0, 0), index(count - 1, columnCount() - 1));
    } else {
        beginResetModel();
        lastRowCount_ = count;
        endResetModel();
    }
    tableCursorMoved();
}
