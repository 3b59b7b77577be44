#include "support/TestRunner.h"

#include <QTest>

class TestFragmentBuffer : public QObject {
    Q_OBJECT
private slots:
    void notYetWritten() {}
};

LIMNORA_TEST_CLASS(TestFragmentBuffer)
#include "tst_imagebuf.moc"
