#include "platform/open_document.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace zenu {
namespace {

bool desktopOpen(const QString& path, QString* error) {
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path))) return true;
    if (error) *error = QStringLiteral("No application is set up to open %1").arg(QFileInfo(path).fileName());
    return false;
}

DocumentOpener& installed() {
    static DocumentOpener opener = desktopOpen;
    return opener;
}

}  // namespace

bool openDocument(const QString& path, QString* error) {
    if (!QFileInfo(path).isFile()) {
        if (error) *error = QStringLiteral("File not found: %1").arg(path);
        return false;
    }
    QString why;
    if (installed()(path, &why)) return true;
    if (error) *error = why;
    return false;
}

DocumentOpener setDocumentOpener(DocumentOpener opener) {
    DocumentOpener previous = installed();
    installed() = opener ? std::move(opener) : DocumentOpener(desktopOpen);
    return previous;
}

}  // namespace zenu
