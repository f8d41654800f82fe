#pragma once
// The system setup window: the unit's communication and calibration settings and the
// relay and input maps of the active process.
#include <QWidget>
#include <cstdint>

class frmSystem : public QWidget {
    Q_OBJECT
public:
    explicit frmSystem(QWidget* parent = nullptr);
    ~frmSystem() override;

    // Refill the relay and input grids from the relay/input maps of the active process.
    void InitGridRelay();
    void InitGridInput();

private:
    // A process was selected: its relay and input maps are new.
    void ApEvent_IOMapsChange(int16_t nProcess);
};

// The system setup window while it is loaded (shown or not); null otherwise.
extern frmSystem* gSystemForm;
