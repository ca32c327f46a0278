#pragma once
// Cutting gauge replies into values. Pure functions: every one of them accepts any text and
// reports what it could not find instead of reading past the end.
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace zenu::replies {

// Index of the closing "!": the last character that is not white space, when it is "!".
// -1 when the reply has no closing "!".
int closingIndex(const QString& reply);

// Text after the first "?" up to the closing "!", or to the end when there is none.
// nullopt when the reply has no "?".
std::optional<QString> payloadAfterQuestion(const QString& reply);

// The first value (between the first "?" and the first blank) and the second value (between
// the first blank and the first "!"). nullopt when a mark is missing or out of order.
std::optional<QString> firstValue(const QString& reply);
std::optional<QString> secondValue(const QString& reply);

// A whole number: optional sign and digits, surrounding blanks ignored. False otherwise or
// outside [minimum, maximum].
bool parseWhole(QStringView text, int64_t minimum, int64_t maximum, int64_t& value);

// The leading whole number of a text after its leading blanks, 0 when it starts with none
// (how counts in the memory directory are read).
int64_t leadingWhole(QStringView text);

// The leading decimal number of a text after its leading blanks ("7500", "7500.5 x", "-3"),
// "." or "," as the decimal mark; 0 when it starts with none.
double leadingNumber(QStringView text);

// "$rd?handle field LL<2*LL hex digits>!": one block of an open file.
struct BlockReply {
    int16_t handle = 0;
    QString payload;  // 2*L hex digits
};
// nullopt with *why set when the reply is malformed.
std::optional<BlockReply> parseBlockReply(const QString& reply, QString* why = nullptr);

// Key:value pairs of a device- or probe-information reply, from the text after the code.
struct InfoPair {
    QChar key;
    QString value;
};
struct InfoPairs {
    std::vector<InfoPair> pairs;
    QString rest;  // what followed the last pair's "!" (normally nothing)
};
InfoPairs parseInfoPairs(const QString& remainder);

// The directory of a family "4" gauge: count line, then "name,count" lines.
struct MemoryDirectory {
    int16_t count = 0;   // entries actually present
    int64_t announced = 0;  // the count line's value
    QStringList names;   // 1-based; entry 0 is blank
    QList<int16_t> counts;  // 1-based; entry 0 is 0
};
MemoryDirectory parseMemoryDirectory(const QString& value);

// The four characters after the first "M:" of a "$gfi" reply ("" without "M:").
QString memoryChipCode(const QString& reply);

}  // namespace zenu::replies
