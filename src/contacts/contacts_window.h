#pragma once

#include <QDialog>
#include <memory>

#include "data/mem_data.h"

class Forms;

// The contact book window.
class TfrmContact : public QDialog {
    Q_OBJECT
public:
    explicit TfrmContact(Forms& forms, QWidget* parent = nullptr);
    ~TfrmContact() override;

    std::unique_ptr<TdxMemData> dxContact;

private:
    Forms& forms_;
};
