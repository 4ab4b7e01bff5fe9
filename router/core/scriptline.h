#pragma once

// The text side of the telnet script language and of the router's replies:
// cutting script lines, quoted arguments, the echo search and log times.

#include <QString>

namespace quillon::script {

inline constexpr QLatin1StringView LineBreak{"\r\n"};
inline constexpr QLatin1StringView Host{"HOST"};
inline constexpr QLatin1StringView Wait{"WAIT"};
inline constexpr QLatin1StringView Send{"SEND"};
inline constexpr QLatin1StringView Stor{"STOR"};
inline constexpr QLatin1StringView Put{"PUT"};
inline constexpr QLatin1StringView Delay{"DELAY"};
inline constexpr QLatin1StringView Echo{"ECHO"};
inline constexpr QLatin1StringView Comment{"#"};
inline constexpr QLatin1StringView DefaultPort{"23"};
inline constexpr QLatin1StringView LoginIncorrect{"Login incorrect"};
inline constexpr QLatin1StringView PassiveReply{"227"};

// Tabs become blanks and blanks at both ends are dropped.
QString CleanLine(const QString &line);
// The first blank-separated field, upper case.
QString CommandWord(const QString &cleanLine);
// The text between the first and the last double quote, with \n (either case)
// turned into CR LF and \" into a double quote; empty without two quotes.
QString GetQuotedArgument(const QString &line);
// mm:ss:mmm with the hours dropped (65.25 -> "01:05:250").
QString FormatTime(double seconds);
// text with every CR LF pair removed.
QString WithoutLineBreaks(QString text);
// text with all leading and trailing CR LF pairs removed.
QString TrimLineBreaks(const QString &text);
QStringView TrimLineBreaks(QStringView text);

// Where a walk of the echo search stands, so that the search can resume when
// the buffer has only grown. Invalid whenever the buffer's start changes.
struct EchoScan
{
    bool valid{false};
    qsizetype i{1};
    qsizetype j{1};
    qsizetype matchStart{1}; // buffer position (1-based) where the current match began
    // Set by every walk: 1-based start of an echo still arriving at the
    // buffer's end, or 0 when the buffer does not end inside a partial echo.
    qsizetype partialFrom{0};
};

// 1-based count of buffer characters that end with the router's echo of the
// command, or a value past the buffer's length when the echo is not (yet)
// complete in it. A CR LF inside the echo stands for one command character
// (the router wrapped the line). With `scan`, a walk resumes where the last
// one over a shorter prefix of the same buffer stopped.
qsizetype GetStartOfReply(const QString &command, const QString &buffer, EchoScan *scan = nullptr);

} // namespace quillon::script
