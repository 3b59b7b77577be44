// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The program on a classroom desktop: Qt's own texts in Russian, and every control reachable by
// assistive technology under the name a sighted user reads.
#include "canvas/TImage.h"
#include "desktop/Dialogs.h"
#include "desktop/EditorApplication.h"
#include "desktop/GuidePage.h"
#include "dialogs/About.h"
#include "dialogs/SetSizeImageDialog.h"
#include "fragments/ImageBuf01.h"
#include "main/EditorFixture.h"
#include "widgets/ColorSwatch.h"

#include "system/QtCompat.h"
#include <QAbstractButton>
#include <QAccessible>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "widgets/StatusPanel.h"

namespace {

QString AccessibleText(QWidget* w, QAccessible::Text which) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
    return accessible ? accessible->text(which) : QString();
}

QString AccessibleName(QWidget* w) {
    return AccessibleText(w, QAccessible::Name);
}

// The controls of a window that a user acts on or reads a value from.
QList<QWidget*> Controls(QWidget* window) {
    QList<QWidget*> controls;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")))
            continue; // the pieces Qt makes inside its own widgets
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
            qobject_cast<QComboBox*>(w) || qobject_cast<QSlider*>(w) ||
            qobject_cast<QListWidget*>(w) || qobject_cast<ColorSwatch*>(w) ||
            qobject_cast<TImage*>(w))
            controls << w;
    }
    return controls;
}

} // namespace

class TestDesktop : public EditorFixture {
    Q_OBJECT

