// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dialogs/About.h"

#include "desktop/Dialogs.h"
#include "desktop/EditorApplication.h"
#include "desktop/GuidePage.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlags(kFixedDialogFlags);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("ProgramIcon"));
    picture->setPixmap(ProgramIcon().pixmap(64, 64));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* title = new QLabel(QStringLiteral("Limnora"), this);
    title->setObjectName(QStringLiteral("ProductName"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);

    auto* version =
        new QLabel(QStringLiteral("Версия %1").arg(QStringLiteral(LIMNORA_VERSION)), this);
    version->setObjectName(QStringLiteral("Version"));

    auto* credits =
        new QLabel(QStringLiteral("Учебный растровый редактор: линии, прямоугольники, эллипсы,\n"
                                  "скругленные прямоугольники, выделения, текстовые подписи,\n"
                                  "буфер фрагментов и обмен рисунками с другими программами.\n\n"
                                  "Разработчики Limnora. Построено на Qt %1.")
                       .arg(QLatin1String(qVersion())),
                   this);
    credits->setObjectName(QStringLiteral("Comments"));

    auto* license =
        new QLabel(QStringLiteral("© Авторы Limnora.\n"
                                  "Это свободная программа: её можно распространять и изменять\n"
                                  "на условиях GNU General Public License версии 3 или любой\n"
                                  "более поздней версии. Программа распространяется без гарантий."),
                   this);
    license->setObjectName(QStringLiteral("License"));

    auto* guideText =
        new QLabel(QStringLiteral("Руководство для учеников и учителей открывает кнопка\n"
                                  "«Руководство» или клавиша F1 в окне редактора."),
                   this);
    guideText->setObjectName(QStringLiteral("GuideText"));
    auto* guide = new QPushButton(QStringLiteral("Руководство"), this);
    guide->setObjectName(QStringLiteral("GuideButton"));
    guide->setAutoDefault(false);
    connect(guide, &QPushButton::clicked, this, Reported([this] { OpenGuide(this); }));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(guide);
    buttons->addWidget(ok);

    auto* grid = new QGridLayout(this);
    grid->addWidget(picture, 0, 0, 3, 1);
    grid->addWidget(title, 0, 1);
    grid->addWidget(version, 1, 1);
    grid->addWidget(credits, 2, 1);
    grid->addWidget(license, 3, 1);
    grid->addWidget(guideText, 4, 1);
    grid->addLayout(buttons, 5, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

QImage DrawProgramIcon(int size) {
    // The same drawing as resources/org.limnora.Limnora.svg, on a 64 x 64 grid.
    const QColor ink(40, 40, 40);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(QPen(ink, 2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(4, 8, 56, 48), 4, 4);
    p.setBrush(QColor(120, 190, 240));
    p.drawEllipse(QRectF(12, 16, 26, 20));
    p.setBrush(QColor(250, 200, 70));
    p.drawRect(QRectF(30, 30, 22, 18));
    QPen dotted(ink, 2, Qt::CustomDashLine, Qt::FlatCap);
    dotted.setDashPattern({1, 1}); // in pen widths: 2 on, 2 off
    p.setPen(dotted);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(8, 12, 48, 40));
    p.end();
    return image;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(DrawProgramIcon(size)));
    return icon;
}
