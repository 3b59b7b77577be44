// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dialogs/About.h"

#include "desktop/Dialogs.h"
#include "desktop/EditorApplication.h"
#include "desktop/GuidePage.h"
#include "resources/BuiltInPictures.h"
#include "resources/IconArt.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QtMath>

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlags(kFixedDialogFlags);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("ProgramIcon"));
    // The sizes a 64-pixel picture takes on this screen, not the two largest the desktop is given.
    picture->setPixmap(ProgramIcon(64 * qCeil(qApp->devicePixelRatio())).pixmap(64, 64));
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

QIcon ProgramIcon(int largest) {
    QIcon icon;
    for (int size : kProgramIconSizes) {
        if (size > largest)
            break;
        icon.addPixmap(QPixmap::fromImage(BuiltInPicture(QStringLiteral("Program"), size)));
    }
    return icon;
}
