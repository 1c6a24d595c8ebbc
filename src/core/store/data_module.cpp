#include "core/store/data_module.h"

#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/keep_aside.h"
#include "core/tables/suspended_views.h"
#include "core/tables/table_file_guard.h"

#include <filesystem>

DataModule::DataModule(AppPaths paths)
    : dxmReminders(schemas::makeReminders()), dxGroup(schemas::makeGroups()),
      dxContact(schemas::makeContacts()), dxmMessage(schemas::makeMessages()),
      dxmSentItems(schemas::makeSentItems()), dmMail(schemas::makeMail()),
      dxDoNotText(schemas::makeDoNotText()), dxCalendarLinks(schemas::makeCalendarLinks()),
      dxmReplies(schemas::makeReplies()), paths_(std::move(paths)) {}

DataModule::~DataModule() = default;

bool DataModule::stored(const std::string& name) const {
    return fileExists(file(name));
}

bool DataModule::isTableFile(const std::string& path) const {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path target = fs::weakly_canonical(path, error);
    for (const char* name : kTableFiles) {
        const std::string own = file(name);
        std::error_code ownError;
        if (fs::equivalent(path, own, ownError))
            return true;
        const fs::path ownTarget = fs::weakly_canonical(own, ownError);
        if (!error && !ownError && ownTarget == target)
            return true;
    }
    return false;
}

void DataModule::read(TdxMemData& table, const std::string& name) {
    readTableKeepingBadFileAside(table, file(name));
}

void DataModule::write(TdxMemData& table, const std::string& name) {
    SuspendedViews suspended(table);
    table.WriteDelimitedFile(file(name));
}

void DataModule::reload(TdxMemData& table, const std::string& name) {
    table.ReadDelimitedFile(file(name));
}

void DataModule::remove(TdxMemData& table, const std::string& name) {
    RemoveTableFile(table, file(name));
}

void DataModule::sortIfStored(TdxMemData& table, const std::string& name,
                              const std::string& field) {
    if (stored(name))
        table.SetSortedField(field);
}
