#pragma once
// Memory lists and memory reads of both protocol families, free of widgets. Family "5" gauges
// hold files, listed with "$ls!" and read in 32-byte blocks over the command characteristic;
// family "4" gauges hold numbered memories read line by line through the two storage
// characteristics. Live readings are switched off while a list or a memory is read.
#include <QString>
#include <QStringList>

namespace zenu {

class BleSession;
class ReadingSink;

// What a memory read does to the window that shows it (the main window, zenu-cli).
class DownloadHost {
public:
    virtual ~DownloadHost() = default;
    virtual void Block_Buttons() {}
    virtual void Unblock_Buttons() {}
    // Clear and show the statistics list, reset the statistics, currentTable 0, empty table.
    virtual void prepareMemoryTable() {}
    virtual void setProgress(int /*value*/, int /*maximum*/) {}
    // Caption of the memory option after a family "4" memory was chosen.
    virtual void showMemoryCaption(const QString& /*caption*/, const QString& /*memoryName*/) {}
    // The chosen family "4" memory holds no readings (Meldung_Speicher_Leer).
    virtual void memoryEmpty() {}
    // The list entry of the memory being read, with its current count.
    virtual void memoryEntryUpdated(const QString& /*entry*/) {}
    // The read has ended: show the first-memory table (which subscribes live readings again).
    virtual void focusMemoryTable() {}
    // Nothing to read: show the online table.
    virtual void switchToOnline() {}
    // A message for the user (message box); the log already has it.
    virtual void message(const QString& /*text*/) {}
    // The user asked to stop the read (zenu-cli on Ctrl-C): asked before each block or storage
    // read. A stopped read closes the file or releases the memory and keeps what was read.
    virtual bool stopRequested() { return false; }
    // Where decoded readings go.
    virtual ReadingSink& sink() = 0;
};

struct DownloadResult {
    enum class Status {
        Done,            // every reading was read
        NothingChosen,   // no memory in the list text
        Empty,           // the memory holds no readings
        NotFound,        // the gauge has no such memory / file
        TimedOut,        // the gauge stopped answering
        LinkLost,        // the link ended during the read
        Failed,          // a write failed or the data could not be decoded
        Stopped,         // the host asked to stop (stopRequested)
    };
    Status status = Status::Done;
    int read = 0;       // readings stored in the table
    int expected = 0;   // readings the memory holds (0 when unknown)
    QString message;    // what the user was told ("" when all went well)
    bool ok() const { return status == Status::Done; }
};

class MemoryDownload {
public:
    MemoryDownload(BleSession& session, DownloadHost& host);

    // Family "5": the file list ("$ls!"), each name padded to 20 characters. False when the
    // gauge did not answer (entries then stays empty).
    bool SpeicherInfoDatei(QStringList& entries);
    // Family "4": the memory directory; entries in the list form ("S    3  (12)"), or empty.
    bool SpeicherInfoLesen(QStringList& entries);
    // The memory list of the connected gauge's family.
    bool memoryList(QStringList& entries);

    // cmdLesen: reads the memory named by the list text into table 0 (family "5" first asks for
    // the probe information, as the gauge expects).
    DownloadResult readSelected(const QString& listText);
    DownloadResult Read_Datei(const QString& listText);
    DownloadResult readMemory4(const QString& listText);

    // ---- Pieces, also for tests
    // The entries of a "$ls" reply: from its 15th character to the one before the last, the
    // words starting with "m", "s" or "t" (not "se"), padded to 20 characters.
    static QStringList fileListEntries(const QString& reply);
    // "S" / "M" with the name right-aligned in 5, then "(" count ")" right-aligned in 6.
    static QString memoryEntry(const QString& name, int count);
    // Name and expected count back out of a list entry; false when the text holds no entry.
    static bool parseMemoryEntry(const QString& entry, QString& name, int& count);
    // Requests of a file download: full 32-byte blocks, then the rest (0 when none).
    struct BlockPlan {
        int fullBlocks = 0;
        int rest = 0;
    };
    static BlockPlan planBlocks(int fileSize);

private:
    void Meldung_Speicher_Leer();
    bool unsubscribeFirst();
    // TimedOut while the link holds, LinkLost once it is gone.
    DownloadResult::Status interrupted() const;
    // Reads the family "4" memory directory; false when it did not come.
    bool readDirectory();
    void subscribeAgain();
    DownloadResult finishLost(DownloadResult r);

    BleSession& session_;
    DownloadHost& host_;
};

}  // namespace zenu
