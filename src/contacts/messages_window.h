#pragma once

#include <QDialog>
#include <memory>

#include "data/mem_data.h"

class Forms;

// The standard messages window.
class TfrmMessage : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMessage(Forms& forms, QWidget* parent = nullptr);
    ~TfrmMessage() override;

    std::unique_ptr<TdxMemData> dxmMessage;

private:
    Forms& forms_;
};
