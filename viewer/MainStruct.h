// The AVI structure viewer: header fields, calculated values, the index and raw bytes of a file.
#pragma once

#include <QString>

#include "common/MyForm.h"

namespace zendra {

class TMainStructForm : public TMyForm {
    Q_OBJECT
public:
    explicit TMainStructForm(QWidget* owner);
    ~TMainStructForm() override;

    // Shows the window modally; the first load of fileName starts once it is on screen.
    void ShowStructure(const QString& fileName);
};

}  // namespace zendra
