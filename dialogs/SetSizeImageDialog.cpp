#include "dialogs/SetSizeImageDialog.h"

TNewImageForm::TNewImageForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("NewImageForm"));
    setWindowTitle(QStringLiteral("Установка размеров нового рисунка"));
    setFixedSize(307, 135);
}
