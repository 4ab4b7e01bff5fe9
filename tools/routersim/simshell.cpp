#include "tools/routersim/simshell.h"
#include "tools/routersim/routersim.h"
#include "tools/routersim/simsystem.h"

#include <QDir>

namespace quillon::sim {

namespace {

enum class TokenKind { Word, Op };

struct Token
{
    TokenKind kind{TokenKind::Word};
    QString text;
};

// ash's lexer, reduced: quotes, backslashes, comments and the operators the
// router's users type. "$" is not expanded.
QList<Token> lex(const QString &line)
{
    QList<Token> tokens;
    QString word;
    bool inWord = false;
    const auto endWord = [&] {
        if (inWord)
            tokens.append({TokenKind::Word, word});
        word.clear();
        inWord = false;
    };
    const qsizetype n = line.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = line[i];
        const auto next = [&](qsizetype k) { return i + k < n ? line[i + k] : QChar(); };
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            endWord();
        } else if (c == QLatin1Char('#') && !inWord) {
            break;
        } else if (c == QLatin1Char('\'')) {
            inWord = true;
            for (++i; i < n && line[i] != QLatin1Char('\''); ++i)
                word += line[i];
        } else if (c == QLatin1Char('"')) {
            inWord = true;
            for (++i; i < n && line[i] != QLatin1Char('"'); ++i) {
                if (line[i] == QLatin1Char('\\') && i + 1 < n && QStringLiteral("\"\\$`").contains(line[i + 1]))
                    ++i;
                word += line[i];
            }
        } else if (c == QLatin1Char('\\')) {
            inWord = true;
            if (i + 1 < n)
                word += line[++i];
        } else if (c == QLatin1Char('2') && !inWord && next(1) == QLatin1Char('>')) {
            endWord();
            if (next(2) == QLatin1Char('&') && next(3) == QLatin1Char('1')) {
                tokens.append({TokenKind::Op, QStringLiteral("2>&1")});
                i += 3;
            } else if (next(2) == QLatin1Char('>')) {
                tokens.append({TokenKind::Op, QStringLiteral("2>>")});
                i += 2;
            } else {
                tokens.append({TokenKind::Op, QStringLiteral("2>")});
                i += 1;
            }
        } else if (QStringLiteral(";|&><").contains(c)) {
            endWord();
            QString op(c);
            if ((c == QLatin1Char('|') || c == QLatin1Char('&') || c == QLatin1Char('>')) && next(1) == c) {
                op += c;
                ++i;
            }
            tokens.append({TokenKind::Op, op});
        } else {
            inWord = true;
            word += c;
        }
    }
    endWord();
    return tokens;
}

bool isRedirect(const QString &op)
{
    return op == QLatin1String(">") || op == QLatin1String(">>") || op == QLatin1String("2>")
           || op == QLatin1String("2>>") || op == QLatin1String("<");
}

QByteArray latin(const QString &s)
{
    return s.toLatin1();
}

} // namespace

SimShell::SimShell(SimSystem &system, const SimOptions &options)
    : m_system(system), m_options(options)
{
}

QStringList SimShell::splitWords(const QString &text)
{
    QStringList words;
    for (const Token &t : lex(text)) {
        if (t.kind == TokenKind::Word)
            words.append(t.text);
    }
    return words;
}

ShellResult SimShell::run(const QByteArray &line)
{
    ShellResult result;
    const QList<Token> tokens = lex(QString::fromLatin1(line));

    QList<Stage> pipeline{Stage{}};
    QString connector = QStringLiteral(";");
    int status = 0;
    qsizetype i = 0;
    const auto flush = [&](const QString &nextConnector) {
        const bool empty = pipeline.size() == 1 && pipeline[0].words.isEmpty() && pipeline[0].outFile.isEmpty();
        const bool run = connector == QLatin1String(";") || connector == QLatin1String("&")
                         || (connector == QLatin1String("&&") && status == 0)
                         || (connector == QLatin1String("||") && status != 0);
        if (!empty && run && !result.exit && !result.reboot)
            status = runPipeline(pipeline, result);
        pipeline = {Stage{}};
        connector = nextConnector;
    };
    for (; i < tokens.size(); ++i) {
        const Token &t = tokens[i];
        if (t.kind == TokenKind::Word) {
            pipeline.last().words.append(t.text);
        } else if (t.text == QLatin1String("|")) {
            pipeline.append(Stage{});
        } else if (t.text == QLatin1String("2>&1")) {
            pipeline.last().errToOut = true;
        } else if (isRedirect(t.text)) {
            // The target is the next word; without one ash reports a syntax error.
            if (i + 1 >= tokens.size() || tokens[i + 1].kind != TokenKind::Word) {
                result.output += "sh: syntax error: unexpected newline\n";
                return result;
            }
            const QString target = tokens[++i].text;
            if (t.text.startsWith(QLatin1Char('2')))
                pipeline.last().errToNull = target == QLatin1String("/dev/null");
            else if (t.text != QLatin1String("<")) {
                pipeline.last().outFile = target;
                pipeline.last().append = t.text == QLatin1String(">>");
            }
        } else {
            flush(t.text);
        }
    }
    flush(QStringLiteral(";"));
    return result;
}

