#pragma once

// Fixed facts of the two simulated lines (modem, loop and firmware).

#include <array>

namespace quillon::sim {

struct RfiNotch
{
    int tone;
    double riseDb;
    double width;
};

struct LineProfile
{
    const char *name;
    bool adsl2plus;
    int dsTones;
    double dsAttenDb;
    double usAttenDb;
    double dsTopDb;       // SNR the loop loss is taken from
    double usTopDb;
    double usSlopeDb;     // per upstream tone
    double qlnFloor;      // dBm/Hz
    double dsMarginDb;    // at training
    double usMarginDb;
    int path;             // 0 fast, 1 interleaved
    double dsRs;          // framing and Reed-Solomon share of the line rate
    double usRs;
    int trainedMode;      // 3 G.dmt, 16 ADSL2+
    const char *vendorHex;
    const char *atucGhsVid;
    int dsPower;
    int usPower;
    const char *atmDriver;
    const char *dslHal;
    const char *datapump;
    const char *sarHal;
    const char *chipset;
    bool psdsAvailable;   // older drivers fail the ADSL1 PSD calls
    bool signedPower;     // 07.05 prints the powers with %d
    int showtimeCount;
    int failTrains;
    int hlinsc;
    int usActPsd;
    int dsActPsd;
    std::array<RfiNotch, 3> notches;
};

} // namespace quillon::sim
