#include "base/inifile.h"
#include "fuzz/fuzzinput.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    IniFile ini = IniFile::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QStringList p = fuzz::parts(data, size);
    const QString section = p.value(0).left(16);
    const QString key = p.value(1).left(16);
    fuzz::require(ini.value(section, key).size() <= IniFile::MaxValueLength);
    // What is written is read back.
    if (ini.setValue(section, key, p.value(2).left(IniFile::MaxValueLength))) {
        const IniFile again = IniFile::parse(ini.toBytes());
        fuzz::require(again.contains(section, key));
    }
    return 0;
}
