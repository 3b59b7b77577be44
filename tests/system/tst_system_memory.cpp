// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The real editor in a memory control group of its own, its limit set just above what it uses,
// as on a small school computer: what would not fit is refused with a message, and the editor
// lives on with its picture. Needs a control group to make (as root): skipped otherwise.
#include "SystemSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace systemtest;

namespace {

// A memory control group for the editor: cgroup v2 where its root hands the memory controller
// down, else v1 under this process's own memory group.
class MemoryGroup {
public:
    ~MemoryGroup() {
        for (int i = 0; i < 50 && !path_.isEmpty() && !QDir().rmdir(path_); ++i)
            QThread::msleep(100); // until the killed editor has left it
    }
    bool Create() {
        const QString name =
            QStringLiteral("/limnora-test-%1").arg(QCoreApplication::applicationPid());
        QStringList places;
        for (const QString& root :
             {QStringLiteral("/sys/fs/cgroup"), QStringLiteral("/sys/fs/cgroup/unified")})
            if (FileBytes(root + QStringLiteral("/cgroup.subtree_control")).contains("memory"))
                places << root + name;
        for (const QString& line :
             QString::fromLatin1(FileBytes(QStringLiteral("/proc/self/cgroup"))).split('\n'))
            if (line.contains(QLatin1String(":memory:")))
                places << QStringLiteral("/sys/fs/cgroup/memory") + line.section(':', 2) + name;
        for (const QString& place : places) {
            if (QDir().mkdir(place)) {
                path_ = place;
                v2_ = !place.startsWith(QLatin1String("/sys/fs/cgroup/memory/"));
                return true;
            }
        }
        return false;
    }
    bool Add(qint64 pid) {
        return PutFile(path_ + QStringLiteral("/cgroup.procs"), QByteArray::number(pid));
    }
    qint64 Used() const {
        return FileBytes(path_ + (v2_ ? QStringLiteral("/memory.current")
                                      : QStringLiteral("/memory.usage_in_bytes")))
            .trimmed()
            .toLongLong();
    }
    // The limit: what the editor uses now and `more`.
    bool Allow(qint64 more) {
        return PutFile(path_ + (v2_ ? QStringLiteral("/memory.max")
                                    : QStringLiteral("/memory.limit_in_bytes")),
                       QByteArray::number(Used() + more));
    }

private:
    QString path_;
    bool v2_ = false;
};

} // namespace

class SystemMemory : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { editor_.Stop(); }
    void aProgressiveJpegThatDoesNotFitIsRefused();
    void wholePictureStepsBeyondTheLimitEndInTheSnapshotMessage();
    void aLargeCopyIsNotServedWhereMemoryIsShort();

private:
    // Keys to the editor, then waits until it shows `windows` windows besides the main one.
    bool Keys(const QStringList& keys, int windows, QString* error);
    // Whether an error box shows.
    static bool ErrorBox() {
        QString found, ignored; // a window that closes meanwhile makes the search fail
        Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--name"), QStringLiteral("^Ошибка")},
                &found, &ignored);
        return !found.trimmed().isEmpty();
    }
    // Waits for an error box and closes it with its button.
    bool CloseErrorBox(QString* error) {
        for (int waited = 0; waited < kScreenTimeoutMs; waited += kPollIntervalMs) {
            if (ErrorBox())
                return Keys({QStringLiteral("Return")}, 0, error);
            QThread::msleep(kPollIntervalMs);
        }
        *error = QStringLiteral("no error box showed");
        return false;
    }
    // A click on the menu bar's first menu, then keys.
    bool Menu(const QStringList& keys, int windows, QString* error) {
        const QPoint bar = screen_.window.topLeft() + QPoint(30, 9);
        return MovePointer(bar, error) &&
               Xdotool({QStringLiteral("click"), QStringLiteral("1")}, nullptr, error) &&
               Keys(keys, windows, error);
    }

    MemoryGroup group_;
    Editor editor_;
    EditorScreen screen_;
    QTemporaryDir folder_;
};

bool SystemMemory::Keys(const QStringList& keys, int windows, QString* error) {
    if (!keys.isEmpty() && !Xdotool(QStringList{QStringLiteral("key")} + keys, nullptr, error))
        return false;
    for (int waited = 0; waited < kScreenTimeoutMs; waited += kPollIntervalMs) {
        QString found;
        Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                 QString::number(editor_.Pid())},
                &found, error);
        if (found.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size() == windows + 1)
            return true;
        QThread::msleep(kPollIntervalMs);
    }
    *error = QStringLiteral("the editor does not show %1 other windows; it is %2")
                 .arg(windows)
                 .arg(editor_.ExitReport());
    return false;
}

