#pragma once

#include "dialup/auto_form.h"
#include "dialup/uplinker_logic.h"

#include <deque>
#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QTimer;
class TAboutForm;

// The dialer window ("Uplinker"): picks a phone-book entry, user name and password, dials, lists
// the dial's progress line by line, and, once connected, sends the batch again and closes. Its
// logic is UplinkerLogic; this class holds the controls and the handlers.
//
// The send window that opens it gives it two actions: sendAgain runs the send exactly as a click
// on Send and tells whether the batch went out; closeSender closes the send window.
class TUplinkerForm : public TAutoForm, private dialup::UplinkerView {
    Q_OBJECT
public:
    TUplinkerForm(dialup::UplinkerServices services, TAboutForm* about, QWidget* parent = nullptr);
    ~TUplinkerForm() override;

    std::function<bool()> sendAgain;
    std::function<void()> closeSender;

    dialup::UplinkerLogic& logic() { return logic_; }

    QMenuBar* MainMenu1 = nullptr;
    QMenu* File1 = nullptr;
    QAction* MnuProperties = nullptr;
    QAction* MnuNew = nullptr;
    QAction* MnuCancel = nullptr;
    QAction* MnuClearduration = nullptr;
    QAction* RunInternetBrowser1 = nullptr;
    QAction* RunInternetMailReader1 = nullptr;
    QAction* RunInternetNewsReader1 = nullptr;
    QAction* MnuQuit = nullptr;
    QAction* MnuConnect = nullptr;
    QMenu* MnuOptions = nullptr;
    QAction* MnuConfigure = nullptr;
    QAction* TimeRestrictions1 = nullptr;
    QAction* MnuAbout = nullptr;

    QLabel* Label2 = nullptr;
    QComboBox* EntryNameComboBox = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* UserNameComboBox = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* PasswordEdit = nullptr;
    QCheckBox* SavePWCheckBox = nullptr;
    QPushButton* ConnectButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* IPButton = nullptr;
    QLabel* DurationLabel = nullptr;
    QLabel* NoServiceLabel = nullptr;
    QListWidget* InfoListBox = nullptr;
    QTimer* CheckTimer = nullptr;

    // Handlers.
    void CheckTimerTimer();
    void MnuConfigureClick();
    void TimeRestrictions1Click();
    void MnuAboutClick();

protected:
    void FormShow() override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildWindow();
    void buildMenu();
    // The connected state of the current dial: start the programs, hide, send, close.
    void connectedSend();
    // The send after connecting did not go out: back in view, idle, nothing lost.
    void afterFailedSend();
    // One dial progress event for the logic, and the send when it says connected.
    void handleDialEvent(dialup::ConnectionHandle handle, uint32_t state, dialup::RasCode error);
    // Once the service has answered: the Cancel that waited, the progress held back meanwhile,
    // and the closing that waited.
    void afterServiceAnswered();

    // UplinkerView
    QString entryText() const override;
    QString userNameText() const override;
    QString passwordText() const override;
    bool savePasswordChecked() const override;
    void setEntries(const QStringList& names) override;
    void selectEntry(int index) override;
    void setUserNames(const QStringList& names) override;
    void setUserNameText(const QString& text) override;
    void setPasswordText(const QString& text) override;
    void setSavePasswordChecked(bool on) override;
    void addInfoLine(const QString& text) override;
    void clearInfo() override;
    void setDurationText(const QString& text) override;
    void setCaption(const QString& text) override;
    void setConnectEnabled(bool on) override;
    void setCancelEnabled(bool on) override;
    void setCancelCaption(const QString& text) override;
    void setCheckTimer(bool on) override;
    void postAutoConnect() override;
    QWidget* dialerWidget() override { return this; }
    void setAboutProgramName(const QString& text) override;
    void serviceAnswered() override;
    void showServiceMissing(const QString& text) override;

    dialup::UplinkerServices services_;
    TAboutForm* about_;
    dialup::UplinkerLogic logic_;
    bool started_ = false;
    bool closed_ = false;
    // Closed while the service was still to answer: the window goes once it has.
    bool deleteWhenAnswered_ = false;
    // Dial progress that came while the service was still to answer, in order.
    struct Progress {
        dialup::ConnectionHandle handle;
        uint32_t state;
        dialup::RasCode error;
    };
    std::deque<Progress> heldBack_;
};
