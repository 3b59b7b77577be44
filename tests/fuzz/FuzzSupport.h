// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// What the fuzzing targets share, with each other and with the tests that replay their findings.
#pragma once

#include "system/QtCompat.h"

#include <QByteArray>
#include <QMimeData>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzzing {

// A lower pixel bound than the editor's keeps every run fast (4 Mpixels, 16 MB a picture); the
// code paths are the same. An allocation past it is a fault that -malloc_limit_mb catches.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 22;

// Another program's clipboard offer made of a fuzzing input. The input's first byte says which
// formats it lists (bits 0 to 5: image/png, image/bmp, image/x-bmp, image/x-MS-bmp, image/jpeg,
// image/gif; bit 6: text/plain as well) and, in bit 7, that it sends nothing, as an owner does
// that does not answer in time; every listed format offers the rest of the input. Being asked for
// the list twice, for a format it does not list or for anything after sending nothing is a fault:
// it aborts.
class Offer : public QMimeData {
public:
    explicit Offer(const QByteArray& input) {
        const int first = input.isEmpty() ? 0 : static_cast<uchar>(input[0]);
        const char* formats[] = {"image/png",  "image/bmp", "image/x-bmp", "image/x-MS-bmp",
                                 "image/jpeg", "image/gif", "text/plain"};
        for (int bit = 0; bit < 7; ++bit)
            if ((first & (1 << bit)) != 0)
                listed_ << QString::fromLatin1(formats[bit]);
        if ((first & 0x80) == 0)
            bytes_ = input.mid(1);
    }

    QStringList formats() const override {
        if (++listings_ > 1)
            Fault("the list of formats was asked for twice");
        return listed_;
    }

protected:
    QVariant retrieveData(const QString& format, qtcompat::MimeDataType) const override {
        if (!listed_.contains(format))
            Fault("a format that is not listed was asked for");
        if (sentNothing_)
            Fault("a format was asked for after nothing came");
        sentNothing_ = bytes_.isEmpty();
        return bytes_;
    }

private:
    [[noreturn]] static void Fault(const char* what) {
        std::fprintf(stderr, "offer: %s\n", what);
        std::abort();
    }

    QStringList listed_;
    QByteArray bytes_;
    mutable int listings_ = 0;
    mutable bool sentNothing_ = false;
};

} // namespace fuzzing
