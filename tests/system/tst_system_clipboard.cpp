// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The whole picture through the real clipboard of an X server, with another program (xclip) at
// the other end: the real editor runs under Xvfb, its edit menu is opened with a click on the menu
// bar and worked with the keyboard (the editor has no shortcuts), and what it shows is read back
// from the screen.
//
// What another program puts there as an image (PNG, BMP) is pasted at the picture's top-left
// corner, opaque, transparent pixels white as on paper, cut at the picture's edges. Text changes
// nothing and shows nothing; images the editor cannot or must not decode, or that do not come in
// time, change nothing either and are reported in a message box. A copy offers the picture as
// image/png and image/bmp at its full size; a cut does the same and leaves the picture in the
// button-face colour that also surrounds it on the screen. A large picture reaches the other
// program whole as well, and comes in whole from a slow one that offers a BMP.
#include "SystemSupport.h"
#include "support/TestImages.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>
#include <QtEndian>
#include <algorithm>

#ifndef XCLIP_EXECUTABLE
#define XCLIP_EXECUTABLE "xclip"
#endif
#ifndef CLIPBOARD_OWNER_EXECUTABLE
#define CLIPBOARD_OWNER_EXECUTABLE "clipboard_owner"
#endif

using namespace systemtest;

namespace {

// Items of the edit menu, counted in steps down from its first item.
constexpr int kCopy = 2;
constexpr int kPaste = 3;
constexpr int kCut = 4;

// What another program reads from the clipboard in the given target.
bool ReadClipboard(const QString& target, QByteArray* bytes, QString* error) {
    return Run(QStringLiteral(XCLIP_EXECUTABLE),
               {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o"),
                QStringLiteral("-t"), target},
               bytes, error);
}

QStringList Targets(QString* error) {
    QByteArray bytes;
    if (!ReadClipboard(QStringLiteral("TARGETS"), &bytes, error))
        return {};
    return QString::fromLatin1(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Another program holding the clipboard: xclip serving the bytes in one target until some other
// program takes the clipboard over.
class Offer {
public:
    Offer() = default;
    Offer(const Offer&) = delete;
    Offer& operator=(const Offer&) = delete;
    ~Offer() { Stop(); }

    bool Start(const QString& target, const QByteArray& bytes, QString* error) {
        Stop();
        process_ = std::make_unique<QProcess>();
        KillWithParent(*process_);
        // It tells of every request it serves: nobody reads that.
        process_->setStandardOutputFile(QProcess::nullDevice());
        process_->setStandardErrorFile(QProcess::nullDevice());
        process_->start(QStringLiteral(XCLIP_EXECUTABLE),
                        {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                         QStringLiteral("-quiet"), QStringLiteral("-t"), target,
                         QStringLiteral("-i")});
        if (!process_->waitForStarted(kToolTimeoutMs)) {
            *error = QStringLiteral("cannot run xclip: %1").arg(process_->errorString());
            return false;
        }
        process_->write(bytes);
        while (process_->bytesToWrite() > 0)
            if (!process_->waitForBytesWritten(kToolTimeoutMs)) {
                *error =
                    QStringLiteral("cannot hand xclip the bytes: %1").arg(process_->errorString());
                return false;
            }
        process_->closeWriteChannel();
        // Served once the clipboard lists the target.
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            QString ignored;
            if (Targets(&ignored).contains(target))
                return true;
            if (!Serving() || clock.elapsed() > kToolTimeoutMs) {
                *error = QStringLiteral("xclip did not come to offer %1 (%2)")
                             .arg(target,
                                  Serving() ? QStringLiteral("running") : QStringLiteral("ended"));
                return false;
            }
            QThread::msleep(kPollIntervalMs);
        }
    }

    bool Serving() const { return process_ && process_->state() == QProcess::Running; }

    // True once xclip has ended: another program took the clipboard from it.
    bool WaitUntilTakenOver() {
        return !process_ || process_->state() == QProcess::NotRunning ||
               process_->waitForFinished(kToolTimeoutMs);
    }

    void Stop() { StopProcess(process_); }

private:
    std::unique_ptr<QProcess> process_;
};

// "N other window(s), first at (x, y) w x h", for failure messages.
QString OthersText(const QList<QRect>& others) {
    return QStringLiteral("%1 other window(s), first at (%2, %3) %4 x %5")
        .arg(others.size())
        .arg(others.first().x())
        .arg(others.first().y())
        .arg(others.first().width())
        .arg(others.first().height());
}

} // namespace

class SystemClipboard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void pastesAnotherProgramsPng();
    void pastesAnotherProgramsBmpCutAtTheBottom();
    void aTransparentPictureShowsOnWhite_data();
    void aTransparentPictureShowsOnWhite();
    void unusableOffersChangeNothing_data();
    void unusableOffersChangeNothing();
    void anOwnerThatDoesNotAnswerCostsOneWait_data();
    void anOwnerThatDoesNotAnswerCostsOneWait();
    void copyOffersThePictureAsPngAndBmp();
    void cutOffersTheOldPictureAndLeavesTheButtonFace();
    void aLargeCopyReachesAnotherProgramWhole();
    void aLargePasteFromASlowProgramComesAsBmp();

private:
    // The editor's visible windows other than the main one: menus, message boxes.
    bool OtherWindows(QList<QRect>* windows, QString* error);
    // Opens the edit menu, goes down the given number of items and runs the item; with reported,
    // waits for the message box the command then shows and closes it with its button.
    bool Command(int down, QString* error, bool reported = false);
    // Starts another program that holds the clipboard (see clipboard_owner.cpp).
    bool StartOwner(const QStringList& args, QString* error);
    QImage Picture() { return GrabScreen(screen_.picture); }
    // Grabs the picture until it is the expected one or time runs out; the difference otherwise.
    QString WaitForPicture(const QImage& expected, QImage* last = nullptr) {
        return WaitForScreen(
            screen_.picture, [&](const QImage& p) { return ImageDifference(p, expected); }, last);
    }
    // Empty once the picture shows `before` again, with no other window shown and the editor
    // running; otherwise what is wrong (a picture that differs is kept as <what>).
    QString PictureKept(const QImage& before, const QString& what);
    // Makes sure the picture is not of one colour, pasting noise when it is.
    bool MakePictureVaried(QString* error);
    // Makes sure another program holds the clipboard, so that the editor's taking it over can be
    // seen: the offer ends.
    bool HandOver(QString* error);
    // Copies the picture through the edit menu and reads it back as another program does.
    bool CopyAndRead(QImage* copied, QString* error);
    // Makes a new picture of the given size with the file menu's first item and its dialog.
    bool NewPicture(int width, int height, QString* error);

