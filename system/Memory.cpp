// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "system/Memory.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <algorithm>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

constexpr std::int64_t kUnknown = -1;

// A file of /proc or /sys, read to its end (their sizes read as 0).
QByteArray ReadSmallFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The number after `key` in a file of "key value" lines (/proc/meminfo, memory.stat).
std::int64_t Field(const QByteArray& text, const QByteArray& key) {
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() >= 2 && words[0] == key) {
            bool ok = false;
            const std::int64_t value = words[1].toLongLong(&ok);
            return ok ? value : kUnknown;
        }
    }
    return kUnknown;
}

std::int64_t Number(const QString& file) {
    bool ok = false;
    const std::int64_t value = ReadSmallFile(file).trimmed().toLongLong(&ok);
    return ok ? value : kUnknown;
}

// Where the memory controller's files of this process's control group are, and which version
// they are of: from /proc/self/cgroup (the group's path) and /proc/self/mountinfo (where its
// hierarchy is mounted, and from which root).
struct Group {
    QString mount; // the hierarchy's mount point: the walk up stops there
    QString path;  // the process's group below it
    bool v2 = false;
};

bool FindGroup(Group* group) {
    QByteArray v2Path, v1Path;
    for (const QByteArray& line : ReadSmallFile(QStringLiteral("/proc/self/cgroup")).split('\n')) {
        const QList<QByteArray> parts = line.split(':');
        if (parts.size() < 3)
            continue;
        const QByteArray path = line.mid(parts[0].size() + parts[1].size() + 2);
        if (parts[0] == "0" && parts[1].isEmpty())
            v2Path = path;
        else if (parts[1].split(',').contains("memory"))
            v1Path = path;
    }
    for (const QByteArray& line :
         ReadSmallFile(QStringLiteral("/proc/self/mountinfo")).split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const int dash = static_cast<int>(fields.indexOf("-"));
        if (dash < 5 || dash + 3 >= fields.size())
            continue;
        const QByteArray& type = fields[dash + 1];
        // Where a v1 hierarchy has the memory controller, that one limits (the v2 hierarchy of a
        // hybrid system then has none).
        const bool v2 = type == "cgroup2" && v1Path.isEmpty() && !v2Path.isEmpty();
        const bool v1 =
            type == "cgroup" && !v1Path.isEmpty() && fields[dash + 3].split(',').contains("memory");
        if (!v2 && !v1)
            continue;
        const QByteArray& root = fields[3];
        QByteArray path = v2 ? v2Path : v1Path;
        if (root != "/" && path.startsWith(root))
            path = path.mid(root.size());
        group->mount = QString::fromLocal8Bit(fields[4]);
        group->path = QString::fromLocal8Bit(path);
        group->v2 = v2;
        return true;
    }
    return false;
}

// The least room under the limits of the group and of every group above it; kUnknown when none
// is limited.
std::int64_t GroupRoom() {
    Group group;
    if (!FindGroup(&group))
        return kUnknown;
    std::int64_t least = kUnknown;
    QString path = group.path;
    for (;;) {
        const QString folder = group.mount + path + QLatin1Char('/');
        const QByteArray limit =
            ReadSmallFile(folder + (group.v2 ? QStringLiteral("memory.max")
                                             : QStringLiteral("memory.limit_in_bytes")))
                .trimmed();
        bool limited = false;
        const std::int64_t max = limit.toLongLong(&limited);
        // v1 writes "no limit" as a number near 2^63.
        if (limited && max < (std::int64_t{1} << 60)) {
            const std::int64_t used =
                Number(folder + (group.v2 ? QStringLiteral("memory.current")
                                          : QStringLiteral("memory.usage_in_bytes")));
            const QByteArray stat = ReadSmallFile(folder + QStringLiteral("memory.stat"));
            const std::int64_t cache =
                Field(stat, group.v2 ? QByteArrayLiteral("inactive_file")
                                     : QByteArrayLiteral("total_inactive_file"));
            if (used >= 0) {
                const std::int64_t room = max - used + std::max<std::int64_t>(cache, 0);
                least = least < 0 ? room : std::min(least, room);
            }
        }
        if (path.isEmpty() || path == QLatin1String("/"))
            break;
        path.truncate(path.lastIndexOf(QLatin1Char('/')));
    }
    return least;
}

std::int64_t SystemAvailable() {
    const std::int64_t kb =
        Field(ReadSmallFile(QStringLiteral("/proc/meminfo")), QByteArrayLiteral("MemAvailable:"));
    return kb < 0 ? kUnknown : kb * 1024;
}

MemoryProbe& Probe() {
    static MemoryProbe probe;
    return probe;
}

} // namespace

std::int64_t AvailableMemory() {
    if (Probe())
        return Probe()();
    const std::int64_t system = SystemAvailable(), group = GroupRoom();
    if (system < 0 || group < 0)
        return std::max(system, group);
    return std::min(system, group);
}

bool MemoryFits(std::int64_t bytes) {
    if (bytes < kCheckedAllocation)
        return true;
    const std::int64_t available = AvailableMemory();
    return available < 0 || bytes <= available - kMemoryMargin;
}

EditorError OutOfMemory(std::int64_t width, std::int64_t height) {
    return EditorError(
        QStringLiteral("Недостаточно памяти для изображения %1 x %2").arg(width).arg(height));
}

void RequireMemory(std::int64_t bytes, std::int64_t width, std::int64_t height) {
    if (!MemoryFits(bytes))
        throw OutOfMemory(width, height);
}

void ReturnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

void SetMemoryProbe(MemoryProbe probe) {
    Probe() = std::move(probe);
}
