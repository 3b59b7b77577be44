// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The text tool: the text panel, the live preview over the selected rectangle and its commit into
// the picture.
#include "main/Form1.h"

#include "canvas/TImage.h"
#include "desktop/EditorApplication.h"
#include "main/Form1Icons.h"
#include "selection/TRegionSelector.h"
#include "undo/TGraphUnDo.h"
#include "widgets/ColorSwatch.h"
#include "widgets/PictureLabel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* AddTextButton(QWidget* panel, QHBoxLayout* row, const char* name, const QString& hint,
                           bool checkable) {
    auto* button = new QToolButton(panel);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setIconSize(QSize(18, 18)); // the icon comes with CompleteTextPanel
    button->setFixedSize(24, 24);
    button->setAutoRaise(true);
    button->setCheckable(checkable);
    row->addWidget(button);
    return button;
}

// The font name box. Its list opens as wide as its longest name, while the box keeps its width;
// measuring every installed family's name takes about a millisecond, so it is done as the list
// opens rather than while the program starts.
class FontNameBox final : public QComboBox {
public:
    using QComboBox::QComboBox;

    void showPopup() override {
        QAbstractItemView* list = view();
        list->setMinimumWidth(
            list->sizeHintForColumn(0) + 2 * list->frameWidth() +
            list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list));
        QComboBox::showPopup();
    }
};

} // namespace

QString TForm1::FamilyOf(const QString& name) {
    return name == QLatin1String("Default") ? QApplication::font().family() : name;
}

void TForm1::CreateTextPanel(QWidget* parent) {
    PanelTxt = new QWidget(parent);
    PanelTxt->setObjectName(QStringLiteral("PanelTxt"));
    PanelTxt->setFixedHeight(60);
    auto* rows = new QVBoxLayout(PanelTxt);
    rows->setContentsMargins(4, 3, 4, 3);
    rows->setSpacing(3);

    EdTxt = new QLineEdit(PanelTxt);
    EdTxt->setObjectName(QStringLiteral("EdTxt"));
    EdTxt->setToolTip(QStringLiteral("Строка для ввода текста"));
    EdTxt->setAccessibleName(EdTxt->toolTip());
    rows->addWidget(EdTxt);

    auto* tools = new QHBoxLayout;
    tools->setSpacing(2);
    rows->addLayout(tools);
    auto comboBox = [this, tools](QComboBox* box, const char* name, const QString& hint,
                                  int width) {
        box->setObjectName(QLatin1String(name));
        box->setToolTip(hint);
        // On Linux a combo box tells its current entry as its name; the hint goes with it.
        box->setAccessibleName(hint);
        box->setAccessibleDescription(hint);
        box->setFixedWidth(width); // editable once the panel is first shown
        tools->addWidget(box);
        return box;
    };
    CbBoxFntName = comboBox(new FontNameBox(PanelTxt), "CbBoxFntName",
                            QStringLiteral("Имя текущего фонта"), 180);
    StTxtColorTxt = new ColorSwatch(PanelTxt);
    StTxtColorTxt->setObjectName(QStringLiteral("StTxtColorTxt"));
    StTxtColorTxt->setToolTip(QStringLiteral("Выбор текущего цвета для текста"));
    StTxtColorTxt->setAccessibleName(StTxtColorTxt->toolTip());
    tools->addWidget(StTxtColorTxt);
    CbBoxFntSize = comboBox(new QComboBox(PanelTxt), "CbBoxFntSize",
                            QStringLiteral("Текущий размер символов"), 57);
    CbBoxFntSize->setProperty("Tag", 0); // kind of the font of the last size fill

    // Each style button toggles alone; the alignment buttons are one exclusive group.
    SpButChB = AddTextButton(PanelTxt, tools, "SpButChB", QStringLiteral("Жирный текст"), true);
    SpButChI = AddTextButton(PanelTxt, tools, "SpButChI", QStringLiteral("Наклонный текст"), true);
    SpButChU =
        AddTextButton(PanelTxt, tools, "SpButChU", QStringLiteral("Подчеркнутый текст"), true);
    SpButChS =
        AddTextButton(PanelTxt, tools, "SpButChS", QStringLiteral("Перечеркнутый текст"), true);
    alignGroup_ = new QButtonGroup(this);
    SpButTxtToLeft = AddTextButton(PanelTxt, tools, "SpButTxtToLeft",
                                   QStringLiteral("Выравнивать текст по левому краю"), true);
    SpButTxtToCentr = AddTextButton(PanelTxt, tools, "SpButTxtToCentr",
                                    QStringLiteral("Выравнивать текст по центру"), true);
    SpButTxtToRight = AddTextButton(PanelTxt, tools, "SpButTxtToRight",
                                    QStringLiteral("Выравнивать текст по правому краю"), true);
    for (QToolButton* b : {SpButTxtToLeft, SpButTxtToCentr, SpButTxtToRight}) {
        b->setProperty("Tag", 1);
        alignGroup_->addButton(b);
    }
    SpButTxtToLeft->setChecked(true);
    tools->addSpacing(16);
    SpButOK = AddTextButton(PanelTxt, tools, "SpButOK",
                            QStringLiteral("Вставить текст в изображение"), false);
    SpButCancel = AddTextButton(PanelTxt, tools, "SpButCancel",
                                QStringLiteral("Отменить вставку текста в изображение"), false);
    tools->addStretch(1);
    PanelTxt->hide();
}

