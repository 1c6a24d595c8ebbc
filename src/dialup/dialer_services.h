#pragma once

#include <QString>

#include <string>

class QWidget;

// What the dialer window asks of the configuration window and of the time-restrictions window.
// The dialer is written against these two interfaces only; the windows that hold the options and
// the restrictions implement them: TConfigureAutoForm and TTimeAutoForm.

namespace dialup {

// The dial-up options: seven flags and six texts, loaded by the dialer from section "Last" of
// the settings file when it opens and saved by it on every connect and when it closes. The
// configuration window holds the values in its controls; it never reads or writes the file.
class DialupConfiguration {
public:
    enum class Flag {
        AutoPW,             // recall the stored password of entry and user
        AutoUN,             // list the stored user names of the entry
        AutoConnect,        // dial as soon as the dialer opens
        AutoExecuteBrowser, // start the browser after connecting
        AutoExecuteMail,    // start the mail reader after connecting
        AutoExecuteNews,    // start the news reader after connecting
        MonthlyDuration,    // count connection time per calendar month
    };
    enum class Text { BrowserExe, MailExe, NewsExe, BrowserDir, MailDir, NewsDir };

    virtual ~DialupConfiguration() = default;

    virtual bool flag(Flag which) const = 0;
    virtual void setFlag(Flag which, bool on) = 0;
    // The text with surrounding blanks removed.
    virtual QString text(Text which) const = 0;
    virtual void setText(Text which, const QString& value) = 0;

    // The modal edit; Cancel puts the values back.
    virtual void Execute() = 0;
    // The next Execute opens centred on opener.
    virtual void openOver(QWidget* /*opener*/) {}
    // After the dialer has connected: mail reader, news reader, browser, each when its Auto
    // Execute flag is on. Returns after the last start (and its failure box, if any).
    virtual void AutoRunAfterConnect() = 0;
    // The dialer's menu items: start the program whatever the Auto Execute flags say.
    virtual void RunBrowser() = 0;
    virtual void RunMailReader() = 0;
    virtual void RunNewsReader() = 0;
};

// The time restrictions of one phone-book entry.
class DialRestrictions {
public:
    virtual ~DialRestrictions() = default;

    // The settings section of the entry concerned: dialup::RasEntrySection(entry name).
    virtual void setRestrictionSection(const std::string& section) = 0;
    virtual std::string restrictionSection() const = 0;
    // Reads the entry's restrictions from the settings file.
    virtual void LoadRestrictions() = 0;
    // Before every dial: true when the entry may be dialled now (outside the restricted period,
    // or inside it with the right password typed into the password prompt).
    virtual bool IsDialAllowed() = 0;
    // The modal edit of the entry's restrictions; the dialer ignores the result.
    virtual bool Execute() = 0;
    // The next Execute opens centred on opener.
    virtual void openOver(QWidget* /*opener*/) {}
};

} // namespace dialup
