// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// What the windows show, as grabbed whole: colour swatches in their colours wherever they sit, and
// every text whole in its control. Run at the screen's own scale and scaled by two.
#include "canvas/TBitmap.h"
#include "dialogs/About.h"
#include "dialogs/SetSizeImageDialog.h"
#include "fragments/ImageBuf01.h"
#include "main/EditorFixture.h"
#include "widgets/ColorSwatch.h"

#include <QAction>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// The colours a swatch shows inside its frame, in a grab of its whole window.
QStringList ShownColors(const ColorSwatch* swatch) {
    QWidget* window = swatch->window();
    const QImage shot = window->grab().toImage();
    const qreal ratio = shot.devicePixelRatio();
    const QRect inside(swatch->mapTo(window, swatch->contentsRect().topLeft()) * ratio,
                       swatch->contentsRect().size() * ratio);
    QStringList colors;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QString color = QColor(shot.pixel(x, y)).name();
            if (!colors.contains(color))
                colors << color;
        }
    return colors;
}

// Where a control draws its text: a label's contents less its margin and indent, a push button's
// contents as its style lays them out.
QRectF TextRoom(QWidget* w) {
    if (auto* button = qobject_cast<QPushButton*>(w)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        option.icon = button->icon();
        option.iconSize = button->iconSize();
        return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    }
    auto* label = qobject_cast<QLabel*>(w);
    if (!label)
        return w->contentsRect();
    const int margin = label->margin();
    QRectF room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
    int indent = label->indent();
    if (indent < 0 && label->frameWidth() > 0)
        indent = label->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - margin;
    if (indent > 0) {
        const Qt::Alignment align = label->alignment();
        room.adjust(align & Qt::AlignLeft ? indent : 0, align & Qt::AlignTop ? indent : 0,
                    align & Qt::AlignRight ? -indent : 0, align & Qt::AlignBottom ? -indent : 0);
    }
    return room;
}

// The shown texts of a window's labels without word wrap and buttons that do not fit where their
// control draws them, each as "name "text": needs W x H, has w x h".
QStringList CutTexts(QWidget* window) {
    QStringList cut;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap())
            text = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            text = button->text();
        if (text.isEmpty() || !w->isVisibleTo(window))
            continue;
        const QSizeF needed = QFontMetricsF(w->font()).size(Qt::TextShowMnemonic, text);
        const QRectF room = TextRoom(w);
        if (needed.width() > room.width() || needed.height() > room.height())
            cut << QStringLiteral("%1 \"%2\": needs %3 x %4, has %5 x %6")
                       .arg(w->objectName(), text)
                       .arg(needed.width())
                       .arg(needed.height())
                       .arg(room.width())
                       .arg(room.height());
    }
    return cut;
}

// The title as the desktop's frame shows it, when cut: Qt hands it over with the application's
// display name after it, when one is set (unset, it reads as the application's name) and the
// title does not end with it, and the frame needs room for it beside its icon and buttons.
QString CutTitle(const QWidget* window) {
    const QString title = window->windowTitle();
    const QString name = QGuiApplication::applicationDisplayName();
    if ((name == QCoreApplication::applicationName() || title.endsWith(name)) &&
        TitleFrameWidth(*window) <= window->width())
        return {};
    return QStringLiteral("\"%1\" (%2) in a window %3 wide").arg(title, name).arg(window->width());
}

} // namespace

class TestOnScreen : public EditorFixture {
    Q_OBJECT

private slots:
    void swatchesShowTheirColourInTheirWindow_data() {
        QTest::addColumn<QString>("swatch");
        QTest::newRow("pen") << QStringLiteral("STxtPenColor");
        QTest::newRow("brush") << QStringLiteral("STxtBrushColor");
        QTest::newRow("text") << QStringLiteral("StTxtColorTxt");
        QTest::newRow("new image") << QStringLiteral("STxtColor");
    }

    void swatchesShowTheirColourInTheirWindow() {
        QFETCH(QString, swatch);
        Click(form_->SpButModePaint);
        form_->PText1->trigger(); // the text panel besides the bands of drawing
        auto* shown = form_->findChild<ColorSwatch*>(swatch); // the dialogs are its children
        QVERIFY(shown);
        if (shown->window() != form_) {
            shown->window()->show();
            QVERIFY(QTest::qWaitForWindowExposed(shown->window()));
        }
        QCOMPARE(ShownColors(shown), QStringList{QColor(ToQRgb(shown->Color())).name()});
        dialogs_->ExpectColor(0x3366CC);
        QTest::mouseClick(shown, Qt::LeftButton);
        QCOMPARE(ShownColors(shown), QStringList{QStringLiteral("#cc6633")});
    }

    void toolIconsShowTheirOwnPixels() {
        // At the screen's scale, 1:1: not stretched to another size.
        form_->ShowToolPanels(true, true, true, true);
        for (QToolButton* button : form_->findChildren<QToolButton*>()) {
            if (button->icon().isNull() || !button->isVisible())
                continue;
            const QImage shot = button->grab().toImage();
            const QImage icon = button->icon().pixmap(button->iconSize()).toImage();
            const QPoint at = (shot.rect().center() - icon.rect().center());
            int wrong = 0;
            for (int y = 0; y < icon.height(); ++y)
                for (int x = 0; x < icon.width(); ++x)
                    wrong += qAlpha(icon.pixel(x, y)) == 255 &&
                             shot.pixel(at + QPoint(x, y)) != icon.pixel(x, y);
            QVERIFY2(wrong == 0, qPrintable(button->objectName()));
        }
    }

    void everyTextIsWhole() {
        form_->ShowToolPanels(true, true, true, true);
        TBitmap fragment;
        fragment.SetWidth(6000); // the widest size a field shows
        fragment.SetHeight(10);
        windows_->FormImgBuf->AddFragment(&fragment);
        const QList<QWidget*> windows{form_, windows_->NewImageForm, windows_->AboutBox,
                                      windows_->FormImgBuf};
        for (QWidget* window : windows) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QStringList cut = CutTexts(window);
            // The new-image dialog keeps its design size, 307 pixels: a wide frame font may cut
            // its long title.
            if (!CutTitle(window).isEmpty() && window != windows_->NewImageForm)
                cut << CutTitle(window);
            QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("; "))));
        }
    }

    void messageBoxTitlesAreWhole() {
        IDialogs* scripted = SetDialogs(nullptr); // the real boxes, with a text shorter than titles
        QStringList cut;
        for (TMsgKind kind :
             {TMsgKind::Information, TMsgKind::Warning, TMsgKind::Error, TMsgKind::Confirmation}) {
            QTimer::singleShot(0, [&cut] {
                auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                cut << (box ? CutTitle(box) : QStringLiteral("no box"));
                if (box)
                    box->reject();
            });
            Dialogs().ShowMessage(form_, kind, QStringLiteral("Да"), TMsgButtons::Ok);
        }
        SetDialogs(scripted);
        QCOMPARE(cut.join(QString()), QString());
    }
};

LIMNORA_TEST_CLASS(TestOnScreen)
#include "tst_onscreen.moc"
