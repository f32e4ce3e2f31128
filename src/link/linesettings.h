#pragma once

#include <QString>
#include <optional>

// A port settings text "speed,parity,databits,stopbits", e.g. "9600,n,8,2" or "19200,E,7,1.5".
struct LineSettings {
    int baud = 9600;
    char parity = 'n'; // n e o m s
    int dataBits = 8;
    QString stopBits = QStringLiteral("2"); // "1", "1.5" or "2"

    // Accepts the parity letter in either case; nullopt for anything malformed.
    static std::optional<LineSettings> parse(const QString& text);
    // With the parity letter in lower case.
    QString text() const;
};

// What the port settings dialog reads off a settings text, position by position from its end
// (stop bits "1.5" take two more characters). parityIndex: 0 Even, 1 Odd, 2 None, 3 Mark,
// 4 Space, -1 when the letter is none of these.
struct SettingsFields {
    QString speed;
    int parityIndex = -1;
    QString dataBits;
    QString stopBits;
};
SettingsFields splitSettingsFromEnd(const QString& settings);
