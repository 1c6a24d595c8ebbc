#include "dialup/auto_form.h"

#include "core/dialup/dialup_settings.h"
#include "core/tables/ini_file.h"
#include "ui/application.h"
#include "ui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

#include <algorithm>

namespace {

std::optional<int> wholeNumber(const QString& piece) {
    bool ok = false;
    const int value = piece.trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

TAutoForm::TAutoForm(const QString& name, std::string iniFileName, QWidget* parent)
    : QDialog(parent), iniFileName_(std::move(iniFileName)), placementKey_(name) {
    setObjectName(name);
}

TAutoForm::~TAutoForm() {
    if (placementWritten_)
        return;
    try {
        FormDestroy();
    } catch (...) {
        // A destructor cannot pass the failure on: show it as any handler's failure is shown.
        showCurrentException();
    }
}

TAutoForm::Placement TAutoForm::ParsePlacement(const QString& text) {
    Placement p;
    std::optional<int>* pieceSlots[] = {&p.left, &p.top, &p.height, &p.width, &p.state};
    const QStringList pieces = text.split(QLatin1Char(','));
    for (int i = 0; i < pieces.size() && i < 5; ++i)
        *pieceSlots[i] = wholeNumber(pieces[i]);
    return p;
}

QString TAutoForm::PlacementToString() const {
    // The normal geometry, so that a maximized or minimized window comes back to its own size
    // when it is restored.
    const QRect r =
        (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
            ? normalGeometry()
            : geometry();
    int state = 0;
    if (windowState() & Qt::WindowMinimized)
        state = 1;
    else if (windowState() & Qt::WindowMaximized)
        state = 2;
    return QStringLiteral("%1, %2, %3, %4, %5")
        .arg(r.left())
        .arg(r.top())
        .arg(r.height())
        .arg(r.width())
        .arg(state);
}

void TAutoForm::ApplyPlacementString(const QString& text) {
    const Placement p = ParsePlacement(text);
    QRect r = geometry();
    if (p.left)
        r.moveLeft(*p.left);
    if (p.top)
        r.moveTop(*p.top);
    if (p.height && *p.height > 0)
        r.setHeight(*p.height);
    if (p.width && *p.width > 0)
        r.setWidth(*p.width);
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    setGeometry(ontoNearestScreen(r, screens));
    if (p.state) {
        switch (*p.state) {
        case 0:
            setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
            break;
        case 1:
            setWindowState((windowState() & ~Qt::WindowMaximized) | Qt::WindowMinimized);
            break;
        case 2:
            setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
            break;
        default:
            break; // not a state: the window keeps the one it has
        }
    }
}

void TAutoForm::restorePlacement() {
    const std::string key = placementKey_.toStdString();
    const std::string current = PlacementToString().toStdString();
    const std::string stored =
        TIniFile(iniFileName_).ReadString(dialup::kWindowsSection, key, current);
    ApplyPlacementString(QString::fromStdString(stored));
}

void TAutoForm::centreOnOpener() {
    QRect r = geometry();
    r.moveCenter(centreOn_->geometry().center());
    centreOn_ = nullptr;
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    setGeometry(ontoNearestScreen(r, screens));
}

void TAutoForm::showEvent(QShowEvent* event) {
    if (!shownOnce_ && !event->spontaneous()) {
        shownOnce_ = true;
        restorePlacement();
    }
    if (centreOn_ && !event->spontaneous())
        centreOnOpener();
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TAutoForm::FormDestroy() {
    placementWritten_ = true;
    TIniFile(iniFileName_)
        .WriteString(dialup::kWindowsSection, placementKey_.toStdString(),
                     PlacementToString().toStdString());
}
