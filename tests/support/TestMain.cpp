// Runs every registered test class of a test program, under the editor's own application object
// (so that its general error report is in force), offscreen unless told otherwise.
#include "platform/EditorApplication.h"
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

// True when the command line names no test function, or one this class has.
bool Selected(const QObject& test, int argc, char* argv[]) {
    bool namesFunctions = false;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-')
            continue;
        namesFunctions = true;
        const QByteArray name = QByteArray(argv[i]).split(':').first();
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
    EditorApplication application(argc, argv);
    int failures = 0;
    for (const TestClass& entry : Registry()) {
        std::unique_ptr<QObject> test = entry.make();
        if (Selected(*test, argc, argv))
            failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures;
}
