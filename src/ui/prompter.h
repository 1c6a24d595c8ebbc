#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

// Every box the program shows goes through a Prompter: the real one shows Qt dialogs, the test
// one records each box and answers from a queue. No window calls QMessageBox or QFileDialog.

enum class BoxKind { Error, Warning, Information, Confirmation, Message };
enum class BoxButton { None, Ok, Cancel, Yes, No, Abort, Retry, Ignore };

struct Box {
    BoxKind kind = BoxKind::Message;
    QString caption;
    QString text;
    QList<BoxButton> buttons{BoxButton::Ok};
    BoxButton defaultButton = BoxButton::Ok;
    // More about the cause, behind the box's "Show Details..." button; none when empty.
    QString details;
    // Texts shown on the buttons instead of the standard ones, in the order of buttons; a box
    // names its actions ("Print Them", "Close") where Yes and No would not say enough.
    QStringList captions;
};

// A list the user looks over before going on: a text, a table of rows and two buttons.
struct ListReview {
    QString caption;
    QString text;
    QStringList headers;
    QList<QStringList> rows;
    QString acceptText; // the button that goes on
    QString rejectText; // the default button: Enter and Esc change nothing
};

class Prompter {
public:
    virtual ~Prompter() = default;

    // Shows a box and returns the button pressed.
    virtual BoxButton show(const Box& box) = 0;
    virtual void beep() = 0;
    // The file-open dialog; the empty string when cancelled. filter as "Name|*.ext".
    virtual QString openFile(const QString& title, const QString& filter,
                             const QString& folder) = 0;
    // The file-save dialog, asking before an existing file is replaced; the empty string when
    // cancelled. filter as for openFile; a name typed without extension gets the filter's.
    virtual QString saveFile(const QString& title, const QString& filter,
                             const QString& folder) = 0;
    // The print dialog; false when cancelled.
    virtual bool printDialog(QPrinter& printer) = 0;
    // Shows the list; true when the user chose to go on. By default a Yes/No box holding the
    // rows as lines.
    virtual bool review(const ListReview& list);

    // The usual boxes.
    void error(const QString& text, const QString& caption = QStringLiteral("Error"));
    // An error box whose details say more about the cause.
    void errorWithDetails(const QString& text, const QString& details);
    void warning(const QString& text, const QString& caption = QStringLiteral("Warning"));
    void information(const QString& text, const QString& caption = QStringLiteral("Information"));
    // A plain message with the application's title as caption.
    void message(const QString& text, const QString& caption = QStringLiteral("Tallyminder"));
    // A Yes/No confirmation; true for Yes.
    bool confirm(const QString& text, BoxButton defaultButton = BoxButton::Yes,
                 const QString& caption = QStringLiteral("Confirm"));
    // The question before rows go, in the one wording of the whole program, with No as the
    // default so that Enter keeps them: "Delete the reminder for Ann on 15-Dec-2026 at 10:30?"
    // for one row (which describes it), "Delete 7 reminders?" for several.
    bool confirmDeletion(int count, const QString& one, const QString& many,
                         const QString& which = {});
};

// The text of that question.
QString deletionQuestion(int count, const QString& one, const QString& many,
                         const QString& which = {});
