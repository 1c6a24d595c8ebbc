#pragma once

#include <QDialog>
#include <memory>

#include "data/mem_data.h"

class Forms;

// The sent items log.
class TfrmSentItems : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSentItems(Forms& forms, QWidget* parent = nullptr);
    ~TfrmSentItems() override;

    std::unique_ptr<TdxMemData> dxmSentItems;

private:
    Forms& forms_;
};
