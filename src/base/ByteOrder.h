#pragma once

#include <QByteArray>

// The low `bytes` bytes of v, lowest first, as the files written here store numbers.
inline void AppendLe(QByteArray &out, quint32 v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

inline void AppendLe16(QByteArray &out, int v)
{
    AppendLe(out, quint32(v), 2);
}
