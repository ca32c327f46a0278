#include "texts/texts.h"

#include <array>

namespace zenu {

int LanguageIndex = kLanguageGerman;

namespace {

struct TextEntry {
    int number;
    const char* german;
    const char* english;
};

const TextEntry kCaptions[] = {
    {0, "Datei", "File"},
    {1, "Datei öffnen", "Open Data File"},
    {2, "In Datei speichern", "Save to File"},
    {3, "Drucken", "Print"},
    {4, "Programm beenden", "Exit Program"},
    {5, "Programmende", "Exit program"},
    {10, "Schnittstelle", "Interface"},
    {11, "Schnittstelle wählen", "Select Interface"},
    {20, "Datenübertragung", "Data Transfer"},
    {21, "Vom Gerät einlesen", "Read Data from device"},
    {30, "Sprache", "Language"},
    {31, "Englisch", "English"},
    {32, "Deutsch", "German"},
    {40, "Hilfe", "Help"},
    {41, "Info", "Info"},
    {42, "Bedienungsanleitung", "Manual"},
    {43, "Speichern", "Save"},
    {44, "Löschen", "Delete"},
    {45, "Tastaturevents", "KeyEvents"},
    {50, "Verbinden", "Connect"},
    {51, "Getrennt", "Disconnected"},
    {52, "Trennen", "Disconnect"},
    {53, "Verbunden", "Connected"},
    {54, "Wiederverbinden", "ReConnect"},
    {55, "Nicht Verbunden", "not connected"},
};

const TextEntry kMessages[] = {
    {0, "Nr.", "No."},
    {1, "Messwert", "Value"},
    {2, "Messeinheit", "Unit"},
    {3, "Geräte-Schnittstelle eingeben :", "Enter COM-Port of device :"},
    {4, "Keine Datei ausgewählt!", "No file selected !"},
    {5, "Bitte gültigen COM-Port wählen !", "Please select valid COM-Port !"},
    {6, "FE-Speicher", "FE-Memory"},
    {7, "NFE-Speicher", "NFE-Memory"},
    {8, "Online", "Online"},
    {9, "Daten in Clipboard kopieren", "Copy data to clipboard"},
    {10, "Statistik:", "Statistics:"},
    {11, "FE-Speicher2", "FE-Memory2"},
    {12, "NFE-Speicher", "NFE-Memory"},
    {13, "Bitte warten....", "Please wait...."},
    {14, nullptr, nullptr},  // program title, filled at run time
    {15, "FE-Speicher1", "FE-Memory1"},
    {16, "Datum:", "Date:"},
    {17, "Fertig", "Done"},
    {18, "FE-Speicher leer!", "FE-Memory empty"},
    {19, "NFE-Speicher leer!", "NFE-Memory empty"},
    {20, "Messwerte", "Data"},
    {21, "Befehle", "Commands"},
    {22, "Fehler beim Einlesen der Geraeteinformationen", "Read device information Error"},
    {23, "Daten kopieren nach", "Copy data to"},
    {24, "Bitte COM-Port auswählern", "Please select COM-Port"},
    {25, "Eingabe muss numerisch sein!", "Numeric field required!"},
    {26, "Werte passen nicht zum Tabellentyp !", "Data doesn't match table type !"},
    {27, "Speicher 1 ist leer", "Memory 1 has no data"},
    {28, "Speicher 2 ist leer", "Memory 2 has no data"},
    {29, "Gerät nicht verfügbar !", "Device is not available !"},
    {30, "Speicher einlesen", "Read Memory"},
    {31, "Kein Com-Port verfügbar!", "No Com-Port available!"},
    {32, "Speicher", "Memory"},
    {33, "Speicher leer", "Memory empty"},
    {34, "Kein Eintrag ausgewählt", "No entry selected"},
    {35, "Minimum größer als Maximum!", "Minimum higher than maximum!"},
    {36, "Sollwert muss zwischen Minimum und Maximum liegen!", "Target value should be within Minimum and Maximum!"},
    {37, "Achtung Gerätespeicher kann hier nicht gelöscht werden!", "Warning! Device-Memory will not be deleted!"},
    {38, "Projektdaten", "Project data"},
    {39, "Grenzwerte", "Limits"},
    {40, "Zeile löschen", "Delete row"},
    {41, "Tabelle löschen", "Delete Tab"},
    {42, "BEREIT", "READY"},
    {43, "Gerät", "Device"},
    {44, "Geräte Software Version", "Device Softwareversion"},
    {45, "Sollwert", "Target value"},
    {46, "Datum/Uhrzeit", "Date/Time"},
    {47, "Speicher leer", "memory empty"},
    {48, "Bitte Tabelle löschen", "Please delete Table"},
    {49, "Excel inklusive Chart erstellen?", "Generate Excel Worksheet with chart?"},
    {50, "Wollen Sie die Tabelle wirklich löschen?", "Do you really want to delete this table?"},
    {51, "Wollen Sie die markierte Zeile wirklich löschen?", "Do you really want to delete this row?"},
    {52, "Nur positive Werte erlaubt", "Only positive digits allowed"},
    {53, "Maximale Werteanzahl überschritten", "Maximal number of data exceeded"},
    {54, "Bitte nur eine Zeile auswählen", "Please choose only one row"},
    {55, "Stopp", "Stop"},
    {56, "Weiter", "Continue"},
    {57, "Eingabe Sollwert bei 80/20 Regel erforderlich", "Please enter targe value when using 80/20 rule "},
    {58, "Ja", "Yes"},
    {59, "Nein ", "No"},
    {60, "Min Limit  an 80/20 Regel angepasst von ", "Min limit changed due to 80/20 rule from "},
    {61, "nach", "to"},
    {62, "Tastatur Events senden", "Send key events"},
    {63, "Online Wert wird automatisch als Tastatur Event an andere Anwendung versendet", "Online value will be automatically transfered to another application"},
    {64, "Funktion aktivieren", "Activate function"},
    {65, "Anwendung an die gesendet wird", "Application to which will be send"},
    {66, "Werte inklusive", "Values including"},
    {67, "Datum", "Date"},
    {68, "Zeilenende Zeichen", "End of line char"},
    {69, "Keins", "None"},
    {70, "Nr", "No"},
    {71, "Datum Zeit", "Date Time"},
    {72, "Gerät außerhalb der Verbindungsreichweite oder ausgeschaltet", "Device out of wireless range or switched off"},
    {73, "Batterie", "Battery"},
    {74, "Sondentyp", "Probetype"},
    {75, "Bitte Windows Bluetooth Einstellungen prüfen, oder Adapter verbinden", "Please check windows bluetooth settings or connect dongle"},
    {76, "S", "M"},
    {77, "Verbinden mit MAC ", "Connect to MAC "},
    {78, "Bitte wiederholen", "Please try again"},
    {79, "Gerät zum Verbinden auswählen", "Select device for connection"},
    {80, "Datum/Zeit wurde aktualisert", "Date/Time set done"},
    {81, "Bitte Gerät einschalten, 3 Sekunden warten und Wiederverbinden drücken", "Please switch on device ,wait 3 seconds and press Reconnect"},
    {82, "Bitte einen Speicher auswählen", "Please select a memory"},
    {83, "Keine Speicher vorhanden", "No memory available"},
    {84, "Sondenversion", "Probe version"},
    {85, "aktualisieren", "update"},
    {86, "Anzahl Messwerte pro Zeile", "Number of values per line"},
    {87, "Zusätzliche Spalten am Zeilenende", "Additional columns at the end of the line"},
    {88, "Messwerte werden in .csv Datei gespeichert. Pro Zeile x Messwerte und am Ende der Zeile Statistikspalten", "Measured values are saved in a .csv file. x measured values per line and statistics columns at the end of the line"},
    {89, "Speichern in .csv Format", "Save in .csv format"},
    {90, "ungültige Eingabe", "Invalid input"},
    {91, "alt", "old"},
    {92, "neu", "new"},
    {93, "Verbindung", "Connection"},
    // Gauge link: reconnect button, control errors, bounded waits.
    {100, "Wiederverbinden ", "Reconnect "},
    {101, "Scan", "Scan"},
    {102, "Corvel Fehler", "Corvel Error"},
    {103, "Das Gerät antwortet nicht (%1).", "The gauge did not answer (%1)."},
    {104, "Verbindung unterbrochen: %1 von %2 Messwerten gelesen.", "Link lost: %1 of %2 readings read."},
    {105, "Das Gerät antwortet nicht mehr: %1 von %2 Messwerten gelesen.", "The gauge stopped answering: %1 of %2 readings read."},
    {106, "Speicher %1 nicht gefunden", "Memory %1 not found"},
    {107, "Das Bluetooth-Steuerelement konnte nicht geladen werden: ", "The Bluetooth control could not be loaded: "},
    {108, "Verbindung fehlgeschlagen: ", "Connection failed: "},
    // Clock dialog and information window.
    {120, "Keine Antwort vom Gerät, die Uhrzeit wird nicht mehr gelesen", "No answer from the device, the clock is no longer read"},
    {121, "Datum/Zeit konnte nicht gesetzt werden", "Date/Time could not be set"},
    {122, "PC Software Version", "PC Softwareversion"},
    {123, "MAC Adresse", "MAC address"},
    {124, "Speicherbaustein", "Memory chip"},
    // Report outputs and the manual.
    {140, "Datei ", "File "},
    {141, " wurde nicht gefunden", " not found "},
    {142, "Word-Dokument (*.docx)", "Word document (*.docx)"},
    {143, "PDF-Datei (*.pdf)", "PDF file (*.pdf)"},
    {144, "Datei kann nicht geschrieben werden", "Cannot write the file"},
    {145, "Drucken fehlgeschlagen", "Printing failed"},
    {146, "Bericht", "Report"},
    // CSV and spreadsheet exports.
    {160, "Die Tabelle enthält keine Messwerte, es wurde keine Datei geschrieben.", "The table holds no readings; no file was written."},
    {161, "Datei konnte nicht geschrieben werden: ", "The file could not be written: "},
    {162, "Ordner konnte nicht angelegt werden: ", "The folder could not be created: "},
    {163, "Excel-Arbeitsmappe (*.xlsx)", "Excel workbook (*.xlsx)"},
    // Keyboard events.
    {180, "App %1 wurde beendet, bitte Pgm neu starten!", "App %1 was terminated, please restart program!"},
    {181, "Tastaturevents sind unter Wayland ohne XWayland nicht möglich: Wayland erlaubt keinem Programm, Tasten an ein anderes zu senden. Bitte eine X11-Sitzung verwenden oder XWayland einschalten.", "Key events are not available on Wayland without XWayland: Wayland lets no program send keys to another one. Please use an X11 session or enable XWayland."},
    {182, "Tastaturevents brauchen eine X11-Anzeige (DISPLAY ist nicht gesetzt).", "Key events need an X11 display (DISPLAY is not set)."},
    {183, "Anwendung %1 konnte nicht gestartet werden: %2", "Application %1 could not be started: %2"},
    {184, "Programme (*)", "Programs (*)"},
};

const TextEntry kStatLabels[] = {
    {1, "Anzahl", "Count"},
    {2, "Maximum", "Maximum"},
    {3, "Minimum", "Minimum"},
    {4, "Mittel", "Average"},
    {5, "Std.Abw.", "Std.Dev"},
    {6, "Statistik:", "Statistics:"},
    {7, " Statistik nicht möglich,", " Statistics not possible"},
    {8, " da verschiedene", " cause of different"},
    {9, " Messeinheiten ", " measurement units"},
    {10, "Sollwert    ", "Target value"},
    {11, "abs", "abs"},
    {12, "Linie / Balken", "Line / Bar"},
    {13, "Daten", "Data"},
    {14, "Regel 80/20 ok:", "rule 80/20 ok:"},
    {15, "Impulszeit", "pulse time"},
    {16, "Werte", "values"},
    {17, "Dauer in ms", "time in ms"},
    {18, "Mittelwert", "Average"},
};
constexpr int kCaptionCount = 56;
constexpr int kMessageCount = 185;
constexpr int kStatLabelCount = 19;

// Tables indexed directly by number, built once from the lists above.
template <int N, std::size_t M>
std::array<const TextEntry*, N> index(const TextEntry (&entries)[M]) {
    std::array<const TextEntry*, N> table{};
    for (const TextEntry& e : entries) table[e.number] = &e;
    return table;
}

QString lookup(const TextEntry* entry, int language) {
    if (!entry || !entry->german) return {};
    return QString::fromUtf8(language == kLanguageGerman ? entry->german : entry->english);
}

}  // namespace

QString programTitle() {
    return QStringLiteral("%1 %2").arg(QLatin1StringView(kDisplayName), QLatin1StringView(kVersionText));
}

QString captionText(int number, int language) {
    static const auto table = index<kCaptionCount>(kCaptions);
    if (number < 0 || number >= kCaptionCount) return {};
    return lookup(table[number], language);
}

QString messageText(int number, int language) {
    static const auto table = index<kMessageCount>(kMessages);
    if (number == 14) return programTitle();
    if (number < 0 || number >= kMessageCount) return {};
    return lookup(table[number], language);
}

QString statisticsLabel(int number, int language) {
    static const auto table = index<kStatLabelCount>(kStatLabels);
    if (number < 0 || number >= kStatLabelCount) return {};
    return lookup(table[number], language);
}

}  // namespace zenu
