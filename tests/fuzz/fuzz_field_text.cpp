// Field text and dates on any bytes, for every field kind. Besides not crashing: a text that
// converts gives a value whose own text converts to the same value.

#include "core/tables/date_time.h"
#include "core/tables/errors.h"
#include "core/tables/field.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    static const FieldKind kinds[] = {FieldKind::String,  FieldKind::Integer, FieldKind::Float,
                                      FieldKind::Boolean, FieldKind::Date,    FieldKind::Time};
    FieldDef def;
    def.name = "f";
    def.kind = kinds[data[0] % 6];
    def.size = 20;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    parseDate(text);
    parseTime(text);
    FieldValue value;
    try {
        value = fieldtext::parse(def, text);
    } catch (const EConvertError&) {
        return 0;
    }
    if (value.index() == 0)
        return 0; // null
    const std::string once = fieldtext::format(def.kind, value);
    const FieldValue again = fieldtext::parse(def, once); // must not throw
    if (fieldtext::format(def.kind, again) != once)
        std::abort();
    return 0;
}
