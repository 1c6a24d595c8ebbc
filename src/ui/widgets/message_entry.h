#pragma once

// The message box behaviour of every window that composes an SMS (the main window's entry
// panel, the reminders for selected contacts).
//
// Public API (stable; other windows use it):
//
//   MessageEntry(QComboBox* box, QLabel* count, Prompter& prompter,
//                std::function<int32_t()> dateDay, std::function<int32_t()> timeMs)
//       Attaches to an editable combo box and its count label (owned by the box). dateDay gives
//       the appointment date box's day number, timeMs the time box's time (ms since midnight).
//       The box gets: at most kMessageLength (160) typed characters, no automatic completion,
//       no insertion of typed text into its list.
//
//   Behaviour, as the user sees it:
//     - a key typed while the text holds "|" is dropped and the first "|" becomes the date
//       (dd/mm/yyyy); likewise a "~" becomes the time (HH:mm); at most one of each per key;
//     - leaving the box makes the same replacements (without a key) and shows "0/160";
//     - every key released shows the text's length + "/160";
//     - "^" typed: "The ^ character is not allowed" (error box), key dropped, focus kept, caret to
//       the end, count updated, onKeyRejected called;
//     - pasted or dropped text holding "^", a Tab, a line break or a character the single-byte
//       charset cannot carry is refused with a message (TextEntryGuard).
//
//   bool keyPress(const QString& key)   the key-press step (cboMessageKeyPress); returns true
//                                       when the key is dropped. An empty key: placeholders only.
//   void keyUp()                        the count (cboMessageKeyUp)
//   void exit()                         the leaving step (cboMessageExit)
//   void loadMessages(TdxMemData& messages)  refills the list from a standard messages table
//                                       (field "message"), First to AtEnd (loadMessageCombo)
//   std::function<void()> onKeyRejected

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class QComboBox;
class QLineEdit;
class QLabel;
class Prompter;
class TdxMemData;
class TextEntryGuard;

inline constexpr int kMessageLength = 160;

class MessageEntry : public QObject {
    Q_OBJECT
public:
    MessageEntry(QComboBox* box, QLabel* count, Prompter& prompter,
                 std::function<int32_t()> dateDay, std::function<int32_t()> timeMs);

    bool keyPress(const QString& key);
    void keyUp();
    void exit();
    void loadMessages(TdxMemData& messages);

    QComboBox* box() const { return box_; }
    std::function<void()> onKeyRejected;
    // The label that shows what the message costs in SMS (optional), kept with the count.
    QLabel* meter = nullptr;
    // Replaces the first "|" with the date and the first "~" with the time; true when one was.
    bool fillPlaceholders();
    // The date or time text a placeholder produced (or that a loaded reminder holds, see
    // remember) follows the date and time boxes: when they change, the text in the message
    // changes with them, so that the customer is never told the old day.
    void followDate();
    void followTime();
    void remember(const QString& dateText, const QString& timeText);
    void forget();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString dateText() const;
    QString timeText() const;
    void follow(QString& shown, const QString& now);
    void showCount(bool zero = false);

    QComboBox* box_;
    QLineEdit* edit_ = nullptr; // the box's line edit, compared by address only
    QLabel* count_;
    Prompter& prompter_;
    std::function<int32_t()> dateDay_;
    std::function<int32_t()> timeMs_;
    TextEntryGuard* guard_ = nullptr;
    QString shownDate_; // the date text in the message that follows the date box
    QString shownTime_;
};