    Editor editor_;
    Offer offer_;
    std::unique_ptr<QProcess> owner_;
    QElapsedTimer clock_;        // since the test program started
    qint64 commandChosenMs_ = 0; // when the last command's item was chosen
    qint64 menuShownMs_ = 0;     // when the last command's menu bar item opened its menu
    qint64 boxShownMs_ = 0;      // when the last command's message box showed
    EditorScreen screen_;
    // The pointer's position on the menu bar's first item.
    QPoint menuBar_;
};

void SystemClipboard::initTestCase() {
    clock_.start();
    QString error;
    QVERIFY2(StartEditor(editor_, 1, &screen_, &error), qPrintable(error));
    // The menu bar runs along the top of the window, above the tool bands and the picture; its
    // first item starts at the left.
    menuBar_ = QPoint(screen_.window.x() + 20, screen_.window.y() + 8);
    // The button face shows around the picture: the window is wider than the picture.
    QVERIFY(screen_.window.right() > screen_.picture.right() + 5);
}

void SystemClipboard::cleanupTestCase() {
    offer_.Stop();
    editor_.Stop();
}

void SystemClipboard::cleanup() {
    offer_.Stop();
    StopProcess(owner_);
    // Whatever a failed test left open, a menu or a message box, is closed for the next one.
    QString error;
    QList<QRect> others;
    for (int i = 0; i < 3 && OtherWindows(&others, &error) && !others.isEmpty(); ++i) {
        Xdotool({QStringLiteral("key"), QStringLiteral("Escape")}, nullptr, &error);
        QThread::msleep(500);
    }
}

