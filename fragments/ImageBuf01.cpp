// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "fragments/ImageBuf01.h"

#include "canvas/TImage.h"
#include "desktop/Dialogs.h"
#include "desktop/EditorApplication.h"
#include "fragments/ImgScale01.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScrollArea>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// An entry of the list: its caption is the item's text, and it owns its fragment.
class FragmentEntry : public QListWidgetItem {
public:
    explicit FragmentEntry(std::unique_ptr<TObImgItm> item)
        : QListWidgetItem(QStringLiteral("Item")), Item(std::move(item)) {}
    std::unique_ptr<TObImgItm> Item;
};

QIcon ButtonIcon(const QString& name) {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(40, 40, 40), accent(30, 100, 200), warning(200, 40, 40);
    if (name == QLatin1String("SpButDelete")) {
        p.setPen(QPen(warning, 2.5));
        p.drawLine(QPointF(5, 5), QPointF(15, 15));
        p.drawLine(QPointF(15, 5), QPointF(5, 15));
    } else if (name == QLatin1String("SpButEdTxt")) {
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(250, 230, 140));
        p.drawPolygon(QPolygonF({{4, 16}, {5, 12}, {14, 3}, {17, 6}, {8, 15}}));
    } else if (name == QLatin1String("SpeedButton2")) {
        p.setPen(QPen(ink, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2.5, 2.5, 9, 9));
        p.setBrush(QColor(200, 220, 250));
        p.drawRect(QRectF(9.5, 9.5, 7, 7));
        p.setPen(QPen(accent, 1.5));
        p.drawLine(QPointF(6, 14), QPointF(6, 17));
    } else { // scale: a magnifier
        p.setPen(QPen(ink, 2));
        p.setBrush(QColor(220, 235, 250));
        p.drawEllipse(QPointF(8, 8), 5, 5);
        p.drawLine(QPointF(12, 12), QPointF(17, 17));
    }
    return QIcon(pixmap);
}

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    return label;
}

// A read-only field: a centred, sunken static text.
QLabel* AddField(QWidget* parent, const char* name, const QRect& geometry) {
    QLabel* field = AddLabel(parent, name, QString(), geometry);
    field->setProperty("Tag", 102);
    field->setAlignment(Qt::AlignCenter);
    field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return field;
}

QToolButton* AddButton(QWidget* parent, const char* name, const QString& hint, const QPoint& at) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setAccessibleName(hint.trimmed()); // a button without text is known by its hint
    button->setIcon(ButtonIcon(QLatin1String(name)));
    button->setIconSize(QSize(18, 18));
    button->setGeometry(at.x(), at.y(), 25, 25);
    return button;
}

} // namespace

TObImgItm::TObImgItm() : Bitmap(std::make_unique<TBitmap>()) {}

TObImgItm::~TObImgItm() = default;

