// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window: the picture, the editor state every command shares, the tool bands, the menu,
// the status bar and the handlers. Its files are split by concern: Form1Startup.cpp (creation,
// layout, view toggles, fonts), Form1Modes.cpp (modes, tools, colours, the selection commands),
// Form1Gesture.cpp (the end of a mouse gesture), Form1Document.cpp (New, Open, Save, Save As,
// Clear), Form1Edit.cpp (the undo commands), Form1Text.cpp (the text panel and the preview),
// Form1Clipboard.cpp (the system clipboard and the fragment buffer commands),
// Form1Icons.cpp (icons drawn in code).
#pragma once

#include "canvas/ShiftState.h"
#include "canvas/TCanvas.h"
#include "common/Color.h"
#include "common/Geometry.h"
#include "desktop/Dialogs.h"

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <memory>

class ColorSwatch;
class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QScrollArea;
class QShortcut;
class QStatusBar;
class QToolBar;
class PictureLabel;
class QToolButton;
class StatusPanel;
class TAboutBox;
class TBitmap;
class TFormImgBuf;
class TGraphUnDo;
class TImage;
class TNewImageForm;
class TRegionSelector;

// Modes of the editor (AppMode).
enum : std::uint8_t { amSelect = 1, amPaint = 2, amText = 3, amImage = 4 };

// The sizes offered for a scalable font.
constexpr std::array<int, 16> StdFontSizes{8,  9,  10, 11, 12, 14, 16, 18,
                                           20, 22, 24, 26, 28, 36, 48, 72};

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The other windows, created after this one at start-up; not owned.
    TNewImageForm* NewImageForm = nullptr;
    TAboutBox* AboutBox = nullptr;
    TFormImgBuf* FormImgBuf = nullptr;

    // ---- editor state ----
    std::unique_ptr<TRegionSelector> Selector;
    std::unique_ptr<TGraphUnDo> UnDoManager;
    QString DocFileName;
    std::uint8_t AppMode = amSelect;
    std::uint8_t ShapeTool = 1;
    TRect WorkRect;
    TBrushStyle BrushStyle = bsClear;
    TColor BrushColor = clSilver;
    TPenStyle PenStyle = psSolid;
    TPenMode PenMode = pmCopy;
    std::int32_t PenWidth = 1;
    TColor PenColor = clBlue;
    std::unique_ptr<TBitmap> CurFragment;

    // ---- components ----
    QToolBar* PanelAppMode1 = nullptr;
    QToolBar* PanelSelect = nullptr;
    QToolBar* PanelPen = nullptr;
    QToolBar* PanelBrush = nullptr;
    QToolButton* SpButModeSelect = nullptr;
    QToolButton* SpButModePaint = nullptr;
    QToolButton* SpButModeText = nullptr;
    QToolButton* SpButModeImage = nullptr;
    std::array<QToolButton*, 4> SpButDrawT{}; // SpButDrawT01 .. SpButDrawT04
    std::array<QToolButton*, 6> SpButPenS{};  // SpButPenS11 .. SpButPenS16
    std::array<QToolButton*, 8> SpButBrush{}; // SpButBrush21 .. SpButBrush28
    ColorSwatch* STxtPenColor = nullptr;
    ColorSwatch* STxtBrushColor = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    TImage* Image1 = nullptr;
    PictureLabel* LabelTxt = nullptr;
    QWidget* PanelTxt = nullptr;
    QLineEdit* EdTxt = nullptr;
    QComboBox* CbBoxFntName = nullptr;
    ColorSwatch* StTxtColorTxt = nullptr;
    QComboBox* CbBoxFntSize = nullptr;
    QToolButton* SpButChB = nullptr;
    QToolButton* SpButChI = nullptr;
    QToolButton* SpButChU = nullptr;
    QToolButton* SpButChS = nullptr;
    QToolButton* SpButTxtToLeft = nullptr;
    QToolButton* SpButTxtToCentr = nullptr;
    QToolButton* SpButTxtToRight = nullptr;
    QToolButton* SpButOK = nullptr;
    QToolButton* SpButCancel = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    std::array<StatusPanel*, 5> StatusPanels{};

    QMenu* FileControl1 = nullptr;
    QAction* New1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* SaveAs1 = nullptr;
    QAction* Close1 = nullptr;
    QMenu* View1 = nullptr;
    QAction* PSelect1 = nullptr;
    QAction* PPen1 = nullptr;
    QAction* PBrush1 = nullptr;
    QAction* PText1 = nullptr;
    QMenu* ImgEdit1 = nullptr;
    QAction* UnDo = nullptr;
    QAction* ClearUnDo1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Paste1 = nullptr;
    QAction* Cut1 = nullptr;
    QAction* Copy2Buf = nullptr;
    QAction* SelectInBuf1 = nullptr;
    QAction* Paste2Buf = nullptr;
    QAction* Clear1 = nullptr;
    QMenu* Select1 = nullptr;
    QAction* ShowSelect1 = nullptr;
    QAction* HidenSelect1 = nullptr;
    QAction* About1 = nullptr;
    // F1: the users' guide in the desktop's browser; no menu item of its own.
    QShortcut* GuideKey = nullptr;

    TColorDialog ColorDialog1;
    TOpenDialog OpenDialog1;
    TSaveDialog SaveDialog1;

    // ---- window handlers ----
    void FormCreate();
    void FormDestroy();
    void Close1Click(QObject* Sender);
    void About1Click(QObject* Sender);
    void GuideKeyPress(QObject* Sender);
    void PSelect1Click(QObject* Sender);
    void PPen1Click(QObject* Sender);
    void PBrush1Click(QObject* Sender);
    void PText1Click(QObject* Sender);

    // ---- modes, tools and colours ----
    void SetAppModeClick(QObject* Sender);
    void SetToolAndParm(QObject* Sender);
    void SetColorParm(QObject* Sender);
    void ApplySelectorMode(TRegionSelector* Selector, int Mode);
    void ShowSelect1Click(QObject* Sender);
    void HidenSelect1Click(QObject* Sender);

    // ---- document commands ----
    void New1Click(QObject* Sender);
    void Open1Click(QObject* Sender);
    void Save1Click(QObject* Sender);
    void SaveAs1Click(QObject* Sender);
    void Clear1Click(QObject* Sender);

    // ---- the text tool ----
    void EdTxtChange(QObject* Sender);
    void CbBoxFntNameClick(QObject* Sender);
    void CbBoxFntSizeClick(QObject* Sender);
    void StTxtColorTxtClick(QObject* Sender);
    void SpButChBClick(QObject* Sender);
    void SpButChIClick(QObject* Sender);
    void SpButChUClick(QObject* Sender);
    void SpButChSClick(QObject* Sender);
    void SpButTxtToLeftClick(QObject* Sender);
    void SpButTxtToCentrClick(QObject* Sender);
    void SpButTxtToRightClick(QObject* Sender);
    void SpButOKClick(QObject* Sender);
    void SpButCancelClick(QObject* Sender);
    void ResetTextLabel(PictureLabel* Label);

    // ---- the system clipboard and the fragment buffer ----
    void Copy1Click(QObject* Sender);
    void Cut1Click(QObject* Sender);
    void Paste1Click(QObject* Sender);
    void Copy2BufClick(QObject* Sender);
    void SelectInBuf1Click(QObject* Sender);
    void Paste2BufClick(QObject* Sender);
    // Copies Rect of the picture into CurFragment, clears the selection and zeroes Rect; false
    // after its error box. An empty rectangle copies nothing and is no failure.
    bool CopySelToFragment(TImage* Image, TRect& Rect);
    // Pastes the bitmap unscaled at Rect (cut to the bitmap's size), with an undo snapshot, clears
    // the selection and zeroes Rect; true when done.
    bool PasteFragment(TBitmap* Bitmap, TImage* Image, TRect& Rect);

    // ---- undo ----
    void RefreshUnDoCaption();
    void UnDoClick(QObject* Sender);
    void ClearUnDo1Click(QObject* Sender);

    // ---- steps shared by the commands ----
    void ApplyCanvasTools(TImage* Image);
    void FillImage(TImage* Image, TColor Colour);
    void NewBlankPicture(TBitmap& Picture, std::int32_t Width, std::int32_t Height);
    void ShowToolPanels(bool Select, bool Pen, bool Brush, bool Text);
    void FillFontSizes(const QString& FontName, QComboBox* SizeBox);

    // ---- the end of a gesture ----
    void SelectorStart(TShiftState Shift, const TPoint& StartPoint, const TPoint& EndPoint);
    void SelectorMove(TShiftState Shift, const TPoint& StartPoint, const TPoint& EndPoint);
    void SelectorEnd(TShiftState Shift, const TPoint& StartPoint, const TPoint& EndPoint);
    void DrawShape(TImage* Image, int Kind, const TPoint& StartPoint, const TPoint& EndPoint,
                   const TRect& Rect);
    void PlaceTextLabel(QScrollArea* ScrollBox, PictureLabel* Label, const TRect& Rect);
    // The area a shape of this kind over Rect may change: the snapshot taken before drawing it.
    static TRect ShapeUndoArea(int Kind, const TRect& Rect);

    // The text of status panel 0 .. 4.
    QString StatusText(int panel) const;

    // No context menu over the bands: they are shown and hidden through "Вид" only.
    QMenu* createPopupMenu() override;