bool SystemClipboard::OtherWindows(QList<QRect>* windows, QString* error) {
    windows->clear();
    QString found, failure;
    Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
             QString::number(editor_.Pid())},
            &found, &failure);
    bool mainShown = false;
    for (const QString& id : found.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (id.trimmed() == screen_.windowId) {
            mainShown = true;
            continue;
        }
        QRect geometry;
        QString gone;
        // A menu may close between the search and this look: it is no longer shown then.
        if (WindowGeometry(id.trimmed(), &geometry, &gone))
            windows->append(geometry);
    }
    if (!mainShown) {
        *error = QStringLiteral("the editor's window is not shown (%1); the editor %2")
                     .arg(failure, editor_.ExitReport());
        return false;
    }
    return true;
}

bool SystemClipboard::StartOwner(const QStringList& args, QString* error) {
    offer_.Stop();
    owner_ = std::make_unique<QProcess>();
    KillWithParent(*owner_);
    owner_->start(QStringLiteral(CLIPBOARD_OWNER_EXECUTABLE), args);
    if (owner_->waitForReadyRead(kToolTimeoutMs) && owner_->readLine().trimmed() == "owner")
        return true;
    *error = QStringLiteral("the other program holds no clipboard: %1")
                 .arg(QString::fromLocal8Bit(owner_->readAllStandardError()));
    return false;
}

bool SystemClipboard::Command(int down, QString* error, bool reported) {
    if (!editor_.Running()) {
        *error = QStringLiteral("the editor %1").arg(editor_.ExitReport());
        return false;
    }
    QList<QRect> others;
    if (!OtherWindows(&others, error))
        return false;
    if (!others.isEmpty()) {
        SaveForInspection(GrabScreen(), QStringLiteral("other-window"));
        *error = QStringLiteral("the editor shows %1 (a message box?)").arg(OthersText(others));
        return false;
    }

    // Waits for a menu whose left edge lies right of the given x; its left edge then.
    auto waitForMenu = [&](int rightOf, int* left) {
        QElapsedTimer clock;
        clock.start();
        QList<QRect> menus;
        while (clock.elapsed() < kScreenTimeoutMs) {
            if (!OtherWindows(&menus, error))
                return false;
            if (menus.size() == 1 && menus.first().x() > rightOf) {
                *left = menus.first().x();
                return true;
            }
            QThread::msleep(kPollIntervalMs);
        }
        *error = QStringLiteral("no menu opened right of x = %1 (%2 windows shown)")
                     .arg(rightOf)
                     .arg(menus.size());
        return false;
    };

    // The first menu, then two to the right: the edit menu, its first item selected.
    if (!MovePointer(menuBar_, error) ||
        !Xdotool({QStringLiteral("click"), QStringLiteral("1")}, nullptr, error))
        return false;
    int left = 0;
    if (!waitForMenu(-1, &left))
        return false;
    menuShownMs_ = clock_.elapsed();
    for (int i = 0; i < 2; ++i) {
        if (!Xdotool({QStringLiteral("key"), QStringLiteral("Right")}, nullptr, error) ||
            !waitForMenu(left, &left))
            return false;
    }
    QStringList keys{QStringLiteral("key")};
    for (int i = 0; i < down; ++i)
        keys << QStringLiteral("Down");
    keys << QStringLiteral("Return");
    if (!Xdotool(keys, nullptr, error))
        return false;
    commandChosenMs_ = clock_.elapsed();
    // The menu closes, and the message box shows where one is expected; the pointer goes off the
    // window.
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (!OtherWindows(&others, error))
            return false;
        if (reported && others.size() == 1 && others.first().x() != left) {
            boxShownMs_ = clock_.elapsed();
            if (!Xdotool({QStringLiteral("key"), QStringLiteral("Return")}, nullptr, error))
                return false;
            reported = false;
            continue;
        }
        if (others.isEmpty() && !reported)
            break;
        if (clock.elapsed() > kScreenTimeoutMs) {
            SaveForInspection(GrabScreen(), QStringLiteral("after-command"));
            *error = others.isEmpty()
                         ? QStringLiteral("after the command no message box showed")
                         : QStringLiteral("after the command the editor still shows %1 (the "
                                          "menu, or a message box?)")
                               .arg(OthersText(others));
            return false;
        }
        QThread::msleep(kPollIntervalMs);
    }
    return MovePointer(screen_.Away(), error);
}

QString SystemClipboard::PictureKept(const QImage& before, const QString& what) {
    QImage shown;
    QString error = WaitForPicture(before, &shown);
    if (!error.isEmpty()) {
        SaveForInspection(shown, what);
        return error;
    }
    QList<QRect> others;
    if (!OtherWindows(&others, &error))
        return error;
    if (!others.isEmpty())
        return QStringLiteral("the editor shows %1 (a message box?)").arg(OthersText(others));
    return editor_.Running() ? QString() : editor_.ExitReport();
}

