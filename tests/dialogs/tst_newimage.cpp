// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The new-image dialog on its own, run modally as the New command runs it: its window and
// controls, the keys and buttons that close it, the tab order and the background colour swatch.
#include "dialogs/SetSizeImageDialog.h"
#include "support/ScriptedDialogs.h"
#include "support/TestRunner.h"
#include "widgets/ColorSwatch.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace {

// The result of a run whose action left the dialog open.
constexpr int kStillOpen = 42;

// Runs the dialog modally and acts on it once it is shown; a dialog the action did not close
// is closed with kStillOpen.
int RunModal(TNewImageForm& form, const std::function<void(TNewImageForm&)>& act) {
    QTimer::singleShot(0, &form, [&form, &act] {
        act(form);
        if (form.isVisible())
            form.done(kStillOpen);
    });
    return form.exec();
}

// The colour a widget shows at a point, as a user sees it.
TColor ShownColor(QWidget* widget, QPoint at) {
    return FromQRgb(widget->grab().toImage().pixel(at));
}

TColor ShownSwatch(const TNewImageForm& form) {
    return ShownColor(form.STxtColor, form.STxtColor->rect().center());
}

// The dialog's own background, where no control covers it.
TColor ShownBackground(TNewImageForm& form) {
    return ShownColor(&form, {form.width() - 3, form.height() - 3});
}

// A row of the controls table: object name, caption, whether the bevel surrounds it.
void ControlRow(const char* name, const char* text, bool inBevel) {
    QTest::newRow(name) << QString::fromUtf8(name) << QString::fromUtf8(text) << inBevel;
}

enum class Way {
    EnterInWidth,
    EnterInHeight,
    EnterOnSwatch,
    ClickOk,
    EscInWidth,
    EscInHeight,
    ClickCancel,
    CloseBox
};

} // namespace

class TestNewImageForm : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<TNewImageForm> form_;

