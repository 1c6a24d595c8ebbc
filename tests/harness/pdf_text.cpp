#include "harness/pdf_text.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTextDocumentFragment>

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kMmPerPoint = 25.4 / 72.0;

QByteArray run(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext " << args.join(QLatin1Char(' ')).toStdString()
                      << " failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    return p.readAllStandardOutput();
}

bool sameLine(const PdfBox& a, const PdfBox& b) {
    return std::abs(a.top - b.top) < 1.0;
}

} // namespace

std::vector<PdfBox> PdfPage::findAll(const QString& phrase) const {
    const QStringList parts = phrase.split(QLatin1Char(' '));
    const auto n = static_cast<size_t>(parts.size());
    std::vector<PdfBox> found;
    for (size_t i = 0; i + n <= words.size(); ++i) {
        bool match = true;
        for (size_t k = 0; k < n && match; ++k) {
            const PdfWord& w = words[i + k];
            match = w.text == parts[static_cast<int>(k)] && sameLine(w.box, words[i].box);
        }
        if (!match)
            continue;
        PdfBox box = words[i].box;
        box.right = words[i + n - 1].box.right;
        found.push_back(box);
    }
    return found;
}

std::optional<PdfBox> PdfPage::find(const QString& phrase, double top, double bottom) const {
    for (const PdfBox& b : findAll(phrase))
        if (b.top >= top && b.top < bottom)
            return b;
    return std::nullopt;
}

QStringList PdfPage::wordsBetween(double top, double bottom) const {
    QStringList out;
    for (const PdfWord& w : words)
        if (w.box.top >= top && w.box.top < bottom)
            out << w.text;
    return out;
}

std::vector<PdfPage> readPdfWords(const QString& path) {
    const QString html =
        QString::fromUtf8(run({QStringLiteral("-bbox"), path, QStringLiteral("-")}));
    static const QRegularExpression pageRe(
        QStringLiteral(R"re(<page width="([\d.]+)" height="([\d.]+)">)re"));
    static const QRegularExpression wordRe(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    std::vector<PdfPage> pages;
    for (const QString& line : html.split(QLatin1Char('\n'))) {
        if (const auto m = pageRe.match(line); m.hasMatch()) {
            pages.push_back({m.captured(1).toDouble() * kMmPerPoint,
                             m.captured(2).toDouble() * kMmPerPoint,
                             {}});
        } else if (const auto w = wordRe.match(line); w.hasMatch() && !pages.empty()) {
            const QString text = QTextDocumentFragment::fromHtml(w.captured(5)).toPlainText();
            pages.back().words.push_back(
                {text,
                 {w.captured(1).toDouble() * kMmPerPoint, w.captured(2).toDouble() * kMmPerPoint,
                  w.captured(3).toDouble() * kMmPerPoint, w.captured(4).toDouble() * kMmPerPoint}});
        }
    }
    return pages;
}

QString readPdfLayout(const QString& path) {
    return QString::fromUtf8(run({QStringLiteral("-layout"), path, QStringLiteral("-")}));
}
