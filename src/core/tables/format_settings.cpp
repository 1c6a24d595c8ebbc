#include "core/tables/format_settings.h"

namespace {
FormatSettings& mutableFormats() {
    static FormatSettings settings;
    return settings;
}
} // namespace

const FormatSettings& processFormats() {
    return mutableFormats();
}
void setProcessFormats(const FormatSettings& settings) {
    mutableFormats() = settings;
}
