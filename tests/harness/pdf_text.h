#pragma once

// Reads a PDF back with poppler's pdftotext: the words of each page with their boxes
// (-bbox), in millimetres from the page's top-left corner, and the page text (-layout).

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct PdfBox {
    double left = 0, top = 0, right = 0, bottom = 0;
    double centre() const { return (left + right) / 2; }
};

struct PdfWord {
    QString text;
    PdfBox box;
};

struct PdfPage {
    double width = 0, height = 0;
    std::vector<PdfWord> words;

    // The boxes of every run of consecutive words on one line that spells phrase (words
    // separated by single spaces), in reading order.
    std::vector<PdfBox> findAll(const QString& phrase) const;
    // The first such box whose top lies within [top, bottom) in millimetres; nullopt if none.
    std::optional<PdfBox> find(const QString& phrase, double top = -1, double bottom = 1e9) const;
    int count(const QString& phrase) const { return static_cast<int>(findAll(phrase).size()); }
    // Every word whose top lies within the band [top, bottom) in millimetres.
    QStringList wordsBetween(double top, double bottom) const;
};

// The pages of the file; empty when it cannot be read (the test reports pdftotext's error).
std::vector<PdfPage> readPdfWords(const QString& path);
// The text as pdftotext -layout lays it out.
QString readPdfLayout(const QString& path);
