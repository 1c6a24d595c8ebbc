#include "printing/pagination.h"

#include "printing/page_layouts.h"

#include <algorithm>

namespace printing {

Pagination::Pagination(double pageHeightMm, const std::vector<double>& rowHeightsMm)
    : rows_(static_cast<int>(rowHeightsMm.size())) {
    // A tiny tolerance so that rounding in the band heights never costs a row.
    constexpr double kTolerance = 1e-6;
    const double first = pageHeightMm - kTitleBandMm - kHeaderBandMm - kFooterBandMm;
    const double next = pageHeightMm - kHeaderBandMm - kFooterBandMm;
    double room = first;
    bool pageEmpty = true;
    for (int r = 0; r < rows_; ++r) {
        const double h = rowHeightsMm[static_cast<size_t>(r)];
        // A page takes at least one row, so that a row taller than a page still ends.
        if (firstRows_.empty() || (!pageEmpty && h > room + kTolerance)) {
            if (!firstRows_.empty())
                room = next;
            firstRows_.push_back(r);
            pageEmpty = true;
        }
        room -= h;
        pageEmpty = false;
    }
}

int Pagination::firstRow(int page) const {
    if (page < 1)
        return 0;
    if (page > pageCount())
        return rows_;
    return firstRows_[static_cast<size_t>(page - 1)];
}

int Pagination::rowsOn(int page) const {
    if (page < 1 || page > pageCount())
        return 0;
    return firstRow(page + 1) - firstRow(page);
}

} // namespace printing
