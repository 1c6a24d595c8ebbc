#pragma once

#include "ui/window_placement.h" // ontoNearestScreen

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QRect>

#include <optional>
#include <string>

// The base of every dial-up window. It knows the dial-up settings file and keeps the window's
// placement there: section "Windows", key = the window's object name, value "left, top, height,
// width, state" (height before width; state 0 normal, 1 minimized, 2 maximized).
//
// The placement is read at the first showing only and written when the window is destroyed,
// with the normal position and size even when the window is maximized or minimized. A placement
// off every screen is moved onto the nearest one, so a window never opens out of reach.
//
// Descendants put their own showing steps in FormShow, which runs after the placement has been
// restored, at every showing.
class TAutoForm : public QDialog {
    Q_OBJECT
public:
    // name becomes the object name and so the placement key.
    TAutoForm(const QString& name, std::string iniFileName, QWidget* parent = nullptr);
    ~TAutoForm() override;

    const std::string& IniFileName() const { return iniFileName_; }
    static QString PlacementSection() { return QStringLiteral("Windows"); }
    const QString& PlacementKey() const { return placementKey_; }

    // "left, top, height, width, state" of the window's normal geometry and its state.
    QString PlacementToString() const;
    // Splits text at its commas and applies the pieces in order: left, top, height, width,
    // state. Fewer pieces apply what is there; a piece that is not a whole number is skipped;
    // pieces after the fifth are ignored.
    void ApplyPlacementString(const QString& text);

    // The placement pieces of text; a missing or unreadable piece stays unset.
    struct Placement {
        std::optional<int> left, top, height, width, state;
    };
    static Placement ParsePlacement(const QString& text);

    // Writes the placement now (the destructor does it too); throws EIniFileError.
    void FormDestroy();

    // The next showing puts the window centred on opener, keeping its own size, so that a window
    // opened from another comes up over it rather than wherever it was last.
    void CentreNextShowingOn(QWidget* opener) { centreOn_ = opener; }

protected:
    void showEvent(QShowEvent* event) override;
    // Runs at every showing, after the first showing has restored the placement.
    virtual void FormShow() {}

private:
    void restorePlacement();
    void centreOnOpener();

    std::string iniFileName_;
    QString placementKey_;
    bool shownOnce_ = false;
    bool placementWritten_ = false;
    QPointer<QWidget> centreOn_;
};
