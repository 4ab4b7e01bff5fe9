// What the router's configuration is read from and written as: the feature
// description file, the words, the environment replies in both command sets,
// the threshold captions and the system log and its cumulative file.

#include "base/misc.h"
#include "base/safefile.h"
#include "config/core/dslfeatures.h"
#include "config/core/envreplies.h"
#include "config/core/systemlog.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <cerrno>

#include <unistd.h>

using namespace quillon;

namespace {

using Word = std::optional<quint32>;

EnvValue::State stateOf(const char *name)
{
    const QByteArray n(name);
    return n == "unset" ? EnvValue::State::Unset : n == "value" ? EnvValue::State::Value : EnvValue::State::Unknown;
}

} // namespace

Q_DECLARE_METATYPE(std::optional<quint32>)

class TestConfigParsers : public QObject
{
    Q_OBJECT

private slots:
    void featureFile()
    {
        const QString text = QStringLiteral(
            "header\r\n[dslfc0]ignored#0 ~No version@Long\r\nover lines@with at\r\n"
            "#5[5.1] ~Needs\r\n5.1@L5#40 ~Too high@x#x ~Not a number@y#31 ~Top@T#\r\n[/dslfc0]"
            "[dslfc1]#3 ~Three@3[/dslfc1][dslfc1]#4 ~Four@4[/dslfc1][dslpc0]no end tag");
        const FeatureBlocks blocks = ParseDSLFeatureInfo(text);
        const FeatureBlock &b0 = blocks[0];
        QVERIFY(b0.FeatureLoaded);
        QCOMPARE(b0.features.size(), 3);
        QCOMPARE(b0.features[0].LongDes, QStringLiteral("Long\r\nover lines@with at"));
        QCOMPARE(b0.features[1].ShortDes, QStringLiteral("Needs 5.1"));
        QCOMPARE(b0.features[1].DSPVersion, QStringLiteral("5.1"));
        QCOMPARE(b0.features[2].Bit, quint16(31));
        QCOMPARE(FeatureItemText(b0.features[2]), QStringLiteral("31: Top"));
        QCOMPARE(GetLongDes(b0, 5), QStringLiteral("L5"));
        QCOMPARE(GetLongDes(b0, 6), QString());
        // The first pair of tags counts.
        QCOMPARE(blocks[1].features.size(), 1);
        QCOMPARE(blocks[1].features[0].Bit, quint16(3));
        QVERIFY(!blocks[2].FeatureLoaded);

        // The DSP limit.
        QVERIFY(IsFeatureListed(b0.features[0], true, QStringLiteral("4.9")));
        QVERIFY(!IsFeatureListed(b0.features[1], true, QStringLiteral("4.9")));
        QVERIFY(IsFeatureListed(b0.features[1], true, QStringLiteral("5.1")));
        QVERIFY(IsFeatureListed(b0.features[1], false, QStringLiteral("4.9")));
    }

