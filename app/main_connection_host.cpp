#include "app/main_connection_host.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "app/dialogs/frm_werte.h"
#include "app/frm_transfer.h"
#include "app/settings.h"
#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "platform/prompts.h"
#include "platform/translog.h"

namespace zenu {
namespace {

QColor colourOf(const Rgb& c) { return QColor(c.r, c.g, c.b); }

// Sizes come in twips (15 to a pixel at 96 dpi).
int pixels(int twips) { return twips / 15; }

}  // namespace

void MainConnectionHost::showWaitMessage(const QString& text) {
    w_.frmwait->setVisible(false);
    w_.Waitmessage->setText(text);
    w_.Waitmessage->setVisible(true);
    w_.Waitmessage->repaint();
}

void MainConnectionHost::placeReadingField(const ReadingFieldLayout& layout) {
    QLineEdit* field = w_.txtSpeicher;
    // The window's layout places the field; size, colours and font follow the gauge.
    if (layout.width > 0) field->setMinimumWidth(pixels(layout.width));
    if (layout.height > 0) field->setMinimumHeight(pixels(layout.height));
    QPalette palette = field->palette();
    if (layout.background) palette.setColor(QPalette::Base, colourOf(*layout.background));
    palette.setColor(QPalette::Text, layout.systemWindowForeground ? QApplication::palette().color(QPalette::Window)
                                                                    : colourOf(layout.foreground));
    field->setPalette(palette);
    QFont font = field->font();
    font.setPointSize(layout.fontPoints);
    field->setFont(font);
}

void MainConnectionHost::showDeviceFrame(const DeviceFrame& frame) {
    w_.frmPic->setVisible(frame.shown);
    if (frame.colour) {
        QPalette palette = w_.frmPic->palette();
        palette.setColor(QPalette::Window, colourOf(*frame.colour));
        w_.frmPic->setPalette(palette);
    }
}

void MainConnectionHost::showDeviceName(const QString& name) {
    w_.lblName->setText(name.trimmed());
    w_.lblName->setAccessibleName(name.trimmed());
}

void MainConnectionHost::showDevicePicture(const DevicePicture& picture) {
    FrmTransfer::ShowPicture(w_.picVQ, picture.file, picture.stretched);
    if (picture.showNameLabel) w_.lblName->setVisible(true);
    if (picture.readingField) placeReadingField(*picture.readingField);
}

void MainConnectionHost::applyBranding(const QString& variant) {
    BrandingVariant = variant;
    w_.ApplyBranding();
}

void MainConnectionHost::applyProfile(const ProfileEffects& effects) {
    w_.mnuSetTime->setVisible(effects.clockMenu);
    w_.mnuSetTime->setEnabled(effects.clockMenu);
    w_.mnuTastaturevent->setVisible(effects.keyboardEventMenu);
    w_.mnuTastaturevent->setEnabled(effects.keyboardEventMenu);
    if (FrmWerte* limits = w_.frmWerte()) {
        limits->chk8020->setVisible(effects.rule8020);
        limits->cmdInfo->setVisible(effects.rule8020);
    }
    w_.picVQ->setVisible(true);
    w_.setWindowTitle(programTitle());
}

void MainConnectionHost::prepareReadingView() {
    w_.picRahmen->setVisible(true);
    w_.picBth->setVisible(false);
    w_.picUsb->setVisible(false);
    w_.optFE->setText(QString());
    w_.MSFlex->setVisible(true);
    w_.cmdStop->setVisible(false);
}

void MainConnectionHost::readingTablesCleared() { w_.FillMSFlexOne(); }

void MainConnectionHost::clearClipboard() {
    if (QClipboard* clipboard = QApplication::clipboard()) clipboard->clear();
}

void MainConnectionHost::loadSettings(const QString& action) { Voreinstellungen(action); }

void MainConnectionHost::startKeyboardEventTarget() { w_.startKeyboardEventTarget(); }

void MainConnectionHost::showCommandFrames() {
    for (QWidget* widget : {static_cast<QWidget*>(w_.FrameWerte), static_cast<QWidget*>(w_.FrameStatistik),
                            static_cast<QWidget*>(w_.FrameBefehle), static_cast<QWidget*>(w_.cmdProjekt),
                            static_cast<QWidget*>(w_.cmdWerte)})
        widget->setVisible(true);
}

void MainConnectionHost::showBattery(const BatterySymbol& symbol) { w_.showBatterySymbol(symbol); }

void MainConnectionHost::initialisationFailed(const QString& message) { MsgBox(message, MsgButtons::Ok, MsgIcon::Warning); }

}  // namespace zenu
