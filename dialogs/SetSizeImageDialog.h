// The new-image dialog: width, height and background colour of a new picture.
#pragma once

#include <QDialog>

class TNewImageForm : public QDialog {
    Q_OBJECT
public:
    explicit TNewImageForm(QWidget* parent = nullptr);
};
