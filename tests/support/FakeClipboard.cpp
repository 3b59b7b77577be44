// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/FakeClipboard.h"

#include "system/EditorError.h"

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>

FakeClipboard::FakeClipboard() : previous_(SetClipboard(this)) {}

FakeClipboard::~FakeClipboard() {
    SetClipboard(previous_);
}

bool FakeClipboard::PutImage(const QImage& image) {
    if (onPut)
        onPut();
    if (fail)
        throw EditorError(QStringLiteral("the clipboard is gone"));
    if (accept)
        taken << image.copy();
    return accept;
}

std::optional<QImage> FakeClipboard::GetImage() {
    ++reads;
    if (onGet)
        onGet();
    if (fail)
        throw EditorError(QStringLiteral("Буфер обмена недоступен"));
    return offered;
}

OtherProgramsData::OtherProgramsData(QMap<QString, QByteArray> offered, bool decodedByQt)
    : offered_(std::move(offered)), decodedByQt_(decodedByQt) {}

QStringList OtherProgramsData::formats() const {
    QStringList list = offered_.keys();
    if (decodedByQt_ && std::any_of(list.cbegin(), list.cend(), [](const QString& f) {
            return f.startsWith(QLatin1String("image/"));
        }))
        list << QStringLiteral("application/x-qt-image");
    return list;
}

bool OtherProgramsData::hasFormat(const QString& mimeType) const {
    return formats().contains(mimeType);
}

QVariant OtherProgramsData::retrieveData(const QString& mimeType, qtcompat::MimeDataType) const {
    if (mimeType == QLatin1String("application/x-qt-image") && decodedByQt_) {
        for (auto it = offered_.cbegin(); it != offered_.cend(); ++it) {
            if (!it.key().startsWith(QLatin1String("image/")))
                continue;
            const QImage image = QImage::fromData(it.value());
            if (!image.isNull())
                return image;
        }
        return QVariant();
    }
    return offered_.contains(mimeType) ? QVariant(offered_.value(mimeType)) : QVariant();
}

void OfferFromAnotherProgram(const QMap<QString, QByteArray>& offered, bool decodedByQt) {
    QGuiApplication::clipboard()->setMimeData(new OtherProgramsData(offered, decodedByQt));
}