int SimShell::runPipeline(const QList<Stage> &stages, ShellResult &result)
{
    QByteArray piped;
    bool hasInput = false;
    int status = 0;
    QByteArray discard;
    for (qsizetype k = 0; k < stages.size(); ++k) {
        const Stage &stage = stages[k];
        const bool last = k == stages.size() - 1;
        QByteArray stageOut;
        Context ctx;
        ctx.in = piped;
        ctx.hasInput = hasInput;
        ctx.out = (last && stage.outFile.isEmpty()) ? &result.output : &stageOut;
        ctx.err = stage.errToNull ? &discard : (stage.errToOut ? ctx.out : &result.output);
        runCommand(stage, ctx, result);
        status = ctx.status;
        if (!stage.outFile.isEmpty()) {
            QString reason;
            if (!m_system.writeFile(resolve(stage.outFile), stageOut, stage.append, reason)) {
                result.output += "sh: cannot create " + latin(stage.outFile) + ": " + latin(reason) + '\n';
                status = 1;
            }
            stageOut.clear();
        }
        piped = stageOut;
        hasInput = true;
        if (result.exit || result.reboot)
            break;
    }
    return status;
}

void SimShell::runCommand(const Stage &stage, Context &ctx, ShellResult &result)
{
    if (stage.words.isEmpty())
        return;
    const QString cmd = stage.words.first();
    const QStringList args = stage.words.mid(1);
    if (cmd == QLatin1String("cat")) {
        cat(args, ctx);
    } else if (cmd == QLatin1String("echo")) {
        QStringList words = args;
        bool newline = true;
        bool escapes = false;
        while (!words.isEmpty() && (words.first() == QLatin1String("-n") || words.first() == QLatin1String("-e"))) {
            newline = newline && words.first() != QLatin1String("-n");
            escapes = escapes || words.first() == QLatin1String("-e");
            words.removeFirst();
        }
        QString text = words.join(QLatin1Char(' '));
        if (escapes) {
            text.replace(QLatin1String("\\n"), QLatin1String("\n"));
            text.replace(QLatin1String("\\t"), QLatin1String("\t"));
            text.replace(QLatin1String("\\\\"), QLatin1String("\\"));
        }
        *ctx.out += latin(text) + (newline ? "\n" : "");
    } else if (cmd == QLatin1String("grep")) {
        grep(args, ctx);
    } else if (!m_options.envApplets && QStringList{QStringLiteral("getenv"), QStringLiteral("setenv"),
                                                    QStringLiteral("unsetenv")}.contains(cmd)) {
        *ctx.err += "sh: " + latin(cmd) + ": not found\n";
        ctx.status = 127;
    } else if (cmd == QLatin1String("getenv")) {
        if (args.isEmpty()) {
            *ctx.err += "Usage: getenv <name>\n";
            ctx.status = 1;
        } else if (m_system.hasEnv(args[0])) {
            *ctx.out += latin(m_system.env(args[0])) + '\n';
        } else {
            ctx.status = 1;
        }
    } else if (cmd == QLatin1String("setenv")) {
        if (args.size() < 2) {
            *ctx.err += "Usage: setenv <name> <value>\n";
            ctx.status = 1;
        } else {
            m_system.setEnv(args[0], args.mid(1).join(QLatin1Char(' ')));
        }
    } else if (cmd == QLatin1String("unsetenv")) {
        if (args.isEmpty()) {
            *ctx.err += "Usage: unsetenv <name>\n";
            ctx.status = 1;
        } else {
            m_system.unsetEnv(args[0]);
        }
    } else if (cmd == QLatin1String("cm_cli")) {
        cmCli(ctx);
    } else if (cmd == QLatin1String("reboot")) {
        result.reboot = true;
    } else if (cmd == QLatin1String("exit") || cmd == QLatin1String("logout")) {
        result.exit = true;
    } else if (cmd == QLatin1String("cd")) {
        const QString target = resolve(args.value(0, QStringLiteral("/var")));
        if (m_system.isDirectory(target)) {
            m_cwd = target;
        } else {
            *ctx.err += "sh: cd: can't cd to " + latin(args.value(0)) + '\n';
            ctx.status = 1;
        }
    } else if (cmd == QLatin1String("pwd")) {
        *ctx.out += latin(m_cwd) + '\n';
    } else if (cmd == QLatin1String("true") || cmd == QLatin1String(":")) {
        ctx.status = 0;
    } else if (cmd == QLatin1String("false")) {
        ctx.status = 1;
    } else if (cmd == QLatin1String("help")) {
        *ctx.out += "\nBuilt-in commands:\n-------------------\n\t. : break cd continue eval exec exit export "
                    "false getopts hash help jobs kill local pwd read readonly return set shift times trap true "
                    "type ulimit umask unalias unset wait\n\n";
    } else {
        *ctx.err += "sh: " + latin(cmd) + ": not found\n";
        ctx.status = 127;
    }
}