bool SystemClipboard::MakePictureVaried(QString* error) {
    const QImage before = Picture();
    if (NotOfColour(before, before.pixel(0, 0)) > 0)
        return true;
    const QImage noise = NoiseImage(kPictureWidth, kPictureHeight, 9);
    if (!offer_.Start(QStringLiteral("image/png"), Encoded(noise, "PNG"), error) ||
        !Command(kPaste, error))
        return false;
    *error = WaitForPicture(noise);
    return error->isEmpty();
}

bool SystemClipboard::HandOver(QString* error) {
    return offer_.Serving() ||
           offer_.Start(QStringLiteral("UTF8_STRING"), QByteArray("placeholder"), error);
}

bool SystemClipboard::CopyAndRead(QImage* copied, QString* error) {
    if (!HandOver(error) || !Command(kCopy, error))
        return false;
    // The other program has lost the clipboard to the editor.
    if (!offer_.WaitUntilTakenOver()) {
        *error = QStringLiteral("the editor did not take the clipboard over");
        return false;
    }
    QByteArray png;
    if (!ReadClipboard(QStringLiteral("image/png"), &png, error))
        return false;
    *copied = QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
    if (copied->isNull()) {
        *error = QStringLiteral("the clipboard's image/png (%1 bytes) is no PNG").arg(png.size());
        return false;
    }
    return true;
}

void SystemClipboard::pastesAnotherProgramsPng() {
    QString error;
    const QImage before = Picture();
    QCOMPARE(NotOfColour(before, kWhite), 0);

    // Wider than the picture, and with semi-transparent and transparent pixels.
    const QImage image = Translucent(900, 300);
    QVERIFY2(offer_.Start(QStringLiteral("image/png"), Encoded(image, "PNG"), &error),
             qPrintable(error));
    QVERIFY2(Command(kPaste, &error), qPrintable(error));
    QImage shown;
    error = WaitForPicture(Drawn(before, OnWhite(image)), &shown);
    if (!error.isEmpty())
        SaveForInspection(shown, QStringLiteral("png"));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY2(editor_.Running(), qPrintable(editor_.ExitReport()));
}

// Over 1 MB, more than xclip puts in one request: it comes in parts (an incremental transfer).
// Twice, with another picture: every paste in the same editor arrives, not only the first.
void SystemClipboard::pastesAnotherProgramsBmpCutAtTheBottom() {
    for (const quint32 seed : {5, 6}) {
        QString error;
        const QImage before = Picture();
        const QImage image = NoiseImage(600, 700, seed);
        QVERIFY2(offer_.Start(QStringLiteral("image/bmp"), Encoded(image, "BMP"), &error),
                 qPrintable(error));
        QVERIFY2(Command(kPaste, &error), qPrintable(error));
        QImage shown;
        error = WaitForPicture(Drawn(before, image), &shown);
        if (!error.isEmpty())
            SaveForInspection(shown, QStringLiteral("bmp"));
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
}

// However another program hands a transparent picture over, it shows on white: a 24-bit BMP
// flattened on black with a PNG that keeps the alpha (Firefox, GIMP), or a 32-bit BMP with the
// alpha in each pixel's fourth byte (mtPaint).
void SystemClipboard::aTransparentPictureShowsOnWhite_data() {
    QTest::addColumn<QStringList>("formats");
    QTest::addColumn<QSize>("size");
    QTest::newRow("a BMP on black and a PNG")
        << QStringList{QStringLiteral("image/bmp+black=0"), QStringLiteral("image/png=0")}
        << QSize(300, 200);
    QTest::newRow("a 32-bit BMP with alpha")
        << QStringList{QStringLiteral("image/bmp+alpha=0")} << QSize(240, 260);
}

void SystemClipboard::aTransparentPictureShowsOnWhite() {
    QFETCH(QStringList, formats);
    QFETCH(QSize, size);
    QString error;
    const QImage before = Picture();
    const QImage image = Translucent(size.width(), size.height());
    const QString file = QDir::temp().filePath(QStringLiteral("limnora-translucent.png"));
    QVERIFY(image.save(file, "PNG"));
    QVERIFY2(StartOwner(QStringList{QStringLiteral("serve"), file} + formats, &error),
             qPrintable(error));
    QVERIFY2(Command(kPaste, &error), qPrintable(error));
    QImage shown;
    error = WaitForPicture(Drawn(before, OnWhite(image)), &shown);
    if (!error.isEmpty())
        SaveForInspection(shown, QStringLiteral("translucent"));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QFile::remove(file);
}

void SystemClipboard::unusableOffersChangeNothing_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("reported");
    QTest::newRow("text") << QStringLiteral("UTF8_STRING") << QByteArray("Limnora") << false;
    QTest::newRow("files") << QStringLiteral("text/uri-list")
                           << QByteArray("file:///tmp/picture.png\r\n") << false;
    QTest::newRow("a 40000 x 40000 PNG")
        << QStringLiteral("image/png") << PngHeaderOnly(40000, 40000) << true;
    QTest::newRow("a 70000 x 1 PNG")
        << QStringLiteral("image/png") << Encoded(NoiseImage(70000, 1, 7), "PNG") << true;
    QTest::newRow("a PNG that is text")
        << QStringLiteral("image/png") << QByteArray("Limnora") << true;
    QByteArray cut = Encoded(NoiseImage(300, 300, 8), "PNG");
    cut.truncate(cut.size() / 2);
    QTest::newRow("a cut-off PNG") << QStringLiteral("image/png") << cut << true;
}

