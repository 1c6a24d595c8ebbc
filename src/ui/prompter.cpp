#include "ui/prompter.h"

void Prompter::error(const QString& text, const QString& caption) {
    show({BoxKind::Error, caption, text, {BoxButton::Ok}, BoxButton::Ok, {}, {}});
}

void Prompter::errorWithDetails(const QString& text, const QString& details) {
    show({BoxKind::Error,
          QStringLiteral("Error"),
          text,
          {BoxButton::Ok},
          BoxButton::Ok,
          details,
          {}});
}

void Prompter::warning(const QString& text, const QString& caption) {
    show({BoxKind::Warning, caption, text, {BoxButton::Ok}, BoxButton::Ok, {}, {}});
}

void Prompter::information(const QString& text, const QString& caption) {
    show({BoxKind::Information, caption, text, {BoxButton::Ok}, BoxButton::Ok, {}, {}});
}

void Prompter::message(const QString& text, const QString& caption) {
    show({BoxKind::Message, caption, text, {BoxButton::Ok}, BoxButton::Ok, {}, {}});
}

bool Prompter::confirm(const QString& text, BoxButton defaultButton, const QString& caption) {
    return show({BoxKind::Confirmation,
                 caption,
                 text,
                 {BoxButton::Yes, BoxButton::No},
                 defaultButton,
                 {},
                 {}}) == BoxButton::Yes;
}

QString deletionQuestion(int count, const QString& one, const QString& many, const QString& which) {
    if (count == 1)
        return QStringLiteral("Delete the ") + one +
               (which.isEmpty() ? QString() : QLatin1Char(' ') + which) + QLatin1Char('?');
    return QStringLiteral("Delete %1 %2?").arg(count).arg(many);
}

bool Prompter::confirmDeletion(int count, const QString& one, const QString& many,
                               const QString& which) {
    return confirm(deletionQuestion(count, one, many, which), BoxButton::No);
}

bool Prompter::review(const ListReview& list) {
    QStringList lines{list.text};
    for (const QStringList& row : list.rows)
        lines << row.join(QStringLiteral("  "));
    return show({BoxKind::Confirmation,
                 list.caption,
                 lines.join(QLatin1Char('\n')),
                 {BoxButton::Yes, BoxButton::No},
                 BoxButton::No,
                 {},
                 {}}) == BoxButton::Yes;
}
