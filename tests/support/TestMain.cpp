// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Runs every registered test class of a test program, under the editor's own application object
// (so that its general error report is in force), offscreen unless told otherwise.
#include "desktop/EditorApplication.h"
#include "support/TestRunner.h"

#include <QMetaMethod>
#include <QTest>
#include <vector>

namespace {

struct TestClass {
    const char* name;
    std::function<std::unique_ptr<QObject>()> make;
};

std::vector<TestClass>& Registry() {
    static std::vector<TestClass> classes;
    return classes;
}

// True when the command line names no test function, or one this class has. Options and their
// values are not names: an argument after an option that takes a value is skipped.
bool Selected(const QObject& test, const QStringList& arguments) {
    static const QStringList withValue{"-o",          "-maxwarnings", "-eventdelay", "-keydelay",
                                       "-mousedelay", "-seed",        "-platform"};
    bool namesFunctions = false;
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i].startsWith(QLatin1Char('-'))) {
            i += withValue.contains(arguments[i]);
            continue;
        }
        namesFunctions = true;
        const QByteArray name = arguments[i].section(QLatin1Char(':'), 0, 0).toLatin1();
        for (int m = 0; m < test.metaObject()->methodCount(); ++m)
            if (test.metaObject()->method(m).name() == name)
                return true;
    }
    return !namesFunctions;
}

} // namespace

int RegisterTestClass(const char* name, std::function<std::unique_ptr<QObject>()> make) {
    Registry().push_back({name, std::move(make)});
    return static_cast<int>(Registry().size());
}

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef LIMNORA_TEST_FORKS
    // The program reads pictures in forked children to measure their memory there. Qt 6.6 and
    // later convert large pictures in the threads of a pool of their own, which a child would
    // wait for in vain (it has none of them): this program converts on the calling thread.
    qputenv("QT_NO_GUI_THREADPOOL", "1");
#endif
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Qt 5's offscreen platform has no desktop theme: it takes 100 dots an inch and a 12-point
    // font, where Qt 6 offscreen, and either Qt on a desktop, starts from the theme's 9-point
    // "Sans Serif" at 96 dots an inch. The tests run on the desktop's defaults.
    const bool offscreen = qgetenv("QT_QPA_PLATFORM") == "offscreen";
    if (offscreen && qEnvironmentVariableIsEmpty("QT_FONT_DPI"))
        qputenv("QT_FONT_DPI", "96");
#endif
    EditorApplication application(argc, argv);
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    if (offscreen)
        QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
#endif
    // A class's name on the command line runs that class whole; other arguments go to Qt Test.
    QStringList arguments = QCoreApplication::arguments();
    QStringList classes;
    for (const TestClass& entry : Registry())
        if (arguments.removeAll(QString::fromLatin1(entry.name)) > 0)
            classes << QString::fromLatin1(entry.name);
    int failures = 0;
    for (const TestClass& entry : Registry()) {
        if (!classes.isEmpty() && !classes.contains(QString::fromLatin1(entry.name)))
            continue;
        std::unique_ptr<QObject> test = entry.make();
        if (Selected(*test, arguments))
            failures += QTest::qExec(test.get(), arguments);
    }
    return failures;
}
