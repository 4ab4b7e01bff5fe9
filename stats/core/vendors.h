#pragma once

#include <QList>
#include <QString>

namespace quillon {

inline constexpr char VendorsFileName[] = "vendors.txt";

// Four-character DSLAM vendor identifications and their makers.
class VendorTable final
{
public:
    struct Vendor
    {
        QString Code;
        QString Name;
    };

    // Reads "vendors.txt" (the program folder's copy, else the installed one);
    // missing or empty: no vendors.
    static VendorTable LoadVendors();
    static VendorTable fromText(const QString &text);

    // The maker, or "Unknown manufacturer (<code>)". Codes ignore case.
    QString FindVendor(const QString &code) const;
    const QList<Vendor> &vendors() const { return m_vendors; }

private:
    QList<Vendor> m_vendors;
};

} // namespace quillon
