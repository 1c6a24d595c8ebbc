#include "printing/pagination.h"

#include "printing/page_layouts.h"

#include <algorithm>
#include <cmath>

namespace printing {

namespace {

int capacity(double heightMm) {
    // A tiny tolerance so that rounding in the band heights never costs a whole row; at least one
    // row per page so that a page too small for the bands still ends.
    return std::max(1, static_cast<int>(std::floor(heightMm / kDetailBandMm + 1e-9)));
}

} // namespace

Pagination::Pagination(double pageHeightMm, int rowCount)
    : rows_(std::max(0, rowCount)),
      firstCapacity_(capacity(pageHeightMm - kTitleBandMm - kHeaderBandMm - kFooterBandMm)),
      nextCapacity_(capacity(pageHeightMm - kHeaderBandMm - kFooterBandMm)) {
    if (rows_ == 0)
        pages_ = 0;
    else if (rows_ <= firstCapacity_)
        pages_ = 1;
    else
        pages_ = 1 + (rows_ - firstCapacity_ + nextCapacity_ - 1) / nextCapacity_;
}

int Pagination::firstRow(int page) const {
    if (page <= 1)
        return 0;
    return std::min(rows_, firstCapacity_ + (page - 2) * nextCapacity_);
}

int Pagination::rowsOn(int page) const {
    if (page < 1 || page > pages_)
        return 0;
    const int capacity = page == 1 ? firstCapacity_ : nextCapacity_;
    return std::min(capacity, rows_ - firstRow(page));
}

} // namespace printing
