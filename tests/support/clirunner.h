#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// zeptal32-cli as a process, with a settings folder of its own so that the user's stored port
// never counts. The test target defines ZEPTAL32_CLI as the tool's path.
struct CliRun {
    int code = -1; // -1: killed by a signal, crashed or still running after the time limit
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

class CliRunner {
  public:
    // `configHome` is made if missing (the toolkit falls back to the user's own settings
    // unless the folder exists).
    explicit CliRunner(QString configHome) : configHome_(std::move(configHome)) {
        QDir().mkpath(configHome_);
    }

    void start(QProcess& process, const QStringList& args) const {
        // Whatever the tool writes by mistake lands in the test's folder.
        process.setWorkingDirectory(configHome_);
        startCli(process, args, configHome_);
    }

    // `input` goes to the tool's stdin, which is closed after it.
    CliRun run(const QStringList& args, const QByteArray& input = {}) const {
        QProcess process;
        return finish(process, args, input);
    }

    CliRun finish(QProcess& process, const QStringList& args, const QByteArray& input = {}) const {
        start(process, args);
        process.write(input);
        process.closeWriteChannel();
        return wait(process);
    }

    static CliRun wait(QProcess& process, int ms = 240000) {
        CliRun r;
        if (!process.waitForFinished(ms) || process.exitStatus() != QProcess::NormalExit) return r;
        r.code = process.exitCode();
        r.out = QString::fromUtf8(process.readAllStandardOutput());
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }

    // Reads stderr until `text` has come; what came so far.
    static QString waitForError(QProcess& process, const QString& text, int ms = 60000) {
        process.setReadChannel(QProcess::StandardError);
        QString seen;
        while (!seen.contains(text) && process.waitForReadyRead(ms))
            seen += QString::fromUtf8(process.readAllStandardError());
        return seen;
    }

  private:
    QString configHome_;
};

inline CliRun runCli(const QStringList& args, const QString& configHome = {}) {
    QProcess process;
    startCli(process, args, configHome);
    return CliRunner::wait(process);
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