    // The shipped file lists every bit of every word once, in order.
    void shippedFeatureFile()
    {
        QFile file(test::sourcePath(QStringLiteral("resources/dslfeatures.txt")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const FeatureBlocks blocks = ParseDSLFeatureInfo(QString::fromLatin1(file.readAll()));
        for (const FeatureBlock &block : blocks) {
            QVERIFY(block.FeatureLoaded);
            QCOMPARE(block.features.size(), FeatureWordBits);
            for (int bit = 0; bit < FeatureWordBits; ++bit) {
                QCOMPARE(block.features[bit].Bit, quint16(bit));
                QVERIFY(!block.features[bit].ShortDes.isEmpty());
                QVERIFY(!block.features[bit].LongDes.isEmpty());
            }
        }
    }

    void words_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Word>("word");
        QTest::newRow("read") << QStringLiteral("0x00000021") << Word(0x21);
        QTest::newRow("bit 31") << QStringLiteral(" 0XFFFFFFFF ") << Word(0xFFFFFFFFu);
        QTest::newRow("short") << QStringLiteral("0x4") << Word(4);
        QTest::newRow("nine digits") << QStringLiteral("0x123456789") << Word();
        QTest::newRow("not hex") << QStringLiteral("0x0000ZZ00") << Word();
        QTest::newRow("no digits") << QStringLiteral("0x") << Word();
        QTest::newRow("decimal") << QStringLiteral("16384") << Word();
        QTest::newRow("error") << QStringLiteral("sh: getenv: not found") << Word();
        QTest::newRow("empty") << QString() << Word();
    }

    void words()
    {
        QFETCH(QString, text);
        QFETCH(Word, word);
        QCOMPARE(ParseFeatureWord(text), word);
        if (word)
            QCOMPARE(ParseFeatureWord(FormatFeatureWord(*word)), word);
    }

    void clipboardWords()
    {
        QCOMPARE(FindFeatureWord(QStringLiteral("DSL_FEATURE_CNTL_0\t0x00004000\r\n")), Word(0x4000));
        QCOMPARE(FindFeatureWord(QStringLiteral("see 0x12zz here")), Word());
        QCOMPARE(FindFeatureWord(QStringLiteral("nothing")), Word());
    }

    void dspVersion()
    {
        QCOMPARE(ExtractDSP(QStringLiteral("DSL HAL version: [7.03.01.00]\r\nDSP Datapump version: [7.03.01.00] Annex A")),
                 QStringLiteral("7.3"));
        QCOMPARE(ExtractDSP(QStringLiteral("dsp datapump version: [1.35.73.01]")), QStringLiteral("1.35"));
        QCOMPARE(ExtractDSP(QStringLiteral("ATM Driver version:[7.02.01.00]")), QString());
    }

    void envReplies_data()
    {
        QTest::addColumn<bool>("compat");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("value");
        QTest::newRow("getenv value") << false << QStringLiteral("12\r\n#") << "value" << "12";
        QTest::newRow("getenv unset, plain prompt") << false << QStringLiteral("#") << "unset" << "";
        QTest::newRow("cursor query after the prompt") << false << QStringLiteral("12\r\n# \x1b[6n") << "value" << "12";
        QTest::newRow("no getenv") << false << QStringLiteral("sh: getenv: not found") << "unknown" << "";
        QTest::newRow("env TAB") << true << QStringLiteral("margin_threshold\t12\r\n/var #") << "value" << "12";
        QTest::newRow("env blanks") << true << QStringLiteral("margin_threshold    12") << "value" << "12";
        QTest::newRow("longer name only") << true << QStringLiteral("margin_threshold_old\t30") << "unset" << "";
        QTest::newRow("longer name first") << true << QStringLiteral("margin_threshold_old\t30\r\nmargin_threshold\t14")
                                           << "value" << "14";
        QTest::newRow("value with blanks") << true << QStringLiteral("margin_threshold\t1 2") << "value" << "1 2";
        QTest::newRow("no env file") << true
                                     << QStringLiteral("cat: can't open '/proc/ticfg/env': No such file or directory")
                                     << "unknown" << "";
        QTest::newRow("env unset") << true << QString() << "unset" << "";
    }

    void envReplies()
    {
        QFETCH(bool, compat);
        QFETCH(QString, reply);
        QFETCH(QString, state);
        QFETCH(QString, value);
        const EnvValue v = ParseEnvReply(reply.split(QStringLiteral("\r\n")), QStringLiteral("margin_threshold"), compat);
        QCOMPARE(v.state, stateOf(state.toLatin1().constData()));
        if (v.state == EnvValue::State::Value)
            QCOMPARE(v.text, value);
    }

    void thresholdCaptions_data()
    {
        QTest::addColumn<QString>("retrain");
        QTest::addColumn<QString>("threshold");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("info");
        const QString below = QStringLiteral("Margin Retrain enabled. Router will retrain when margin drops below ");
        QTest::newRow("13 on") << "1" << "13" << below + "6.5 dB. Current SNR Margin = 9.5 dB" << "6.5 dB";
        QTest::newRow("out of range") << "1" << "40" << below + "20 dB. Current SNR Margin = 9.5 dB" << "20 dB";
        QTest::newRow("off") << "0" << "12" << "Margin Retrain disabled. Current SNR Margin = 9.5 dB" << "not set";
        QTest::newRow("unset") << "" << "" << "Margin Retrain disabled. Current SNR Margin = 9.5 dB" << "not set";
        QTest::newRow("retrain unknown") << "?" << "12"
                                         << "Margin Retrain unknown (the router's reply was not a number). "
                                            "Current SNR Margin = 9.5 dB"
                                         << "unknown";
        QTest::newRow("threshold unknown") << "1" << "?"
                                           << "Margin Retrain enabled. The retrain threshold is unknown (the router's "
                                              "reply was not a number). Current SNR Margin = 9.5 dB"
                                           << "unknown";
    }

    void thresholdCaptions()
    {
        QFETCH(QString, retrain);
        QFETCH(QString, threshold);
        QFETCH(QString, caption);
        QFETCH(QString, info);
        const auto env = [](const QString &text) {
            return text.isEmpty() ? EnvValue{EnvValue::State::Unset, {}}
                   : text == QLatin1String("?") ? EnvValue{EnvValue::State::Value, QStringLiteral("getenv")}
                                                : EnvValue{EnvValue::State::Value, text};
        };
        ThresholdReading reading;
        reading.retrain = env(retrain);
        reading.threshold = env(threshold);
        QCOMPARE(CurrentThresholdText(reading, QStringLiteral("9.5 dB")), caption);
        QCOMPARE(ThresholdInfoLine(reading), QStringLiteral("SNR Margin Threshold: ") + info);
    }

    void systemLogText()
    {
        const QString reply = QStringLiteral(
            "Jan  1 00:00:09 cm_monitor:\tMonitor Starting\r\n\r\n  Jan  1 00:00:10 cfgmgr(logger): LOG BUFFER IS CLEARED!\r\n"
            "Jan  1 00:00:11 cfgmgr(sar): DSL #2 Carrier is up\r\ncat: no_where: No such file or directory\r\n# ");
        QCOMPARE(CleanSystemLog(reply), QStringLiteral("Jan  1 00:00:09 cm_monitor: Monitor Starting\r\n"
                                                       "Jan  1 00:00:11 cfgmgr(sar): DSL #2 Carrier is up"));
        // A reply without the marker line still loses a prompt-only last line.
        QCOMPARE(CleanSystemLog(QStringLiteral("a\r\nb\r\n/var #")), QStringLiteral("a\r\nb"));
        QCOMPARE(CleanSystemLog(QStringLiteral("#")), QString());
    }

    void mergeLog_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("contents");
        QTest::addColumn<int>("added");
        QTest::newRow("no file") << QString() << "a\r\nb" << "a\r\nb" << 2;
        QTest::newRow("all stored") << "a\r\nB\r\n" << "A\r\nb" << "a\r\nB\r\n" << 0;
        QTest::newRow("two stored, third new") << "x\r\na\r\nb\r\n" << "a\r\nb\r\nc\r\na" << "x\r\na\r\nb\r\n\r\nc\r\na" << 2;
        QTest::newRow("empty file") << "" << "a" << "\r\na" << 1;
    }