    void CheckEveryControlIsNamed(QWidget* window) {
        const QList<QWidget*> controls = Controls(window);
        QVERIFY(!controls.isEmpty());
        for (QWidget* w : controls) {
            if (qobject_cast<QComboBox*>(w)) {
                // On Linux a combo box's name is its current entry; its hint is its description.
                QCOMPARE(AccessibleText(w, QAccessible::Description), w->toolTip());
                continue;
            }
            const QString name = AccessibleName(w);
            QVERIFY2(!name.trimmed().isEmpty(), qPrintable(w->objectName()));
            // Where a control shows a hint and no text of its own, its name is the hint.
            const auto* button = qobject_cast<QAbstractButton*>(w);
            if (!w->toolTip().isEmpty() && (!button || button->text().isEmpty()))
                QCOMPARE(name, w->toolTip().trimmed());
        }
    }

private slots:
    void qtsOwnTextsAreRussian() {
        const QString folder = qtcompat::TranslationsPath();
        const bool available = QFile::exists(folder + QStringLiteral("/qtbase_ru.qm"));
        auto* application = qobject_cast<EditorApplication*>(QCoreApplication::instance());
        QVERIFY(application);
        // Without the translation the program still runs, in Qt's English.
        QCOMPARE(application->Translated(), available);
        if (!available)
            QSKIP("Qt's Russian translation is not installed here");
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok);
        QCOMPARE(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')),
                 QStringLiteral("Да"));
        QCOMPARE(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')),
                 QStringLiteral("Нет"));
        QColorDialog colours;
        QCOMPARE(colours.windowTitle(), QStringLiteral("Выбор цвета"));
        QFileDialog files;
        files.setOption(QFileDialog::DontUseNativeDialog);
        QCOMPARE(files.labelText(QFileDialog::Reject), QStringLiteral("Отмена"));
        // The new-image dialog keeps its own buttons.
        QCOMPARE(windows_->NewImageForm->OKBtn->text(), QStringLiteral("OK"));
        QCOMPARE(windows_->NewImageForm->CancelBtn->text(), QStringLiteral("Cancel"));
    }

    void everyControlOfTheMainWindowIsNamed() {
        form_->ShowToolPanels(true, true, true, true);
        CheckEveryControlIsNamed(form_);
        QCOMPARE(AccessibleName(form_->Image1), QStringLiteral("Рисунок"));
        QCOMPARE(AccessibleName(form_->SpButModePaint),
                 QStringLiteral("Включить инструменты векторной графики"));
        QCOMPARE(AccessibleName(form_->STxtBrushColor),
                 QStringLiteral("Выбор цвета заливки (Brush)"));
        QCOMPARE(AccessibleName(form_->EdTxt), QStringLiteral("Строка для ввода текста"));
    }

    void statusPanelsAndThePreviewTellTheirText() {
        Drag(form_->Image1, {10, 20}, {40, 60});
        QCOMPARE(AccessibleName(form_->StatusPanels[0]), QStringLiteral(" Старт: (10, 20)"));
        QCOMPARE(AccessibleName(form_->StatusPanels[3]), QStringLiteral(" Высота: (40)"));
        form_->EdTxt->setText(QStringLiteral("подпись"));
        QCOMPARE(AccessibleName(form_->LabelTxt), QStringLiteral("подпись"));
    }

    void everyControlOfTheOtherWindowsIsNamed() {
        CheckEveryControlIsNamed(windows_->NewImageForm);
        QCOMPARE(AccessibleName(windows_->NewImageForm->WidthEdit),
                 QStringLiteral("Ширина ( pix )"));
        QCOMPARE(AccessibleName(windows_->NewImageForm->HeightEdit),
                 QStringLiteral("Высота ( pix )"));
        QCOMPARE(AccessibleName(windows_->NewImageForm->STxtColor),
                 QStringLiteral("Цвет фона нового рисунка"));
        CheckEveryControlIsNamed(windows_->AboutBox);
        CheckEveryControlIsNamed(windows_->FormImgBuf);
    }

    void modalWindowsBelongToTheMainWindow() {
        // The desktop keeps an owned window above its owner (set_parent on Wayland,
        // WM_TRANSIENT_FOR on X11). A box asked for with a hidden window, or with none, is owned
        // by the window on screen. The fixed dialogs keep their size and have no minimise or
        // maximise button.
        for (QDialog* window :
             QList<QDialog*>{windows_->NewImageForm, windows_->AboutBox, windows_->FormImgBuf}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QCOMPARE(window->windowHandle()->transientParent(), form_->windowHandle());
            QCOMPARE(DialogOwner(window->findChild<QWidget*>()), window);
            window->hide();
            QCOMPARE(DialogOwner(window->findChild<QWidget*>()), form_);
            if (window != windows_->FormImgBuf) {
                QCOMPARE(window->minimumSize(), window->maximumSize());
                QVERIFY(!(window->windowFlags() & Qt::WindowMinMaxButtonsHint));
            }
        }
        QCOMPARE(DialogOwner(nullptr), form_);
    }

    void minimisedModalWindowComesBackWithTheMainWindow() {
        // Qt's own title bar on Wayland offers a minimise button even to a fixed dialog.
        QDialog* box = windows_->AboutBox;
        box->setWindowModality(Qt::ApplicationModal); // as exec() shows it
        box->showMinimized();
        form_->activateWindow();
        QTRY_VERIFY(!box->isMinimized());
        QTRY_COMPARE(QApplication::activeWindow(), box);
    }

    void guideWithoutABrowserNamesThePage() {
        // No xdg-open on PATH: a box names the page, so that it can be opened by hand.
        QTemporaryDir bin;
        const QByteArray path = qgetenv("PATH");
        const auto restore = qScopeGuard([&path] { qputenv("PATH", path); });
        qputenv("PATH", QFile::encodeName(bin.path()));
        dialogs_->ExpectMessage(TModalResult::Ok);
        OpenGuidePage(form_, bin.filePath(QStringLiteral("ru.html")));
        QTRY_COMPARE(dialogs_->Remaining(), 0);
        QCOMPARE(dialogs_->Prompts().constLast().msgKind, TMsgKind::Error);
        QCOMPARE(dialogs_->Prompts().constLast().text,
                 QStringLiteral("Не могу открыть руководство в браузере.\r\nОткройте в браузере "
                                "файл\r\n") +
                     bin.filePath(QStringLiteral("ru.html")));
    }
};

LIMNORA_TEST_CLASS(TestDesktop)
#include "tst_desktop.moc"