QByteArray SimShell::missingFile(const QString &name) const
{
    if (m_options.errorWithoutMarker)
        return "cat: No such file or directory\n";
    if (m_options.catErrorStyle == 1)
        return "cat: can't open '" + latin(name) + "': No such file or directory\n";
    return "cat: " + latin(name) + ": No such file or directory\n";
}

void SimShell::cat(const QStringList &args, Context &ctx)
{
    QStringList files;
    for (const QString &a : args) {
        if (a != QLatin1String("-u"))
            files.append(a);
    }
    if (files.isEmpty()) {
        *ctx.out += ctx.in;
        return;
    }
    for (const QString &f : files) {
        if (f == QLatin1String("-")) {
            *ctx.out += ctx.in;
            continue;
        }
        const QString path = resolve(f);
        QByteArray data;
        if (m_system.isDirectory(path)) {
            *ctx.err += "cat: " + latin(f) + ": Is a directory\n";
            ctx.status = 1;
        } else if (m_system.readFile(path, data)) {
            *ctx.out += data;
        } else {
            *ctx.err += missingFile(f);
            ctx.status = 1;
        }
    }
}

void SimShell::grep(const QStringList &args, Context &ctx)
{
    bool ignoreCase = false;
    bool invert = false;
    bool count = false;
    bool quiet = false;
    QStringList rest;
    for (const QString &a : args) {
        if (a.startsWith(QLatin1Char('-')) && a.size() > 1 && rest.isEmpty()) {
            ignoreCase = ignoreCase || a.contains(QLatin1Char('i'));
            invert = invert || a.contains(QLatin1Char('v'));
            count = count || a.contains(QLatin1Char('c'));
            quiet = quiet || a.contains(QLatin1Char('q'));
        } else {
            rest.append(a);
        }
    }
    if (rest.isEmpty()) {
        *ctx.err += "Usage: grep [-ivcq] PATTERN [FILEs...]\n";
        ctx.status = 2;
        return;
    }
    QString pattern = rest.takeFirst();
    const bool atStart = pattern.startsWith(QLatin1Char('^'));
    const bool atEnd = pattern.endsWith(QLatin1Char('$')) && pattern.size() > 1;
    if (atStart)
        pattern.remove(0, 1);
    if (atEnd)
        pattern.chop(1);
    const Qt::CaseSensitivity cs = ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;

    QList<QPair<QString, QByteArray>> inputs;
    if (rest.isEmpty()) {
        inputs.append({QString(), ctx.in});
    } else {
        for (const QString &f : rest) {
            QByteArray data;
            if (m_system.readFile(resolve(f), data))
                inputs.append({f, data});
            else
                *ctx.err += "grep: " + latin(f) + ": No such file or directory\n";
        }
    }
    int matches = 0;
    for (const auto &input : inputs) {
        QList<QByteArray> lines = input.second.split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        for (const QByteArray &raw : lines) {
            const QString line = QString::fromLatin1(raw);
            bool hit = atStart && atEnd ? line.compare(pattern, cs) == 0
                       : atStart       ? line.startsWith(pattern, cs)
                       : atEnd         ? line.endsWith(pattern, cs)
                                       : line.contains(pattern, cs);
            if (hit == invert)
                continue;
            ++matches;
            if (!count && !quiet)
                *ctx.out += (rest.size() > 1 ? latin(input.first) + ':' : QByteArray()) + raw + '\n';
        }
    }
    if (count && !quiet)
        *ctx.out += QByteArray::number(matches) + '\n';
    ctx.status = matches > 0 ? 0 : 1;
}

// The configuration manager's command client: "module:path" queries, and
// "begin;...;end" transactions of commands.
void SimShell::cmCli(Context &ctx)
{
    if (!ctx.hasInput)
        return;
    for (const QByteArray &raw : ctx.in.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line == "logger:status/log") {
            *ctx.out += m_system.logText();
            continue;
        }
        for (const QByteArray &part : line.split(';')) {
            if (part.trimmed() == "logger:command/logclear")
                m_system.clearLog();
        }
    }
}

QString SimShell::resolve(const QString &path) const
{
    if (path.isEmpty())
        return m_cwd;
    const QString full = path.startsWith(QLatin1Char('/')) ? path : m_cwd + QLatin1Char('/') + path;
    return QDir::cleanPath(full);
}

} // namespace quillon::sim