TFormImgBuf::TFormImgBuf(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormImgBuf"));
    setWindowTitle(QStringLiteral("  Буфер скопированных фрагментов изображения"));
    constexpr int kWidth = 624, kHeight = 489, kPreviewWidth = 393, kPreviewHeight = 369;
    setFixedSize(kWidth, kHeight);

    // Left: the list and the selected entry's fields, in a column as wide as the window leaves
    // beside the preview. The list's title is wider than the column and runs on over the
    // preview's side, whose title stands at the right.
    constexpr int kMargin = 8;
    constexpr int kPreviewLeft = kWidth - kMargin - kPreviewWidth;
    constexpr int kColumnWidth = kPreviewLeft - 2 * kMargin;
    Label6 = AddLabel(this, "Label6", QStringLiteral("Список скопированных фрагментов"),
                      {kMargin, 6, 236, 18});
    auto* panel1 = new QFrame(this);
    panel1->setObjectName(QStringLiteral("Panel1"));
    panel1->setGeometry(kMargin, 26, kColumnWidth, 226);
    auto* listLayout = new QVBoxLayout(panel1);
    listLayout->setContentsMargins(0, 0, 0, 0);
    LstBoxFragment = new QListWidget(panel1);
    LstBoxFragment->setObjectName(QStringLiteral("LstBoxFragment"));
    LstBoxFragment->setSelectionMode(QAbstractItemView::SingleSelection);
    LstBoxFragment->setSortingEnabled(false);
    LstBoxFragment->setUniformItemSizes(true);
    LstBoxFragment->setAccessibleName(Label6->text()); // each control by the label over it
    listLayout->addWidget(LstBoxFragment);
    // Three fields under their titles; the last title is the longest, so its column is widest.
    const int fieldLeft[] = {kMargin, kMargin + 66, kMargin + 132};
    const int fieldWidth[] = {60, 60, kColumnWidth - 132};
    Label2 =
        AddLabel(this, "Label2", QStringLiteral("Высота"), {fieldLeft[0], 258, fieldWidth[0], 18});
    Label3 =
        AddLabel(this, "Label3", QStringLiteral("Ширина"), {fieldLeft[1], 258, fieldWidth[1], 18});
    Label5 = AddLabel(this, "Label5", QStringLiteral("Масштаб %"),
                      {fieldLeft[2], 258, fieldWidth[2], 18});
    StTxtH = AddField(this, "StTxtH", {fieldLeft[0], 278, fieldWidth[0], 22});
    StTxtW = AddField(this, "StTxtW", {fieldLeft[1], 278, fieldWidth[1], 22});
    StTxtFragScale = AddField(this, "StTxtFragScale", {fieldLeft[2], 278, fieldWidth[2], 22});
    Label4 = AddLabel(this, "Label4", QStringLiteral("Подпись (редактируемая)"),
                      {kMargin, 310, kColumnWidth, 18});
    EdItem = new QLineEdit(this);
    EdItem->setObjectName(QStringLiteral("EdItem"));
    EdItem->setGeometry(kMargin, 330, kColumnWidth, 24);
    EdItem->setAccessibleName(Label4->text());
    SpButDelete = AddButton(this, "SpButDelete", QStringLiteral("Удалить выбранный фрагмент"),
                            {kMargin, 364});
    SpButEdTxt = AddButton(this, "SpButEdTxt", QStringLiteral("Редактировать описание фрагмента"),
                           {kMargin + 32, 364});
    SpeedButton2 =
        AddButton(this, "SpeedButton2", QStringLiteral("Заменить на масштабированный фрагмент "),
                  {kMargin + 64, 364});

    // Right: the preview and the scale controls.
    const int titleLeft = Label6->geometry().right() + 1 + kMargin;
    Label7 = AddLabel(this, "Label7", QStringLiteral("Изображение  выбранного на списке фрагмента"),
                      {titleLeft, 6, kWidth - kMargin - titleLeft, 18});
    Label7->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setGeometry(kPreviewLeft, 26, kPreviewWidth, kPreviewHeight);
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox1->setWidgetResizable(false);
    Image1 = new TImage;
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAccessibleName(Label7->text().simplified());
    ScrollBox1->setWidget(Image1);
    auto* panel2 = new QFrame(this);
    panel2->setObjectName(QStringLiteral("Panel2"));
    panel2->setGeometry(kPreviewLeft, 402, kPreviewWidth, 80);
    Label1 = AddLabel(panel2, "Label1", QStringLiteral("Масштаб"), {6, 6, 60, 22});
    STxtScale = AddField(panel2, "STxtScale", {70, 6, 50, 22});
    SpButScale =
        AddButton(panel2, "SpButScale", QStringLiteral("Выполнить масштабирование"), {128, 4});
    TrackBar1 = new QSlider(Qt::Horizontal, panel2);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setGeometry(6, 34, 381, 24);
    TrackBar1->setRange(10, 200);
    TrackBar1->setPageStep(10);
    TrackBar1->setSingleStep(1);
    TrackBar1->setTickInterval(5);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setValue(100);
    TrackBar1->setAccessibleName(Label1->text());
    Lb10 = AddLabel(panel2, "Lb10", QStringLiteral("10%"), {6, 58, 40, 18});
    Lb100 =
        AddLabel(panel2, "Lb100", QStringLiteral("100%"), {6 + (381 - 40) * 90 / 190, 58, 40, 18});
    Lb200 = AddLabel(panel2, "Lb200", QStringLiteral("200%"), {347, 58, 40, 18});
    Lb200->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    connect(LstBoxFragment, &QListWidget::itemClicked, this,
            Reported([this] { LstBoxFragmentClick(LstBoxFragment); }));
    connect(LstBoxFragment, &QListWidget::currentRowChanged, this,
            Reported([this] { LstBoxFragmentClick(LstBoxFragment); }));
    connect(TrackBar1, &QSlider::valueChanged, this,
            Reported([this] { TrackBar1Change(TrackBar1); }));
    connect(SpButScale, &QToolButton::clicked, this,
            Reported([this] { SpButScaleClick(SpButScale); }));
    connect(SpeedButton2, &QToolButton::clicked, this,
            Reported([this] { SpeedButton2Click(SpeedButton2); }));
    connect(SpButEdTxt, &QToolButton::clicked, this,
            Reported([this] { SpButEdTxtClick(SpButEdTxt); }));
    connect(SpButDelete, &QToolButton::clicked, this,
            Reported([this] { SpButDeleteClick(SpButDelete); }));
    FormCreate();
}

