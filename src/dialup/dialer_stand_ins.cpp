#include "dialup/dialer_stand_ins.h"

#include "data/dialup_settings.h"

namespace dialup {

InMemoryConfiguration::InMemoryConfiguration() {
    setFlag(Flag::AutoPW, true);
    setFlag(Flag::AutoUN, true);
    setFlag(Flag::MonthlyDuration, true);
    setText(Text::BrowserExe, QString::fromUtf8(kDefaultBrowserExe));
    setText(Text::MailExe, QString::fromUtf8(kDefaultMailExe));
    setText(Text::NewsExe, QString::fromUtf8(kDefaultNewsExe));
}

bool InMemoryConfiguration::flag(Flag which) const { return flags_[static_cast<int>(which)]; }

void InMemoryConfiguration::setFlag(Flag which, bool on) { flags_[static_cast<int>(which)] = on; }

QString InMemoryConfiguration::text(Text which) const {
    return texts_[static_cast<int>(which)].trimmed();
}

void InMemoryConfiguration::setText(Text which, const QString& value) {
    texts_[static_cast<int>(which)] = value;
}

} // namespace dialup
