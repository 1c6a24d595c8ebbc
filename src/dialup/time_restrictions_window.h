#pragma once

#include "core/dialup/time_restrictions.h"
#include "dialup/auto_form.h"
#include "dialup/dialer_services.h"

#include <QString>

#include <array>
#include <cstdint>

class Context;
class TTimePasswordAutoForm;
class QLabel;
class QLineEdit;
class QPushButton;

// The restricted period of each weekday for one phone-book entry, and the password that lifts
// it ("Uplinker - Time Restrictions"). The dialer points the window at an entry through
// RestrictionSection and asks IsDialAllowed before every dial.
class TTimeAutoForm : public TAutoForm, public dialup::DialRestrictions {
    Q_OBJECT
public:
    explicit TTimeAutoForm(Context& context, QWidget* parent = nullptr);

    // The entry's section of the dial-up settings file: "RAS_ENTRY_" and the escaped entry name.
    std::string RestrictionSection;
    void setRestrictionSection(const std::string& section) override {
        RestrictionSection = section;
    }
    std::string restrictionSection() const override { return RestrictionSection; }

    // The edits from the entry's section, then ParseRestrictions.
    void LoadRestrictions() override;
    // The times of the edits; an empty or invalid text, and midnight, count as not set (0).
    void ParseRestrictions();
    // The edits to the entry's section exactly as typed; throws when the file refuses the write.
    void SaveRestrictions();
    // Reloads the entry's restrictions; inside today's period, asks for the password.
    bool IsDialAllowed() override;
    // The modal edit; the times shown before are put back unless OK saved them.
    bool Execute() override;
    void openOver(QWidget* opener) override { CentreNextShowingOn(opener); }
    // Leaving a time edit with a text that is not a time: beep and "Invalid time".
    void MonFromEditExit(QLineEdit* edit);
    void OkButtonClick();
    void CancelButtonClick();

    // The From and To edits of a day index, 1 = Sunday ... 7 = Saturday.
    QLineEdit* FromEdit(int day) const { return fromEdits_.at(static_cast<size_t>(day - 1)); }
    QLineEdit* ToEdit(int day) const { return toEdits_.at(static_cast<size_t>(day - 1)); }
    // Milliseconds since midnight as last parsed; 0 means not set.
    int32_t From(int day) const { return from_.at(static_cast<size_t>(day - 1)); }
    int32_t To(int day) const { return to_.at(static_cast<size_t>(day - 1)); }

    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    std::array<QLabel*, 7> RowLabels{}; // Label1 (Monday) ... Label7 (Sunday)
    QLineEdit* MonFromEdit = nullptr;
    QLineEdit* MonToEdit = nullptr;
    QLineEdit* TueFromEdit = nullptr;
    QLineEdit* TueToEdit = nullptr;
    QLineEdit* WedFromEdit = nullptr;
    QLineEdit* WedToEdit = nullptr;
    QLineEdit* ThuFromEdit = nullptr;
    QLineEdit* ThuToEdit = nullptr;
    QLineEdit* FriFromEdit = nullptr;
    QLineEdit* FriToEdit = nullptr;
    QLineEdit* SatFromEdit = nullptr;
    QLineEdit* SatToEdit = nullptr;
    QLineEdit* SunFromEdit = nullptr;
    QLineEdit* SunToEdit = nullptr;
    QLabel* Label10 = nullptr;
    QLineEdit* PasswordEdit = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

    // The password prompt of this folder (set where the windows are created).
    TTimePasswordAutoForm* TimePasswordAutoForm = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    RestrictionTexts shownTexts() const;
    void showTexts(const RestrictionTexts& texts);

    Context& context_;
    std::array<QLineEdit*, 7> fromEdits_{};
    std::array<QLineEdit*, 7> toEdits_{};
    std::array<int32_t, 7> from_{};
    std::array<int32_t, 7> to_{};
};
