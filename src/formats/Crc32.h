#pragma once

#include <QtGlobal>

#include <cstddef>

// zlib's crc32, the sum PNG chunks carry, several times faster on processors
// with carry-less multiplication.
quint32 Crc32(quint32 crc, const quint8 *data, std::size_t n);
