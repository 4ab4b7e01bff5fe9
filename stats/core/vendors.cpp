#include "stats/core/vendors.h"

#include "base/apppaths.h"
#include "base/misc.h"

#include <QRegularExpression>

namespace quillon {

VendorTable VendorTable::LoadVendors()
{
    return fromText(LoadAFile(AppPaths::shippedFile(QString::fromLatin1(VendorsFileName))));
}

VendorTable VendorTable::fromText(const QString &text)
{
    VendorTable table;
    // A lone LF or CR ends a line too: the file may have been edited anywhere.
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    const QStringList lines = text.split(lineEnd);
    for (const QString &line : lines) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QString code = Field(line, QStringLiteral("="), 1);
        const QString name = Field(line, QStringLiteral("="), 2);
        if (code.isEmpty() || name.isEmpty())
            continue;
        table.m_vendors.append({code, name});
    }
    return table;
}

QString VendorTable::FindVendor(const QString &code) const
{
    for (const Vendor &vendor : m_vendors) {
        if (vendor.Code.compare(code, Qt::CaseInsensitive) == 0)
            return vendor.Name;
    }
    return QStringLiteral("Unknown manufacturer (") + code + QLatin1Char(')');
}

} // namespace quillon