void SystemClipboard::unusableOffersChangeNothing() {
    QFETCH(QString, target);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, reported);
    QString error;
    QVERIFY2(MakePictureVaried(&error), qPrintable(error));
    const QImage before = Picture();
    QVERIFY2(offer_.Start(target, bytes, &error), qPrintable(error));
    QVERIFY2(Command(kPaste, &error, reported), qPrintable(error));
    // The paste has run once a copy after it has: the copy shows the picture the paste left.
    QImage copied;
    QVERIFY2(CopyAndRead(&copied, &error), qPrintable(error));
    QCOMPARE(ImageDifference(copied, before), QString());
    QCOMPARE(PictureKept(before, QStringLiteral("unusable")), QString());
}

// Qt waits about 5 s for each answer from another program, and cannot be told otherwise: a paste
// from an owner that does not answer asks once and draws nothing; it says so where the owner
// listed a picture; and the editor answers again as soon as it is over.
void SystemClipboard::anOwnerThatDoesNotAnswerCostsOneWait_data() {
    QTest::addColumn<bool>("reported"); // the owner lists only a PNG it makes in 6 s
    QTest::newRow("lists a PNG it makes in 6 s") << true;
    QTest::newRow("never answers") << false;
}

void SystemClipboard::anOwnerThatDoesNotAnswerCostsOneWait() {
    QFETCH(bool, reported);
    QString error, title, titleAfter;
    QVERIFY2(MakePictureVaried(&error), qPrintable(error));
    const QImage before = Picture();
    const QString file = QDir::temp().filePath(QStringLiteral("limnora-slow-offer.png"));
    NoiseImage(40, 30, 3).save(file, "PNG");
    QVERIFY2(StartOwner(reported ? QStringList{QStringLiteral("serve"), file,
                                               QStringLiteral("image/png=6000")}
                                 : QStringList{QStringLiteral("mute")},
                        &error),
             qPrintable(error));
    QVERIFY2(Xdotool({QStringLiteral("getwindowname"), screen_.windowId}, &title, &error),
             qPrintable(error));

    QVERIFY2(Command(kPaste, &error, reported), qPrintable(error));
    const qint64 pasteChosen = commandChosenMs_;
    if (reported)
        QVERIFY2(boxShownMs_ - pasteChosen < 6000,
                 qPrintable(QStringLiteral("the box showed %1 ms after the paste")
                                .arg(boxShownMs_ - pasteChosen)));
    // The next command's menu opens once the paste is over; the copy then shows what the paste
    // left.
    QVERIFY2(Command(kCopy, &error), qPrintable(error));
    const qint64 answeredAfter = menuShownMs_ - pasteChosen;
    QVERIFY2(
        answeredAfter < 6000,
        qPrintable(QStringLiteral("the editor answered %1 ms after the paste").arg(answeredAfter)));
    qInfo("the editor answered %lld ms after the paste", static_cast<long long>(answeredAfter));
    QByteArray png;
    QVERIFY2(ReadClipboard(QStringLiteral("image/png"), &png, &error), qPrintable(error));
    QCOMPARE(ImageDifference(QImage::fromData(png, "PNG"), before), QString());
    QCOMPARE(PictureKept(before, QStringLiteral("silent-owner")), QString());
    QVERIFY2(Xdotool({QStringLiteral("getwindowname"), screen_.windowId}, &titleAfter, &error),
             qPrintable(error));
    QCOMPARE(titleAfter, title);
    QFile::remove(file);
}

