#pragma once

// Runs the command-line tool (the test's target defines ZEPTAL32_CLI) and reads its trace.

#include <QFile>
#include <QProcess>
#include <QStringList>

struct CliRun {
    int code = -1; // -1: crashed or still running after four minutes
    QString out;
    QString err;
};

// With `configHome` the tool reads and writes a settings file of its own there.
inline void startCli(QProcess& process, const QStringList& args, const QString& configHome = {}) {
    if (!configHome.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        process.setProcessEnvironment(env);
    }
    process.start(QStringLiteral(ZEPTAL32_CLI), args);
}

inline CliRun runCli(const QStringList& args, const QString& configHome = {}) {
    QProcess process;
    startCli(process, args, configHome);
    CliRun r;
    if (!process.waitForFinished(240000) || process.exitStatus() != QProcess::NormalExit) return r;
    r.code = process.exitCode();
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

// The bytes of a trace's lines in one direction ('>' written, '<' received), e.g. from
// "  12 > 1B 26 |.&|".
inline QByteArray tracedBytes(const QString& tracePath, char direction = '>') {
    QFile traced(tracePath);
    QByteArray bytes;
    if (!traced.open(QIODevice::ReadOnly)) return bytes;
    for (const QByteArray& line : traced.readAll().split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.value(1) != QByteArray(1, direction)) continue;
        for (qsizetype i = 2; !words.value(i, "|").startsWith('|'); ++i)
            bytes.append(static_cast<char>(words[i].toInt(nullptr, 16)));
    }
    return bytes;
}
