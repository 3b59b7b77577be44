// The fragment buffer window: captioned fragments kept for the run of the program.
#pragma once

#include <QDialog>

class TFormImgBuf : public QDialog {
    Q_OBJECT
public:
    explicit TFormImgBuf(QWidget* parent = nullptr);
};
