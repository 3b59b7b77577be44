// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window as a user meets it: start-up state, layout, menus, tool bands, status texts,
// the end of a gesture in every mode, the font lists and the general error report.
#include "canvas/TImage.h"
#include "desktop/EditorApplication.h"
#include "desktop/FontServices.h"
#include "dialogs/About.h"
#include "dialogs/SetSizeImageDialog.h"
#include "fragments/ImageBuf01.h"
#include "main/EditorFixture.h"
#include "main/Form1.h"
#include "resources/BuiltInPictures.h"
#include "resources/IconArt.h"
#include "selection/TRegionSelector.h"
#include "support/ScriptedDialogs.h"
#include "support/TestPictures.h"
#include "system/EditorError.h"
#include "widgets/ColorSwatch.h"
#include "widgets/StatusPanel.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <memory>

Q_DECLARE_METATYPE(TPoint)

namespace {

// An object whose every event fails, to reach the application's general error report.
class Failing : public QObject {
public:
    bool event(QEvent*) override { throw EditorError(QStringLiteral("Диск переполнен")); }
};

} // namespace

class TestMainWindow : public EditorFixture {
    Q_OBJECT

private slots:
    // ---- start-up ----
    void stateAfterStartUp() {
        QCOMPARE(form_->AppMode, amSelect);
        QCOMPARE(form_->ShapeTool, 1);
        QCOMPARE(form_->PenStyle, psSolid);
        QCOMPARE(form_->PenMode, pmCopy);
        QCOMPARE(form_->PenWidth, 1);
        QCOMPARE(form_->PenColor, clBlue);
        QCOMPARE(form_->BrushStyle, bsClear);
        QCOMPARE(form_->BrushColor, clSilver);
        QCOMPARE(form_->WorkRect, TRect{});
        QVERIFY(form_->DocFileName.isEmpty());
        QVERIFY(!form_->CurFragment);
        // The canvas carries the editor's tools.
        const TCanvas& canvas = form_->Image1->Canvas();
        QCOMPARE(canvas.Pen.Color, clBlue);
        QCOMPARE(canvas.Pen.Style, psSolid);
        QCOMPARE(canvas.Pen.Mode, pmCopy);
        QCOMPARE(canvas.Brush.Style, bsClear);
        QCOMPARE(canvas.Brush.Color, clSilver);
        // Buttons down: select mode, rectangle, solid pen, clear brush (not the solid one).
        QVERIFY(form_->SpButModeSelect->isChecked());
        QVERIFY(form_->SpButDrawT[1]->isChecked());
        QVERIFY(form_->SpButPenS[0]->isChecked());
        QVERIFY(form_->SpButBrush[1]->isChecked());
        QVERIFY(!form_->SpButBrush[0]->isChecked());
        QCOMPARE(form_->STxtPenColor->Color(), clBlue);
        QCOMPARE(form_->STxtBrushColor->Color(), clSilver);
        // Bands and view items: only the mode band and the shape band.
        QVERIFY(form_->PanelAppMode1->isVisible());
        QVERIFY(form_->PanelSelect->isVisible());
        QVERIFY(!form_->PanelPen->isVisible());
        QVERIFY(!form_->PanelBrush->isVisible());
        QVERIFY(!form_->PanelTxt->isVisible());
        QVERIFY(form_->PSelect1->isChecked());
        QVERIFY(!form_->PPen1->isChecked());
        QVERIFY(!form_->PBrush1->isChecked());
        QVERIFY(!form_->PText1->isChecked());
        // A white 761 x 505 picture, shown at its size.
        const TBitmap& picture = form_->Image1->Picture();
        QCOMPARE(picture.Width(), 761);
        QCOMPARE(picture.Height(), 505);
        QCOMPARE(CountColor(picture, clWhite, picture.BoundsRect()), 761 * 505);
        QCOMPARE(form_->Image1->size(), QSize(761, 505));
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад"));
        for (int i = 0; i < 5; ++i)
            QVERIFY(form_->StatusText(i).isEmpty());
        // The selector: rectangle, persistent outline, nothing selected.
        QVERIFY(form_->Selector);
        QCOMPARE(form_->Selector->ShapeKind, 1);
        QCOMPARE(form_->Selector->OutlineMode(), omPersistent);
        QVERIFY(!form_->LabelTxt->isVisible());
        QCOMPARE(form_->LabelTxt->size(), QSize(33, 25));
        // The other windows exist, hidden, and are known to the main window.
        QCOMPARE(form_->NewImageForm, windows_->NewImageForm);
        QCOMPARE(form_->AboutBox, windows_->AboutBox);
        QCOMPARE(form_->FormImgBuf, windows_->FormImgBuf);
        QVERIFY(!windows_->NewImageForm->isVisible());
        QVERIFY(!windows_->AboutBox->isVisible());
        QVERIFY(!windows_->FormImgBuf->isVisible());
    }