void SystemClipboard::copyOffersThePictureAsPngAndBmp() {
    QString error;
    QVERIFY2(MakePictureVaried(&error), qPrintable(error));
    // A selection's dotted outline in the picture: it is part of what is copied.
    const QImage unselected = Picture();
    QVERIFY2(Drag(screen_, {300, 100}, {{400, 200}, {520, 333}}, &error), qPrintable(error));
    QImage before, previous;
    // Until the whole outline is on the screen: its dots invert the pixels under them (the first
    // one at the top right corner), and two grabs in a row are the same.
    WaitForScreen(
        screen_.picture,
        [&](const QImage& p) {
            const bool shown = p.pixel(519, 100) != unselected.pixel(519, 100);
            const bool settled = p == previous;
            previous = p;
            return shown && settled ? QString() : QStringLiteral("no outline yet");
        },
        &before);
    QCOMPARE(PixelText(before.pixel(519, 100)), PixelText(~unselected.pixel(519, 100)));

    QImage copied;
    QVERIFY2(CopyAndRead(&copied, &error), qPrintable(error));
    QCOMPARE(copied.size(), QSize(kPictureWidth, kPictureHeight));
    QCOMPARE(ImageDifference(copied, before), QString());

    const QStringList targets = Targets(&error);
    QVERIFY2(targets.contains(QStringLiteral("image/png")), qPrintable(targets.join(' ')));
    QVERIFY2(targets.contains(QStringLiteral("image/bmp")), qPrintable(targets.join(' ')));
    QByteArray bmp;
    QVERIFY2(ReadClipboard(QStringLiteral("image/bmp"), &bmp, &error), qPrintable(error));
    QCOMPARE(ImageDifference(QImage::fromData(bmp, "BMP"), before), QString());

    // The picture stays as it was.
    QThread::msleep(300);
    QCOMPARE(ImageDifference(Picture(), before), QString());
    QVERIFY2(editor_.Running(), qPrintable(editor_.ExitReport()));
}

void SystemClipboard::cutOffersTheOldPictureAndLeavesTheButtonFace() {
    QString error;
    QVERIFY2(MakePictureVaried(&error), qPrintable(error));
    const QImage before = Picture();
    // The button face, as it shows right of the picture.
    const QRgb face =
        GrabScreen(QRect(screen_.picture.right() + 3, screen_.picture.top() + 10, 1, 1))
            .pixel(0, 0);
    QVERIFY2(face != kWhite, qPrintable(PixelText(face)));

    QVERIFY2(HandOver(&error), qPrintable(error));
    QVERIFY2(Command(kCut, &error), qPrintable(error));
    QVERIFY2(offer_.WaitUntilTakenOver(), "the editor did not take the clipboard over");
    QImage shown;
    error = WaitForScreen(
        screen_.picture,
        [&](const QImage& p) {
            const int others = NotOfColour(p, face);
            return others == 0 ? QString()
                               : QStringLiteral("%1 pixels are not the button face %2")
                                     .arg(others)
                                     .arg(PixelText(face));
        },
        &shown);
    if (!error.isEmpty())
        SaveForInspection(shown, QStringLiteral("cut"));
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QByteArray png;
    QVERIFY2(ReadClipboard(QStringLiteral("image/png"), &png, &error), qPrintable(error));
    QCOMPARE(ImageDifference(QImage::fromData(png, "PNG"), before), QString());
    QVERIFY2(editor_.Running(), qPrintable(editor_.ExitReport()));
}

