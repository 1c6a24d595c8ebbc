#include "core/dialup/time_restrictions.h"

#include "core/dialup/dialup_settings.h"
#include "core/tables/date_time.h"
#include "core/tables/ini_file.h"

namespace {

bool isBlank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

std::string dayKey(const char* prefix, int day) {
    return prefix + std::to_string(day);
}

} // namespace

bool isAcceptableRestrictionTime(std::string_view text) {
    return isBlank(text) || parseTypedTime(text).has_value();
}

int32_t restrictionTime(std::string_view text) {
    return parseTypedTime(text).value_or(0);
}

RestrictedPeriod restrictedPeriod(const RestrictionTexts& texts, int day) {
    const auto i = static_cast<size_t>(day - 1);
    return {restrictionTime(texts.from.at(i)), restrictionTime(texts.to.at(i))};
}

bool isInsidePeriod(RestrictedPeriod period, int32_t timeOfDayMs) {
    if (period.from == 0 && period.to == 0)
        return false;
    if (period.from != 0 && timeOfDayMs < period.from)
        return false;
    if (period.to != 0 && timeOfDayMs > period.to)
        return false;
    return true;
}

RestrictionTexts readRestrictions(const IniDocument& doc, std::string_view section) {
    RestrictionTexts texts;
    for (int day = 1; day <= kRestrictionDays; ++day) {
        texts.from[day - 1] = doc.ReadString(section, dayKey(dialup::kTimeFromPrefix, day), "");
        texts.to[day - 1] = doc.ReadString(section, dayKey(dialup::kTimeToPrefix, day), "");
    }
    texts.password = doc.ReadString(section, dialup::kTimePassword, "");
    return texts;
}

void writeRestrictions(IniDocument& doc, std::string_view section, const RestrictionTexts& texts) {
    for (int day = 1; day <= kRestrictionDays; ++day) {
        doc.WriteString(section, dayKey(dialup::kTimeFromPrefix, day), texts.from[day - 1]);
        doc.WriteString(section, dayKey(dialup::kTimeToPrefix, day), texts.to[day - 1]);
    }
    doc.WriteString(section, dialup::kTimePassword, texts.password);
}
