#pragma once

#include "base/misc.h"

#include <QString>

#include <array>

namespace quillon {

inline constexpr int InterfaceSlots = 4;
// The slots' labels, in the log, the records and the mini window.
inline constexpr std::array<const char *, InterfaceSlots> SlotLabels{"WAN", "LAN", "WLAN", "USB"};
inline constexpr std::array<const char *, InterfaceSlots> DefaultInterfaces{"ppp0", "eth0", "wlan0", "usb0"};

// Which slots and directions the history chart draws, and in which colours
// (red in the low byte).
struct GraphTicks
{
    std::array<bool, InterfaceSlots> rx{};
    std::array<bool, InterfaceSlots> tx{};
    std::array<quint32, InterfaceSlots> rxColour{RGB(128, 128, 255), RGB(0, 192, 192), RGB(0, 0, 255), RGB(64, 255, 64)};
    std::array<quint32, InterfaceSlots> txColour{RGB(230, 110, 30), RGB(255, 64, 64), RGB(255, 200, 67), RGB(255, 128, 255)};
};

// The bandwidth monitor's settings, as the texts the user gave.
struct BandwidthSettings
{
    std::array<QString, InterfaceSlots> ids{QStringLiteral("ppp0"), QStringLiteral("eth0"), QStringLiteral("wlan0"),
                                            QStringLiteral("usb0")};
    QString interval{QStringLiteral("60")}; // seconds between monitored readings
    QString maxRate;                        // fastest plausible interface rate, Mbit/s
    bool saveLog{true};                     // append each block to "bandwidth.txt"
    GraphTicks graphs;
};

} // namespace quillon
