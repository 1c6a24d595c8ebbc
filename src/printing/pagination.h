#pragma once

// Which rows go on which page: the first page carries the title band, every page the column
// header and the footer, and the rest of each page takes whole detail rows. Rows differ in
// height, since a long value wraps and its row grows.

#include <vector>

namespace printing {

class Pagination {
public:
    // pageHeightMm is the printable height (the page less its margins); rowHeightsMm the height
    // of each detail row in order.
    Pagination(double pageHeightMm, const std::vector<double>& rowHeightsMm);

    int pageCount() const { return static_cast<int>(firstRows_.size()); }
    // 0-based index of the first row of a page (1-based), and the number of rows on it.
    int firstRow(int page) const;
    int rowsOn(int page) const;

private:
    int rows_;
    std::vector<int> firstRows_; // first row of each page
};

} // namespace printing