bool SystemClipboard::NewPicture(int width, int height, QString* error) {
    // Waits until the editor shows so many other windows, none where gone was: a menu closes as
    // a dialog opens.
    QList<QRect> others;
    const auto showing = [&](int count, QRect gone) {
        QElapsedTimer clock;
        clock.start();
        while (OtherWindows(&others, error) && (others.size() != count || others.contains(gone))) {
            if (clock.elapsed() > kScreenTimeoutMs) {
                *error = QStringLiteral("the editor shows %1 other windows, not %2")
                             .arg(others.size())
                             .arg(count);
                return false;
            }
            QThread::msleep(kPollIntervalMs);
        }
        return error->isEmpty();
    };
    if (!MovePointer(menuBar_, error) || !Xdotool({"click", "1"}, nullptr, error) ||
        !showing(1, QRect()))
        return false;
    // The file menu opened with a click has no item selected: one step down selects "Новый". Its
    // dialog opens with the width selected and takes the keys once it has the focus; a tab
    // selects the height.
    const QString size = QStringLiteral("%1\t%2").arg(width).arg(height);
    return Xdotool({"key", "Down", "Return"}, nullptr, error) && showing(1, others.first()) &&
           Xdotool({"sleep", "0.5", "type", size}, nullptr, error) &&
           Xdotool({"key", "Return"}, nullptr, error) && showing(0, QRect());
}

// The last test: the picture stays large.
void SystemClipboard::aLargeCopyReachesAnotherProgramWhole() {
    QString error;
    QVERIFY2(NewPicture(6000, 4500, &error), qPrintable(error));
    const QImage noise = NoiseImage(300, 200, 15);
    QVERIFY2(offer_.Start(QStringLiteral("image/png"), Encoded(noise, "PNG"), &error),
             qPrintable(error));
    QVERIFY2(Command(kPaste, &error), qPrintable(error));

    QImage copied;
    QVERIFY2(CopyAndRead(&copied, &error), qPrintable(error));
    QCOMPARE(copied.size(), QSize(6000, 4500));
    QImage expected(copied.size(), QImage::Format_RGB32);
    expected.fill(copied.pixel(5999, 4499)); // the new picture's colour
    expected = Drawn(expected, noise);
    QCOMPARE(ImageDifference(copied, expected), QString());
    QByteArray bmp;
    QVERIFY2(ReadClipboard(QStringLiteral("image/bmp"), &bmp, &error), qPrintable(error));
    QCOMPARE(ImageDifference(QImage::fromData(bmp, "BMP"), expected), QString());
    QVERIFY2(editor_.Running(), qPrintable(editor_.ExitReport()));
}

// A drawing of few colours as large as the picture, as a file for the other program.
QImage LargeDrawing(const QString& file) {
    QImage drawing(6000, 4500, QImage::Format_RGB32);
    for (int y = 0; y < drawing.height(); ++y)
        for (int x = 0; x < drawing.width(); ++x)
            drawing.setPixel(x, y,
                             (x + y) % 8 == 0          ? qRgb(0, 0, 255 - x / 1000)
                             : (x / 500 + y / 500) % 2 ? kWhite
                                                       : qRgb(192, 192, 192));
    drawing.save(file, "PNG");
    return drawing;
}

// The picture is large now. A program that makes a BMP in 0.5 s and a PNG in 6 s, longer than Qt
// waits: the paste asks for the BMP alone, and gets the whole picture in about a second.
void SystemClipboard::aLargePasteFromASlowProgramComesAsBmp() {
    QString error;
    const QString file = QDir::temp().filePath(QStringLiteral("limnora-large-drawing.png"));
    const QImage drawing = LargeDrawing(file);
    QVERIFY2(StartOwner({QStringLiteral("serve"), file, QStringLiteral("image/bmp=500"),
                         QStringLiteral("image/png=6000")},
                        &error),
             qPrintable(error));
    QVERIFY2(Command(kPaste, &error), qPrintable(error));
    // The drawing shows once the paste is over.
    QCOMPARE(WaitForPicture(drawing.copy(0, 0, kPictureWidth, kPictureHeight)), QString());
    const qint64 pasted = clock_.elapsed() - commandChosenMs_;
    QVERIFY2(pasted < 4000, qPrintable(QStringLiteral("the paste took %1 ms").arg(pasted)));
    QImage copied;
    QVERIFY2(CopyAndRead(&copied, &error), qPrintable(error));
    QCOMPARE(ImageDifference(copied, drawing), QString());
    QFile::remove(file);
}

QTEST_MAIN(SystemClipboard)
#include "tst_system_clipboard.moc"
