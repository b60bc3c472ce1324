#include <QtTest>
class TestPlaceholder : public QObject {
  Q_OBJECT
 private slots:
  void nothing() {}
};
QTEST_MAIN(TestPlaceholder)
#include "test_help.moc"
