// CSV and spreadsheet exports through the main window: the options dialog answered, the file
// named and written where the rules put it, the workbook opened, and the failures told.
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/dialogs/frm_csv.h"
#include "texts/texts.h"
#include "platform/cp1252.h"
#include "platform/open_document.h"
#include "window_support.h"
#include "../support/file_bytes.h"

using namespace zenu;
using namespace zenu::testing;

namespace {

class ExportWindow : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        useCoatingGauge();
        putReadings({reading(1, 12.5, "FE", 2), reading(2, 13.1, "FE", 9), reading(3, 12.9, "FE", 30),
                     reading(4, 12.7, "FE", 40)});
        w().FillMSFlexOne();
        // The dialog as a user fills it: a wrong count first, then 3 without the maximum column.
        w().runDialog = [this](QDialog& dialog) {
            auto* csv = qobject_cast<FrmCSV*>(&dialog);
            ASSERT_NE(csv, nullptr);
            EXPECT_EQ(csv->frmAnzahl->title(), M(86));
            for (const char* count : {"abc", "0,4", "20"}) {
                csv->txtAnzahl->setText(QString::fromLatin1(count));
                csv->cmdOk->click();
                EXPECT_EQ(dialog.result(), QDialog::Rejected) << count;
            }
            csv->txtAnzahl->setText(QStringLiteral("3"));
            csv->chkMax->setChecked(false);
            csv->cmdOk->click();
            dialogAccepted = dialog.result() == QDialog::Accepted;
        };
    }
    bool dialogAccepted = false;
    RecordingDocumentOpener opener;
};

TEST_F(ExportWindow, CsvThroughTheDialog) {
    prompts.fileAnswers.push_back(QStringLiteral("messung"));
    w().cmdcsv->click();

    EXPECT_TRUE(dialogAccepted);
    EXPECT_EQ(prompts.messages, QStringList(3, M(90) + QLatin1Char('\n')));
    const QString folder = MessDataPath + QStringLiteral("/12345");
    EXPECT_EQ(prompts.fileDialogs, QStringList{QStringLiteral("save:") + folder + QLatin1Char('/')});
    const QByteArray bytes = readBytes(folder + QStringLiteral("/messung.csv"));
    const QByteArray header = "Datum/Uhrzeit;Messwert1;Messwert2;Messwert3;Mininum;Mittelwert;\r\n";
    ASSERT_TRUE(bytes.contains(header)) << bytes.toStdString();
    const QByteArray data = bytes.mid(bytes.indexOf(header) + header.size());
    EXPECT_EQ(data,
              " 12.03.2024 10:15:02;       12,5;       13,1;       12,9;       12,5;      12,83;\r\n"
              " 12.03.2024 10:15:40;       12,7;;;       12,7;      12,70;\r\n\r\n");

    // An empty table: told so, before any file name is asked for.
    putReadings({});
    prompts.messages.clear();
    w().cmdcsv->click();
    EXPECT_EQ(prompts.messages.value(3), M(160));
    EXPECT_EQ(prompts.fileDialogs.size(), 1);
}

TEST_F(ExportWindow, SpreadsheetWrittenAndOpened) {
    prompts.boxAnswers = {MsgResult::Yes};
    prompts.fileAnswers.push_back(QStringLiteral("tabelle"));
    w().cmdExcel->click();

    const QString path = FrmTransfer::measurementFolder() + QStringLiteral("/tabelle.xlsx");
    EXPECT_EQ(prompts.messages, QStringList{M(49)});
    EXPECT_EQ(opener.opened, QStringList{path});
    EXPECT_TRUE(readBytes(path).startsWith("PK"));
    EXPECT_TRUE(w().cmdExcel->isEnabled());

    // The desktop cannot open it: the message and the log say so; the file stays.
    opener.succeed = false;
    prompts.messages.clear();
    prompts.boxAnswers = {MsgResult::No};
    prompts.fileAnswers.push_back(path);
    w().cmdExcel->click();
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_TRUE(prompts.messages.at(1).startsWith(QStringLiteral("Open Excel: "))) << prompts.messages.at(1).toStdString();
    EXPECT_TRUE(prompts.messages.at(1).contains(opener.failure));
    EXPECT_TRUE(readBytes(home.file(QStringLiteral("TransferLog.txt"))).contains("Open Excel: "));
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_TRUE(w().cmdExcel->isEnabled());
}

}  // namespace
