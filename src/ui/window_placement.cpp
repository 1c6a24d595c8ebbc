#include "ui/window_placement.h"

#include "core/tables/ini_file.h"

#include <QEvent>
#include <QGuiApplication>
#include <QList>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <limits>

QRect ontoNearestScreen(const QRect& rect, const QList<QRect>& screens) {
    if (screens.isEmpty())
        return rect;
    // The screen it overlaps most; with no overlap, the one whose centre is nearest.
    const QRect* area = nullptr;
    qint64 bestOverlap = 0;
    for (const QRect& s : screens) {
        const QRect common = s.intersected(rect);
        const qint64 size = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        if (size > bestOverlap) {
            bestOverlap = size;
            area = &s;
        }
    }
    if (!area) {
        qint64 bestDistance = std::numeric_limits<qint64>::max();
        for (const QRect& s : screens) {
            const qint64 dx = s.center().x() - rect.center().x();
            const qint64 dy = s.center().y() - rect.center().y();
            if (dx * dx + dy * dy < bestDistance) {
                bestDistance = dx * dx + dy * dy;
                area = &s;
            }
        }
    }
    QRect r(rect.topLeft(),
            QSize(std::min(rect.width(), area->width()), std::min(rect.height(), area->height())));
    r.moveLeft(std::clamp(r.left(), area->left(), area->right() + 1 - r.width()));
    r.moveTop(std::clamp(r.top(), area->top(), area->bottom() + 1 - r.height()));
    return r;
}

namespace {

class PlacementKeeper : public QObject {
public:
    PlacementKeeper(QWidget* window, std::string iniPath)
        : QObject(window), window_(window), iniPath_(std::move(iniPath)),
          section_(window->objectName().toStdString()) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_) {
            if (event->type() == QEvent::Show)
                restore();
            else if (event->type() == QEvent::Hide && !event->spontaneous())
                save();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void restore() {
        const IniDocument ini = TIniFile(iniPath_).Load();
        const QRect saved(ini.ReadInteger(section_, "Left", 0), ini.ReadInteger(section_, "Top", 0),
                          ini.ReadInteger(section_, "Width", 0),
                          ini.ReadInteger(section_, "Height", 0));
        if (saved.width() <= 0 || saved.height() <= 0) {
            // Never kept: the window's own size and place, but no larger than its screen.
            if (const QScreen* screen = window_->screen()) {
                const QSize room = screen->availableGeometry().size();
                if (!room.isEmpty() &&
                    (window_->width() > room.width() || window_->height() > room.height()))
                    window_->resize(window_->size().boundedTo(room));
            }
            return;
        }
        QList<QRect> screens;
        for (QScreen* s : QGuiApplication::screens())
            screens << s->availableGeometry();
        QRect r = ontoNearestScreen(saved, screens);
        r.setSize(r.size().expandedTo(window_->minimumSize()));
        window_->setGeometry(r);
    }
    void save() {
        const QRect r = window_->geometry();
        TIniFile(iniPath_).Update([&](IniDocument& ini) {
            ini.WriteInteger(section_, "Left", r.x());
            ini.WriteInteger(section_, "Top", r.y());
            ini.WriteInteger(section_, "Width", r.width());
            ini.WriteInteger(section_, "Height", r.height());
        });
    }

    QWidget* window_;
    std::string iniPath_;
    std::string section_;
};

} // namespace

void keepPlacement(QWidget* window, const std::string& iniPath) {
    window->installEventFilter(new PlacementKeeper(window, iniPath));
}
