#pragma once

#include <QDialog>
#include <memory>

#include "data/mem_data.h"

class Forms;

// The send window: sender settings and the batch send.
class TfrmSendMail : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSendMail(Forms& forms, QWidget* parent = nullptr);
    ~TfrmSendMail() override;

    std::unique_ptr<TdxMemData> dmMail;

private:
    Forms& forms_;
};
