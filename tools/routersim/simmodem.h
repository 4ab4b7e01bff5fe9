#pragma once

// The DSL line of the simulated router and the /proc/avalanche texts its
// driver prints. One SNR model per profile feeds every table, so bit loading,
// per-bin SNR, the power spectra, rates and margins agree with each other.

#include <QByteArray>
#include <QList>
#include <QString>

namespace quillon::sim {

struct LineProfile;

// What changes while the router runs, handed in by the system at each read.
struct ModemConditions
{
    double showtimeSecs{0};  // < 0: not trained yet; the error counters count from showtime
    int resyncs{0};          // retrains since boot
    bool firstBoot{true};    // the profile's history of retrains shows until the first reboot
    quint32 errorSeed{1};    // where this showtime's error bursts fall
    double noiseRiseDb{0};   // line noise above its level at training time
    bool negativeMargin{false};
    bool highPrecision{false}; // env high_precision=1: 0.1-dB texts
    bool bitTMode{false};      // env DSL_BIT_TMODE set: other mode codes
    quint64 rxBytes{0};        // WAN traffic, for the ATM and AAL5 counters
    quint64 txBytes{0};
    quint64 rxPackets{0};
    quint64 txPackets{0};
};

class SimModem final
{
public:
    SimModem(const QString &profileName, quint32 seed);
    ~SimModem();
    SimModem(const SimModem &) = delete;
    SimModem &operator=(const SimModem &) = delete;

    bool isAdsl2Plus() const;

    // Files by their name under /proc/avalanche; texts have LF line ends.
    bool hasFile(const QString &name) const;
    QByteArray file(const QString &name, const ModemConditions &c) const;

    QByteArray version() const;
    QByteArray modemStats(const ModemConditions &c) const;
    QByteArray modulationSchemes(const ModemConditions &c) const;
    QByteArray bitAllocation(const ModemConditions &c) const;
    QByteArray rxSnr(int bin, const ModemConditions &c) const;
    QByteArray snrPsds(const ModemConditions &c) const;
    QByteArray qlnPsds(const ModemConditions &c) const;
    QByteArray training(const ModemConditions &c) const;

    int dsMaxAttainableKbps(const ModemConditions &c) const;
    double dsMarginDb(const ModemConditions &c) const;
    double usMarginDb(const ModemConditions &c) const;

private:
    int bitsFor(double snrDb, double marginDb, int tone, bool downstream) const;
    int rateFor(int bitSum, int loadedTones, bool downstream) const;
    double dsSnrNow(int tone, const ModemConditions &c) const;
    double usSnrNow(int tone, const ModemConditions &c) const;

    const LineProfile *m_profile{nullptr};
    quint32 m_seed{1};
    QList<double> m_dsSnr;   // at training, dB; 0 outside the DS band
    QList<double> m_usSnr;
    QList<double> m_qln;     // dBm/Hz
    QList<int> m_dsBits;
    QList<int> m_usBits;
    int m_dsRate{0};
    int m_usRate{0};
};

} // namespace quillon::sim
