#include "data/data_module.h"

#include "data/atomic_file.h"
#include "data/keep_aside.h"
#include "data/schemas.h"
#include "data/suspended_views.h"

DataModule::DataModule(AppPaths paths)
    : dxmReminders(schemas::makeReminders()), dxGroup(schemas::makeGroups()),
      dxContact(schemas::makeContacts()), dxmMessage(schemas::makeMessages()),
      dxmSentItems(schemas::makeSentItems()), dmMail(schemas::makeMail()),
      dxDoNotText(schemas::makeDoNotText()),
      paths_(std::move(paths)) {
}

DataModule::~DataModule() = default;

bool DataModule::stored(const std::string& name) const { return fileExists(file(name)); }

void DataModule::read(TdxMemData& table, const std::string& name) {
    readTableKeepingBadFileAside(table, file(name));
}

void DataModule::write(TdxMemData& table, const std::string& name) {
    SuspendedViews suspended(table);
    table.WriteDelimitedFile(file(name));
}

void DataModule::sortIfStored(TdxMemData& table, const std::string& name,
                              const std::string& field) {
    if (stored(name))
        table.SetSortedField(field);
}
