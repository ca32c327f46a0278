#pragma once
// Helpers for gauge memory data: hex text, two hex digits per byte, multi-byte numbers least
// significant byte first. Text that is not hex where a number is needed raises
// ConversionError (data/conversion_error.h); nothing here reads outside its argument.
#include <QString>
#include <QStringView>
#include <cstdint>

namespace zenu {

// Each hex digit (either case) as four binary digits, most significant first; other
// characters are skipped.
QString HexToBits(QStringView h);

// The eight flags of a two-digit status byte: flag 1 (index 0) is bit 7, flags 5 to 8 are
// bits 3 to 0. Throws unless h is exactly two hex digits.
QString StatusFlags(QStringView h);

// The digit pairs in reverse order read as one unsigned hexadecimal integer (up to eight
// bytes; more overflow).
int64_t HexLEToLong(QStringView h);

// The digit pairs reversed, then by kind: "F" the 32 bits as an IEEE single; "" a signed
// 16-bit integer; "D" / "S" the hexadecimal integer as a double / single.
double HexLEToNumber(QStringView h, QStringView kind = {});

// Each digit pair is a Windows-1252 character code; "00" pairs are skipped.
QString HexToText(QStringView h);

// The hexadecimal Windows-1252 code of each character (upper case, no leading zero),
// separated by single blanks.
QString TextToHexList(const QString& t);

// 32 binary digits (most significant first) as an IEEE 754 single.
float BitsToSingle(QStringView bits);

namespace hex {
// Value of one hex digit, or -1.
inline int digit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}
// Byte k (0-based) of hex text; throws ConversionError when it is missing or not hex.
uint8_t byteAt(QStringView h, qsizetype k);
// True when every character is a hex digit.
bool isHex(QStringView h);
// Decodes the digit pairs of h into out (h.size() / 2 bytes); false when a digit is not hex.
bool decodeBytes(QStringView h, uint8_t* out);
// Little-endian helpers on byte k onwards (fast paths of the decoders).
uint32_t le32At(QStringView h, qsizetype k);
float singleAt(QStringView h, qsizetype k);
inline uint32_t le32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}
}  // namespace hex

}  // namespace zenu
