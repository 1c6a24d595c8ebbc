#pragma once

#include "dialup/auto_form.h"
#include "dialup/dialer_services.h"

#include <QString>

#include <array>

class Context;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The dial-up options ("Uplinker - Configuration"): recall of stored passwords and user names,
// dialling when the dialer opens, monthly connection time, and the browser, mail reader and news
// reader that can be started after connecting. The values live in the controls; the dialer
// reads and sets them through its DialupConfiguration and keeps them in the dial-up settings
// file.
class TConfigureAutoForm : public TAutoForm, public dialup::DialupConfiguration {
    Q_OBJECT
public:
    explicit TConfigureAutoForm(Context& context, QWidget* parent = nullptr);

    // The modal edit: the values noted before are put back unless the window closes with OK.
    void Execute() override;
    void openOver(QWidget* opener) override { CentreNextShowingOn(opener); }
    // Asked before every close that is not OK; true lets the window close.
    bool FormCloseQuery();
    void OkButtonClick();
    void CancelButtonClick();

    // Starts one program from its command line; a failing start beeps and shows why.
    void LaunchCommand(const QString& command, const QString& directory);
    // The commands and folders as they stand in their edits (not trimmed).
    void RunBrowser() override;
    void RunMailReader() override;
    void RunNewsReader() override;
    // The mail reader, the news reader, then the browser, each when its Auto Execute is ticked.
    void AutoRunAfterConnect() override;

    // What the dialer reads and sets; texts are returned without surrounding blanks.
    bool flag(Flag which) const override;
    void setFlag(Flag which, bool on) override;
    QString text(Text which) const override;
    void setText(Text which, const QString& value) override;

    QCheckBox* AutoPasswordCheckBox = nullptr;
    QCheckBox* AutoUserNameCheckBox = nullptr;
    QCheckBox* AutoConnectCheckBox = nullptr;
    QCheckBox* MonthlyDurationCheckBox = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* AutoExecuteBrowserCheckBox = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* BrowserExeEdit = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* BrowserDirEdit = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QCheckBox* AutoExecuteMailCheckBox = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* MailExeEdit = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* MailDirEdit = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QCheckBox* AutoExecuteNewsCheckBox = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* NewsExeEdit = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* NewsDirEdit = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

protected:
    // Every close goes through here: OK, Cancel, Esc and the window's close box.
    void done(int result) override;

private:
    struct Noted {
        std::array<bool, 7> checks{};
        std::array<QString, 6> texts;
        bool operator==(const Noted&) const = default;
    };
    Noted current() const;
    // The values when the window opened: closing without a change asks nothing.
    Noted shown_;
    // In the order of Flag and of Text.
    std::array<QCheckBox*, 7> checkBoxes() const;
    std::array<QLineEdit*, 6> edits() const;
    QGroupBox* programGroup(QGroupBox* group, QCheckBox* autoExecute, QLabel* targetLabel,
                            QLineEdit* target, QLabel* dirLabel, QLineEdit* dir);

    Context& context_;
};
