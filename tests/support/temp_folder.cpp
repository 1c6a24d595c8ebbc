#include "support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::string systemTemporaryFolder() {
    const char* base = std::getenv("TMPDIR");
    return base && *base ? base : "/tmp";
}

} // namespace

TempFolder::TempFolder() : TempFolder(systemTemporaryFolder()) {}

TempFolder::TempFolder(const std::string& under) {
    std::string pattern = under + "/tallyminder-test-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TempFolder::write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempFolder::read(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool TempFolder::exists(const std::string& name) const {
    return std::filesystem::exists(file(name));
}