TFormImgBuf::~TFormImgBuf() {
    FormDestroy();
}

void TFormImgBuf::FormCreate() {
    BufImageScale.reset();
    try {
        auto scale = std::make_unique<TImageScale>();
        scale->SetSource(Image1);
        scale->DstImage = Image1;
        scale->SetZoom(1.0);
        BufImageScale = std::move(scale);
        TrackBar1->setValue(100);
        STxtScale->setText(QString::number(TrackBar1->value()));
    } catch (...) {
        // Without a scaler the window still keeps fragments; only scaling is not offered.
    }
}

void TFormImgBuf::FormDestroy() {
    BufImageScale.reset();
    // The entries, and with them the fragments they own, go with the list.
    LstBoxFragment->clear();
}

TObImgItm* TFormImgBuf::SelectedItem() const {
    auto* entry = static_cast<FragmentEntry*>(LstBoxFragment->currentItem());
    return entry && entry->isSelected() ? entry->Item.get() : nullptr;
}

void TFormImgBuf::ShowSelectedItem() {
    TObImgItm* item = SelectedItem();
    if (!item)
        return;
    Image1->Picture().Assign(*item->Bitmap);
    // The preview shows the fragment as it is stored, so its scale is the stored one.
    item->NewScale = item->Scale;
    EdItem->setText(LstBoxFragment->currentItem()->text());
    StTxtH->setText(QString::number(item->Bitmap->Height()));
    StTxtW->setText(QString::number(item->Bitmap->Width()));
    StTxtFragScale->setText(QString::number(RoundHalfEven(item->Scale * 100.0L)));
}

void TFormImgBuf::AddFragment(const TBitmap* Fragment) {
    if (!Fragment)
        return;
    auto item = std::make_unique<TObImgItm>();
    item->Bitmap->Assign(*Fragment);
    item->Scale = 1.0;
    item->NewScale = 1.0;
    auto* entry = new FragmentEntry(std::move(item));
    entry->setSizeHint(QSize(0, std::max(13, LstBoxFragment->fontMetrics().height() + 2)));
    LstBoxFragment->addItem(entry);
    LstBoxFragment->setCurrentItem(entry);
    ShowSelectedItem();
}

void TFormImgBuf::LstBoxFragmentClick(QObject*) {
    if (SelectedItem())
        ShowSelectedItem();
}

void TFormImgBuf::TrackBar1Change(QObject*) {
    STxtScale->setText(QString::number(TrackBar1->value()));
}

void TFormImgBuf::SpButScaleClick(QObject*) {
    TObImgItm* item = SelectedItem();
    if (!item)
        return;
    item->NewScale = item->Scale;
    if (!BufImageScale)
        return;
    // Always from the stored fragment: pressing twice does not compound, and the preview's
    // scale is always Scale x factor.
    const double factor = TrackBar1->value() / 100.0;
    Image1->Picture().Assign(*item->Bitmap);
    BufImageScale->SetZoom(factor);
    BufImageScale->Execute();
    item->NewScale = factor * item->NewScale;
}

void TFormImgBuf::SpeedButton2Click(QObject*) {
    TObImgItm* item = SelectedItem();
    if (!item)
        return;
    item->Bitmap->Assign(Image1->Picture());
    item->Scale = item->NewScale;
    ShowSelectedItem();
}

void TFormImgBuf::SpButEdTxtClick(QObject*) {
    if (SelectedItem())
        LstBoxFragment->currentItem()->setText(EdItem->text());
}

void TFormImgBuf::SpButDeleteClick(QObject*) {
    if (!SelectedItem())
        return;
    delete LstBoxFragment->takeItem(LstBoxFragment->currentRow()); // frees its fragment
    // A blank pixel: resizing the preview would keep a corner of the fragment just deleted.
    Image1->Picture().Assign(TBitmap(1, 1));
    if (LstBoxFragment->count() == 0) {
        EdItem->clear();
        StTxtH->clear();
        StTxtW->clear();
        StTxtFragScale->clear();
        return;
    }
    // The last entry, not the neighbour of the deleted one.
    LstBoxFragment->setCurrentRow(LstBoxFragment->count() - 1);
    LstBoxFragmentClick(LstBoxFragment);
}

bool TFormImgBuf::TakeSelectedFragment(TBitmap& Fragment) {
    TObImgItm* item = SelectedItem();
    if (!item) {
        Dialogs().ShowMessage(this, TMsgKind::Confirmation,
                              QStringLiteral("Вначале выберите в буфере вставляемый фрагмент"),
                              TMsgButtons::Ok);
        return false;
    }
    Fragment.Assign(*item->Bitmap);
    return true;
}
