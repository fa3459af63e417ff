#pragma once

#include <QString>
#include <QTemporaryDir>

// A practice folder whose data.mdb holds 100,000 children with random Greek names, made once
// per run.
const QString &practiceFile();
QString practiceDirectory();
QTemporaryDir &workDirectory();

// A figure of /proc/self/status in megabytes: "VmRSS" now, "VmHWM" at the peak.
double processMegabytes(const char *key);
