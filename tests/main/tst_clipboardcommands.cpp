#include "support/TestRunner.h"

#include <QTest>

class TestClipboardCommands : public QObject {
    Q_OBJECT
private slots:
    void notYetWritten() {}
};

LIMNORA_TEST_CLASS(TestClipboardCommands)
#include "tst_clipboardcommands.moc"
