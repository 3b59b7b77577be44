// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "main/EditorFixture.h"

#include "canvas/TImage.h"
#include "selection/TRegionSelector.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QTest>

void FakeFonts::EnumFontFamily(const QString& family,
                               const std::function<bool(const TFontFace&)>& proc) {
    for (const TFontFace& face : faces.value(family))
        if (!proc(face))
            return;
}

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QStringList StdSizes() {
    QStringList sizes;
    for (int s : StdFontSizes)
        sizes << QString::number(s);
    return sizes;
}

void Drag(TImage* image, TPoint from, TPoint to, TShiftState shift) {
    image->OnMouseDown(TMouseButton::mbLeft, shift, from.x, from.y);
    image->OnMouseMove(ssLeft, (from.x + to.x) / 2, (from.y + to.y) / 2);
    image->OnMouseMove(ssLeft, to.x, to.y);
    image->OnMouseUp(TMouseButton::mbLeft, 0, to.x, to.y);
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held, Qt::KeyboardModifiers modifiers) {
    QMouseEvent event(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, modifiers);
    QCoreApplication::sendEvent(w, &event);
}

void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
}

void EditorFixture::init() {
    fonts_.families =
        QStringList{QStringLiteral("Zeta Sans"), QStringLiteral("arial"), QStringLiteral("Fixed"),
                    QStringLiteral("Fixed"), QStringLiteral("Printer")};
    fonts_.faces = {{QStringLiteral("Zeta Sans"), {{0, ftTrueType}}},
                    {QStringLiteral("arial"), {{0, ftTrueType}}},
                    {QStringLiteral("Fixed"), {{13, ftRaster}, {10, ftRaster}, {13, ftRaster}}},
                    {QStringLiteral("Printer"), {{0, ftDevice}}}};
    previousFonts_ = SetFontServices(&fonts_);
    dialogs_ = std::make_unique<ScriptedDialogs>();
    Start();
}

void EditorFixture::cleanup() {
    windows_.reset();
    form_ = nullptr;
    const int remaining = dialogs_->Remaining();
    dialogs_.reset();
    SetFontServices(previousFonts_);
    QCOMPARE(remaining, 0); // every scripted answer was asked for
}

void EditorFixture::Start() {
    windows_ = std::make_unique<EditorWindows>();
    form_ = windows_->Form1.get();
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_));
}

void EditorFixture::EnterPaintMode() {
    form_->AppMode = amPaint;
    form_->Selector->SetOutlineMode(omTransient);
}
