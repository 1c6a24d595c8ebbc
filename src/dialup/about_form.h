#pragma once

#include "dialup/auto_form.h"

class QLabel;
class QPushButton;

// The dialer's about box: the program's name and four lines, and a hidden picture that a
// double-click on the icon with Alt held shows in the labels' place.
class TAboutForm : public TAutoForm {
    Q_OBJECT
public:
    explicit TAboutForm(std::string iniFileName, QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* ProgNameLabel = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Image2 = nullptr;
    QPushButton* Button1 = nullptr;

    void Image1DblClick(Qt::KeyboardModifiers modifiers);

protected:
    void FormShow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QLabel*> labels() const;
};
