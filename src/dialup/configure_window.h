#pragma once

#include <QDialog>
#include <QString>
#include <array>

class Forms;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The dial-up options ("Uplinker - Configuration"): recall of stored passwords and user names,
// dialling when the dialer opens, monthly connection time, and the browser, mail reader and news
// reader that can be started after connecting. The values live in the controls; the dialer
// reads and sets them through the accessors and keeps them in the dial-up settings file.
class TConfigureAutoForm : public QDialog {
    Q_OBJECT
public:
    explicit TConfigureAutoForm(Forms& forms, QWidget* parent = nullptr);

    // The modal edit: the values noted before are put back unless the window closes with OK.
    bool Execute();
    // Asked before every close that is not OK; true lets the window close.
    bool FormCloseQuery();
    void OkButtonClick();
    void CancelButtonClick();

    // Starts one program from its command line; a failing start beeps and shows why.
    void LaunchCommand(const QString& command, const QString& directory);
    // The commands and folders as they stand in their edits (not trimmed).
    void RunBrowser();
    void RunMailReader();
    void RunNewsReader();
    // The mail reader, the news reader, then the browser, each when its Auto Execute is ticked.
    void AutoRunAfterConnect();

    bool AutoPassword() const;
    void SetAutoPassword(bool on);
    bool AutoUserName() const;
    void SetAutoUserName(bool on);
    bool AutoConnect() const;
    void SetAutoConnect(bool on);
    bool MonthlyDuration() const;
    void SetMonthlyDuration(bool on);
    bool AutoExecuteBrowser() const;
    void SetAutoExecuteBrowser(bool on);
    bool AutoExecuteMail() const;
    void SetAutoExecuteMail(bool on);
    bool AutoExecuteNews() const;
    void SetAutoExecuteNews(bool on);
    // The edits' texts without surrounding blanks.
    QString BrowserExe() const;
    void SetBrowserExe(const QString& text);
    QString BrowserDir() const;
    void SetBrowserDir(const QString& text);
    QString MailExe() const;
    void SetMailExe(const QString& text);
    QString MailDir() const;
    void SetMailDir(const QString& text);
    QString NewsExe() const;
    void SetNewsExe(const QString& text);
    QString NewsDir() const;
    void SetNewsDir(const QString& text);

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
    };
    std::array<QCheckBox*, 7> checkBoxes() const;
    std::array<QLineEdit*, 6> edits() const;
    QGroupBox* programGroup(QGroupBox* group, QCheckBox* autoExecute, QLabel* targetLabel,
                            QLineEdit* target, QLabel* dirLabel, QLineEdit* dir);

    Forms& forms_;
};
