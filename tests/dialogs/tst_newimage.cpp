#include "support/TestRunner.h"

#include <QTest>

class TestNewImageForm : public QObject {
    Q_OBJECT
private slots:
    void nothingYet() {}
};

LIMNORA_TEST_CLASS(TestNewImageForm)
#include "tst_newimage.moc"
