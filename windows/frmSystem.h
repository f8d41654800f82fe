#pragma once
// The system setup window: the unit's communication and calibration settings and the
// relay and input maps of the active process.
//
// So far it holds the detector calibration's start: the channel list cboCal and the
// button cmdCalibrate on the first page of tabForm; the other pages come with the window.
#include <QWidget>
#include <cstdint>

class QComboBox;
class QPushButton;
class QTabWidget;

class frmSystem : public QWidget {
    Q_OBJECT
public:
    explicit frmSystem(QWidget* parent = nullptr);
    ~frmSystem() override;

    // Refill the relay and input grids from the relay/input maps of the active process.
    void InitGridRelay();
    void InitGridInput();

    // Starts the calibration of the detector of the channel chosen in cboCal, in STOPPED
    // or STOP LAYER only.
    void cmdCalibrate_Click();

    QTabWidget* tabForm = nullptr;
    QComboBox* cboCal = nullptr;
    QPushButton* cmdCalibrate = nullptr;

private:
    // A process was selected: its relay and input maps are new.
    void ApEvent_IOMapsChange(int16_t nProcess);
};

// The system setup window while it is loaded (shown or not); null otherwise.
extern frmSystem* gSystemForm;