    void windowLayoutAndSizes() {
        QCOMPARE(form_->size(), QSize(789, 629));
        QVERIFY(!form_->windowTitle().isEmpty());
        for (QToolBar* band :
             {form_->PanelAppMode1, form_->PanelSelect, form_->PanelPen, form_->PanelBrush}) {
            QCOMPARE(band->height(), 28);
            QVERIFY(band->isMovable());
            QCOMPARE(form_->toolBarArea(band), Qt::TopToolBarArea);
        }
        // The bands stand left to right in one row: modes, shapes, pen, brush.
        form_->PanelPen->show();
        form_->PanelBrush->show();
        QApplication::processEvents();
        QVERIFY(form_->PanelAppMode1->x() < form_->PanelSelect->x());
        QVERIFY(form_->PanelSelect->x() < form_->PanelPen->x());
        QVERIFY(form_->PanelPen->x() < form_->PanelBrush->x());
        QCOMPARE(form_->PanelAppMode1->y(), form_->PanelBrush->y());
        QCOMPARE(form_->PanelTxt->maximumHeight(), 60);
        const auto panels = form_->StatusBar1->findChildren<StatusPanel*>(
            QRegularExpression(QStringLiteral("^StatusPanel\\d$")));
        QCOMPARE(panels.size(), 5);
        for (StatusPanel* panel : panels)
            QCOMPARE(panel->width(), 120);
        QCOMPARE(form_->STxtPenColor->size(), QSize(16, 16));
        // The picture sits at the top left of the scroll box.
        QCOMPARE(form_->Image1->pos(), QPoint(0, 0));
    }

