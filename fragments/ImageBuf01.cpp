#include "fragments/ImageBuf01.h"

TFormImgBuf::TFormImgBuf(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormImgBuf"));
    setWindowTitle(QStringLiteral("  Буфер скопированных фрагментов изображения"));
    resize(624, 489);
}
