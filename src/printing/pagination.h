#pragma once

// Which rows go on which page: the first page carries the title band, every page the column
// header and the footer, and the rest of each page takes whole detail rows.

namespace printing {

class Pagination {
public:
    // pageHeightMm is the printable height (the page less its margins).
    Pagination(double pageHeightMm, int rowCount);

    int pageCount() const { return pages_; }
    // 0-based index of the first row of a page (1-based), and the number of rows on it.
    int firstRow(int page) const;
    int rowsOn(int page) const;

private:
    int rows_;
    int firstCapacity_;
    int nextCapacity_;
    int pages_;
};

} // namespace printing
