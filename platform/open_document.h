#pragma once
// Opens a document (.xlsx, .docx, .pdf, ...) with the desktop's default application. A seam,
// so tests record the request instead of launching an application.
#include <QString>
#include <QStringList>
#include <functional>

namespace zenu {

// True when the desktop accepted the request; otherwise false and *error says why.
using DocumentOpener = std::function<bool(const QString& path, QString* error)>;

// Opens through the installed opener (the desktop's, unless a test installed another).
// A missing file fails here already, without asking the desktop.
bool openDocument(const QString& path, QString* error = nullptr);

// Installs an opener; an empty one restores the desktop's. Returns the one it replaced.
DocumentOpener setDocumentOpener(DocumentOpener opener);

// Test double: installed while it lives, records every path, answers with `succeed`.
class RecordingDocumentOpener {
public:
    RecordingDocumentOpener() {
        previous_ = setDocumentOpener([this](const QString& path, QString* error) {
            opened << path;
            if (!succeed && error) *error = failure;
            return succeed;
        });
    }
    ~RecordingDocumentOpener() { setDocumentOpener(previous_); }
    RecordingDocumentOpener(const RecordingDocumentOpener&) = delete;
    RecordingDocumentOpener& operator=(const RecordingDocumentOpener&) = delete;

    QStringList opened;
    bool succeed = true;
    QString failure = QStringLiteral("No application is set up to open this document");

private:
    DocumentOpener previous_;
};

}  // namespace zenu
