// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window's test fixture: the editor's windows created afresh for every test, with
// made-up fonts of every kind and scripted dialogs; helpers that act as the user does.
#pragma once

#include "canvas/ShiftState.h"
#include "common/Geometry.h"
#include "desktop/FontServices.h"
#include "main/EditorWindows.h"
#include "main/Form1.h"
#include "support/ScriptedDialogs.h"
#include "support/TestRunner.h"
#include "widgets/PictureLabel.h"

#include <QEvent>
#include <QMap>
#include <QObject>
#include <QPoint>
#include <functional>
#include <memory>

class QAbstractButton;
class QComboBox;
class QWidget;
class TImage;

// Font services with made-up families of every kind.
class FakeFonts : public IFontServices {
public:
    QStringList families;
    QMap<QString, QList<TFontFace>> faces;

    QStringList Families() override { return families; }
    void EnumFontFamily(const QString& family,
                        const std::function<bool(const TFontFace&)>& proc) override;
};

QStringList Items(const QComboBox* box);
// The sizes listed for a scalable font, as texts.
QStringList StdSizes();
// A drag through the image's handlers, as the selector receives them from the mouse.
void Drag(TImage* image, TPoint from, TPoint to, TShiftState shift = ssLeft);
// A mouse event with the buttons held, as Qt delivers it (QTest's moves carry no buttons).
void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// A left click on a button, as a user gives it.
void Click(QAbstractButton* button);

class EditorFixture : public QObject {
    Q_OBJECT
protected:
    FakeFonts fonts_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<EditorWindows> windows_;
    TForm1* form_ = nullptr;

    // Creates the windows as the program does at start-up and shows the main window.
    void Start();
    // Drawing mode without the mode buttons: the selector leaves no outline.
    void EnterPaintMode();

private slots:
    void init();
    void cleanup();

private:
    IFontServices* previousFonts_ = nullptr;
};