void TForm1::CompleteTextPanel() {
    // The panel is hidden at start; what only it needs is made as it is first shown, not while the
    // program starts: its icons (the letters load three serif faces) and its editable boxes.
    if (textPanelComplete_)
        return;
    textPanelComplete_ = true;
    for (QToolButton* b : {SpButChB, SpButChI, SpButChU, SpButChS, SpButTxtToLeft, SpButTxtToCentr,
                           SpButTxtToRight, SpButOK, SpButCancel})
        b->setIcon(NamedIcon(b->objectName()));
    for (QComboBox* box : {CbBoxFntName, CbBoxFntSize}) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
    }
}

void TForm1::ConnectTextTool() {
    connect(EdTxt, &QLineEdit::textChanged, this, Reported([this] { EdTxtChange(EdTxt); }));
    // Only choosing an entry acts; typing in a box's edit field does not.
    connect(CbBoxFntName, qOverload<int>(&QComboBox::activated), this,
            Reported([this] { CbBoxFntNameClick(CbBoxFntName); }));
    connect(CbBoxFntSize, qOverload<int>(&QComboBox::activated), this,
            Reported([this] { CbBoxFntSizeClick(CbBoxFntSize); }));
    connect(StTxtColorTxt, &ColorSwatch::Clicked, this,
            Reported([this] { StTxtColorTxtClick(StTxtColorTxt); }));
    connect(SpButChB, &QToolButton::clicked, this, Reported([this] { SpButChBClick(SpButChB); }));
    connect(SpButChI, &QToolButton::clicked, this, Reported([this] { SpButChIClick(SpButChI); }));
    connect(SpButChU, &QToolButton::clicked, this, Reported([this] { SpButChUClick(SpButChU); }));
    connect(SpButChS, &QToolButton::clicked, this, Reported([this] { SpButChSClick(SpButChS); }));
    connect(SpButTxtToLeft, &QToolButton::clicked, this,
            Reported([this] { SpButTxtToLeftClick(SpButTxtToLeft); }));
    connect(SpButTxtToCentr, &QToolButton::clicked, this,
            Reported([this] { SpButTxtToCentrClick(SpButTxtToCentr); }));
    connect(SpButTxtToRight, &QToolButton::clicked, this,
            Reported([this] { SpButTxtToRightClick(SpButTxtToRight); }));
    connect(SpButOK, &QToolButton::clicked, this, Reported([this] { SpButOKClick(SpButOK); }));
    connect(SpButCancel, &QToolButton::clicked, this,
            Reported([this] { SpButCancelClick(SpButCancel); }));
}