void SystemMemory::initTestCase() {
    if (!group_.Create())
        QSKIP("no memory control group can be made here (it needs root and cgroups)");
    QString error;
    QVERIFY2(StartEditor(editor_, 1, &screen_, &error), qPrintable(error));
    QVERIFY(group_.Add(editor_.Pid()));
}

// 16384 x 16384, 4:2:0, progressive: 1 GiB of picture and 0.8 GiB of coefficients. The Open box
// shows, and the picture stays.
void SystemMemory::aProgressiveJpegThatDoesNotFitIsRefused() {
    QString error;
    const QString file = folder_.filePath(QStringLiteral("large.jpg"));
    QVERIFY(PutFile(file, QByteArray::fromHex("FFD8FFC20011084000400003012200021101031101"
                                              "FFDA000C03010002110311003F00") +
                              QByteArray(600000, '\x55')));
    const QImage before = GrabScreen(screen_.picture);
    QVERIFY(group_.Allow(600 << 20));
    QVERIFY2(
        Menu({QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Return")}, 1, &error),
        qPrintable(error)); // the open dialog
    QVERIFY2(Xdotool({QStringLiteral("type"), file}, nullptr, &error), qPrintable(error));
    QVERIFY2(Xdotool({QStringLiteral("key"), QStringLiteral("Return")}, nullptr, &error),
             qPrintable(error));
    QVERIFY2(CloseErrorBox(&error), qPrintable(error));
    QCOMPARE(ImageDifference(GrabScreen(screen_.picture), before), QString());
}

// Steps of 1500 x 1200 (7 MB each) with room for three and a half, and what file cache the
// kernel may drop: one snapshot is refused with its message, the shape is drawn all the same,
// and the editor goes on.
void SystemMemory::wholePictureStepsBeyondTheLimitEndInTheSnapshotMessage() {
    QString error;
    QVERIFY2(Menu({QStringLiteral("Down"), QStringLiteral("Return")}, 1, &error),
             qPrintable(error)); // the new-image dialog
    QVERIFY2(Xdotool({QStringLiteral("sleep"), QStringLiteral("0.5"), QStringLiteral("type"),
                      QStringLiteral("1500\t1200")},
                     nullptr, &error),
             qPrintable(error));
    QVERIFY2(Keys({QStringLiteral("Return")}, 0, &error), qPrintable(error));
    QVERIFY2(MovePointer(screen_.window.topLeft() + QPoint(49, 32), &error) &&
                 Xdotool({QStringLiteral("click"), QStringLiteral("1")}, nullptr, &error),
             qPrintable(error)); // drawing mode
    QVERIFY(group_.Allow((64 << 20) + 7 * 1500 * 1200 * 2));
    int boxes = 0;
    for (int step = 1; step <= 8; ++step) {
        QVERIFY2(Drag(screen_, {0, 0}, {{700, 500}, {1500, 1200}}, &error), qPrintable(error));
        QThread::msleep(500);
        if (ErrorBox()) {
            ++boxes;
            QVERIFY2(CloseErrorBox(&error), qPrintable(error));
        }
    }
    QCOMPARE(boxes, 1);
    // The last rectangle's corner, in its pen colour.
    QCOMPARE(PixelText(GrabScreen(screen_.picture).pixel(0, 0)), PixelText(qRgb(0, 0, 255)));
}

// A copy of 6000 x 4500 with a few megabytes to spare: other programs get nothing in any
// format, and the editor lives.
void SystemMemory::aLargeCopyIsNotServedWhereMemoryIsShort() {
    QString error;
    QVERIFY(group_.Allow(300 << 20)); // room for the picture
    QVERIFY2(Menu({QStringLiteral("Down"), QStringLiteral("Return")}, 1, &error),
             qPrintable(error));
    QVERIFY2(Xdotool({QStringLiteral("sleep"), QStringLiteral("0.5"), QStringLiteral("type"),
                      QStringLiteral("6000\t4500")},
                     nullptr, &error),
             qPrintable(error));
    QVERIFY2(Keys({QStringLiteral("Return")}, 0, &error), qPrintable(error));
    QVERIFY2(Menu({QStringLiteral("Right"), QStringLiteral("Right"), QStringLiteral("Down"),
                   QStringLiteral("Down"), QStringLiteral("Return")},
                  0, &error),
             qPrintable(error)); // "Копировать в DDE"
    QVERIFY(group_.Allow(70 << 20));
    for (const QString& target : {QStringLiteral("image/png"), QStringLiteral("image/bmp")}) {
        QByteArray got;
        Run(QStringLiteral("xclip"),
            {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o"),
             QStringLiteral("-t"), target},
            &got, &error);
        QVERIFY2(got.isEmpty(), qPrintable(target));
    }
    QVERIFY2(editor_.Running(), qPrintable(editor_.ExitReport()));
}

QTEST_MAIN(SystemMemory)
#include "tst_system_memory.moc"
