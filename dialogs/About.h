// The about box: the program's picture, title, version and credits, and an OK button.
#pragma once

#include <QDialog>
#include <QIcon>

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

// The program's own icon, drawn in code at several sizes.
QIcon ProgramIcon();
