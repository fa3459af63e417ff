#include "fixture.h"

#include <QApplication>
#include <QTest>

QObject *newRoutinesTest();
QObject *newDialectTest();
QObject *newSchemaTest();
QObject *newDataSetTest();
QObject *newConnectionTest();
QObject *newKeysTest();
QObject *newGrowthTest();
QObject *newServerTest();

VELMORA_TEST_MAIN(newRoutinesTest(), newDialectTest(), newSchemaTest(), newDataSetTest(), newConnectionTest(), newKeysTest(),
                  newGrowthTest(), newServerTest())