private slots:
    void init() {
        dialogs_ = std::make_unique<ScriptedDialogs>();
        form_ = std::make_unique<TNewImageForm>();
    }

    void cleanup() {
        form_.reset();
        const int remaining = dialogs_->Remaining();
        dialogs_.reset();
        QCOMPARE(remaining, 0); // every scripted answer was asked for
    }

    void windowIsAFixedCentredDialog() {
        TNewImageForm& f = *form_;
        QCOMPARE(f.objectName(), QStringLiteral("NewImageForm"));
        QCOMPARE(f.windowTitle(), QStringLiteral("Установка размеров нового рисунка"));
        QVERIFY(!f.isVisible());
        QCOMPARE(f.size(), QSize(307, 135));
        QCOMPARE(f.minimumSize(), QSize(307, 135));
        QCOMPARE(f.maximumSize(), QSize(307, 135));
        QVERIFY(!f.isSizeGripEnabled());
        const Qt::WindowFlags flags = f.windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Dialog);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
        QCOMPARE(f.font(), QApplication::font(&f));

        QRect client, frame;
        QCOMPARE(RunModal(f,
                          [&](TNewImageForm& d) {
                              client = d.geometry();
                              frame = d.frameGeometry();
                              d.reject();
                          }),
                 int(QDialog::Rejected));
        QCOMPARE(client.size(), QSize(307, 135));
        // Centred on the screen, the frame as well as the client area (the offscreen platform
        // gives every window a frame of the same width on all four sides).
        const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
        for (const QRect& r : {client, frame}) {
            const QPoint off = r.center() - screenCentre;
            QVERIFY2(
                qAbs(off.x()) <= 1 && qAbs(off.y()) <= 1,
                qPrintable(QStringLiteral("(%1, %2) off the centre").arg(off.x()).arg(off.y())));
        }
    }

    void controlsAreInPlace_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("inBevel");
        ControlRow("Label1", "Ширина ( pix )", true);
        ControlRow("WidthEdit", "", true);
        ControlRow("Label2", "Высота ( pix )", true);
        ControlRow("HeightEdit", "", true);
        ControlRow("STxtColor", "", true);
        ControlRow("Label3", "Цвет фона нового рисунка", true);
        ControlRow("OKBtn", "OK", false);
        ControlRow("CancelBtn", "Cancel", false);
    }
    void controlsAreInPlace() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(bool, inBevel);
        TNewImageForm& f = *form_;
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        auto* control = f.findChild<QWidget*>(name);
        QVERIFY(control);
        QVERIFY(control->isVisible());
        QVERIFY(f.rect().contains(control->geometry()));
        QCOMPARE(f.Bevel1->geometry().contains(control->geometry()), inBevel);
        if (auto* label = qobject_cast<QLabel*>(control); label && !text.isEmpty()) {
            QCOMPARE(label->text(), text);
            // The whole caption fits, on one line or, where the label wraps, on several.
            const QRect room = label->contentsRect();
            const QRect needed = label->fontMetrics().boundingRect(
                room, int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0), text);
            QVERIFY2(room.contains(needed), qPrintable(name));
        }
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            QCOMPARE(button->text(), text);
            QVERIFY(button->fontMetrics().horizontalAdvance(text) < button->width());
        }
        if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            QVERIFY(edit->isEnabled());
            QVERIFY(!edit->isReadOnly());
            QVERIFY(!edit->validator());
            QVERIFY(edit->inputMask().isEmpty());
        }
    }

    void layoutAsDrawn() {
        TNewImageForm& f = *form_;
        QCOMPARE(f.Bevel1->geometry(), QRect(8, 8, 201, 113));
        QCOMPARE(f.Bevel1->frameShadow(), QFrame::Sunken);
        QVERIFY(f.Bevel1->frameShape() != QFrame::NoFrame);
        // Each label on the left of its field, on the same line.
        const auto leftOf = [](QWidget* label, QWidget* field) {
            return label->geometry().right() < field->geometry().left() &&
                   label->geometry().top() < field->geometry().bottom() &&
                   field->geometry().top() < label->geometry().bottom();
        };
        QVERIFY(leftOf(f.Label1, f.WidthEdit));
        QVERIFY(leftOf(f.Label2, f.HeightEdit));
        QVERIFY(leftOf(f.STxtColor, f.Label3));
        QVERIFY(f.WidthEdit->geometry().bottom() < f.HeightEdit->geometry().top());
        QVERIFY(f.HeightEdit->geometry().bottom() < f.STxtColor->geometry().top());
        QCOMPARE(f.Label1->buddy(), f.WidthEdit);
        QCOMPARE(f.Label2->buddy(), f.HeightEdit);
        // OK at the top right, Cancel at the bottom right, both beside the bevel.
        QVERIFY(f.OKBtn->geometry().left() > f.Bevel1->geometry().right());
        QVERIFY(f.CancelBtn->geometry().left() > f.Bevel1->geometry().right());
        QVERIFY(f.OKBtn->geometry().bottom() < f.CancelBtn->geometry().top());
        QVERIFY(f.OKBtn->geometry().top() <= f.Bevel1->geometry().top());
        QVERIFY(f.CancelBtn->geometry().bottom() >= f.Bevel1->geometry().bottom());
        QVERIFY(f.OKBtn->isDefault());
        QVERIFY(!f.CancelBtn->isDefault());
        // The swatch: a 16 x 16 sunken square, Tag 101.
        QCOMPARE(f.STxtColor->size(), QSize(16, 16));
        QCOMPARE(f.STxtColor->frameShadow(), QFrame::Sunken);
        QCOMPARE(f.STxtColor->property("Tag").toInt(), 101);
        QVERIFY(f.STxtColor->text().isEmpty());
    }

    void swatchStartsInTheDialogsBackgroundColour() {
        TNewImageForm& f = *form_;
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        const TColor face = FromQColor(f.palette().color(QPalette::Button));
        QCOMPARE(f.STxtColor->Color(), face);
        QCOMPARE(ShownSwatch(f), face);
        QCOMPARE(ShownBackground(f), face);
    }

    void closingTheDialog_data() {
        QTest::addColumn<int>("way");
        QTest::addColumn<int>("result");
        const int ok = QDialog::Accepted, cancel = QDialog::Rejected;
        QTest::newRow("Enter in the width field") << int(Way::EnterInWidth) << ok;
        QTest::newRow("Enter in the height field") << int(Way::EnterInHeight) << ok;
        QTest::newRow("Enter on the swatch") << int(Way::EnterOnSwatch) << ok;
        QTest::newRow("OK clicked") << int(Way::ClickOk) << ok;
        QTest::newRow("Esc in the width field") << int(Way::EscInWidth) << cancel;
        QTest::newRow("Esc in the height field") << int(Way::EscInHeight) << cancel;
        QTest::newRow("Cancel clicked") << int(Way::ClickCancel) << cancel;
        QTest::newRow("close box") << int(Way::CloseBox) << cancel;
    }
    void closingTheDialog() {
        QFETCH(int, way);
        QFETCH(int, result);
        // Left over from an earlier use: a result the new run must not return by accident.
        form_->setResult(result == QDialog::Accepted ? QDialog::Rejected : QDialog::Accepted);
        const int returned = RunModal(*form_, [way](TNewImageForm& f) {
            f.WidthEdit->setText(QStringLiteral("640"));
            f.HeightEdit->setText(QStringLiteral("480"));
            switch (Way(way)) {
            case Way::EnterInWidth:
                f.WidthEdit->setFocus();
                QTest::keyClick(f.WidthEdit, Qt::Key_Return);
                break;
            case Way::EnterInHeight:
                f.HeightEdit->setFocus();
                QTest::keyClick(f.HeightEdit, Qt::Key_Enter, Qt::KeypadModifier);
                break;
            case Way::EnterOnSwatch:
                f.STxtColor->setFocus();
                QTest::keyClick(f.STxtColor, Qt::Key_Return);
                break;
            case Way::ClickOk:
                QTest::mouseClick(f.OKBtn, Qt::LeftButton);
                break;
            case Way::EscInWidth:
                f.WidthEdit->setFocus();
                QTest::keyClick(f.WidthEdit, Qt::Key_Escape);
                break;
            case Way::EscInHeight:
                f.HeightEdit->setFocus();
                QTest::keyClick(f.HeightEdit, Qt::Key_Escape);
                break;
            case Way::ClickCancel:
                QTest::mouseClick(f.CancelBtn, Qt::LeftButton);
                break;
            case Way::CloseBox:
                f.close();
                break;
            }
        });
        QCOMPARE(returned, result);
        QVERIFY(!form_->isVisible());
        // Closing changes neither field.
        QCOMPARE(form_->WidthEdit->text(), QStringLiteral("640"));
        QCOMPARE(form_->HeightEdit->text(), QStringLiteral("480"));
    }

    void typedTextsAreNotChecked_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("letters") << "abc";
        QTest::newRow("nothing") << "";
        QTest::newRow("negative") << "-5";
        QTest::newRow("zero") << "0";
        QTest::newRow("huge") << "99999999";
        QTest::newRow("fraction") << "12.5";
    }
    void typedTextsAreNotChecked() {
        QFETCH(QString, typed);
        const int returned = RunModal(*form_, [&typed](TNewImageForm& f) {
            f.WidthEdit->setText(QStringLiteral("761"));
            f.WidthEdit->setFocus();
            QTest::keyClick(f.WidthEdit, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(f.WidthEdit, Qt::Key_Delete);
            QTest::keyClicks(f.WidthEdit, typed);
            QTest::keyClick(f.WidthEdit, Qt::Key_Return);
        });
        QCOMPARE(returned, int(QDialog::Accepted));
        QCOMPARE(form_->WidthEdit->text(), typed);
    }

    void tabOrder_data() {
        QTest::addColumn<bool>("backwards");
        QTest::addColumn<QStringList>("visited");
        QTest::newRow("Tab") << false
                             << QStringList{"CancelBtn", "WidthEdit", "HeightEdit", "STxtColor",
                                            "OKBtn"};
        QTest::newRow("Shift+Tab")
            << true << QStringList{"STxtColor", "HeightEdit", "WidthEdit", "CancelBtn", "OKBtn"};
    }
    void tabOrder() {
        QFETCH(bool, backwards);
        QFETCH(QStringList, visited);
        QStringList seen;
        RunModal(*form_, [&](TNewImageForm& f) {
            f.OKBtn->setFocus();
            for (int i = 0; i < visited.size(); ++i) {
                QWidget* from = f.focusWidget();
                if (!from)
                    return;
                if (backwards)
                    QTest::keyClick(from, Qt::Key_Backtab, Qt::ShiftModifier);
                else
                    QTest::keyClick(from, Qt::Key_Tab);
                seen << (f.focusWidget() ? f.focusWidget()->objectName() : QString());
            }
            f.reject();
        });
        QCOMPARE(seen, visited);
    }

    void swatchClickRunsItsOwnColourDialog_data() {
        QTest::addColumn<bool>("picked");
        QTest::newRow("colour picked") << true;
        QTest::newRow("colour dialog cancelled") << false;
    }
    void swatchClickRunsItsOwnColourDialog() {
        QFETCH(bool, picked);
        const TColor face = form_->STxtColor->Color();
        const TColor green = 0x00A000;
        dialogs_->ExpectColor(picked ? std::optional<TColor>(green) : std::nullopt);
        TColor shown = 0;
        RunModal(*form_, [&](TNewImageForm& f) {
            QTest::mouseClick(f.STxtColor, Qt::LeftButton);
            shown = ShownSwatch(f);
        });
        QCOMPARE(dialogs_->Prompts().size(), 1);
        QCOMPARE(dialogs_->Prompts()[0].kind, RecordedPrompt::Kind::Color);
        // It opens on black the first time, not on the swatch's colour.
        QCOMPARE(dialogs_->Prompts()[0].offered, QStringLiteral("#000000"));
        QCOMPARE(form_->STxtColor->Color(), picked ? green : face);
        QCOMPARE(shown, picked ? green : face);
    }

    void swatchAndColourDialogKeepTheirColoursBetweenUses() {
        const TColor green = 0x00A000, navy = 0x800000;
        dialogs_->ExpectColor(green);
        dialogs_->ExpectColor(std::nullopt);
        dialogs_->ExpectColor(navy);
        QCOMPARE(RunModal(*form_,
                          [](TNewImageForm& f) {
                              QTest::mouseClick(f.STxtColor, Qt::LeftButton);
                              f.accept();
                          }),
                 int(QDialog::Accepted));
        QCOMPARE(form_->STxtColor->Color(), green);

        // Shown again: the swatch still shows green; a cancelled colour dialog keeps it.
        TColor shownAtStart = 0;
        RunModal(*form_, [&](TNewImageForm& f) {
            shownAtStart = ShownSwatch(f);
            QTest::mouseClick(f.STxtColor, Qt::LeftButton);
            f.reject();
        });
        QCOMPARE(shownAtStart, green);
        QCOMPARE(form_->STxtColor->Color(), green);

        RunModal(*form_, [](TNewImageForm& f) {
            QTest::mouseClick(f.STxtColor, Qt::LeftButton);
            f.accept();
        });
        QCOMPARE(form_->STxtColor->Color(), navy);

        // The colour dialog opened on black, then twice on its last colour.
        QCOMPARE(dialogs_->Prompts().size(), 3);
        QCOMPARE(dialogs_->Prompts()[0].offered, QStringLiteral("#000000"));
        QCOMPARE(dialogs_->Prompts()[1].offered, ToQColor(green).name());
        QCOMPARE(dialogs_->Prompts()[2].offered, ToQColor(green).name());
    }

    void onlyTheLeftButtonOpensTheColourDialog() {
        RunModal(*form_, [](TNewImageForm& f) {
            QTest::mouseClick(f.STxtColor, Qt::RightButton);
            QTest::mouseClick(f.Label3, Qt::LeftButton);
            f.reject();
        });
        QVERIFY(dialogs_->Prompts().isEmpty());
    }
};

LIMNORA_TEST_CLASS(TestNewImageForm)
#include "tst_newimage.moc"
