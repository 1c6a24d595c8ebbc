#pragma once

#include "core/tables/mem_data.h"

// Suspends a table's views for a scope: they are told nothing while it lasts and redrawn once
// when it ends, however it ends.
class SuspendedViews {
public:
    explicit SuspendedViews(TdxMemData& table) : table_(table) { table_.SuspendViews(); }
    ~SuspendedViews() { table_.ResumeViews(); }
    SuspendedViews(const SuspendedViews&) = delete;
    SuspendedViews& operator=(const SuspendedViews&) = delete;

private:
    TdxMemData& table_;
};
