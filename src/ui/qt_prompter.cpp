#include "ui/qt_prompter.h"

#include "ui/application.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QMessageBox::StandardButton toQt(BoxButton b) {
    switch (b) {
    case BoxButton::Ok:
        return QMessageBox::Ok;
    case BoxButton::Cancel:
        return QMessageBox::Cancel;
    case BoxButton::Yes:
        return QMessageBox::Yes;
    case BoxButton::No:
        return QMessageBox::No;
    case BoxButton::Abort:
        return QMessageBox::Abort;
    case BoxButton::Retry:
        return QMessageBox::Retry;
    case BoxButton::Ignore:
        return QMessageBox::Ignore;
    case BoxButton::None:
        break;
    }
    return QMessageBox::NoButton;
}

BoxButton fromQt(int b) {
    switch (b) {
    case QMessageBox::Ok:
        return BoxButton::Ok;
    case QMessageBox::Cancel:
        return BoxButton::Cancel;
    case QMessageBox::Yes:
        return BoxButton::Yes;
    case QMessageBox::No:
        return BoxButton::No;
    case QMessageBox::Abort:
        return BoxButton::Abort;
    case QMessageBox::Retry:
        return BoxButton::Retry;
    case QMessageBox::Ignore:
        return BoxButton::Ignore;
    default:
        return BoxButton::None;
    }
}

// Whether the process is ending: then no box waits for an answer.
bool ending() {
    const TApplication* app = TApplication::instance();
    return app && app->endRequested();
}

// The answer of a box that nobody answers: Cancel or No when offered, else its default.
BoxButton quietAnswer(const Box& box) {
    for (BoxButton b : {BoxButton::Cancel, BoxButton::No})
        if (box.buttons.contains(b))
            return b;
    return box.defaultButton;
}

} // namespace

BoxButton QtPrompter::show(const Box& box) {
    if (ending())
        return quietAnswer(box);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (box.kind) {
    case BoxKind::Error:
        icon = QMessageBox::Critical;
        break;
    case BoxKind::Warning:
        icon = QMessageBox::Warning;
        break;
    case BoxKind::Information:
        icon = QMessageBox::Information;
        break;
    case BoxKind::Confirmation:
        icon = QMessageBox::Question;
        break;
    case BoxKind::Message:
        break;
    }
    QMessageBox::StandardButtons buttons;
    for (BoxButton b : box.buttons)
        buttons |= toQt(b);
    QMessageBox mb(icon, box.caption, box.text, buttons, QApplication::activeWindow());
    mb.setDefaultButton(toQt(box.defaultButton));
    for (int i = 0; i < box.captions.size() && i < box.buttons.size(); ++i)
        if (QAbstractButton* b = mb.button(toQt(box.buttons[i])))
            b->setText(box.captions[i]);
    if (!box.details.isEmpty())
        mb.setDetailedText(box.details);
    const int answer = mb.exec();
    // Closed because the process is ending, not answered.
    return ending() ? quietAnswer(box) : fromQt(answer);
}

void QtPrompter::beep() {
    QApplication::beep();
}

namespace {

// "Name|*.ext" pairs become Qt's "Name (*.ext)" filters.
QString qtFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    return filters.join(QStringLiteral(";;"));
}

} // namespace

QString QtPrompter::openFile(const QString& title, const QString& filter, const QString& folder) {
    if (ending())
        return {};
    // A typed name of a file that is not there is taken too: the caller reads the file and says
    // itself why it cannot.
    QFileDialog dialog(QApplication::activeWindow(), title, folder, qtFilters(filter));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

QString QtPrompter::saveFile(const QString& title, const QString& filter, const QString& folder) {
    if (ending())
        return {};
    QFileDialog dialog(QApplication::activeWindow(), title, folder, qtFilters(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // "*.txt" gives "txt": a name typed without extension is saved as a text file.
    const QStringList parts = filter.split(QLatin1Char('|'));
    if (parts.size() > 1 && parts[1].startsWith(QStringLiteral("*.")))
        dialog.setDefaultSuffix(parts[1].mid(2));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool QtPrompter::printDialog(QPrinter& printer) {
    if (ending())
        return false;
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrompter::review(const ListReview& list) {
    if (ending())
        return false;
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(list.caption);
    dialog.resize(640, 360);
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(list.text, &dialog);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* table = new QTableWidget(static_cast<int>(list.rows.size()),
                                   static_cast<int>(list.headers.size()), &dialog);
    table->setObjectName(QStringLiteral("reviewTable"));
    table->setHorizontalHeaderLabels(list.headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    for (int r = 0; r < list.rows.size(); ++r)
        for (int c = 0; c < list.rows[r].size() && c < list.headers.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(list.rows[r][c]));
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table, 1);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* accept = buttons->addButton(list.acceptText, QDialogButtonBox::AcceptRole);
    QPushButton* reject = buttons->addButton(list.rejectText, QDialogButtonBox::RejectRole);
    accept->setAutoDefault(false);
    reject->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return dialog.exec() == QDialog::Accepted;
}
