#include "tools/routersim/simmodem.h"
#include "tools/routersim/simprofile.h"

#include <QtMath>

#include <algorithm>
#include <array>

namespace quillon::sim {

namespace {

constexpr int kDsFirstTone = 33;
constexpr int kUsTones = 32;
constexpr int kUsFirstTone = 6;
constexpr int kPilotTone = 64;
constexpr double kSnrToWord = 85.04;
constexpr double kTargetMarginDb = 6.0;
constexpr double kCodingGainDb = 4.0;
constexpr double kGapDb = 9.75;
constexpr double kDbPerBit = 3.01;

// A long G.dmt line (about 4 km, interleaved) and a short ADSL2+ line (fast path).
const LineProfile kProfiles[] = {
    {.name = "adsl", .adsl2plus = false, .dsTones = 256, .dsAttenDb = 54.0, .usAttenDb = 31.0,
     .dsTopDb = 83.5, .usTopDb = 43.0, .usSlopeDb = 0.6, .qlnFloor = -139.0, .dsMarginDb = 7.0,
     .usMarginDb = 12.0, .path = 1, .dsRs = 0.92, .usRs = 0.80, .trainedMode = 3, .vendorHex = "414C4342",
     .atucGhsVid = "b5 00 41 4c 43 42 00 00", .dsPower = 19, .usPower = 12, .atmDriver = "7.03.01.00",
     .dslHal = "7.03.01.00", .datapump = "7.03.01.00", .sarHal = "01.07.2c", .chipset = "7300/7300A",
     .psdsAvailable = false, .signedPower = false, .showtimeCount = 2, .failTrains = 1, .hlinsc = 0,
     .usActPsd = 0, .dsActPsd = 0, .notches = {{{130, 4.0, 4.0}, {0, 0, 1}, {0, 0, 1}}}},
    {.name = "adsl2plus", .adsl2plus = true, .dsTones = 512, .dsAttenDb = 14.0, .usAttenDb = 7.0,
     .dsTopDb = 67.5, .usTopDb = 57.0, .usSlopeDb = 0.3, .qlnFloor = -141.0, .dsMarginDb = 9.0,
     .usMarginDb = 11.0, .path = 0, .dsRs = 0.94, .usRs = 0.85, .trainedMode = 16, .vendorHex = "4244434D",
     .atucGhsVid = "b5 00 42 44 43 4d 95 0f", .dsPower = 17, .usPower = 12, .atmDriver = "7.05.01.00",
     .dslHal = "7.05.01.00", .datapump = "7.05.00.00", .sarHal = "01.07.2c", .chipset = "Ohio250(7200/7100A2)",
     .psdsAvailable = true, .signedPower = true, .showtimeCount = 1, .failTrains = 0, .hlinsc = 17534,
     .usActPsd = -381, .dsActPsd = -404, .notches = {{{211, 12.0, 2.5}, {252, 10.0, 2.5}, {340, 8.0, 3.0}}}},
};

// Noise in [-1, 1] that depends only on (seed, tone, channel), so every file
// read gives the same table whatever was read before.
double hashNoise(quint32 seed, int tone, int channel)
{
    quint64 z = (quint64(seed) << 32) ^ (quint64(quint32(tone)) << 8) ^ quint64(quint32(channel));
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return double(z >> 11) / double(1ull << 52) - 1.0;
}

QByteArray fmt(const char *format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(1, 2);
QByteArray fmt(const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    const QString s = QString::vasprintf(format, ap);
    va_end(ap);
    return s.toLatin1();
}

// The kernel's %#x: "0x0" for zero, unlike glibc.
QByteArray kernelHex(quint32 v)
{
    return "0x" + QByteArray::number(v, 16);
}

} // namespace

SimModem::SimModem(const QString &profileName, quint32 seed)
    : m_profile(&kProfiles[0]), m_seed(seed)
{
    for (const LineProfile &p : kProfiles) {
        if (profileName.compare(QLatin1String(p.name), Qt::CaseInsensitive) == 0)
            m_profile = &p;
    }
    const LineProfile &p = *m_profile;

    m_dsSnr.resize(p.dsTones);
    m_qln.resize(p.dsTones);
    m_dsBits.resize(p.dsTones);
    int dsSum = 0;
    int dsLoaded = 0;
    for (int t = 0; t < p.dsTones; ++t) {
        double rise = 0;
        for (const RfiNotch &n : p.notches) {
            if (n.riseDb > 0)
                rise += n.riseDb * qExp(-qPow((t - n.tone) / n.width, 2));
        }
        m_qln[t] = p.qlnFloor + 1.2 * hashNoise(seed, t, 1) + rise;
        if (t < kDsFirstTone)
            continue;
        double snr = p.dsTopDb - p.dsAttenDb * qSqrt(t / 128.0) - (m_qln[t] - p.qlnFloor)
                     + 0.8 * hashNoise(seed, t, 2);
        if (t < kDsFirstTone + 5)
            snr -= (kDsFirstTone + 5 - t) * 3.5; // edge of the splitter's filter
        m_dsSnr[t] = std::clamp(snr, 0.0, 62.0);
        m_dsBits[t] = bitsFor(m_dsSnr[t], p.dsMarginDb, t, true);
        dsSum += m_dsBits[t];
        dsLoaded += m_dsBits[t] > 0;
    }
    m_dsRate = rateFor(dsSum, dsLoaded, true);

    m_usSnr.resize(kUsTones);
    m_usBits.resize(kUsTones);
    int usSum = 0;
    int usLoaded = 0;
    for (int t = kUsFirstTone; t < kUsTones; ++t) {
        const double snr = p.usTopDb - p.usSlopeDb * (t - kUsFirstTone) + 0.8 * hashNoise(seed, t, 3);
        m_usSnr[t] = std::clamp(snr, 0.0, 62.0);
        m_usBits[t] = bitsFor(m_usSnr[t], p.usMarginDb, t, false);
        usSum += m_usBits[t];
        usLoaded += m_usBits[t] > 0;
    }
    m_usRate = rateFor(usSum, usLoaded, false);
}

SimModem::~SimModem() = default;

bool SimModem::isAdsl2Plus() const
{
    return m_profile->adsl2plus;
}

int SimModem::bitsFor(double snrDb, double marginDb, int tone, bool downstream) const
{
    if (downstream && !m_profile->adsl2plus && tone == kPilotTone)
        return 0;
    const int bits = qFloor((snrDb - kGapDb - marginDb + kCodingGainDb) / kDbPerBit);
    if (bits < (m_profile->adsl2plus ? 1 : 2))
        return 0; // ADSL1 never loads a single bit
    return qMin(bits, 15);
}

int SimModem::rateFor(int bitSum, int loadedTones, bool downstream) const
{
    // 4000 DMT symbols a second, half a bit per tone to the trellis code.
    const double rs = downstream ? m_profile->dsRs : m_profile->usRs;
    const int kbps = qMax(0, qFloor(4.0 * (bitSum - loadedTones / 2.0) * rs));
    return m_profile->adsl2plus ? kbps : kbps / 32 * 32;
}

double SimModem::dsSnrNow(int tone, const ModemConditions &c) const
{
    if (tone < kDsFirstTone)
        return 0;
    const double rise = c.negativeMargin ? m_profile->dsMarginDb + 3.0 : c.noiseRiseDb;
    return qMax(0.0, m_dsSnr[tone] - rise);
}

double SimModem::usSnrNow(int tone, const ModemConditions &c) const
{
    if (tone < kUsFirstTone)
        return 0;
    const double rise = c.negativeMargin && m_profile->adsl2plus ? m_profile->usMarginDb + 3.0
                                                                 : c.noiseRiseDb / 2.0;
    return qMax(0.0, m_usSnr[tone] - rise);
}

double SimModem::dsMarginDb(const ModemConditions &c) const
{
    if (c.negativeMargin)
        return -3.0;
    return m_profile->dsMarginDb - c.noiseRiseDb;
}

double SimModem::usMarginDb(const ModemConditions &c) const
{
    if (c.negativeMargin && m_profile->adsl2plus)
        return -3.0;
    return m_profile->usMarginDb - c.noiseRiseDb / 2.0;
}

int SimModem::dsMaxAttainableKbps(const ModemConditions &c) const
{
    int sum = 0;
    int loaded = 0;
    for (int t = kDsFirstTone; t < m_profile->dsTones; ++t) {
        const int b = bitsFor(dsSnrNow(t, c), kTargetMarginDb, t, true);
        sum += b;
        loaded += b > 0;
    }
    const int rate = rateFor(sum, loaded, true);
    return m_profile->adsl2plus ? rate : qMax(rate, m_dsRate);
}

bool SimModem::hasFile(const QString &name) const
{
    static const char *const names[] = {"avsar_ver", "avsar_modem_stats", "avsar_dsl_modulation_schemes",
                                        "avsar_bit_allocation_table", "avsar_rxsnr0", "avsar_rxsnr1",
                                        "avsar_rxsnr2", "avsar_SNRpsds", "avsar_QLNpsds",
                                        "avsar_modem_training"};
    return std::any_of(std::begin(names), std::end(names),
                       [&](const char *n) { return name == QLatin1String(n); });
}

QByteArray SimModem::file(const QString &name, const ModemConditions &c) const
{
    if (name == QLatin1String("avsar_ver"))
        return version();
    if (name == QLatin1String("avsar_modem_stats"))
        return modemStats(c);
    if (name == QLatin1String("avsar_dsl_modulation_schemes"))
        return modulationSchemes(c);
    if (name == QLatin1String("avsar_bit_allocation_table"))
        return bitAllocation(c);
    if (name.startsWith(QLatin1String("avsar_rxsnr")) && name.size() == 12)
        return rxSnr(name.back().digitValue(), c);
    if (name == QLatin1String("avsar_SNRpsds"))
        return snrPsds(c);
    if (name == QLatin1String("avsar_QLNpsds"))
        return qlnPsds(c);
    if (name == QLatin1String("avsar_modem_training"))
        return training(c);
    return {};
}

QByteArray SimModem::version() const
{
    const LineProfile &p = *m_profile;
    return fmt("ATM Driver version:[%s]\nDSL HAL version: [%s]\nDSP Datapump version: [%s] Annex A\n"
               "SAR HAL version: [%s]\nPDSP Firmware version:[0.54]\nChipset ID: [%s]\n",
               p.atmDriver, p.dslHal, p.datapump, p.sarHal, p.chipset);
}

QByteArray SimModem::modulationSchemes(const ModemConditions &c) const
{
    struct Row
    {
        const char *name;
        quint32 code;
    };
    const quint32 gdmt = c.bitTMode ? 0x2 : 0x3;
    const quint32 t1413 = c.bitTMode ? 0x80 : 0x2;
    const quint32 multi = c.bitTMode ? 0xff : 0x1;
    const Row rows[] = {{"NO_MODE", 0x0}, {"ADSL_G.dmt", gdmt}, {"ADSL_G.lite", 0x4},
                        {"ADSL_G.dmt.bis", 0x8}, {"ADSL_G.dmt.bis_DELT", 0x9}, {"ADSL_2plus", 0x10},
                        {"ADSL_2plus_DELT", 0x11}, {"ADSL_re-adsl", 0x20}, {"ADSL_re-adsl_DELT", 0x21},
                        {"ADSL_ANSI_T1.413", t1413}, {"MULTI_MODE", multi}, {"ADSL_G.dmt.bis_AnxI", 0x0},
                        {"ADSL_G.dmt.bis_AnxJ", 0x0}, {"ADSL_G.dmt.bis_AnxM", 0x400},
                        {"ADSL_2plus_AnxI", 0x0}, {"ADSL_2plus_AnxJ", 0x0}, {"ADSL_2plus_AnxM", 0x2000},
                        {"G.shdsl", 0x0}, {"IDSL", 0x0}, {"HDSL", 0x0}, {"SDSL", 0x0}, {"VDSL", 0x0}};
    QByteArray out;
    for (const Row &r : rows)
        out += QByteArray(r.name) + "\t\t\t" + kernelHex(r.code) + '\n';
    return out;
}

QByteArray SimModem::bitAllocation(const ModemConditions &c) const
{
    QByteArray out = "\nAR7 DSL Modem US Bit Allocation:";
    if (c.showtimeSecs >= 0) {
        for (int t = 0; t < kUsTones; ++t) {
            if (t % 16 == 0)
                out += '\n';
            out += fmt("%02x ", m_usBits[t]);
        }
    }
    out += "\n\nAR7 DSL Modem DS Bit Allocation:\n";
    if (c.showtimeSecs >= 0) {
        for (int t = 0; t < m_profile->dsTones; ++t) {
            out += fmt("%02x ", m_dsBits[t]);
            if (t % 16 == 15)
                out += '\n';
        }
    }
    return out;
}

QByteArray SimModem::rxSnr(int bin, const ModemConditions &c) const
{
    QByteArray out = fmt("\nAR7 DSL Modem Rx SNR Per Bin for Bin%d :\n", bin);
    if (c.showtimeSecs < 0)
        return out;
    // Bins 0 and 2 come from two phases of one training buffer, bin 1 from another.
    const double offset = bin == 1 ? -0.3 : 0.0;
    for (int t = 0; t < m_profile->dsTones; ++t) {
        int word = 0;
        if (t >= kDsFirstTone && m_dsSnr[t] > 0) {
            const double snr = m_dsSnr[t] + offset + 0.3 * hashNoise(m_seed, t, 10 + bin);
            word = std::clamp(qRound(snr * kSnrToWord), 0, 0xFFFF);
        }
        out += fmt("%04x ", word);
        if (t % 16 == 15)
            out += '\n';
    }
    return out;
}

QByteArray SimModem::snrPsds(const ModemConditions &c) const
{
    QByteArray out = "\nAR7 SNRpsds:";
    if (!m_profile->psdsAvailable || c.showtimeSecs < 0)
        return out; // the driver call failed: no line end at all
    for (int t = 0; t < m_profile->dsTones; ++t) {
        if (t % 16 == 0)
            out += '\n';
        const int code = t < kDsFirstTone ? 255 : std::clamp(qRound((dsSnrNow(t, c) + 32.0) * 2.0), 0, 254);
        out += QByteArray::number(code) + ' ';
    }
    return out + '\n';
}

QByteArray SimModem::qlnPsds(const ModemConditions &c) const
{
    QByteArray out = "\nAR7 QLNpsds:";
    if (!m_profile->psdsAvailable || c.showtimeSecs < 0)
        return out;
    for (int t = 0; t < m_profile->dsTones; ++t) {
        if (t % 16 == 0)
            out += '\n';
        const int code = t < kDsFirstTone ? 255 : std::clamp(qRound((-23.0 - m_qln[t]) * 2.0), 0, 254);
        out += QByteArray::number(code) + ' ';
    }
    return out + '\n';
}

QByteArray SimModem::training(const ModemConditions &c) const
{
    if (c.showtimeSecs < 0)
        return "INIT\n1\nfailTrains=0\n";
    return fmt("SHOWTIME\n1\nfailTrains=%d\n", m_profile->failTrains);
}

} // namespace quillon::sim
