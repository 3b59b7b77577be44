#include "support/TestRunner.h"

#include <QTest>

class TestClipboard : public QObject {
    Q_OBJECT
private slots:
    void notYetWritten() {}
};

LIMNORA_TEST_CLASS(TestClipboard)
#include "tst_clipboard.moc"
