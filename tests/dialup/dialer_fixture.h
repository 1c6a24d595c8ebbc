#pragma once

// The fixture of the dialer tests: the program's windows over a scripted dial-up service, and
// the dialer opened the way a send that finds the machine offline opens it.

#include "core/dialup/dialup_settings.h"
#include "core/tables/atomic_file.h"
#include "core/tables/ini_file.h"
#include "dialup/dial_progress.h"
#include "dialup/dialer_services.h"
#include "dialup/uplinker_form.h"
#include "harness/scripted_remote_access.h"
#include "harness/window_test.h"
#include "sending/send_mail_window.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <map>

// Readable failures: QString as its text.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

using Op = ScriptedRemoteAccess::Op;
using Flag = dialup::DialupConfiguration::Flag;

// Restrictions that refuse or allow every dial, counting the questions.
class FixedRestrictions : public dialup::DialRestrictions {
public:
    bool allow = true;
    std::string section;
    int loads = 0;
    int asked = 0;
    void setRestrictionSection(const std::string& s) override { section = s; }
    std::string restrictionSection() const override { return section; }
    void LoadRestrictions() override { ++loads; }
    bool IsDialAllowed() override {
        ++asked;
        return allow;
    }
    bool Execute() override {
        ++executes;
        return false;
    }
    int executes = 0;
};

// The window's observable state: buttons, captions and timer.
struct Look {
    bool connect;
    bool cancel;
    QString cancelCaption;
    bool timer;
    QString caption;
    bool operator==(const Look&) const = default;
};

inline void PrintTo(const Look& l, std::ostream* os) {
    *os << "{connect " << l.connect << ", cancel " << l.cancel << " '"
        << l.cancelCaption.toStdString() << "', timer " << l.timer << ", '"
        << l.caption.toStdString() << "'}";
}

// Options kept in memory: the dialer's own tests do not depend on the configuration window.
class FakeConfiguration : public dialup::DialupConfiguration {
public:
    std::map<Flag, bool> flags;
    std::map<Text, QString> texts;
    int executes = 0;
    int autoRuns = 0;
    QStringList runs;
    std::function<void()> onExecute;

    bool flag(Flag which) const override {
        const auto it = flags.find(which);
        return it != flags.end() && it->second;
    }
    void setFlag(Flag which, bool on) override { flags[which] = on; }
    QString text(Text which) const override {
        const auto it = texts.find(which);
        return it != texts.end() ? it->second.trimmed() : QString();
    }
    void setText(Text which, const QString& value) override { texts[which] = value; }
    void Execute() override {
        ++executes;
        if (onExecute)
            onExecute();
    }
    void AutoRunAfterConnect() override { ++autoRuns; }
    void RunBrowser() override { runs << "browser"; }
    void RunMailReader() override { runs << "mail"; }
    void RunNewsReader() override { runs << "news"; }
};

class DialerTest : public WindowTest {
protected:
    std::string ini() const { return AppPaths::inOneFolder(folder.path()).dialupSettingsFile(); }
    void writeIni(const std::string& text) { writeFileAtomically(ini(), text); }
    std::string read(const std::string& section, const std::string& key) const {
        return TIniFile(ini()).ReadString(section, key, "(missing)");
    }

    // Starts the windows over the scripted service and opens the dialer as an offline send does.
    TUplinkerForm* open() {
        if (!forms)
            startForms();
        useFakes();
        emit forms->frmSendMail->dialerWanted();
        TUplinkerForm* dialer = forms->UplinkerForm;
        EXPECT_NE(dialer, nullptr);
        if (dialer) {
            EXPECT_TRUE(dialer->isVisible());
        }
        return dialer;
    }

    void useFakes() {
        forms->setRemoteAccess(&ras);
        forms->dialRestrictions = &restrictions;
        forms->dialupConfiguration = &configuration;
    }

    static QStringList lines(TUplinkerForm* d) {
        QStringList out;
        for (int i = 0; i < child<QListWidget>(d, "InfoListBox")->count(); ++i)
            out << child<QListWidget>(d, "InfoListBox")->item(i)->text();
        return out;
    }

    static void selectEntry(TUplinkerForm* d, const QString& name) {
        const int i = child<QComboBox>(d, "EntryNameComboBox")->findText(name, Qt::MatchExactly);
        ASSERT_GE(i, 0) << name.toStdString();
        child<QComboBox>(d, "EntryNameComboBox")->setCurrentIndex(i); // fires the change handler
    }

    static void typeUser(TUplinkerForm* d, const QString& text) {
        child<QComboBox>(d, "UserNameComboBox")->lineEdit()->selectAll();
        QTest::keyClicks(child<QComboBox>(d, "UserNameComboBox")->lineEdit(), text);
    }

    static Look look(TUplinkerForm* d) {
        return {child<QPushButton>(d, "ConnectButton")->isEnabled(),
                child<QPushButton>(d, "CancelButton")->isEnabled(),
                child<QPushButton>(d, "CancelButton")->text(),
                child<QTimer>(d, "CheckTimer")->isActive(), d->windowTitle()};
    }
    static Look idle() { return {true, false, "Ca&ncel", false, "Uplinker"}; }
    static Look dialing() { return {false, true, "Ca&ncel", false, "Uplinker - Dialing"}; }
    static Look connected() { return {false, true, "&Disconnect", true, "Uplinker - Connected"}; }
    static Look adopted() { return {true, false, "&Disconnect", true, "Uplinker - Connected"}; }

    ScriptedRemoteAccess ras;
    FixedRestrictions restrictions;
    FakeConfiguration configuration;
};
