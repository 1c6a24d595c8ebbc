#include "harness/keyboard_walk.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QTest>
#include <QToolButton>

QString focusName() {
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
            return w->objectName();
    return {};
}

namespace {

// The item view the widget is, or edits a cell of, when Tab moves between its cells.
QAbstractItemView* tabbingView(QWidget* w) {
    for (; w; w = w->parentWidget())
        if (auto* view = qobject_cast<QAbstractItemView*>(w))
            return view->tabKeyNavigation() ? view : nullptr;
    return nullptr;
}

void tab(QWidget* from, bool back, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(from, back ? Qt::Key_Backtab : Qt::Key_Tab,
                    mods | (back ? Qt::ShiftModifier : Qt::NoModifier));
}

} // namespace

QStringList walk(int steps, bool back) {
    QStringList names;
    for (int i = 0; i < steps; ++i) {
        QWidget* from = QApplication::focusWidget();
        if (!from)
            break;
        QAbstractItemView* view = tabbingView(from);
        tab(from, back);
        // Tab went to another cell: Ctrl+Tab leaves the grid.
        if (view && tabbingView(QApplication::focusWidget()) == view)
            tab(QApplication::focusWidget(), back, Qt::ControlModifier);
        names << focusName();
    }
    return names;
}

QChar mnemonicOf(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text[i + 1].toLower();
    }
    return {};
}

QStringList mnemonicProblems(QWidget* window) {
    QStringList problems;
    QMap<QChar, QString> owner;
    const auto nameOf = [](QWidget* w, const QString& text) {
        return w->objectName().isEmpty() ? QStringLiteral("\"%1\"").arg(text) : w->objectName();
    };
    const auto take = [&](QWidget* w, const QString& text) {
        const QChar c = mnemonicOf(text);
        if (c.isNull()) {
            problems << QStringLiteral("%1 \"%2\" has no Alt key").arg(w->objectName(), text);
            return;
        }
        if (owner.contains(c))
            problems
                << QStringLiteral("Alt+%1 for both %2 and %3").arg(c, owner[c], nameOf(w, text));
        owner[c] = nameOf(w, text);
    };
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        // The small "..." buttons and the navigators' arrows are not captioned.
        if (!b->isVisibleTo(window) || qobject_cast<QToolButton*>(b) || b->text().isEmpty())
            continue;
        take(b, b->text());
    }
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->buddy() && l->isVisibleTo(window))
            take(l, l->text());
    for (QGroupBox* g : window->findChildren<QGroupBox*>())
        if (g->isCheckable() && g->isVisibleTo(window))
            take(g, g->title());
    return problems;
}
