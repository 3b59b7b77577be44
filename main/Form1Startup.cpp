// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window's creation and layout, its destruction, the view toggles and the font lists.
#include "main/Form1.h"

#include "canvas/TImage.h"
#include "desktop/EditorApplication.h"
#include "desktop/FontServices.h"
#include "desktop/GuidePage.h"
#include "dialogs/About.h"
#include "main/Form1Icons.h"
#include "selection/TRegionSelector.h"
#include "undo/TGraphUnDo.h"
#include "widgets/ColorSwatch.h"
#include "widgets/PictureLabel.h"
#include "widgets/StatusPanel.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kDesignImageWidth = 761;
constexpr int kDesignImageHeight = 505;
constexpr int kToolIconSize = 20;
constexpr int kSmallIconLargest = 64; // the window's icon up to this size until the first paint

QToolBar* AddBand(QMainWindow* window, const char* name) {
    auto* band = new QToolBar(window);
    band->setObjectName(QLatin1String(name));
    band->setWindowTitle(QLatin1String(name));
    band->setMovable(true);
    band->setFloatable(false);
    band->setAllowedAreas(Qt::TopToolBarArea);
    band->setFixedHeight(28);
    // A tool button in a band draws its icon at the band's icon size, not at its own: a larger
    // size would stretch the doubled pixmaps of a screen scaled by two.
    band->setIconSize(QSize(kToolIconSize, kToolIconSize));
    band->setContentsMargins(0, 0, 0, 0);
    // The style's margins would push the 26-pixel buttons out of the 28-pixel band.
    band->layout()->setContentsMargins(1, 1, 1, 1);
    window->addToolBar(Qt::TopToolBarArea, band);
    return band;
}

QAction* AddItem(QMenu* menu, const char* name, const QString& caption, bool withIcon) {
    auto* item = menu->addAction(caption);
    item->setObjectName(QLatin1String(name));
    if (withIcon)
        item->setIcon(NamedIcon(QLatin1String(name)));
    return item;
}

QAction* AddCheckItem(QMenu* menu, const char* name, const QString& caption) {
    auto* item = AddItem(menu, name, caption, false);
    item->setCheckable(true);
    return item;
}

} // namespace

int TagOf(const QObject* control) {
    return control ? control->property("Tag").toInt() : 0;
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Графический редактор Limnora"));
    // The sizes a title bar or a task bar shows; the large ones, nine tenths of the icon's pixels
    // and a millisecond to hand to the X server, follow the first paint (paintEvent).
    setWindowIcon(ProgramIcon(kSmallIconLargest));
    CreateMenu();
    CreateToolBands();
    CreateClientArea();
    CreateStatusBar();
    ConnectHandlers();
    ConnectTextTool();
    QApplication::instance()->installEventFilter(this);
    resize(789, 629);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormCreate();
}

