#pragma once

#include <array>

#include "dialup/dialer_services.h"

// Stand-ins for the configuration and restrictions windows, used until those windows exist:
// the options live in memory with their defaults, nothing is started, every dial is allowed.
namespace dialup {

class InMemoryConfiguration : public DialupConfiguration {
public:
    InMemoryConfiguration();
    bool flag(Flag which) const override;
    void setFlag(Flag which, bool on) override;
    QString text(Text which) const override;
    void setText(Text which, const QString& value) override;
    void Execute() override {}
    void AutoRunAfterConnect() override {}
    void RunBrowser() override {}
    void RunMailReader() override {}
    void RunNewsReader() override {}

private:
    std::array<bool, 7> flags_{};
    std::array<QString, 6> texts_;
};

class NoRestrictions : public DialRestrictions {
public:
    void setRestrictionSection(const std::string& section) override { section_ = section; }
    std::string restrictionSection() const override { return section_; }
    void LoadRestrictions() override {}
    bool IsDialAllowed() override { return true; }
    bool Execute() override { return false; }

private:
    std::string section_;
};

} // namespace dialup
