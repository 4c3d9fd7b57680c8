#include "output/DesignText.h"

#include <QCoreApplication>

QString whyDesignTextIsTooLarge(qint64 bytes)
{
    if (bytes <= kLargestDesignText)
        return {};
    constexpr double kMebibyte = 1 << 20;
    return QCoreApplication::translate("DesignText",
                                       "The design is too large to be written so that it opens again: its text "
                                       "takes %1 MiB, more than the %2 MiB that a design may have.")
        .arg(QString::number(double(bytes) / kMebibyte, 'f', 2))
        .arg(kLargestDesignText >> 20);
}
