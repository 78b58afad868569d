// The binary file compare window.
#pragma once

#include <QDialog>

namespace zendra {

class TBinaryCompare : public QDialog {
    Q_OBJECT
public:
    explicit TBinaryCompare(QWidget* owner);
    ~TBinaryCompare() override;
};

}  // namespace zendra
