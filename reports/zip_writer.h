#pragma once
// A minimal ZIP archive writer (deflate, no encryption, no ZIP64) for the office documents the
// program writes. Entries are kept in memory: the documents are small.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

namespace zenu {

class ZipWriter {
public:
    // Entries carry this modification time (local time, DOS resolution of two seconds).
    explicit ZipWriter(QDateTime modified = QDateTime::currentDateTime());

    // name: path inside the archive with "/" separators.
    void add(const QString& name, const QByteArray& data);

    // The whole archive.
    QByteArray archive() const;

private:
    struct Entry {
        QByteArray name;
        QByteArray stored;  // deflated, or the data itself when deflating gains nothing
        quint32 crc = 0;
        quint32 size = 0;
        quint16 method = 0;
    };
    std::vector<Entry> entries_;
    quint16 dosTime_ = 0;
    quint16 dosDate_ = 0;
};

// CRC-32 as ZIP uses it (polynomial 0xEDB88320).
quint32 zipCrc32(const QByteArray& data);

}  // namespace zenu