void TForm1::ResetTextLabel(PictureLabel* Label) {
    Label->setGeometry(0, 0, 1, 1);
    Label->hide();
}

void TForm1::EdTxtChange(QObject*) {
    LabelTxt->SetCaption(EdTxt->text());
}

void TForm1::CbBoxFntNameClick(QObject*) {
    const int i = CbBoxFntName->currentIndex();
    if (i < 0)
        return;
    FillFontSizes(CbBoxFntName->itemText(i), CbBoxFntSize);
    if (CbBoxFntSize->count() == 0)
        return;
    QFont font = LabelTxt->font();
    font.setFamily(FamilyOf(CbBoxFntName->itemText(i)));
    font.setPointSize(CbBoxFntSize->itemText(0).toInt());
    LabelTxt->setFont(font);
}

void TForm1::CbBoxFntSizeClick(QObject*) {
    if (CbBoxFntSize->count() == 0)
        return;
    const int n = CbBoxFntName->currentIndex();
    const int s = CbBoxFntSize->currentIndex();
    if (n < 0 || s < 0)
        return;
    QFont font = LabelTxt->font();
    font.setFamily(FamilyOf(CbBoxFntName->itemText(n)));
    font.setPointSize(CbBoxFntSize->itemText(s).toInt());
    LabelTxt->setFont(font);
}

void TForm1::StTxtColorTxtClick(QObject*) {
    if (!ColorDialog1.Execute(this))
        return;
    LabelTxt->SetTextColor(ToQColor(ColorDialog1.Color));
    StTxtColorTxt->SetColor(ColorDialog1.Color);
}

void TForm1::SetPreviewStyle(void (QFont::*set)(bool), bool on) {
    QFont font = LabelTxt->font();
    (font.*set)(on);
    LabelTxt->setFont(font);
}

void TForm1::SpButChBClick(QObject*) {
    SetPreviewStyle(&QFont::setBold, SpButChB->isChecked());
}

void TForm1::SpButChIClick(QObject*) {
    SetPreviewStyle(&QFont::setItalic, SpButChI->isChecked());
}

void TForm1::SpButChUClick(QObject*) {
    SetPreviewStyle(&QFont::setUnderline, SpButChU->isChecked());
}

void TForm1::SpButChSClick(QObject*) {
    SetPreviewStyle(&QFont::setStrikeOut, SpButChS->isChecked());
}

void TForm1::SpButTxtToLeftClick(QObject*) {
    LabelTxt->SetAlignment(Qt::AlignLeft);
}

void TForm1::SpButTxtToCentrClick(QObject*) {
    LabelTxt->SetAlignment(Qt::AlignHCenter);
}

void TForm1::SpButTxtToRightClick(QObject*) {
    LabelTxt->SetAlignment(Qt::AlignRight);
}

void TForm1::SpButOKClick(QObject*) {
    if (LabelTxt->width() < 2 || LabelTxt->height() < 2) {
        Dialogs().ShowMessage(this, TMsgKind::Information,
                              QStringLiteral("Вначале выделите мышкой прямоугольную\r\n"
                                             "область для размещения нового текста."),
                              TMsgButtons::Ok);
        return;
    }
    // The preview lives on the picture, so its place is already in picture coordinates.
    const QRect g = LabelTxt->geometry();
    const TRect target{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    if (Selector)
        Selector->SetOutlineVisible(false);
    // What lands is what the preview shows: its text when it is shown, nothing when a mode change
    // has hidden it.
    const bool shown = !LabelTxt->isHidden();
    LabelTxt->hide();
    if (UnDoManager) {
        UnDoManager->SaveRegion(Image1, target);
        RefreshUnDoCaption();
    }
    if (shown)
        LabelTxt->DrawTextOnto(Image1->Picture(), target);
    ResetTextLabel(LabelTxt);
}

void TForm1::SpButCancelClick(QObject*) {
    if (Selector)
        Selector->SetOutlineVisible(false);
    ResetTextLabel(LabelTxt);
}
