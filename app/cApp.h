#pragma once
// The application-state object: the active process, the current step of a run, the run
// phase, the map of which layer each channel deposits in each step of the active process,
// and the configuration file. One instance, gApp, made first by the start routine.
#include "platform/BoundedArray.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <cstdint>

class cIniFile;

class cApp : public QObject {
    Q_OBJECT
public:
    explicit cApp(QObject* parent = nullptr);
    ~cApp() override;

    // The active process (1..25 once selected).
    int16_t ProcNum() const { return ProcNum_; }
    // Selects the active process: its layer map, its relay/input maps and graph
    // settings, step 1 (cApp_ProcNum.cpp).
    void setProcNum(int16_t nProcess);

    // Rebuilds the layer map of the process: 0, or the number of an unexpected error
    // (the map then holds what was entered before it).
    int16_t BuildProcess(int16_t nProcess);

    // The current step of the process (from 1). Setting it raises LayerChange.
    int16_t ProcLayer() const { return ProcLayer_; }
    void setProcLayer(int16_t nLayer);

    // The layer record that channel nChan deposits in the current step, 0 when none; its
    // film (0 when none) and its source output (-1 when none).
    int16_t ChanLayer(int16_t nChan) const { return ProcLayerIndex(ProcLayer_, nChan); }
    int16_t ChanFilm(int16_t nChan) const { return ProcFilmIndex(ProcLayer_, nChan); }
    int16_t ChanOutput(int16_t nChan) const;
    // The same for step nLayer.
    int16_t ProcLayerIndex(int16_t nLayer, int16_t nChannel) const;
    int16_t ProcFilmIndex(int16_t nLayer, int16_t nChannel) const;

    // The run phase (a phase code).
    int16_t Phase() const { return Phase_; }
    void setPhase(int16_t nPhase);
    // The phase of channel 0..7: the run phase it follows or a channel-only mode.
    int16_t ChanPhase(int16_t nChan) const { return ChanPhase_(nChan); }
    void setChanPhase(int16_t nChan, int16_t nPhase);

    // Reads one section of the configuration file FileName (a name in the program
    // folder) into the settings globals and the device objects. An empty name reads
    // nothing; a missing file gives a notice and every key its default.
    void IniReadApp(const QString& FileName, const QString& Section);
    // Writes the configuration back to FileName (a name in the program folder) and
    // keeps the name as SetupFile and in the per-user settings.
    void IniWriteApp(const QString& FileName);

    // The program folder, ending with exactly one "\".
    QString Path() const;

signals:
    void LayerChange(int16_t nLayer);

private:
    // The sections of the configuration file.
    void IniReadApplication(cIniFile& ini);
    void IniReadQCM(cIniFile& ini);
    void IniReadCommunications(cIniFile& ini);
    void IniReadDatalog(cIniFile& ini);
    void IniReadDisplay(cIniFile& ini);
    void IniReadDebug(cIniFile& ini);
    void IniReadSensor(cIniFile& ini);

    int16_t ProcNum_ = 0;
    // (step, channel) -> layer record
    QHash<int32_t, int16_t> LayerMap_;
    int16_t ProcLayer_ = 0;
    int16_t Phase_ = 0;
    BoundedArray<int16_t, 0, 7> ChanPhase_;
};

// The application-state object, made first by the start routine.
extern cApp* gApp;
