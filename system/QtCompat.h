// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The few places where Qt 5.15 and Qt 6 differ in what the editor calls. The rest of the code
// uses these and holds no version switch of its own; on Qt 6 each is the call it stands for.
#pragma once

#include <QtGlobal>

#include <QFontDatabase>
#include <QGuiApplication>
#include <QImageReader>
#include <QLibraryInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QVariant>

#include <memory>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include "system/X11Selection.h"
#endif

namespace qtcompat {

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
// The type QMimeData::retrieveData is asked for.
using MimeDataType = QMetaType;
inline bool IsByteArray(MimeDataType type) {
    return type.id() == QMetaType::QByteArray;
}
#else
using MimeDataType = QVariant::Type;
inline bool IsByteArray(MimeDataType type) {
    return type == QVariant::ByteArray;
}
#endif

// A mouse event's position in the widget and in its window.
inline QPointF LocalPosition(const QMouseEvent* event) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event->position();
#else
    return event->localPos();
#endif
}
inline QPointF WindowPosition(const QMouseEvent* event) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event->scenePosition();
#else
    return event->windowPos();
#endif
}

// Qt's translations folder.
inline QString TranslationsPath() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
}

// The largest image Qt's readers may allocate, in MiB. Qt 5 has no such limit: there the
// editor's own checks before decoding are the only bound.
inline void SetImageAllocationLimit(int megabytes) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    QImageReader::setAllocationLimit(megabytes);
#else
    Q_UNUSED(megabytes)
#endif
}

// The font database: static in Qt 6, an object in Qt 5.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
inline QStringList FontFamilies() {
    return QFontDatabase::families();
}
inline bool IsSmoothlyScalable(const QString& family) {
    return QFontDatabase::isSmoothlyScalable(family);
}
inline QList<int> PointSizes(const QString& family) {
    return QFontDatabase::pointSizes(family);
}
#else
inline QStringList FontFamilies() {
    return QFontDatabase().families();
}
inline bool IsSmoothlyScalable(const QString& family) {
    return QFontDatabase().isSmoothlyScalable(family);
}
inline QList<int> PointSizes(const QString& family) {
    return QFontDatabase().pointSizes(family);
}
#endif

// Before the application object exists: what Qt 6 does on a scaled screen by default, logical
// pixels scaled by the screen's factor and icons drawn from their doubled pixmaps. Nothing to do
// on Qt 6. Qt 5 keeps its own rounding of the factor to whole numbers: where the desktop sets no
// Xft.dpi it takes the factor from the monitor's physical size, and 1.04 kept as it is would
// blur every picture pixel.
inline void UseHighDpiDefaults() {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#endif
}

// Another program's offer on the clipboard, where the editor reads it itself because Qt's own
// reading fails it: on Qt 5 with X11, which loses incremental transfers (system/X11Selection.h).
// Null elsewhere: Qt's own QClipboard::mimeData() is read there.
inline std::unique_ptr<QMimeData> OfferReadByTheEditor() {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return X11ClipboardOffer();
#endif
    return nullptr;
}

} // namespace qtcompat
