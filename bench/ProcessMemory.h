#pragma once

// Resident memory of this process, now or at its peak, and the reset of the peak: Linux keeps
// both in /proc/self/status and lets a process clear the peak.

#include <QByteArray>
#include <QFile>

// The field of /proc/self/status ("VmRSS:" now, "VmHWM:" the peak), in megabytes.
inline double residentMegabytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

inline void resetPeakMemory()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}
