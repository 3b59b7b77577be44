#include "support/TestRunner.h"

#include <QTest>

class TestPictureFiles : public QObject {
    Q_OBJECT
private slots:
    void nothingYet() {}
};

LIMNORA_TEST_CLASS(TestPictureFiles)
#include "tst_picturefiles.moc"
