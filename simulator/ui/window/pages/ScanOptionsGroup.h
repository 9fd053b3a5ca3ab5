#pragma once
// The group "Error Scanning Options" (gbZULMOptions) of the "Settings" page: the scanning mode,
// the increment mode, the fault readings between two increments, the scanning request and the
// layout of the fault entries. The controls keep their values in their ranges; the options load
// sets them without reporting a change, and every change the operator makes is reported, for
// the window to keep the values it writes to SystemSettings.ini when it closes.
#include "SystemSettings.h"

#include <QGroupBox>

class QButtonGroup;
class QComboBox;
class QSpinBox;

inline constexpr const char* ScanningModeCaptions[ScanningModeItems] = {"Normal", "Alternative"};
inline constexpr const char* IncrementModeCaptions[IncrementModeItems] = {"Standard", "SAE", "SAE no alpha",
                                                                          "No alpha"};
inline constexpr const char* ScanningRequestItems[] = {"ERROR_1", "ERROR_2", "ERROR_3"};

// A group of radio buttons with an item index: -1 when none is selected.
class RadioGroup final : public QGroupBox {
public:
    RadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);
    int ItemIndex() const;
    // Selects the item (none for an index outside the items) without reporting a click.
    void SetItemIndex(int index);
    QButtonGroup& Buttons() { return *buttons_; }

private:
    QButtonGroup* buttons_;
};

class ScanOptionsGroup final : public QGroupBox {
    Q_OBJECT
public:
    explicit ScanOptionsGroup(QWidget* parent = nullptr);

    // The options load: the controls take the scanning options without reporting a change.
    void Show(const SystemOptions& options);
    // The controls' values in place of the scanning options.
    void Apply(SystemOptions& options) const;
    // The item of "Error Scanning Request" ("ERROR_1" is 0); -1 none.
    int ScanRequestItem() const;

signals:
    // The operator changed a scanning option.
    void changed();

private:
    RadioGroup* rgScanningMode_ = nullptr;
    QComboBox* cboErrorIncMode_ = nullptr;
    QSpinBox* seErrorScaningRequestCount_ = nullptr;
    QComboBox* cboErrorScanningRequest_ = nullptr;
    QSpinBox* seErrorCodeOffset_ = nullptr;
    QSpinBox* seStatusBytePos_ = nullptr;
    QSpinBox* seBytesPerError_ = nullptr;
};
