#include "app/dialogs/frm_chart_g.h"

#include <QChartView>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/chart_builder.h"
#include "app/named_widget.h"
#include "texts/texts.h"

namespace zenu {

namespace {

// An empty text hides the label; a shown label is named by what it says.
void showText(QLabel* label, const QString& text) {
    label->setText(text);
    label->setAccessibleName(text.trimmed());
    label->setVisible(!text.isEmpty());
}

}  // namespace

FrmChartG::FrmChartG(const ChartDataSet& data, QWidget* parent) : QDialog(parent), data_(data) {
    setObjectName(QStringLiteral("frmChartG"));
    setModal(true);
    auto* root = new QVBoxLayout(this);
    MSChartG = named(new QChartView, "MSChartG");
    MSChartG->setAccessibleName(QStringLiteral("Chart"));
    MSChartG->setMinimumSize(640, 400);
    root->addWidget(MSChartG, 1);

    auto* labels = new QHBoxLayout;
    const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    lblStrich = named(new QLabel, "lblStrich");
    lblMean = named(new QLabel, "lblMean");
    lblMinMax = named(new QLabel, "lblMinMax");
    lblImpulszeit = named(new QLabel, "lblImpulszeit");
    for (QLabel* label : {lblStrich, lblMean, lblMinMax, lblImpulszeit}) {
        label->setFont(mono);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    labels->addWidget(lblStrich);
    labels->addWidget(lblMean);
    labels->addSpacing(24);
    labels->addWidget(lblMinMax);
    labels->addSpacing(24);
    labels->addWidget(lblImpulszeit);
    labels->addStretch();
    cmdChartType = named(new QPushButton, "cmdChartType");
    labels->addWidget(cmdChartType);
    root->addLayout(labels);

    connect(cmdChartType, &QPushButton::clicked, this, &FrmChartG::cmdChartType_Click);
    resize(960, 640);
}

void FrmChartG::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Once per opening: the window always opens as a line chart, but coming back to it from
    // another window keeps the type the user chose.
    if (!activated_) Form_Activate();
}

void FrmChartG::Form_Activate() {
    activated_ = true;
    chartType_ = ChartType::Line;
    cmdChartType->setText(S(12));
    setWindowTitle(programTitle());
    showText(lblImpulszeit, data_.pulseTimeText);
    showText(lblStrich, data_.lineSampleText);
    showText(lblMean, data_.meanText);
    showText(lblMinMax, data_.minMaxText);
    draw();
}

void FrmChartG::cmdChartType_Click() {
    chartType_ = nextChartType(chartType_);
    draw();
}

void FrmChartG::draw() { drawChart(chartOf(*MSChartG), data_, chartType_, ChartSize::Large); }

}  // namespace zenu
