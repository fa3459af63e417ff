#pragma once

#include <QString>
#include <QTemporaryDir>

// A practice folder whose data.mdb holds 100,000 children with random Greek names, made once
// per run.
const QString &practiceFile();
QString practiceDirectory();
// A practice file of `rows` children like those above, made once per run; the million's is
// kept in the temporary folder for later runs.
QString practiceFileWith(int rows);
QTemporaryDir &workDirectory();

// A figure of /proc/self/status in megabytes: "VmRSS" now, "VmHWM" at the peak.
double processMegabytes(const char *key);