protected:
    // Keys for "Справка" reached from an open menu (below).
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Activated while a modal window blocks it: the modal window comes back (below).
    void changeEvent(QEvent* event) override;
    // After the first paint the window's icon gets its large sizes (below).
    void paintEvent(QPaintEvent* event) override;

private:
    void CreateToolBands();
    void CreateMenu();
    void CreateClientArea();
    void CreateTextPanel(QWidget* parent);
    // The text panel's icons and editable boxes, made before it is first shown.
    void CompleteTextPanel();
    void ConnectTextTool();
    // Turns one style bit of the preview's font on or off.
    void SetPreviewStyle(void (QFont::*set)(bool), bool on);
    // The font family a name of the font list stands for ("Default": the interface font).
    static QString FamilyOf(const QString& name);
    void CreateStatusBar();
    void ConnectHandlers();
    void SetStatusText(int panel, const QString& text);
    // Hides the text preview, clears the selection and switches to mode 1 through its button.
    void EnterSelectionMode();
    // Empties the undo history and shows its count.
    void ResetHistory();
    // Outside mode 4: clears the selection and offers to switch to mode 4.
    void OfferImageMode();
    QToolButton* AddToolButton(QToolBar* band, QButtonGroup* group, const char* name, int tag,
                               const QString& hint, const QIcon& icon);

    QButtonGroup* modeGroup_ = nullptr;
    QButtonGroup* shapeGroup_ = nullptr;
    QButtonGroup* penGroup_ = nullptr;
    QButtonGroup* brushGroup_ = nullptr;
    QButtonGroup* alignGroup_ = nullptr;
    bool largeIcon_ = false;         // the window's icon has its large sizes
    bool textPanelComplete_ = false; // CompleteTextPanel has run
};

// The integer Tag of a control (0 when it has none).
int TagOf(const QObject* control);
