// The INI reader on any bytes. Besides not crashing: a value written into the document reads
// back, and the document's text, read again, gives the same value.

#include "core/tables/ini_file.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IniDocument doc(bytes, "fuzz.ini");
    doc.ReadString("widths", "col0", "");
    doc.ReadInteger("widths", "col1", 7);
    doc.ReadSectionKeys("widths");
    doc.WriteInteger("widths", "col3", 123);
    if (doc.ReadInteger("widths", "col3", 0) != 123)
        std::abort();
    const IniDocument again(doc.bytes(), "fuzz.ini");
    if (again.ReadInteger("widths", "col3", 0) != 123)
        std::abort();
    return 0;
}
