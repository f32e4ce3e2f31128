#pragma once

#include "clirunner.h"
#include "core/fileio.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>

// The files of a full recipe for a 40x4 terminal, written into `dir`, and the tool run as a
// process with a settings folder of its own.
namespace recipefiles {

inline const QByteArray kKeys = "ABCDEFGHIJKLMNOPQRSTUVWXYZ+-*/$%";
inline const QByteArray kEuro("\x02\x41\x1f\x11\x0a\x04\x0a\x11\x1f\x00", 10);   // place 2
inline const QByteArray kUmlaut("\x05\x5b\x11\x00\x11\x11\x11\x0e\x00\x00", 10); // place 5
inline const QByteArray kTexts = "Linie 3\r\nVariante B\r\n\r\n\r\nBitte warten\r\n";

inline bool write(const QString& path, const QByteArray& data) {
    return fileio::writeFile(path, data).isEmpty();
}

// With a recipe of them all, FULL.pultino, which also changes the speed.
inline bool writeAll(const QDir& dir) {
    return write(dir.filePath("LINIE3.TST"), kKeys) && write(dir.filePath("EURO.CHR"), kEuro) &&
           write(dir.filePath("AE.CHR"), kUmlaut) && write(dir.filePath("LINIE3.TXT"), kTexts) &&
           write(dir.filePath("FULL.pultino"),
                 "{ \"format\": 1, \"name\": \"Linie 3, Variante B\", \"display\": \"40x4\", "
                 "\"keyTable\": \"LINIE3.TST\", \"keyboardMode\": 5, \"characters\": "
                 "[\"EURO.CHR\", \"AE.CHR\"], \"texts\": \"LINIE3.TXT\", \"speed\": 4800 }");
}

// The tool with a settings folder of its own beside the recipe's files.
inline CliRun run(const QDir& dir, const QStringList& args) {
    return CliRunner(dir.filePath(QStringLiteral("config"))).run(args);
}

} // namespace recipefiles