    void toolButtonsTagsGroupsAndHints_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("tag");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("band");
        const QString m = QStringLiteral("PanelAppMode1"), s = QStringLiteral("PanelSelect"),
                      p = QStringLiteral("PanelPen"), b = QStringLiteral("PanelBrush");
        QTest::newRow("SpButModeSelect")
            << "SpButModeSelect" << 1001 << "Включить только инструменты построения выделений" << m;
        QTest::newRow("SpButModePaint")
            << "SpButModePaint" << 1002 << "Включить инструменты векторной графики" << m;
        QTest::newRow("SpButModeText")
            << "SpButModeText" << 1003 << "Включить инструменты текстовых подписей" << m;
        QTest::newRow("SpButModeImage")
            << "SpButModeImage" << 1004 << "Включить инструменты копирования - вставки фрагментов"
            << m;
        QTest::newRow("SpButDrawT01") << "SpButDrawT01" << 1 << "Рисование - выделение линией" << s;
        QTest::newRow("SpButDrawT02")
            << "SpButDrawT02" << 2 << "Рисование - выделение прямоугольником" << s;
        QTest::newRow("SpButDrawT03")
            << "SpButDrawT03" << 3 << "Рисование - выделение эллипсом" << s;
        QTest::newRow("SpButDrawT04")
            << "SpButDrawT04" << 4 << "Рисование - выделение скругленным прямоугольником" << s;
        QTest::newRow("SpButPenS11") << "SpButPenS11" << 11 << "Контур фигуры твердой линией" << p;
        QTest::newRow("SpButPenS12")
            << "SpButPenS12" << 12 << "Контур фигуры штриховой линией" << p;
        QTest::newRow("SpButPenS13") << "SpButPenS13" << 13 << "Контур фигуры линией точек" << p;
        QTest::newRow("SpButPenS14")
            << "SpButPenS14" << 14 << "Контур фигуры штрих - пунктиром 1" << p;
        QTest::newRow("SpButPenS15")
            << "SpButPenS15" << 15 << "Контур фигуры штрих - пунктиром 2" << p;
        QTest::newRow("SpButPenS16") << "SpButPenS16" << 16 << "Невидимый контур фигуры" << p;
        QTest::newRow("SpButBrush21") << "SpButBrush21" << 21 << "Плотная заливка" << b;
        QTest::newRow("SpButBrush22") << "SpButBrush22" << 22 << "Невидимая заливка" << b;
        for (int i = 1; i <= 6; ++i) {
            const QString name = QStringLiteral("SpButBrush%1").arg(22 + i);
            QTest::newRow(qPrintable(name))
                << name << 22 + i << QStringLiteral("Штриховка %1").arg(i) << b;
        }
    }
    void toolButtonsTagsGroupsAndHints() {
        QFETCH(QString, name);
        QFETCH(int, tag);
        QFETCH(QString, hint);
        QFETCH(QString, band);
        auto* button = form_->findChild<QToolButton*>(name);
        QVERIFY(button);
        QCOMPARE(TagOf(button), tag);
        QCOMPARE(button->toolTip(), hint);
        QCOMPARE(button->size(), QSize(26, 26));
        QVERIFY(button->isCheckable());
        QVERIFY(!button->icon().isNull());
        QCOMPARE(button->parentWidget()->objectName(), band);
    }

    void styledPenIconsShowAGapBetweenTwoStretches() {
        // Even the long dash: one 18-pixel dash alone would look like the solid pen.
        for (int style = psDash; style <= psDashDotDot; ++style) {
            const QImage icon = form_->SpButPenS[style]->icon().pixmap(20, 20).toImage();
            int lines = 0;
            for (int y = 0; y < icon.height(); ++y) {
                QString row;
                for (int x = 0; x < icon.width(); ++x)
                    row += qAlpha(icon.pixel(x, y)) ? QLatin1Char('#') : QLatin1Char('.');
                if (!row.contains(QLatin1Char('#')))
                    continue;
                ++lines;
                QVERIFY2(row.contains(QRegularExpression(QStringLiteral("#\\.{3,}#"))),
                         qPrintable(row));
                if (style == psDot) // dots, not short dashes
                    QVERIFY2(!row.contains(QStringLiteral("##")), qPrintable(row));
            }
            QCOMPARE(lines, 3);
        }
    }

    void buttonsStandInTableOrderAndGroupsAreExclusive() {
        const QList<QList<QToolButton*>> groups{
            {form_->SpButModeSelect, form_->SpButModePaint, form_->SpButModeText,
             form_->SpButModeImage},
            {form_->SpButDrawT.begin(), form_->SpButDrawT.end()},
            {form_->SpButPenS.begin(), form_->SpButPenS.end()},
            {form_->SpButBrush.begin(), form_->SpButBrush.end()}};
        form_->ShowToolPanels(true, true, true, false);
        QApplication::processEvents();
        for (const auto& group : groups) {
            for (int i = 1; i < group.size(); ++i)
                QVERIFY(group[i - 1]->x() < group[i]->x());
            // Setting a button down from code releases the others of its group.
            group.last()->setChecked(true);
            for (int i = 0; i + 1 < group.size(); ++i)
                QVERIFY(!group[i]->isChecked());
        }
        // The swatches stand left of their band's buttons.
        QVERIFY(form_->STxtPenColor->x() < form_->SpButPenS[0]->x());
        QVERIFY(form_->STxtBrushColor->x() < form_->SpButBrush[0]->x());
        QCOMPARE(TagOf(form_->STxtPenColor), 101);
        QCOMPARE(TagOf(form_->STxtBrushColor), 102);
        QCOMPARE(form_->STxtPenColor->toolTip(), QStringLiteral("Выбор цвета для контуров фигур"));
        QCOMPARE(form_->STxtBrushColor->toolTip(), QStringLiteral("Выбор цвета заливки (Brush)"));
    }

    void menuCaptionsInOrder() {
        const QList<QAction*> top = form_->menuBar()->actions();
        QStringList topCaptions;
        for (QAction* a : top)
            topCaptions << a->text();
        QCOMPARE(topCaptions,
                 (QStringList{"Файлы", "Вид", "Редактирование", "Выделение", "Справка"}));
        QVERIFY(!top.last()->menu()); // "Справка" opens the about box directly
        auto captions = [](QMenu* menu) {
            QStringList list;
            for (QAction* a : menu->actions())
                list << (a->isSeparator() ? QStringLiteral("-") : a->text());
            return list;
        };
        QCOMPARE(captions(form_->FileControl1),
                 (QStringList{"Новый", "Открыть", "Сохранить", "Сохранить как  ...", "Выход"}));
        QCOMPARE(captions(form_->View1),
                 (QStringList{"Отображать панель Select", "Отображать панель Pen",
                              "Отображать панель Brush", "Отображать панель Text"}));
        QCOMPARE(captions(form_->ImgEdit1),
                 (QStringList{"Шаг назад", "Очистить список возврата", "-", "Копировать в DDE",
                              "Вставить из DDE", "Вырезать в DDE", "-", "Копировать в буфер",
                              "Выбор копии для вставки", "Вставить из буфера", "-",
                              "Очистить цветом Brush"}));
        QCOMPARE(captions(form_->Select1),
                 (QStringList{"Отобразить выделение", "Спрятать выделение"}));
        // Icons where the menu shows a picture; no item has a shortcut.
        for (QAction* a : {form_->New1, form_->Open1, form_->Save1, form_->SaveAs1, form_->UnDo,
                           form_->ClearUnDo1, form_->Copy1, form_->Paste1, form_->Cut1,
                           form_->Copy2Buf, form_->SelectInBuf1, form_->Paste2Buf, form_->Clear1})
            QVERIFY2(!a->icon().isNull(), qPrintable(a->objectName()));
        for (QAction* a : form_->findChildren<QAction*>())
            QVERIFY(a->shortcut().isEmpty());
        for (QAction* a : {form_->PSelect1, form_->PPen1, form_->PBrush1, form_->PText1})
            QVERIFY(a->isCheckable());
    }

    void builtInPicturesAreTheDrawnOnes() {
        // The pictures the build draws into the program are what the program would draw itself.
        auto same = [](const QImage& built, const QImage& drawn) {
            return !built.isNull() &&
                   built == drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        };
        for (int size : kProgramIconSizes)
            QVERIFY2(same(BuiltInPicture(QStringLiteral("Program"), size), DrawProgramIcon(size)),
                     qPrintable(QString::number(size)));
        for (const QString& name : MenuPictureNames())
            for (int ratio : {1, 2}) {
                QImage drawn = DrawNamedPicture(name, ratio);
                drawn.setDevicePixelRatio(1); // the built picture carries none
                QVERIFY2(same(BuiltInPicture(name, 16 * ratio), drawn), qPrintable(name));
            }
        QVERIFY(BuiltInPicture(QStringLiteral("SpButChB"), 18).isNull()); // letters need fonts
    }

    void viewItemsFlipTheirBands() {
        form_->PSelect1->trigger();
        QVERIFY(!form_->PSelect1->isChecked());
        QVERIFY(!form_->PanelSelect->isVisible());
        form_->PSelect1->trigger();
        QVERIFY(form_->PanelSelect->isVisible());
        form_->PPen1->trigger();
        QVERIFY(form_->PanelPen->isVisible());
        form_->PBrush1->trigger();
        QVERIFY(form_->PanelBrush->isVisible());
        form_->PText1->trigger();
        QVERIFY(form_->PanelTxt->isVisible());
        form_->PText1->trigger();
        QVERIFY(!form_->PanelTxt->isVisible());
        // ShowToolPanels sets all four at once, marks included.
        form_->ShowToolPanels(false, true, false, true);
        QVERIFY(!form_->PanelSelect->isVisible() && !form_->PSelect1->isChecked());
        QVERIFY(form_->PanelPen->isVisible() && form_->PPen1->isChecked());
        QVERIFY(!form_->PanelBrush->isVisible() && !form_->PBrush1->isChecked());
        QVERIFY(form_->PanelTxt->isVisible() && form_->PText1->isChecked());
        // The bands have no context menu of their own that could bypass the marks.
        QVERIFY(!form_->createPopupMenu());
    }

    // ---- fonts ----
    void fontListsAtStartUp() {
        QCOMPARE(Items(form_->CbBoxFntName),
                 (QStringList{"arial", "Default", "Fixed", "Printer", "Zeta Sans"}));
        QCOMPARE(form_->CbBoxFntName->currentText(), QStringLiteral("arial"));
        QCOMPARE(Items(form_->CbBoxFntSize), StdSizes());
        QCOMPARE(form_->CbBoxFntSize->currentIndex(), 0);
        QCOMPARE(form_->LabelTxt->font().family(), QStringLiteral("arial"));
        QCOMPARE(form_->LabelTxt->font().pointSize(), 8);
    }

    void withoutArialNoFontIsSelected() {
        windows_.reset();
        fonts_.families.removeAll(QStringLiteral("arial"));
        Start();
        QCOMPARE(form_->CbBoxFntName->currentIndex(), -1);
        QVERIFY(form_->CbBoxFntName->currentText().isEmpty());
        QCOMPARE(form_->CbBoxFntSize->count(), 0);
    }

    void fillFontSizesByKind() {
        QComboBox* sizes = form_->CbBoxFntSize;
        form_->FillFontSizes(QStringLiteral("Fixed"), sizes); // raster: its own heights
        QCOMPARE(Items(sizes), (QStringList{"13", "10", "13"}));
        QCOMPARE(TagOf(sizes), 2);
        QCOMPARE(sizes->currentIndex(), 0);
        form_->FillFontSizes(QStringLiteral("Default"), sizes); // no faces: kind kept, raster
        QCOMPARE(sizes->count(), 0);
        QCOMPARE(TagOf(sizes), 2);
        form_->FillFontSizes(QStringLiteral("Printer"), sizes); // device: "8" only
        QCOMPARE(Items(sizes), QStringList{"8"});
        QCOMPARE(TagOf(sizes), 3);
        form_->FillFontSizes(QStringLiteral("Zeta Sans"), sizes); // scalable: the 16 sizes
        QCOMPARE(Items(sizes), StdSizes());
        QCOMPARE(TagOf(sizes), 1);
        form_->FillFontSizes(QStringLiteral("Default"), sizes); // kind kept: the 16 sizes
        QCOMPARE(Items(sizes), StdSizes());
        fonts_.faces[QStringLiteral("Odd")] = {{0, 7}};
        form_->FillFontSizes(QStringLiteral("Odd"), sizes); // any other kind: "8"
        QCOMPARE(Items(sizes), QStringList{"8"});
        QCOMPARE(TagOf(sizes), 0);
        form_->FillFontSizes(QString(), sizes); // no name: the list is only emptied
        QCOMPARE(sizes->count(), 0);
        QCOMPARE(TagOf(sizes), 0);
    }

    // ---- status feedback ----
    void statusTextsFollowTheGesture() {
        TImage* image = form_->Image1;
        image->OnMouseDown(TMouseButton::mbLeft, ssLeft, 10, 20);
        QCOMPARE(form_->StatusText(0), QStringLiteral(" Старт: (10, 20)"));
        for (int i = 1; i < 5; ++i)
            QVERIFY(form_->StatusText(i).isEmpty());
        image->OnMouseMove(ssLeft, 4, 30);
        QCOMPARE(form_->StatusText(0), QStringLiteral(" Старт: (10, 20)"));
        QCOMPARE(form_->StatusText(1), QStringLiteral(" Финиш: (4, 30)"));
        QCOMPARE(form_->StatusText(2), QStringLiteral(" Ширина: (6)")); // a plain difference
        QCOMPARE(form_->StatusText(3), QStringLiteral(" Высота: (10)"));
        image->OnMouseMove(ssLeft, -7, 3);
        QCOMPARE(form_->StatusText(1), QStringLiteral(" Финиш: (-7, 3)"));
        QCOMPARE(form_->StatusText(2), QStringLiteral(" Ширина: (17)"));
        QCOMPARE(form_->StatusText(3), QStringLiteral(" Высота: (17)"));
        image->OnMouseUp(TMouseButton::mbLeft, 0, 50, 50);
        // The texts stay after the gesture; the fifth panel is never written.
        QCOMPARE(form_->StatusText(1), QStringLiteral(" Финиш: (-7, 3)"));
        QVERIFY(form_->StatusText(4).isEmpty());
        // The next press clears the end texts.
        image->OnMouseDown(TMouseButton::mbLeft, ssLeft, 1, 2);
        QCOMPARE(form_->StatusText(0), QStringLiteral(" Старт: (1, 2)"));
        QVERIFY(form_->StatusText(1).isEmpty());
        image->OnMouseUp(TMouseButton::mbLeft, 0, 1, 2);
    }

    void statusPanelsShowLongCoordinatesWhole() {
        StatusPanel* panel = form_->StatusPanels[1];
        // The closing bracket of the widest coordinates still shows: the panel with it differs
        // from the panel without it, and only in the text's area.
        form_->SelectorMove(0, {0, 0}, {-8888, -8888});
        const QImage whole = panel->Rendered();
        panel->SetText(QStringLiteral(" Финиш: (-8888, -8888"));
        const QImage cut = panel->Rendered();
        QVERIFY(whole != cut);
        panel->SetText(QStringLiteral(" Финиш: (-8888, -8888)"));
        QCOMPARE(panel->Rendered(), whole); // the same text renders the same
        QCOMPARE(panel->width(), 120);
        // An empty panel is the face colour inside its frame.
        panel->SetText(QString());
        const QImage empty = panel->Rendered();
        const QRgb face = empty.pixel(empty.width() / 2, empty.height() / 2);
        for (int x = 3; x < empty.width() - 3; ++x)
            QCOMPARE(empty.pixel(x, empty.height() / 2), face);
    }

    void realMouseEventsReachTheStatusBar() {
        TImage* image = form_->Image1;
        QTest::mousePress(image, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
        SendMouse(image, QEvent::MouseMove, QPoint(90, 70), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(form_->StatusText(1), QStringLiteral(" Финиш: (90, 70)"));
        QTest::mouseRelease(image, Qt::LeftButton, Qt::NoModifier, QPoint(90, 70));
        QCOMPARE(form_->StatusText(0), QStringLiteral(" Старт: (30, 40)"));
        // A right-button press and a Ctrl-press start nothing.
        QTest::mousePress(image, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
        QTest::mouseRelease(image, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
        QTest::mousePress(image, Qt::LeftButton, Qt::ControlModifier, QPoint(6, 6));
        QTest::mouseRelease(image, Qt::LeftButton, Qt::ControlModifier, QPoint(6, 6));
        QCOMPARE(form_->StatusText(0), QStringLiteral(" Старт: (30, 40)"));
    }

    // ---- the end of a gesture ----
    void firstRectangleInPaintModeIsABlueOutlineWithoutFill() {
        EnterPaintMode();
        Drag(form_->Image1, {100, 80}, {20, 10});
        const TBitmap& picture = form_->Image1->Picture();
        QCOMPARE(form_->WorkRect, (TRect{20, 10, 100, 80}));
        // Outline: columns 20..99, rows 10..79; inside and outside stay white.
        QCOMPARE(CountColor(picture, clBlue, picture.BoundsRect()), 2 * 80 + 2 * 68);
        QCOMPARE(CountColor(picture, clBlue, {20, 10, 100, 11}), 80);
        QCOMPARE(CountColor(picture, clBlue, {20, 79, 100, 80}), 80);
        QCOMPARE(CountColor(picture, clBlue, {20, 10, 21, 80}), 70);
        QCOMPARE(CountColor(picture, clBlue, {99, 10, 100, 80}), 70);
        QCOMPARE(CountColor(picture, clWhite, {21, 11, 99, 79}), 78 * 68);
        // The canvas carries the selector's tools no more: the editor's are back.
        QCOMPARE(form_->Image1->Canvas().Pen.Mode, pmCopy);
        QCOMPARE(form_->Image1->Canvas().Pen.Color, clBlue);
    }

    void shapesOfEveryKindMatchTheCanvas_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<TPoint>("from");
        QTest::addColumn<TPoint>("to");
        QTest::newRow("line up-left") << 0 << TPoint{50, 50} << TPoint{10, 20};
        QTest::newRow("rectangle") << 1 << TPoint{5, 6} << TPoint{70, 33};
        QTest::newRow("ellipse reversed") << 2 << TPoint{90, 60} << TPoint{12, 4};
        QTest::newRow("rounded rectangle") << 3 << TPoint{0, 0} << TPoint{100, 40};
        QTest::newRow("leaving the picture") << 2 << TPoint{700, 450} << TPoint{900, 620};
        QTest::newRow("negative") << 3 << TPoint{40, 30} << TPoint{-60, -20};
    }
    void shapesOfEveryKindMatchTheCanvas() {
        QFETCH(int, kind);
        QFETCH(TPoint, from);
        QFETCH(TPoint, to);
        EnterPaintMode();
        form_->ShapeTool = static_cast<std::uint8_t>(kind);
        form_->Selector->ShapeKind = static_cast<std::uint8_t>(kind);
        form_->BrushStyle = bsSolid;
        form_->PenStyle = psDashDot;
        FillNoise(form_->Image1->Picture(), 17);
        TBitmap expected;
        expected.Assign(form_->Image1->Picture());
        TCanvas& c = expected.Canvas();
        c.Pen = {psDashDot, pmCopy, clBlue, 1};
        c.Brush = {bsSolid, clSilver};
        const TRect r = NormalizeRect(from, to);
        switch (kind) {
        case 0:
            c.MoveTo(from.x, from.y);
            c.LineTo(to.x, to.y);
            break;
        case 1:
            c.Rectangle(r.left, r.top, r.right, r.bottom);
            break;
        case 2:
            c.Ellipse(r.left, r.top, r.right, r.bottom);
            break;
        default:
            c.RoundRect(r.left, r.top, r.right, r.bottom, r.Width() / 2, r.Height() / 2);
        }
        Drag(form_->Image1, from, to);
        QCOMPARE(form_->WorkRect, r);
        QVERIFY2(Differences(form_->Image1->Picture(), expected).isEmpty(),
                 qPrintable(FirstDifference(form_->Image1->Picture(), expected)));
    }

    void lineRunsInTheDirectionOfTheDrag() {
        EnterPaintMode();
        form_->ShapeTool = 0;
        form_->Selector->ShapeKind = 0;
        Drag(form_->Image1, {50, 50}, {10, 20});
        const TBitmap& picture = form_->Image1->Picture();
        QCOMPARE(picture.Pixel(50, 50), clBlue);  // the press point is drawn
        QCOMPARE(picture.Pixel(10, 20), clWhite); // the end point is not
        QCOMPARE(form_->WorkRect, (TRect{10, 20, 50, 50}));
    }

    void clickWithoutMovementDrawsNothing() {
        EnterPaintMode();
        form_->WorkRect = {1, 2, 3, 4};
        form_->Image1->OnMouseDown(TMouseButton::mbLeft, ssLeft, 30, 30);
        form_->Image1->OnMouseUp(TMouseButton::mbLeft, 0, 30, 30);
        const TBitmap& picture = form_->Image1->Picture();
        QCOMPARE(CountColor(picture, clWhite, picture.BoundsRect()), 761 * 505);
        QCOMPARE(form_->WorkRect, (TRect{1, 2, 3, 4}));
        QCOMPARE(form_->StatusText(0), QStringLiteral(" Старт: (30, 30)"));
        QVERIFY(form_->StatusText(1).isEmpty());
    }

    void invisiblePenAndClearBrushDrawNothingVisible() {
        EnterPaintMode();
        form_->PenStyle = psClear;
        Drag(form_->Image1, {10, 10}, {200, 150});
        const TBitmap& picture = form_->Image1->Picture();
        QCOMPARE(CountColor(picture, clWhite, picture.BoundsRect()), 761 * 505);
        QCOMPARE(form_->WorkRect, (TRect{10, 10, 200, 150}));
    }

    void selectModeDragLeavesOnlyTheOutline() {
        form_->WorkRect = {7, 7, 9, 9};
        Drag(form_->Image1, {10, 10}, {40, 30});
        QCOMPARE(form_->WorkRect, (TRect{7, 7, 9, 9}));
        const TBitmap& picture = form_->Image1->Picture();
        QCOMPARE(picture.Pixel(39, 10), clBlack); // the dotted outline's first dot, top right
        QCOMPARE(picture.Pixel(36, 10), clWhite); // and its first gap, leftwards
        QCOMPARE(CountColor(picture, clWhite, {11, 11, 39, 29}), 28 * 18);
        QCOMPARE(CountColor(picture, clBlue, picture.BoundsRect()), 0);
    }

    void imageModeRemembersTheRectangleOnly() {
        form_->AppMode = amImage;
        Drag(form_->Image1, {300, 200}, {250, 260});
        QCOMPARE(form_->WorkRect, (TRect{250, 200, 300, 260}));
        QCOMPARE(
            CountColor(form_->Image1->Picture(), clBlue, form_->Image1->Picture().BoundsRect()), 0);
    }

    void textModePlacesThePreviewInsideTheRectangle() {
        form_->AppMode = amText;
        Drag(form_->Image1, {120, 80}, {20, 30});
        QCOMPARE(form_->WorkRect, (TRect{20, 30, 120, 80}));
        QVERIFY(form_->LabelTxt->isVisible());
        // One pixel inside the drag rectangle on each side, over the same picture pixels.
        QCOMPARE(form_->LabelTxt->geometry(), QRect(21, 31, 98, 48));
        QCOMPARE(form_->LabelTxt->mapTo(form_->Image1, QPoint(0, 0)), QPoint(21, 31));
    }

    void previewStaysOverItsPixelsWhenScrolled() {
        form_->NewBlankPicture(form_->Image1->Picture(), 2000, 1500);
        QApplication::processEvents();
        form_->ScrollBox1->horizontalScrollBar()->setValue(300);
        form_->ScrollBox1->verticalScrollBar()->setValue(200);
        QApplication::processEvents();
        form_->AppMode = amText;
        Drag(form_->Image1, {400, 300}, {600, 420});
        const QPoint onPicture = form_->LabelTxt->mapTo(form_->Image1, QPoint(0, 0));
        QCOMPARE(onPicture, QPoint(401, 301));
        QCOMPARE(form_->LabelTxt->size(), QSize(198, 118));
        form_->ScrollBox1->verticalScrollBar()->setValue(0);
        QApplication::processEvents();
        QCOMPARE(form_->LabelTxt->mapTo(form_->Image1, QPoint(0, 0)), QPoint(401, 301));
    }

    void dragsLeavingThePictureKeepLaterSelectionsCorrect() {
        EnterPaintMode();
        TImage* image = form_->Image1;
        image->OnMouseDown(TMouseButton::mbLeft, ssLeft, 700, 480);
        for (TPoint p :
             {TPoint{900, 700}, TPoint{-300, -200}, TPoint{100000, -100000}, TPoint{760, 504}})
            image->OnMouseMove(ssLeft, p.x, p.y);
        image->OnMouseMove(ssLeft, 5000, 5000);
        image->OnMouseUp(TMouseButton::mbLeft, 0, 5000, 5000);
        QCOMPARE(form_->WorkRect, (TRect{700, 480, 5000, 5000}));
        const TBitmap& picture = form_->Image1->Picture();
        // The visible part of the rectangle: its top edge and left edge inside the picture.
        QCOMPARE(CountColor(picture, clBlue, {700, 480, 761, 481}), 61);
        QCOMPARE(CountColor(picture, clBlue, {700, 480, 701, 505}), 25);
        QCOMPARE(CountColor(picture, clBlue, picture.BoundsRect()), 61 + 24);
        // A later selection is exact.
        Drag(image, {10, 10}, {20, 20});
        QCOMPARE(form_->WorkRect, (TRect{10, 10, 20, 20}));
        QCOMPARE(CountColor(picture, clBlue, {10, 10, 20, 20}), 36);
    }

    // ---- window commands ----
    void exitClosesAtOnceWithoutAQuestion() {
        EnterPaintMode();
        Drag(form_->Image1, {10, 10}, {50, 50}); // unsaved drawing
        form_->Close1->trigger();
        QVERIFY(!form_->isVisible());
        QCOMPARE(dialogs_->Prompts().size(), 0);
    }

    void aboutBoxIsModalWithVersionAndOk() {
        dialogs_->ExpectModal([](QDialog& box) {
            const auto labels = box.findChildren<QLabel*>();
            bool version = false, picture = false;
            for (QLabel* l : labels) {
                version = version || l->text().contains(QStringLiteral(LIMNORA_VERSION));
                picture = picture || !l->property("pixmap").value<QPixmap>().isNull();
            }
            [&] {
                QVERIFY(version);
                QVERIFY(picture);
                QVERIFY(!box.windowTitle().isEmpty());
                QVERIFY(box.findChild<QAbstractButton*>(QStringLiteral("OKButton")));
            }();
            return int(QDialog::Accepted);
        });
        form_->About1->trigger();
        QCOMPARE(dialogs_->Prompts().size(), 1);
        QCOMPARE(dialogs_->Prompts().first().text, QStringLiteral("AboutBox"));
    }

    void aboutOpensFromTheKeyboardToo() {
        dialogs_->ExpectModal([](QDialog&) { return int(QDialog::Accepted); });
        QMenuBar* bar = form_->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(form_->FileControl1->menuAction()).center());
        for (int i = 0; i < 4; ++i) // from "Файлы" to "Справка", each key to the open menu
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Right);
        QVERIFY(!QApplication::activePopupWidget());
        QWidget* focus = QApplication::focusWidget(); // no menu open: the keys go there
        QTest::keyClick(focus ? focus : form_, Qt::Key_Return);
        QCOMPARE(dialogs_->Prompts().size(), 1);
        QVERIFY(!bar->activeAction()); // no highlight left behind
    }

    void destructionGivesTheImageItsHandlersBack() {
        QVERIFY(form_->Image1->OnMouseDown);
        form_->FormDestroy();
        QVERIFY(!form_->Selector);
        QVERIFY(!form_->Image1->OnMouseDown);
        QVERIFY(!form_->Image1->OnMouseMove);
        QVERIFY(!form_->Image1->OnMouseUp);
    }

    void errorsEscapingAHandlerAreReportedAndTheProgramGoesOn() {
        dialogs_->ExpectMessage(TModalResult::Ok);
        Failing failing;
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&failing, &event);
        QCOMPARE(dialogs_->Prompts().size(), 1);
        QCOMPARE(dialogs_->Prompts().first().msgKind, TMsgKind::Error);
        QCOMPARE(dialogs_->Prompts().first().text, QStringLiteral("Диск переполнен"));
        // The window still works.
        Drag(form_->Image1, {5, 5}, {9, 9});
        QCOMPARE(form_->StatusText(0), QStringLiteral(" Старт: (5, 5)"));
    }
};

LIMNORA_TEST_CLASS(TestMainWindow)

#include "tst_mainwindow.moc"
