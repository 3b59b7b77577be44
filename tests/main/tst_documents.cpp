#include "support/TestRunner.h"

#include <QTest>

class TestDocuments : public QObject {
    Q_OBJECT
private slots:
    void nothingYet() {}
};

LIMNORA_TEST_CLASS(TestDocuments)
#include "tst_documents.moc"
