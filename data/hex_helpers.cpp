#include "data/hex_helpers.h"

#include <bit>
#include <cstring>

#include "data/conversion_error.h"
#include "platform/cp1252.h"

namespace zenu {
namespace {

QString quoted(QStringView h) {
    constexpr qsizetype kShown = 40;
    QString text = h.left(kShown).toString();
    if (h.size() > kShown) text += QStringLiteral("...");
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// Digit pairs of h, last pair first; a single leftover digit counts as a pair of its own.
QByteArray reversedBytes(QStringView h, const char* what) {
    if (h.isEmpty()) throw ConversionError::typeMismatch(QString::fromLatin1(what) + QStringLiteral(": empty hex field"));
    QByteArray bytes;
    bytes.reserve((h.size() + 1) / 2);
    for (qsizetype i = 0; i < h.size(); i += 2) {
        int value = 0;
        for (qsizetype j = i; j < i + 2 && j < h.size(); ++j) {
            const int d = hex::digit(h[j]);
            if (d < 0) throw ConversionError::typeMismatch(QString::fromLatin1(what) + QStringLiteral(": ") + quoted(h) + QStringLiteral(" is not hex"));
            value = value * 16 + d;
        }
        bytes.prepend(static_cast<char>(value));
    }
    return bytes;
}

uint64_t bytesToUnsigned(const QByteArray& bytes) {
    uint64_t value = 0;
    for (char b : bytes) value = (value << 8) | static_cast<uint8_t>(b);
    return value;
}

}  // namespace

namespace hex {

uint8_t byteAt(QStringView h, qsizetype k) {
    const qsizetype i = 2 * k;
    if (k < 0 || i + 1 >= h.size()) throw ConversionError::typeMismatch(QStringLiteral("byte %1 is missing").arg(k));
    const int hi = digit(h[i]), lo = digit(h[i + 1]);
    if (hi < 0 || lo < 0)
        throw ConversionError::typeMismatch(QStringLiteral("byte %1 \"%2\" is not hex").arg(k).arg(h.mid(i, 2).toString()));
    return static_cast<uint8_t>(hi * 16 + lo);
}

bool decodeBytes(QStringView h, uint8_t* out) {
    const qsizetype n = h.size() / 2;
    for (qsizetype k = 0; k < n; ++k) {
        const int hi = digit(h[2 * k]), lo = digit(h[2 * k + 1]);
        if (hi < 0 || lo < 0) return false;
        out[k] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return true;
}

bool isHex(QStringView h) {
    for (QChar c : h)
        if (digit(c) < 0) return false;
    return true;
}

uint32_t le32At(QStringView h, qsizetype k) {
    return uint32_t(byteAt(h, k)) | uint32_t(byteAt(h, k + 1)) << 8 | uint32_t(byteAt(h, k + 2)) << 16 |
           uint32_t(byteAt(h, k + 3)) << 24;
}

float singleAt(QStringView h, qsizetype k) { return std::bit_cast<float>(le32At(h, k)); }

}  // namespace hex

QString HexToBits(QStringView h) {
    QString bits;
    bits.reserve(h.size() * 4);
    for (QChar c : h) {
        const int d = hex::digit(c);
        if (d < 0) continue;
        for (int b = 3; b >= 0; --b) bits += QLatin1Char((d >> b) & 1 ? '1' : '0');
    }
    return bits;
}

QString StatusFlags(QStringView h) {
    if (h.size() != 2 || !hex::isHex(h))
        throw ConversionError::typeMismatch(QStringLiteral("status byte ") + quoted(h) + QStringLiteral(" is not two hex digits"));
    return HexToBits(h);
}

int64_t HexLEToLong(QStringView h) {
    const QByteArray bytes = reversedBytes(h, "hex number");
    if (bytes.size() > 8) throw ConversionError::overflow(QStringLiteral("hex number ") + quoted(h) + QStringLiteral(" longer than 8 bytes"));
    const uint64_t value = bytesToUnsigned(bytes);
    if (value > uint64_t(INT64_MAX)) throw ConversionError::overflow(QStringLiteral("hex number ") + quoted(h));
    return static_cast<int64_t>(value);
}

double HexLEToNumber(QStringView h, QStringView kind) {
    const QByteArray bytes = reversedBytes(h, "hex number");
    if (kind == QLatin1String("F")) {
        if (bytes.size() != 4)
            throw ConversionError::typeMismatch(QStringLiteral("single ") + quoted(h) + QStringLiteral(" is not 4 bytes"));
        return std::bit_cast<float>(static_cast<uint32_t>(bytesToUnsigned(bytes)));
    }
    if (bytes.size() > 8) throw ConversionError::overflow(QStringLiteral("hex number ") + quoted(h) + QStringLiteral(" longer than 8 bytes"));
    const uint64_t value = bytesToUnsigned(bytes);
    if (kind.isEmpty()) {
        if (bytes.size() > 2) throw ConversionError::overflow(QStringLiteral("16-bit number ") + quoted(h));
        return static_cast<int16_t>(static_cast<uint16_t>(value));
    }
    if (kind == QLatin1String("D")) return static_cast<double>(value);
    if (kind == QLatin1String("S")) return static_cast<float>(value);
    throw ConversionError::invalidArgument(QStringLiteral("unknown number kind \"") + kind.toString() + QLatin1Char('"'));
}

QString HexToText(QStringView h) {
    QByteArray bytes;
    bytes.reserve(h.size() / 2);
    for (qsizetype i = 0; i < h.size(); i += 2) {
        int value = 0;
        for (qsizetype j = i; j < i + 2 && j < h.size(); ++j) {
            const int d = hex::digit(h[j]);
            if (d < 0) throw ConversionError::typeMismatch(QStringLiteral("text ") + quoted(h) + QStringLiteral(" is not hex"));
            value = value * 16 + d;
        }
        if (value != 0) bytes.append(static_cast<char>(value));
    }
    return platform::decodeCp1252(bytes);
}

QString TextToHexList(const QString& t) {
    const QByteArray bytes = platform::encodeCp1252(t);
    QString list;
    for (char b : bytes) {
        if (!list.isEmpty()) list += QLatin1Char(' ');
        list += QString::number(static_cast<uint8_t>(b), 16).toUpper();
    }
    return list;
}

float BitsToSingle(QStringView bits) {
    if (bits.size() != 32) throw ConversionError::typeMismatch(QStringLiteral("single needs 32 bits, not %1").arg(bits.size()));
    uint32_t value = 0;
    for (QChar c : bits) {
        if (c != QLatin1Char('0') && c != QLatin1Char('1'))
            throw ConversionError::typeMismatch(QStringLiteral("bits ") + quoted(bits) + QStringLiteral(" are not binary"));
        value = (value << 1) | (c == QLatin1Char('1') ? 1u : 0u);
    }
    return std::bit_cast<float>(value);
}

}  // namespace zenu
