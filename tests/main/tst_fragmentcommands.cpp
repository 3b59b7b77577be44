#include "support/TestRunner.h"

#include <QTest>

class TestFragmentCommands : public QObject {
    Q_OBJECT
private slots:
    void notYetWritten() {}
};

LIMNORA_TEST_CLASS(TestFragmentCommands)
#include "tst_fragmentcommands.moc"
