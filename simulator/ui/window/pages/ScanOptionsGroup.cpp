#include "ScanOptionsGroup.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

template <typename W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The spin values the form starts with (and shows until a simulation is loaded).
const SystemOptions FormValues{};

} // namespace

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), buttons_(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        buttons_->addButton(button, i);
        layout->addWidget(button);
    }
}

int RadioGroup::ItemIndex() const { return buttons_->checkedId(); }

void RadioGroup::SetItemIndex(int index) {
    const QSignalBlocker blocker(buttons_);
    if (QAbstractButton* button = buttons_->button(index)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group never lets its last button go: none is selected with the rule off.
    buttons_->setExclusive(false);
    for (QAbstractButton* button : buttons_->buttons()) button->setChecked(false);
    buttons_->setExclusive(true);
}

ScanOptionsGroup::ScanOptionsGroup(QWidget* parent) : QGroupBox(QStringLiteral("Error Scanning Options"), parent) {
    setObjectName(QStringLiteral("gbZULMOptions"));
    auto* layout = new QVBoxLayout(this);

    QStringList modes;
    for (const char* mode : ScanningModeCaptions) modes << QString::fromLatin1(mode);
    rgScanningMode_ = Named(new RadioGroup(QStringLiteral("Scanning Mode"), modes, this), "rgScanningMode");
    rgScanningMode_->SetItemIndex(FormValues.ScanningMode);
    layout->addWidget(rgScanningMode_);

    auto* rows = new QFormLayout;
    auto row = [&](const char* labelName, const char* caption, QWidget* control) {
        auto* label = Named(new QLabel(QString::fromLatin1(caption), this), labelName);
        label->setBuddy(control);
        rows->addRow(label, control);
    };
    auto spin = [&](const char* name, int value) {
        auto* box = Named(new QSpinBox(this), name);
        box->setRange(ScanSpinMin, ScanSpinMax);
        box->setValue(value);
        connect(box, &QSpinBox::valueChanged, this, &ScanOptionsGroup::changed);
        return box;
    };

    cboErrorIncMode_ = Named(new QComboBox(this), "cboErrorIncMode");
    for (const char* mode : IncrementModeCaptions) cboErrorIncMode_->addItem(QString::fromLatin1(mode));
    cboErrorIncMode_->setCurrentIndex(FormValues.IncrementMode);
    row("lblErrorIncMode", "Increment Mode", cboErrorIncMode_);

    seErrorScaningRequestCount_ = spin("seErrorScaningRequestCount", FormValues.FaultReadNumber);
    row("lblErrorScaningRequestCount", "Fault Reading requests number beetween two increments",
        seErrorScaningRequestCount_);

    cboErrorScanningRequest_ = Named(new QComboBox(this), "cboErrorScanningRequest");
    for (const char* item : ScanningRequestItems) cboErrorScanningRequest_->addItem(QString::fromLatin1(item));
    cboErrorScanningRequest_->setCurrentIndex(0);
    row("lblErrorScanningRequest", "Error Scanning Request", cboErrorScanningRequest_);

    seErrorCodeOffset_ = spin("seErrorCodeOffset", FormValues.ErrorCodeOffset);
    row("lblErrorCodeOffset", "Error code offset", seErrorCodeOffset_);
    seStatusBytePos_ = spin("seStatusBytePos", FormValues.StatusBytePos);
    row("lblStatusBytePos", "Status byte position", seStatusBytePos_);
    seBytesPerError_ = spin("seBytesPerError", FormValues.BytesPerError);
    row("lblBytesPerError", "Bytes per error", seBytesPerError_);
    layout->addLayout(rows);
    layout->addStretch(1);

    connect(&rgScanningMode_->Buttons(), &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) emit changed();
    });
    connect(cboErrorIncMode_, &QComboBox::currentIndexChanged, this, &ScanOptionsGroup::changed);
}

void ScanOptionsGroup::Show(const SystemOptions& options) {
    const QSignalBlocker a(cboErrorIncMode_), b(seErrorScaningRequestCount_), c(seErrorCodeOffset_),
        d(seStatusBytePos_), e(seBytesPerError_);
    rgScanningMode_->SetItemIndex(options.ScanningMode);
    cboErrorIncMode_->setCurrentIndex(options.IncrementMode); // -1: none
    seErrorScaningRequestCount_->setValue(options.FaultReadNumber);
    seErrorCodeOffset_->setValue(options.ErrorCodeOffset);
    seStatusBytePos_->setValue(options.StatusBytePos);
    seBytesPerError_->setValue(options.BytesPerError);
}

void ScanOptionsGroup::Apply(SystemOptions& options) const {
    options.ScanningMode = rgScanningMode_->ItemIndex();
    options.IncrementMode = cboErrorIncMode_->currentIndex();
    options.FaultReadNumber = seErrorScaningRequestCount_->value();
    options.ErrorCodeOffset = seErrorCodeOffset_->value();
    options.StatusBytePos = seStatusBytePos_->value();
    options.BytesPerError = seBytesPerError_->value();
}

int ScanOptionsGroup::ScanRequestItem() const { return cboErrorScanningRequest_->currentIndex(); }
