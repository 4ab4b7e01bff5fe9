#include "tools/routersim/simmodem.h"
#include "tools/routersim/simprofile.h"

#include <QtMath>

namespace quillon::sim {

namespace {

constexpr quint32 kNotSyncedMaxRate = 4294967264u;
constexpr double kSuperframesPerSec = 1000.0 / 17.0;
constexpr double kCellBytes = 53.0;
constexpr double kCellPayload = 48.0;

QByteArray fmt(const char *format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(1, 2);
QByteArray fmt(const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    const QString s = QString::vasprintf(format, ap);
    va_end(ap);
    return s.toLatin1();
}

// The driver's counters are 32-bit and wrap silently.
quint32 wrap32(double v)
{
    if (!(v > 0))
        return 0;
    return quint32(quint64(v) & 0xFFFFFFFFull);
}

// The default build keeps dB in a signed 0.5-dB register and prints it
// unsigned and halved, so -3 dB reads 2147483645.
QByteArray halfDbText(double db)
{
    const qint32 half = qint32(qFloor(db * 2.0 + 0.5));
    return QByteArray::number(quint32(half) / 2u);
}

// high_precision=1: tenths; the sign of -0.9..-0.1 is lost as in the driver.
QByteArray tenthDbText(double db, bool isSigned)
{
    const qint32 tenths = qint32(qFloor(db * 10.0 + 0.5));
    const qint32 whole = tenths / 10;
    const quint32 frac = quint32(qAbs(tenths % 10));
    if (!isSigned)
        return fmt("%u.%u", quint32(qMax(0, whole)), frac);
    return fmt("%d.%u", whole, frac);
}

struct PathErrors
{
    quint32 crc{0};
    quint32 fec{0};
    quint32 hec{0};
};

// Impulse noise: bursts of errors at random ten-minute slots of showtime,
// the same for every read of the same showtime, so the counters only grow.
constexpr double kBurstSlotSecs = 600.0;

quint32 mix(quint32 h)
{
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

struct Bursts
{
    double errors{0}; // code violations
    double seconds{0}; // errored seconds they cost
    double severe{0};
};

Bursts burstsUpTo(double showtimeSecs, quint32 seed)
{
    Bursts b;
    const qint64 slotCount = qint64(qMin(showtimeSecs / kBurstSlotSecs, 2e6));
    for (qint64 k = 0; k <= slotCount; ++k) {
        const quint32 h = mix(seed + quint32(k) * 0x9e3779b9u);
        if (h % 23 == 0) {
            b.errors += 40 + h % 400;
            b.seconds += 3 + h % 9;
            b.severe += 1 + h % 3;
        } else if (h % 4 == 0) {
            b.errors += 1 + h % 6;
            b.seconds += 1;
        }
    }
    return b;
}

QByteArray pathBlock(const char *title, const PathErrors &e)
{
    return fmt("\n\t[%s]\n\tCRC: \t%u\tFEC: \t%u\tNCD: \t0\n\tLCD: \t0\tHEC: \t%u\n", title, e.crc, e.fec, e.hec);
}

} // namespace

QByteArray SimModem::modemStats(const ModemConditions &c) const
{
    const LineProfile &p = *m_profile;
    const bool synced = c.showtimeSecs >= 0;
    const double up = synced ? c.showtimeSecs : 0.0;

    const int usRate = synced ? m_usRate : 0;
    const int dsRate = synced ? m_dsRate : 0;
    const double dsMargin = synced ? dsMarginDb(c) : 0.0;
    const double usMargin = synced ? usMarginDb(c) : 0.0;
    const double dsAtten = synced ? p.dsAttenDb : 0.0;
    // ADSL1 takes the upstream figures from narrow register fields.
    const double usAtten = synced ? (p.adsl2plus ? p.usAttenDb : qMin(p.usAttenDb, 31.0)) : 0.0;

    QByteArray dsAttText, dsMarginText, usAttText, usMarginText;
    if (c.highPrecision) {
        dsAttText = tenthDbText(dsAtten, false);
        usAttText = tenthDbText(usAtten, false);
        dsMarginText = tenthDbText(dsMargin, true);
        usMarginText = tenthDbText(usMargin, true);
    } else {
        dsAttText = QByteArray::number(qFloor(dsAtten));
        usAttText = QByteArray::number(qFloor(usAtten));
        dsMarginText = halfDbText(dsMargin);
        if (p.adsl2plus)
            usMarginText = QByteArray::number(quint32(qint32(qFloor(usMargin))));
        else
            usMarginText = QByteArray::number(qBound(0, qFloor(usMargin), 31));
    }

    // ATM cells: traffic fills some of each direction's cell rate, idle cells the rest.
    const double dsCellsAll = dsRate * 1000.0 / 8.0 / kCellBytes * up;
    const double usCellsAll = usRate * 1000.0 / 8.0 / kCellBytes * up;
    const double dsGood = synced ? c.rxBytes / 44.0 : 0.0;
    const double usGood = synced ? c.txBytes / 44.0 : 0.0;
    const double superframes = up * kSuperframesPerSec;

    PathErrors dsErr, usErr;
    Bursts bursts;
    if (synced) {
        bursts = burstsUpTo(up, c.errorSeed);
        // Interleaving corrects most of a burst; the fast path passes it on as CRC errors.
        const double corrected = p.path == 1 ? 0.8 : 0.2;
        dsErr = {wrap32(up / 2500.0 + bursts.errors * (1 - corrected)),
                 wrap32(up * (p.path == 1 ? 0.07 : 0.004) + bursts.errors * corrected * 30),
                 wrap32(up / 5000.0 + bursts.errors / 4)};
        usErr = {wrap32(up / 60000.0 + bursts.errors / 50), wrap32(up / 40000.0 + bursts.errors / 20),
                 wrap32(up / 120000.0)};
    }
    const PathErrors none;
    const quint32 erroredSecs = wrap32(up / 3500.0 + bursts.seconds);
    const quint32 severeSecs = wrap32(up / 105000.0 + bursts.severe);
    const int showtimeCount = (c.firstBoot ? p.showtimeCount : 1) + c.resyncs;

    const int trainedMode = !synced ? 0 : (p.trainedMode == 3 && c.bitTMode ? 2 : p.trainedMode);
    const quint32 dsMax = !synced ? kNotSyncedMaxRate : quint32(dsMaxAttainableKbps(c));

    QByteArray out = "\nAR7 DSL Modem Statistics:\n--------------------------------\n[DSL Modem Stats]\n";
    out += fmt("\tUS Connection Rate:\t%d\tDS Connection Rate:\t%d\n", usRate, dsRate);
    out += "\tDS Line Attenuation:\t" + dsAttText + "\tDS Margin:\t\t" + dsMarginText + '\n';
    out += "\tUS Line Attenuation:\t" + usAttText + "\tUS Margin:\t\t" + usMarginText + '\n';
    out += fmt("\tUS Payload :\t\t%u\tDS Payload:\t\t%u\n", wrap32(usGood * kCellPayload),
               wrap32(dsGood * kCellPayload));
    out += fmt("\tUS Superframe Cnt :\t%u\tDS Superframe Cnt:\t%u\n", wrap32(superframes + (synced ? 3 : 0)),
               wrap32(superframes));
    if (p.signedPower)
        out += fmt("\tUS Transmit Power :\t%d\tDS Transmit Power:\t%d\n", synced ? p.usPower : 0,
                   synced ? p.dsPower : 0);
    else
        out += fmt("\tUS Transmit Power :\t%u\tDS Transmit Power:\t%u\n", quint32(synced ? p.usPower : 0),
                   quint32(synced ? p.dsPower : 0));
    out += fmt("\tLOS errors:\t\t%u\tSEF errors:\t\t%u\n", quint32(synced && !p.adsl2plus),
               quint32(synced && !p.adsl2plus));
    out += fmt("\tErrored Seconds:\t%u\tSeverely Err Secs:\t%u\n", erroredSecs, severeSecs);
    const int frameMode = synced && !p.adsl2plus ? 3 : 0;
    out += fmt("\tFrame mode:\t\t%d\tMax Frame mode:\t\t%d\n", frameMode, frameMode);
    out += fmt("\tTrained Path:\t\t%d\tUS Peak Cell Rate:\t%d\n", synced ? p.path : 1, usRate * 1000 / 8 / 53);
    out += fmt("\tTrained Mode:\t\t%d\tSelected Mode:\t\t1\n", trainedMode);
    out += fmt("\tATUC Vendor Code:\t%s\tATUC Revision:\t%d\n", synced ? p.vendorHex : "FFFFFFFF", synced ? 1 : 0);
    out += fmt("\tHybrid Selected:\t%d\tTrellis:\t\t1\n", synced ? 1 : 0);
    out += fmt("\tShowtime Count:\t\t%d\tDS Max Attainable Bit Rate: %u kbps\n", synced ? showtimeCount : 0, dsMax);
    if (p.adsl2plus && synced) {
        int usSum = 0;
        int usLoaded = 0;
        for (int t = 0; t < m_usSnr.size(); ++t) {
            const int b = bitsFor(usSnrNow(t, c), 6.0, t, false);
            usSum += b;
            usLoaded += b > 0;
        }
        out += fmt("\tBitSwap:\t\t1\tUS Max Attainable Bit Rate: %u bps\n",
                   quint32(rateFor(usSum, usLoaded, false)) * 1000u);
    } else {
        out += "\tBitSwap:\t\t1\tUS Max Attainable Bit Rate:\tn/a\n";
    }
    out += fmt("\tAnnex: \t\t\t%s\tpsd_mask_qualifier: 0x0000\n", synced ? "AnxA" : "Unknown");
    out += fmt("\tPower Management Status: L0\tDS HLINSC: %d\n", synced ? p.hlinsc : 0);
    out += fmt("\tUS ACTPSD: \t\t%d\tDS ACTPSD: %d\n", synced ? p.usActPsd : 0, synced ? p.dsActPsd : 0);
    out += fmt("\tTotal init. errors: \t0\tTotal init. timeouts: %d\n", p.failTrains);
    out += "\tShowtime init. errors: \t0\tShowtime init. timeouts: 0\n";
    out += "\tLast showtime init. errors: 0\tLast showtime init. timeouts: 0\n";
    out += fmt("\tATUC ghsVid:  %s\n", synced ? p.atucGhsVid : "91 9b 82 92 f0 e0 16 1c");
    out += "\tT1413Vid: 00 00\t\tT1413Rev: 00\t\tVendorRev: 00\n";
    out += "\tATUR ghsVid:  b5 00 54 53 54 43 00 00\n";
    out += "\tT1413Vid: 00 00\tT1413Rev: 00\tVendorRev: 00\n";
    out += pathBlock("Upstream (TX) Interleave path", p.path == 1 ? usErr : none);
    out += pathBlock("Downstream (RX) Interleave path", p.path == 1 ? dsErr : none);
    out += pathBlock("Upstream (TX) Fast path", p.path == 0 ? usErr : none);
    out += pathBlock("Downstream (RX) Fast path", p.path == 0 ? dsErr : none);
    out += "\n[ATM Stats]";
    out += fmt("\n\t[Upstream/TX]\n\tGood Cell Cnt:\t%u\n\tIdle Cell Cnt:\t%u\n\n", wrap32(usGood),
               wrap32(usCellsAll - usGood));
    out += "\tTx Packets Dropped Count:\t0\n\tTx Bad Packets Count:\t0\n";
    out += fmt("\n\t[Downstream/RX)]\n\tGood Cell Cnt:\t%u\n\tIdle Cell Cnt:\t%u\n\tBad Hec Cell Cnt:\t%u\n",
               wrap32(dsGood), wrap32(dsCellsAll - dsGood), dsErr.hec);
    out += "\tOverflow Dropped Cell Cnt:\t0\n";
    out += fmt("\tRx Packets Dropped Count:\t%u\n\tRx Bad Packets Count:\t%u\n\n", dsErr.crc / 7, dsErr.crc / 25);
    out += "\n[SAR AAL5 Stats]\n";
    out += fmt("\tTx PDU's:\t%u\n\tRx PDU's:\t%u\n", wrap32(double(c.txPackets)), wrap32(double(c.rxPackets)));
    out += fmt("\tTx Total Bytes:\t%u\n\tRx Total Bytes:\t%u\n", wrap32(c.txBytes + 8.0 * c.txPackets),
               wrap32(c.rxBytes + 8.0 * c.rxPackets));
    out += fmt("\tTx Total Error Counts:\t0\n\tRx Total Error Counts:\t%u\n\n", dsErr.crc / 25);
    out += "\n[OAM Stats]\n\tNear End F5 Loop Back Count:\t0\n\tNear End F4 Loop Back Count:\t0\n"
           "\tFar End F5 Loop Back Count:\t0\n\tFar End F4 Loop Back Count:\t0\n"
           "\tSAR OAM Ping Response Drop Count=0\n";
    return out;
}

} // namespace quillon::sim
