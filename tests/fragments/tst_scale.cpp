#include "support/TestRunner.h"

#include <QTest>

class TestImageScale : public QObject {
    Q_OBJECT
private slots:
    void notYetWritten() {}
};

LIMNORA_TEST_CLASS(TestImageScale)
#include "tst_scale.moc"
