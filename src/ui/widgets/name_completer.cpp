#include "ui/widgets/name_completer.h"

#include <QComboBox>
#include <QCompleter>
#include <QIdentityProxyModel>

namespace {

constexpr int kFoldedRole = Qt::UserRole + 77;

// The box's items with their folded text as one more role, which the completer matches on.
class FoldedModel : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == kFoldedRole)
            return foldForSearch(QIdentityProxyModel::data(index, Qt::DisplayRole).toString());
        return QIdentityProxyModel::data(index, role);
    }
};

class FoldingCompleter : public QCompleter {
public:
    using QCompleter::QCompleter;
    // What was typed is folded like the items...
    QStringList splitPath(const QString& path) const override { return {foldForSearch(path)}; }
    // ...and a chosen item goes into the box as it is shown, accents and all.
    QString pathFromIndex(const QModelIndex& index) const override {
        return index.data(Qt::DisplayRole).toString();
    }
};

} // namespace

QString foldForSearch(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            out += c;
    return out.toCaseFolded();
}

void completeOnAnyPart(QComboBox* box) {
    auto* folded = new FoldedModel(box);
    folded->setSourceModel(box->model());
    auto* completer = new FoldingCompleter(folded, box);
    completer->setCompletionRole(kFoldedRole);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCaseSensitivity(Qt::CaseSensitive); // both sides are folded already
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setMaxVisibleItems(12);
    box->setCompleter(completer);
}
