// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Saves what the X server shows of a window or of a screen rectangle to a PNG file.
//
//   grab_window [--now] [--mark N,X,Y,R ...] <output.png> <window id>
//   grab_window [--now] [--mark N,X,Y,R ...] <output.png> <x> <y> <width> <height>
//
// The grab is repeated until two grabs in a row are the same, so a window that is still painting
// itself is not caught half drawn; --now saves the first grab, of a screen known to be still.
// --mark draws a numbered callout over the picture: the number N in a red disc of radius R
// centred at X, Y of the grabbed area.
// Exit code 0 on success, 1 on a bad call, 2 when nothing could be grabbed or saved.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>
#include <QThread>
#include <QVector>
#include <optional>

namespace {

constexpr int kSettleTimeoutMs = 20000;
constexpr int kSettleIntervalMs = 250;

struct Area {
    WId window = 0;
    int x = 0, y = 0, width = -1, height = -1;
};

std::optional<qulonglong> ParseNumber(const QString& text) {
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, 0); // decimal or 0x-prefixed
    return ok ? std::optional<qulonglong>(value) : std::nullopt;
}

std::optional<int> ParseInt(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

QImage Grab(QScreen* screen, const Area& area) {
    return screen->grabWindow(area.window, area.x, area.y, area.width, area.height)
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Lossless: a screenshot of a plain UI usually has few colours, and a palette keeps the file
// much smaller than 24-bit pixels.
QImage Smallest(const QImage& image) {
    QHash<QRgb, int> index;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (!index.contains(row[x])) {
                if (index.size() == 256)
                    return image;
                const int next = static_cast<int>(index.size());
                index.insert(row[x], next);
            }
        }
    }
    QVector<QRgb> table(index.size());
    for (auto it = index.cbegin(); it != index.cend(); ++it)
        table[it.value()] = it.key();
    QImage indexed(image.size(), QImage::Format_Indexed8);
    indexed.setColorTable(table);
    for (int y = 0; y < image.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* to = indexed.scanLine(y);
        for (int x = 0; x < image.width(); ++x)
            to[x] = static_cast<uchar>(index.value(from[x]));
    }
    return indexed;
}

struct Mark {
    QString number;
    int x = 0, y = 0, radius = 0;
};

std::optional<Mark> ParseMark(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    const auto x = ParseInt(parts[1]), y = ParseInt(parts[2]), r = ParseInt(parts[3]);
    if (parts[0].isEmpty() || !x || !y || !r || *r <= 0)
        return std::nullopt;
    return Mark{parts[0], *x, *y, *r};
}

void DrawMarks(QImage& image, const QVector<Mark>& marks) {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (const Mark& mark : marks) {
        p.setPen(QPen(Qt::white, mark.radius / 5.0));
        p.setBrush(QColor(200, 16, 46));
        p.drawEllipse(QPointF(mark.x, mark.y), mark.radius, mark.radius);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        font.setPixelSize(mark.radius * 13 / 10);
        p.setFont(font);
        p.drawText(
            QRectF(mark.x - mark.radius, mark.y - mark.radius, 2 * mark.radius, 2 * mark.radius),
            Qt::AlignCenter, mark.number);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    bool now = false;
    QVector<Mark> marks;
    while (!args.isEmpty() && args.constFirst().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--now")) {
            now = true;
        } else if (option == QLatin1String("--mark") && !args.isEmpty()) {
            const auto mark = ParseMark(args.takeFirst());
            if (!mark) {
                err << "grab_window: a mark is N,X,Y,R\n";
                return 1;
            }
            marks.append(*mark);
        } else {
            err << "grab_window: unknown option " << option << "\n";
            return 1;
        }
    }
    Area area;
    if (args.size() == 2) {
        const auto id = ParseNumber(args[1]);
        if (!id) {
            err << "grab_window: not a window id: " << args[1] << "\n";
            return 1;
        }
        area.window = static_cast<WId>(*id);
    } else if (args.size() == 5) {
        const auto x = ParseInt(args[1]), y = ParseInt(args[2]);
        const auto w = ParseInt(args[3]), h = ParseInt(args[4]);
        if (!x || !y || !w || !h || *w <= 0 || *h <= 0) {
            err << "grab_window: bad rectangle\n";
            return 1;
        }
        area = {0, *x, *y, *w, *h};
    } else {
        err << "usage: grab_window [--now] [--mark N,X,Y,R ...] <output.png> <window id>\n"
               "       grab_window [--now] [--mark N,X,Y,R ...] <output.png> <x> <y> <width> "
               "<height>\n";
        return 1;
    }

    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        err << "grab_window: no screen\n";
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    QImage last = Grab(screen, area);
    while (!now) {
        QThread::msleep(kSettleIntervalMs);
        const QImage next = Grab(screen, area);
        if (!next.isNull() && next == last)
            break;
        last = next;
        if (clock.elapsed() > kSettleTimeoutMs) {
            err << "grab_window: the picture did not settle; saving the last grab\n";
            break;
        }
    }
    if (last.isNull()) {
        err << "grab_window: nothing was grabbed\n";
        return 2;
    }
    DrawMarks(last, marks);
    // Quality 0 asks for the strongest PNG compression.
    if (!Smallest(last).save(args[0], "PNG", 0)) {
        err << "grab_window: cannot write " << args[0] << "\n";
        return 2;
    }
    return 0;
}
