// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Clipboards for the tests: a fake system clipboard behind the editor's seam, and another
// program's offer as Qt shows it to this program.
#pragma once

#include "clipboard/Clipboard.h"
#include "system/QtCompat.h"

#include <QList>
#include <QMap>
#include <QMimeData>
#include <functional>

// A clipboard that answers as told and remembers what it was given; installed while it lives.
class FakeClipboard : public IClipboard {
public:
    bool accept = true;
    bool fail = false; // throws instead of answering
    std::optional<QImage> offered;
    QList<QImage> taken;
    int reads = 0;
    std::function<void()> onPut; // sees the editor as it is when the picture goes out
    std::function<void()> onGet;

    FakeClipboard();
    ~FakeClipboard() override;
    FakeClipboard(const FakeClipboard&) = delete;
    FakeClipboard& operator=(const FakeClipboard&) = delete;

    bool PutImage(const QImage& image) override;
    std::optional<QImage> GetImage() override;

private:
    IClipboard* previous_;
};

// What another program offers on the clipboard, as this program sees it. On X11 Qt lists the
// targets the other program offers and, when one of them is an image, also offers to decode it
// itself (hasImage, imageData); elsewhere only the bytes are there.
class OtherProgramsData : public QMimeData {
public:
    OtherProgramsData(QMap<QString, QByteArray> offered, bool decodedByQt);

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, qtcompat::MimeDataType type) const override;

private:
    QMap<QString, QByteArray> offered_;
    bool decodedByQt_;
};

// Puts another program's offer on the application's clipboard.
void OfferFromAnotherProgram(const QMap<QString, QByteArray>& offered, bool decodedByQt = true);