TForm1::~TForm1() {
    QApplication::instance()->removeEventFilter(this);
    FormDestroy();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // Reached from an open menu with the arrow keys, "Справка" (an item without a menu) is
    // highlighted, but Qt gives the keys back to the focused control. The menu bar takes them,
    // as it does while a menu is open: Enter opens the about box, the arrows go on, Esc leaves.
    if (event->type() != QEvent::KeyPress || menuBar()->activeAction() != About1 ||
        QApplication::activePopupWidget())
        return QMainWindow::eventFilter(watched, event);
    auto* control = qobject_cast<QWidget*>(watched);
    if (!control || control == menuBar() || control->window() != this)
        return QMainWindow::eventFilter(watched, event);
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Escape:
    case Qt::Key_Left:
    case Qt::Key_Right:
        QCoreApplication::sendEvent(menuBar(), event);
        return true;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::changeEvent(QEvent* event) {
    // The desktop activated this window while a modal window blocks it: after a click on it where
    // the desktop does not keep the modal window on top, or after the modal window was minimised
    // (Qt's own title bar on Wayland offers the button even to fixed dialogs). The modal window
    // comes back and takes the activation, so that the editor never waits on a window the user
    // cannot see.
    QWidget* modal = event->type() == QEvent::ActivationChange && isActiveWindow()
                         ? QApplication::activeModalWidget()
                         : nullptr;
    if (modal) {
        modal->setWindowState(modal->windowState() & ~Qt::WindowMinimized);
        modal->raise();
        modal->activateWindow();
    }
    QMainWindow::changeEvent(event);
}

void TForm1::paintEvent(QPaintEvent* event) {
    QMainWindow::paintEvent(event);
    if (!largeIcon_) {
        largeIcon_ = true;
        QTimer::singleShot(0, this, [this] { setWindowIcon(ProgramIcon()); });
    }
}

QMenu* TForm1::createPopupMenu() {
    // The bands are shown and hidden through the "Вид" menu only, so its check marks stay true.
    return nullptr;
}

QToolButton* TForm1::AddToolButton(QToolBar* band, QButtonGroup* group, const char* name, int tag,
                                   const QString& hint, const QIcon& icon) {
    auto* button = new QToolButton(band);
    button->setObjectName(QLatin1String(name));
    button->setProperty("Tag", tag);
    button->setToolTip(hint);
    button->setAccessibleName(hint); // assistive technology reads what a sighted user reads
    button->setIcon(icon);
    button->setIconSize(QSize(kToolIconSize, kToolIconSize));
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setFixedSize(26, 26);
    group->addButton(button);
    band->addWidget(button);
    return button;
}

void TForm1::CreateToolBands() {
    auto newGroup = [this] {
        auto* group = new QButtonGroup(this);
        group->setExclusive(true);
        return group;
    };
    modeGroup_ = newGroup();
    shapeGroup_ = newGroup();
    penGroup_ = newGroup();
    brushGroup_ = newGroup();

    PanelAppMode1 = AddBand(this, "PanelAppMode1");
    SpButModeSelect = AddToolButton(
        PanelAppMode1, modeGroup_, "SpButModeSelect", 1001,
        QStringLiteral("Включить только инструменты построения выделений"), ModeIcon(1));
    SpButModePaint =
        AddToolButton(PanelAppMode1, modeGroup_, "SpButModePaint", 1002,
                      QStringLiteral("Включить инструменты векторной графики"), ModeIcon(2));
    SpButModeText =
        AddToolButton(PanelAppMode1, modeGroup_, "SpButModeText", 1003,
                      QStringLiteral("Включить инструменты текстовых подписей"), ModeIcon(3));
    SpButModeImage = AddToolButton(
        PanelAppMode1, modeGroup_, "SpButModeImage", 1004,
        QStringLiteral("Включить инструменты копирования - вставки фрагментов"), ModeIcon(4));
    SpButModeSelect->setChecked(true);

    PanelSelect = AddBand(this, "PanelSelect");
    const char* shapeNames[] = {"SpButDrawT01", "SpButDrawT02", "SpButDrawT03", "SpButDrawT04"};
    const QString shapeHints[] = {
        QStringLiteral("Рисование - выделение линией"),
        QStringLiteral("Рисование - выделение прямоугольником"),
        QStringLiteral("Рисование - выделение эллипсом"),
        QStringLiteral("Рисование - выделение скругленным прямоугольником")};
    for (int i = 0; i < 4; ++i)
        SpButDrawT[i] = AddToolButton(PanelSelect, shapeGroup_, shapeNames[i], i + 1, shapeHints[i],
                                      ShapeIcon(i));

    PanelPen = AddBand(this, "PanelPen");
    STxtPenColor = new ColorSwatch(PanelPen);
    STxtPenColor->setObjectName(QStringLiteral("STxtPenColor"));
    STxtPenColor->setProperty("Tag", 101);
    STxtPenColor->setToolTip(QStringLiteral("Выбор цвета для контуров фигур"));
    STxtPenColor->setAccessibleName(STxtPenColor->toolTip());
    PanelPen->addWidget(STxtPenColor);
    const char* penNames[] = {"SpButPenS11", "SpButPenS12", "SpButPenS13",
                              "SpButPenS14", "SpButPenS15", "SpButPenS16"};
    const QString penHints[] = {QStringLiteral("Контур фигуры твердой линией"),
                                QStringLiteral("Контур фигуры штриховой линией"),
                                QStringLiteral("Контур фигуры линией точек"),
                                QStringLiteral("Контур фигуры штрих - пунктиром 1"),
                                QStringLiteral("Контур фигуры штрих - пунктиром 2"),
                                QStringLiteral("Невидимый контур фигуры")};
    for (int i = 0; i < 6; ++i)
        SpButPenS[i] = AddToolButton(PanelPen, penGroup_, penNames[i], 11 + i, penHints[i],
                                     PenStyleIcon(static_cast<TPenStyle>(i)));

    PanelBrush = AddBand(this, "PanelBrush");
    STxtBrushColor = new ColorSwatch(PanelBrush);
    STxtBrushColor->setObjectName(QStringLiteral("STxtBrushColor"));
    STxtBrushColor->setProperty("Tag", 102);
    STxtBrushColor->setToolTip(QStringLiteral("Выбор цвета заливки (Brush)"));
    STxtBrushColor->setAccessibleName(STxtBrushColor->toolTip());
    PanelBrush->addWidget(STxtBrushColor);
    for (int i = 0; i < 8; ++i) {
        const QString name = QStringLiteral("SpButBrush%1").arg(21 + i);
        const QString hint = i == 0   ? QStringLiteral("Плотная заливка")
                             : i == 1 ? QStringLiteral("Невидимая заливка")
                                      : QStringLiteral("Штриховка %1").arg(i - 1);
        SpButBrush[i] = AddToolButton(PanelBrush, brushGroup_, name.toLatin1().constData(), 21 + i,
                                      hint, BrushStyleIcon(static_cast<TBrushStyle>(i)));
    }
}

void TForm1::CreateMenu() {
    QMenuBar* bar = menuBar();

    FileControl1 = bar->addMenu(QStringLiteral("Файлы"));
    FileControl1->setObjectName(QStringLiteral("FileControl1"));
    New1 = AddItem(FileControl1, "New1", QStringLiteral("Новый"), true);
    Open1 = AddItem(FileControl1, "Open1", QStringLiteral("Открыть"), true);
    Save1 = AddItem(FileControl1, "Save1", QStringLiteral("Сохранить"), true);
    SaveAs1 = AddItem(FileControl1, "SaveAs1", QStringLiteral("Сохранить как  ..."), true);
    Close1 = AddItem(FileControl1, "Close1", QStringLiteral("Выход"), false);
    connect(Close1, &QAction::triggered, this, Reported([this] { Close1Click(Close1); }));

    View1 = bar->addMenu(QStringLiteral("Вид"));
    View1->setObjectName(QStringLiteral("View1"));
    PSelect1 = AddCheckItem(View1, "PSelect1", QStringLiteral("Отображать панель Select"));
    PPen1 = AddCheckItem(View1, "PPen1", QStringLiteral("Отображать панель Pen"));
    PBrush1 = AddCheckItem(View1, "PBrush1", QStringLiteral("Отображать панель Brush"));
    PText1 = AddCheckItem(View1, "PText1", QStringLiteral("Отображать панель Text"));
    PSelect1->setChecked(true);
    // The items have toggled their own check mark by the time triggered arrives.
    connect(PSelect1, &QAction::triggered, this, Reported([this] { PSelect1Click(PSelect1); }));
    connect(PPen1, &QAction::triggered, this, Reported([this] { PPen1Click(PPen1); }));
    connect(PBrush1, &QAction::triggered, this, Reported([this] { PBrush1Click(PBrush1); }));
    connect(PText1, &QAction::triggered, this, Reported([this] { PText1Click(PText1); }));

    ImgEdit1 = bar->addMenu(QStringLiteral("Редактирование"));
    ImgEdit1->setObjectName(QStringLiteral("ImgEdit1"));
    UnDo = AddItem(ImgEdit1, "UnDo", QStringLiteral("Шаг назад"), true);
    ClearUnDo1 = AddItem(ImgEdit1, "ClearUnDo1", QStringLiteral("Очистить список возврата"), true);
    ImgEdit1->addSeparator()->setObjectName(QStringLiteral("N2"));
    Copy1 = AddItem(ImgEdit1, "Copy1", QStringLiteral("Копировать в DDE"), true);
    Paste1 = AddItem(ImgEdit1, "Paste1", QStringLiteral("Вставить из DDE"), true);
    Cut1 = AddItem(ImgEdit1, "Cut1", QStringLiteral("Вырезать в DDE"), true);
    ImgEdit1->addSeparator()->setObjectName(QStringLiteral("N1"));
    Copy2Buf = AddItem(ImgEdit1, "Copy2Buf", QStringLiteral("Копировать в буфер"), true);
    SelectInBuf1 =
        AddItem(ImgEdit1, "SelectInBuf1", QStringLiteral("Выбор копии для вставки"), true);
    Paste2Buf = AddItem(ImgEdit1, "Paste2Buf", QStringLiteral("Вставить из буфера"), true);
    ImgEdit1->addSeparator()->setObjectName(QStringLiteral("N3"));
    Clear1 = AddItem(ImgEdit1, "Clear1", QStringLiteral("Очистить цветом Brush"), true);

    Select1 = bar->addMenu(QStringLiteral("Выделение"));
    Select1->setObjectName(QStringLiteral("Select1"));
    ShowSelect1 = AddItem(Select1, "ShowSelect1", QStringLiteral("Отобразить выделение"), false);
    HidenSelect1 = AddItem(Select1, "HidenSelect1", QStringLiteral("Спрятать выделение"), false);

    About1 = bar->addAction(QStringLiteral("Справка"));
    About1->setObjectName(QStringLiteral("About1"));
    connect(About1, &QAction::triggered, this, Reported([this] { About1Click(About1); }));

    GuideKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
    GuideKey->setObjectName(QStringLiteral("GuideKey"));
    connect(GuideKey, &QShortcut::activated, this, Reported([this] { GuideKeyPress(GuideKey); }));
}

void TForm1::CreateClientArea() {
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ScrollBox1 = new QScrollArea(client);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setBackgroundRole(QPalette::Button);
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox1->setWidgetResizable(false);
    Image1 = new TImage;
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAccessibleName(QStringLiteral("Рисунок"));
    ScrollBox1->setWidget(Image1);

    // The text preview rides on the picture, so it scrolls with it.
    LabelTxt = new PictureLabel(Image1);
    LabelTxt->setObjectName(QStringLiteral("LabelTxt"));
    LabelTxt->setGeometry(0, 0, 33, 25);
    LabelTxt->hide();

    CreateTextPanel(client);
    layout->addWidget(ScrollBox1, 1);
    layout->addWidget(PanelTxt);
    setCentralWidget(client);
}

void TForm1::CreateStatusBar() {
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    for (int i = 0; i < 5; ++i) {
        auto* panel = new StatusPanel(120, QStringLiteral(" Финиш: (-8888, -8888)"), StatusBar1);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setAccessibleDescription(QStringLiteral("Строка состояния, поле %1").arg(i + 1));
        StatusBar1->addWidget(panel);
        StatusPanels[i] = panel;
    }
    setStatusBar(StatusBar1);
}

void TForm1::FormCreate() {
    NewBlankPicture(Image1->Picture(), kDesignImageWidth, kDesignImageHeight);
    AppMode = amSelect;

    Selector = std::make_unique<TRegionSelector>(Image1);
    if (Selector) {
        Selector->ShapeKind = 1;
        Selector->OnSelectStart = [this](TRegionSelector&, TShiftState shift, const TPoint& start,
                                         const TPoint& end) { SelectorStart(shift, start, end); };
        Selector->OnSelectMove = [this](TRegionSelector&, TShiftState shift, const TPoint& start,
                                        const TPoint& end) { SelectorMove(shift, start, end); };
        Selector->OnSelectEnd = [this](TRegionSelector&, TShiftState shift, const TPoint& start,
                                       const TPoint& end) { SelectorEnd(shift, start, end); };
        Selector->SetOutlineVisible(true);
    }
    UnDoManager = std::make_unique<TGraphUnDo>();

    CbBoxFntName->clear();
    CbBoxFntName->addItems(ScreenFontNames()); // the list opens as wide as its longest name
    if (CbBoxFntName->count() > 0) {
        CbBoxFntName->setCurrentIndex(
            CbBoxFntName->findText(QStringLiteral("Arial"), Qt::MatchFixedString));
        FillFontSizes(CbBoxFntName->currentIndex() >= 0 ? CbBoxFntName->currentText() : QString(),
                      CbBoxFntSize);
        if (CbBoxFntSize->count() > 0) {
            QFont font = LabelTxt->font();
            font.setFamily(FamilyOf(CbBoxFntName->currentText()));
            font.setPointSize(CbBoxFntSize->itemText(0).toInt());
            LabelTxt->setFont(font);
        }
    }

    ShapeTool = 1;
    SpButDrawT[1]->setChecked(true);
    BrushStyle = bsClear;
    SpButBrush[1]->setChecked(true);
    BrushColor = clSilver;
    STxtBrushColor->SetColor(BrushColor);
    PenStyle = psSolid;
    SpButPenS[0]->setChecked(true);
    PenMode = pmCopy;
    PenWidth = 1;
    PenColor = clBlue;
    STxtPenColor->SetColor(PenColor);
    ApplyCanvasTools(Image1);
    ShowToolPanels(true, false, false, false);
}

void TForm1::FormDestroy() {
    if (UnDoManager) {
        UnDoManager->Clear();
        UnDoManager.reset();
    }
    Selector.reset(); // gives Image1 its own mouse handlers back
}

void TForm1::Close1Click(QObject*) {
    close();
}

void TForm1::About1Click(QObject*) {
    if (AboutBox)
        Dialogs().ExecModal(*AboutBox);
}

void TForm1::GuideKeyPress(QObject*) {
    OpenGuide(this);
}

void TForm1::PSelect1Click(QObject*) {
    PanelSelect->setVisible(PSelect1->isChecked());
}

void TForm1::PPen1Click(QObject*) {
    PanelPen->setVisible(PPen1->isChecked());
}

void TForm1::PBrush1Click(QObject*) {
    PanelBrush->setVisible(PBrush1->isChecked());
}

void TForm1::PText1Click(QObject*) {
    if (PText1->isChecked())
        CompleteTextPanel();
    PanelTxt->setVisible(PText1->isChecked());
}

void TForm1::ShowToolPanels(bool Select, bool Pen, bool Brush, bool Text) {
    PSelect1->setChecked(Select);
    PSelect1Click(PSelect1);
    PPen1->setChecked(Pen);
    PPen1Click(PPen1);
    PBrush1->setChecked(Brush);
    PBrush1Click(PBrush1);
    PText1->setChecked(Text);
    PText1Click(PText1);
}

void TForm1::ApplyCanvasTools(TImage* Image) {
    TCanvas& canvas = Image->Canvas();
    canvas.Pen.Style = PenStyle;
    canvas.Pen.Mode = PenMode;
    canvas.Pen.Width = PenWidth;
    canvas.Pen.Color = PenColor;
    canvas.Brush.Color = BrushColor;
    canvas.Brush.Style = BrushStyle;
}

void TForm1::FillImage(TImage* Image, TColor Colour) {
    TCanvas& canvas = Image->Canvas();
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = Colour;
    canvas.FillRect({0, 0, Image->width(), Image->height()});
}

void TForm1::NewBlankPicture(TBitmap& Picture, std::int32_t Width, std::int32_t Height) {
    TBitmap blank; // comes out white
    blank.SetWidth(Width);
    blank.SetHeight(Height);
    Picture.Assign(blank);
}

void TForm1::FillFontSizes(const QString& FontName, QComboBox* SizeBox) {
    SizeBox->clear();
    if (FontName.isEmpty())
        return;
    // The kind marker is not reset: a name with no faces goes by the kind of the previous fill.
    FontServices().EnumFontFamily(FontName, [SizeBox](const TFontFace& face) {
        switch (face.FontType) {
        case ftRaster:
            SizeBox->setProperty("Tag", 2);
            SizeBox->addItem(QString::asprintf("%d", face.Height));
            break;
        case ftDevice:
            SizeBox->setProperty("Tag", 3);
            break;
        case ftTrueType:
            SizeBox->setProperty("Tag", 1);
            break;
        default:
            SizeBox->setProperty("Tag", 0);
            break;
        }
        return true;
    });
    switch (TagOf(SizeBox)) {
    case 1:
        for (int size : StdFontSizes)
            SizeBox->addItem(QString::number(size));
        break;
    case 2:
        break;
    default:
        SizeBox->addItem(QStringLiteral("8"));
        break;
    }
    if (SizeBox->count() > 0)
        SizeBox->setCurrentIndex(0);
}

QString TForm1::StatusText(int panel) const {
    return StatusPanels.at(static_cast<std::size_t>(panel))->Text();
}

void TForm1::SetStatusText(int panel, const QString& text) {
    StatusPanels.at(static_cast<std::size_t>(panel))->SetText(text);
}
