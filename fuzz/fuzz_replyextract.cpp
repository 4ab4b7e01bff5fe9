#include "fuzz/fuzzinput.h"
#include "router/core/replybuffer.h"
#include "router/core/telnetcommands.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList p = fuzz::parts(data, size);
    const TelnetCommands table = TelnetCommands::ExplodeTelnetCommands(p);
    fuzz::require(table.records().size() == p.size());
    for (const QString &command : {QStringLiteral("cat"), QStringLiteral("cat /proc/uptime"), p.first().left(8)}) {
        table.GetTelnetResponse(command);
        const QString line = table.GetTelnetResponse(command, true);
        fuzz::require(!line.contains(QLatin1Char('\n')) && !line.contains(QLatin1Char('\r')));
        table.GetTelnetResponse(command, false, true, int(size % 5));
    }

    // The same text arriving in pieces after a command whose echo is removed.
    ReplyBuffer buffer;
    buffer.setCommand(p.first().left(40));
    buffer.setWaitText(p.value(1).left(8));
    for (qsizetype i = 1; i < p.size(); ++i) {
        buffer.append(p.at(i));
        buffer.containsWaitText();
        fuzz::require(buffer.size() >= 0);
    }
    RemoveMultipleBlocks(p.last(), QStringLiteral("\r\n"), true);
    RemoveMultipleBlocks(p.last(), QStringLiteral(" "), false);
    return 0;
}
