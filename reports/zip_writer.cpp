#include "reports/zip_writer.h"

#include <algorithm>
#include <array>

namespace zenu {
namespace {

constexpr quint16 kStored = 0;
constexpr quint16 kDeflated = 8;
constexpr quint16 kUtf8Names = 1u << 11;

// qCompress gives a 4-byte length, a 2-byte zlib header, the raw deflate stream and a 4-byte
// Adler-32; ZIP wants the raw stream.
QByteArray rawDeflate(const QByteArray& data) {
    const QByteArray zlib = qCompress(data, 9);
    if (zlib.size() < 10) return {};
    return zlib.mid(6, zlib.size() - 10);
}

void put16(QByteArray& out, quint16 v) {
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

void put32(QByteArray& out, quint32 v) {
    put16(out, quint16(v & 0xFFFF));
    put16(out, quint16(v >> 16));
}

}  // namespace

quint32 zipCrc32(const QByteArray& data) {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (const char ch : data) crc = table[(crc ^ quint8(ch)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

ZipWriter::ZipWriter(QDateTime modified) {
    // DOS dates begin in 1980.
    if (!modified.isValid() || modified.date().year() < 1980) modified = QDateTime(QDate(1980, 1, 1), QTime(0, 0));
    const QDate d = modified.date();
    const QTime t = modified.time();
    dosTime_ = quint16((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2));
    dosDate_ = quint16(((std::min(d.year(), 2107) - 1980) << 9) | (d.month() << 5) | d.day());
}

void ZipWriter::add(const QString& name, const QByteArray& data) {
    Entry e;
    e.name = name.toUtf8();
    e.crc = zipCrc32(data);
    e.size = quint32(data.size());
    const QByteArray deflated = rawDeflate(data);
    if (!deflated.isEmpty() && deflated.size() < data.size()) {
        e.stored = deflated;
        e.method = kDeflated;
    } else {
        e.stored = data;
        e.method = kStored;
    }
    entries_.push_back(std::move(e));
}

QByteArray ZipWriter::archive() const {
    QByteArray out;
    QByteArray central;
    // What the local header and the central directory both say of an entry, from the version
    // needed to the extra field's length.
    const auto putEntryFields = [this](QByteArray& to, const Entry& e) {
        put16(to, 20);  // version needed: 2.0
        put16(to, kUtf8Names);
        put16(to, e.method);
        put16(to, dosTime_);
        put16(to, dosDate_);
        put32(to, e.crc);
        put32(to, quint32(e.stored.size()));
        put32(to, e.size);
        put16(to, quint16(e.name.size()));
        put16(to, 0);  // extra field
    };
    for (const Entry& e : entries_) {
        const quint32 offset = quint32(out.size());
        put32(out, 0x04034b50);
        putEntryFields(out, e);
        out += e.name;
        out += e.stored;

        put32(central, 0x02014b50);
        put16(central, 20);  // made by: MS-DOS, 2.0
        putEntryFields(central, e);
        put16(central, 0);  // comment
        put16(central, 0);  // disk
        put16(central, 0);  // internal attributes
        put32(central, 0);  // external attributes
        put32(central, offset);
        central += e.name;
    }
    const quint32 centralOffset = quint32(out.size());
    out += central;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint16(entries_.size()));
    put16(out, quint16(entries_.size()));
    put32(out, quint32(central.size()));
    put32(out, centralOffset);
    put16(out, 0);  // comment
    return out;
}

}  // namespace zenu
