#include "base/inifile.h"
#include "fuzz/fuzzinput.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    IniFile ini = IniFile::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QStringList p = fuzz::parts(data, size);
    // Line breaks in names are written as blanks.
    const auto name = [](QString text) {
        return text.left(16).replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    };
    const QString section = name(p.value(0));
    const QString key = name(p.value(1));
    fuzz::require(ini.value(section, key).size() <= IniFile::MaxValueLength);
    // What is written is read back.
    if (ini.setValue(section, key, p.value(2).left(IniFile::MaxValueLength))) {
        const IniFile again = IniFile::parse(ini.toBytes());
        fuzz::require(again.contains(section, key));
    }
    return 0;
}