    void mergeLog()
    {
        QFETCH(QString, stored);
        QFETCH(QString, log);
        QFETCH(QString, contents);
        QFETCH(int, added);
        const LogMerge merge = MergeSystemLog(stored, log);
        QCOMPARE(merge.contents, contents);
        QCOMPARE(merge.added, added);
    }

    void saveLog()
    {
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("sys-log.txt"));
        QCOMPARE(SaveSystemLog(QString(), path).status, QStringLiteral("No system log to save."));
        LogSave saved = SaveSystemLog(QStringLiteral("a\r\nb"), path);
        QVERIFY(saved.saved);
        QCOMPARE(saved.status, QStringLiteral("System log saved, 2 line(s) added."));
        QCOMPARE(dir.read(QStringLiteral("sys-log.txt")), QByteArray("a\r\nb\r\n"));
        saved = SaveSystemLog(QStringLiteral("b\r\nc"), path);
        QCOMPARE(saved.status, QStringLiteral("System log saved, 1 line(s) added."));
        QCOMPARE(dir.read(QStringLiteral("sys-log.txt")), QByteArray("a\r\nb\r\n\r\nc\r\n"));
        QCOMPARE(SaveSystemLog(QStringLiteral("c"), path).status, QStringLiteral("No new lines to add to the system log file."));

        // A file that cannot be read is never replaced by the new lines alone.
        if (::geteuid() != 0) {
            QFile::setPermissions(path, QFileDevice::WriteOwner);
            saved = SaveSystemLog(QStringLiteral("d"), path);
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            QVERIFY(!saved.saved);
            QCOMPARE(dir.read(QStringLiteral("sys-log.txt")), QByteArray("a\r\nb\r\n\r\nc\r\n"));
        }
        {
            const ScopedWriteFault full(ScopedWriteFault::Step::Write, ENOSPC);
            saved = SaveSystemLog(QStringLiteral("d"), path);
            QVERIFY(!saved.saved);
            QVERIFY(saved.status.startsWith(QStringLiteral("Could not save system log. Cannot write")));
            QCOMPARE(dir.read(QStringLiteral("sys-log.txt")), QByteArray("a\r\nb\r\n\r\nc\r\n"));
        }
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("dir-log")));
        QVERIFY(!SaveSystemLog(QStringLiteral("d"), dir.file(QStringLiteral("dir-log"))).saved);
    }

    void logInterval()
    {
        QCOMPARE(LogIntervalMinsFor(QStringLiteral("0")), 1);
        QCOMPARE(LogIntervalMinsFor(QStringLiteral("abc")), 1);
        QCOMPARE(LogIntervalMinsFor(QStringLiteral("-5")), 1);
        QCOMPARE(LogIntervalMinsFor(QStringLiteral("90")), 90);
        QCOMPARE(LogIntervalMinsFor(QStringLiteral("1e9")), 10080);
        QCOMPARE(LogCountdownText(10080 * 60 - 1), QStringLiteral("167:59:59"));
        QCOMPARE(LogCountdownText(-3), QStringLiteral("00:00:00"));
    }
};

QTEST_GUILESS_MAIN(TestConfigParsers)
#include "tst_configparsers.moc"
