#pragma once

// Key and text filters shared by the program's entry boxes.
//
// Public API (stable; other windows use it):
//
//   QString typedCharacter(const QKeyEvent& e)
//       The character a key press types, as the entry boxes see it: a printable character, or
//       "\b" for Backspace. Empty for keys that type nothing (arrows, Enter, Tab, function keys)
//       and for shortcuts held with Ctrl or Meta (copy, paste, select all), which pass unfiltered.
//
//   bool isNumberCharacter(const QString& key)
//       True for the ten digits, the blank and Backspace.
//
//   bool checkForNumber(const QString& key, QWidget* control, Prompter& prompter)
//       The digits-only key filter. Returns true when the key may pass; otherwise shows
//       "Only Numeric values allowed" (error box, OK), gives control the focus and returns false:
//       the caller drops the key. A key that types nothing passes.
//
//   class NumberKeyFilter
//       Attaches checkForNumber to a QLineEdit or an editable QComboBox: typed keys are filtered,
//       and text pasted or dropped into the box is refused with the same message when it holds
//       anything but digits and blanks.  new NumberKeyFilter(box, prompter) — owned by the box.
//
//   class TextEntryGuard
//       Keeps text the table files cannot hold out of a QLineEdit or an editable QComboBox,
//       wherever it comes from (typing, pasting, dropping):
//         - a character the single-byte charset cannot carry: uncarriableMessage(character);
//         - each character listed in forbidden (for example "^"): "The ^ character is not allowed";
//         - tabs and line breaks, which would split a value or a line of a table file:
//           kLineBreakMessage.
//       The refused change is undone and the box keeps its text. Typed keys that a window
//       handles itself (its own key-press handler) reach that handler first when the window
//       installs its own event filter after the guard.  new TextEntryGuard(box, prompter, "^").

#include <QObject>
#include <QPointer>
#include <QString>

class QComboBox;
class QKeyEvent;
class QLineEdit;
class QWidget;
class Prompter;

QString typedCharacter(const QKeyEvent& e);
bool isNumberCharacter(const QString& key);
bool checkForNumber(const QString& key, QWidget* control, Prompter& prompter);

// The line edit of a QLineEdit or of an editable QComboBox; nullptr for anything else.
QLineEdit* entryLineEdit(QWidget* box);

inline const QString kNumericOnlyMessage = QStringLiteral("Only Numeric values allowed");
inline const QString kLineBreakMessage =
    QStringLiteral("Tabs and line breaks cannot be stored in this box");

// "The " + character + " character is not allowed".
QString notAllowedMessage(const QString& character);

class NumberKeyFilter : public QObject {
    Q_OBJECT
public:
    NumberKeyFilter(QWidget* box, Prompter& prompter);

    // Digits and blanks only.
    static bool numeric(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void changed(const QString& text);

    QWidget* box_;
    QPointer<QLineEdit> edit_;
    Prompter& prompter_;
    QString lastGood_;
    bool refuseNext_ = false;
    bool restoring_ = false;
};

class TextEntryGuard : public QObject {
    Q_OBJECT
public:
    TextEntryGuard(QWidget* box, Prompter& prompter, QString forbidden = QStringLiteral("^"));

    // The refusal message for text, or an empty string when the box may hold it.
    QString refusalFor(const QString& text) const;

private:
    void changed(const QString& text);

    QWidget* box_;
    QPointer<QLineEdit> edit_;
    Prompter& prompter_;
    QString forbidden_;
    QString lastGood_;
    QString refusal_; // the refusal of the user's change being announced
    bool restoring_ = false;
};
