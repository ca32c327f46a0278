#include "app/dialogs/frm_info.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <algorithm>

#include "texts/texts.h"

namespace zenu {

namespace {
constexpr int kValueBoxWidth = 240;

QLineEdit* valueBox(QGridLayout* grid, QLabel*& label, const char* labelName, const char* boxName) {
    const int row = grid->rowCount();
    label = new QLabel;
    label->setObjectName(QLatin1StringView(labelName));
    auto* box = new QLineEdit;
    box->setObjectName(QLatin1StringView(boxName));
    box->setReadOnly(true);
    box->setMinimumWidth(kValueBoxWidth);
    label->setBuddy(box);
    grid->addWidget(label, row, 0);
    grid->addWidget(box, row, 1);
    return box;
}

void setLabelled(QLabel* label, QLineEdit* box, const QString& caption, const QString& value) {
    label->setText(caption);
    box->setAccessibleName(caption);
    box->setText(value);
    box->setCursorPosition(0);
    // Wide enough for the whole value in the box's font (frame and two-pixel text margins).
    const int frame = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box);
    box->setMinimumWidth(std::max(kValueBoxWidth, QFontMetrics(box->font()).horizontalAdvance(value) + 2 * frame + 4));
}
}  // namespace

FrmInfo::FrmInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmInfo"));
    setModal(true);
    auto* grid = new QGridLayout(this);
    txtGeraet = valueBox(grid, lblGeraet, "lblGeraet", "txtGeraet");
    txtGeraeteSoft = valueBox(grid, lblGeraetSoft, "lblGeraetSoft", "txtGeraeteSoft");
    txtPCSoft = valueBox(grid, lblPCSoft, "lblPCSoft", "txtPCSoft");
    txtMacAdr = valueBox(grid, lblMacAdr, "lblMacAdr", "txtMacAdr");
    txtSondentyp = valueBox(grid, lblSondentyp, "lblSondentyp", "txtSondentyp");
    txtSondenversion = valueBox(grid, lblSondenversion, "lblSondenversion", "txtSondenversion");
    txtFlashbaustein = valueBox(grid, lblFlashbaustein, "lblFlashbaustein", "txtFlashbaustein");
}

void FrmInfo::Form_Activate() { ApplyLanguage(); }

void FrmInfo::ApplyLanguage() {
    setWindowTitle(C(41));
    showTexts(deviceInfoTexts(currentDeviceInfoSource()));
}

void FrmInfo::showTexts(const DeviceInfoTexts& t) {
    setLabelled(lblGeraet, txtGeraet, t.lblGeraet, t.txtGeraet);
    setLabelled(lblGeraetSoft, txtGeraeteSoft, t.lblGeraetSoft, t.txtGeraeteSoft);
    setLabelled(lblPCSoft, txtPCSoft, M(122), t.txtPCSoft);
    setLabelled(lblMacAdr, txtMacAdr, M(123), t.txtMacAdr);
    setLabelled(lblSondentyp, txtSondentyp, t.lblSondentyp, t.txtSondentyp);
    setLabelled(lblSondenversion, txtSondenversion, t.lblSondenversion, t.txtSondenversion);
    setLabelled(lblFlashbaustein, txtFlashbaustein, M(124), t.txtFlashbaustein);
}

}  // namespace zenu
