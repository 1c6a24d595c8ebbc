#pragma once

#include <QObject>

// Shows every named widget's objectName to accessibility tools as its accessible description,
// so that UI automation and screen readers find each control by the name the code uses. Done on
// Polish and Show because some widgets are named after they are polished.
class ObjectNameDescriber : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
