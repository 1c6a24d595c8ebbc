#include "dialup/about_form.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* boldLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// Drawn rather than loaded, so the box needs no image format plugin.
QPixmap iconPicture() {
    QPixmap p(32, 32);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setBrush(QColor(0x2a, 0x6f, 0xb0));
    g.setPen(Qt::NoPen);
    g.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    g.setPen(QPen(Qt::white, 3));
    g.drawArc(QRectF(8, 6, 16, 16), 200 * 16, 140 * 16);
    g.drawLine(QPointF(16, 14), QPointF(16, 26));
    return p;
}

// The hidden picture: a modem with its lights on.
QPixmap hiddenPicture() {
    QPixmap p(75, 100);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(Qt::darkGray, 2));
    g.setBrush(QColor(0xe8, 0xe8, 0xe0));
    g.drawRoundedRect(QRectF(4, 40, 67, 40), 5, 5);
    g.drawLine(QPointF(60, 40), QPointF(66, 8));
    const QColor lights[] = {Qt::green, Qt::green, QColor(0xff, 0xa0, 0x00), Qt::red};
    for (int i = 0; i < 4; ++i) {
        g.setBrush(lights[i]);
        g.drawEllipse(QRectF(12 + i * 14, 66, 7, 7));
    }
    g.setPen(Qt::black);
    g.drawText(QRectF(0, 84, 75, 16), Qt::AlignCenter, QStringLiteral("V1.11"));
    return p;
}

} // namespace

TAboutForm::TAboutForm(std::string iniFileName, QWidget* parent)
    : TAutoForm(QStringLiteral("AboutForm"), std::move(iniFileName), parent) {
    setWindowTitle(QStringLiteral("About"));
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(32, 32);
    Image1->setPixmap(iconPicture());
    Image1->installEventFilter(this);
    ProgNameLabel = boldLabel(this, "ProgNameLabel", QString());
    Label1 =
        boldLabel(this, "Label1", QStringLiteral("The dial-up connection manager of Tallyminder"));
    Label2 = boldLabel(this, "Label2", QStringLiteral("Dials a connection when a send finds"));
    Label3 = boldLabel(this, "Label3", QStringLiteral("the machine offline and sends the batch"));
    Label4 = boldLabel(this, "Label4", QStringLiteral("again once connected."));
    Button1 = new QPushButton(QStringLiteral("&Ok"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Image1);
    for (QLabel* label : labels()) {
        // Hidden labels keep their room, so the button stays where it is.
        QSizePolicy keep = label->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        label->setSizePolicy(keep);
        layout->addWidget(label);
    }
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));

    // Placed by hand over the labels, outside the layout.
    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(hiddenPicture());
    Image2->setScaledContents(true);
    Image2->hide();
}

QList<QLabel*> TAboutForm::labels() const {
    return {ProgNameLabel, Label1, Label2, Label3, Label4};
}

void TAboutForm::FormShow() {
    for (QLabel* label : labels())
        label->show();
    Image2->hide();
}

void TAboutForm::Image1DblClick(Qt::KeyboardModifiers modifiers) {
    if (!(modifiers & Qt::AltModifier))
        return;
    for (QLabel* label : labels())
        label->hide();
    Image2->setGeometry((width() - 75) / 2, Image1->y(), 75, 100);
    Image2->raise();
    Image2->show();
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image1 && event->type() == QEvent::MouseButtonDblClick)
        Image1DblClick(static_cast<QMouseEvent*>(event)->modifiers());
    return TAutoForm::eventFilter(watched, event);
}
