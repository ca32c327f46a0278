#pragma once
// How exports reach the disk: the whole content goes to a temporary file beside the target,
// which is renamed over the target only once complete, so a failed export (disk full, folder
// gone, no permission) never replaces a good file with a broken one.
#include <QByteArray>
#include <QString>

namespace zenu {

// The outcome of an export, for windows and the command-line tool alike.
struct ExportResult {
    enum class Status { Written, NoReadings, Failed };
    Status status = Status::Failed;
    QString error;  // what went wrong, for the user (Failed only)
    bool ok() const { return status == Status::Written; }
    static ExportResult written() { return {Status::Written, {}}; }
    static ExportResult noReadings() { return {Status::NoReadings, {}}; }
    static ExportResult failed(const QString& why) { return {Status::Failed, why}; }
};

// Replaces `path` with `bytes`.
ExportResult writeFileAtomically(const QString& path, const QByteArray& bytes);

// For writers that must be given a file name (libraries writing their own files): a fresh,
// empty temporary file in the target's folder. "" and *error set when the folder is unusable.
QString reserveTemporaryBeside(const QString& path, QString* error);
// Renames the finished temporary file over the target; removes it on failure.
ExportResult replaceWithTemporary(const QString& temporary, const QString& path);

}  // namespace zenu
