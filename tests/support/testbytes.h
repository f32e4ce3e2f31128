#pragma once

#include <QByteArray>
#include <initializer_list>

// Line bytes written as numbers: bytes({27, '&', 'V'}).
inline QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}
