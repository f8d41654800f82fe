#pragma once
// The application-state object: the active process, the current step of a run, the run
// phase, the map of which layer each channel deposits in each step of the active process,
// and the configuration file. One instance, gApp, made first by the start routine.
#include "app/Globals.h"
#include "platform/BoundedArray.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <cstdint>

class cIniFile;

// The status messages of StatusMsg.
namespace StatusMsgCode {
constexpr int16_t None = 0;           // the label is emptied
constexpr int16_t Unchanged = 1;      // the label is left as it is
constexpr int16_t CommError = 2;      // "COMM ERROR" (red), not while simulating
constexpr int16_t EndLayerTotal = 3;  // "End Deposit Layer n - Total"
constexpr int16_t EndLayerTime = 4;   // "End Deposit Layer n - Time"
constexpr int16_t StopLayerUser = 5;  // "Stop Layer n - User"
constexpr int16_t SlowLink = 6;       // "SLOW LINK" (red), not while simulating
}  // namespace StatusMsgCode

class cApp : public QObject {
    Q_OBJECT
public:
    explicit cApp(QObject* parent = nullptr);
    ~cApp() override;

    // The active process (1..25 once selected). Setting it selects the process: an empty
    // process gets a default layer, the layer map, relay/input maps and graph settings are
    // loaded, the run goes to step 1 and (outside the start-up) to STOPPED, and
    // ProcessChange is raised. A number outside 1..25 is reported and changes nothing.
    int16_t ProcNum() const { return ProcNum_; }
    void setProcNum(int16_t nProcess);
    // The selection itself: the process's relay/input map and graph settings are read
    // first (waited for while another program holds the file), and nothing changes until
    // they are; modDB::FileRefused when the file stays held, or when what the selection
    // found (the run's phase, the process, a stop, the exit, a calibration) moved on while
    // it waited, the process that was active staying active with its own maps. setProcNum
    // tells that refusal in one box.
    // settingsRead: the caller has just read them (File > Open, in its own load).
    void SelectProcess(int16_t nProcess, bool settingsRead = false);

    // Rebuilds the layer map of the process: 0, or the number of an unexpected error
    // (the map then holds what was entered before it).
    int16_t BuildProcess(int16_t nProcess);

    // The step at which the run was last stopped; 0 after INIT RUN.
    int16_t StopLayer() const { return StopLayer_; }

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
    // A run is going: started and not yet back in STOPPED (a stopped layer included).
    bool RunGoing() const;
    // Stops asked for so far (STOPPED or STOP LAYER entered, or a stop that found the run
    // stopped already): a start waiting meanwhile sees the count move and does not start.
    int Stops() const { return Stops_; }
    void NoteStop() { ++Stops_; }
    // A run start waits for its run record to be saved.
    bool StartWaiting() const { return StartWaiting_; }
    // A stop that finds no run to stop (the run is stopped, or only waiting to start):
    // a run start waiting for its record counts it and does not start. Whether one waited.
    bool CancelWaitingStart() {
        if (!StartWaiting_) return false;
        NoteStop();
        return true;
    }
    // Runs (INIT RUN) and layers (START LAYER) started so far: whether a press started one.
    int RunStarts() const { return RunStarts_; }
    int LayerStarts() const { return LayerStarts_; }
    // The end of a run: the data-log end line (when logging) and the process's next run
    // number. Entering STOPPED from a run does it; so does the exit that ends a run.
    void EndRun();
    // The phase of channel 0..7: the run phase it follows or a channel-only mode.
    int16_t ChanPhase(int16_t nChan) const { return ChanPhase_(nChan); }
    void setChanPhase(int16_t nChan, int16_t nPhase);

    // Whether graph window 0..3 is open. Setting it raises ShowGraphChange, whose handlers
    // open or close the window and check or clear its entry in the main window's graph menu.
    bool ShowGraph(int16_t Index) const { return GraphShown_(Index); }
    void setShowGraph(int16_t Index, bool State);

    // The status message last selected (a StatusMsgCode); setting it raises
    // StatusMsgChange, whose handler sets the main window's status label. Ignored during
    // shutdown.
    int16_t StatusMsg() const { return StatusMsg_; }
    void setStatusMsg(int16_t nMsgNum);

    // Reads one section of the configuration file FileName (a name in the program
    // folder) into the settings globals and the device objects. An empty name reads
    // nothing; a missing file gives a notice and every key its default.
    void IniReadApp(const QString& FileName, const QString& Section);
    // Writes the configuration back to FileName (a name in the program folder) and
    // keeps the name as SetupFile and in the per-user settings.
    // False when the file was not written; why then says why.
    bool IniWriteApp(const QString& FileName, QString* why = nullptr);

    // The program folder, ending with exactly one "\".
    QString Path() const;

    // What the exit saves: the unit's and quartz settings, and the process, layer record and
    // film given (0: none), as one piece of work. When the file cannot take it (another
    // program holds it, a full disk) the operator is asked, naming the file and what was not
    // saved, to try again or to exit without it. Once it is done (or given up), the
    // shutdown saves the settings no more.
    void SaveAtExit(int16_t nProcess, int16_t nLayer, int16_t nFilm);

    // A wait for the recipe database another program holds: the text the splash or the
    // status line shows while it lasts; empty when it has ended. Raises FileWaitChange.
    void setFileWait(const QString& text);
    QString FileWait() const { return FileWait_; }

signals:
    // A process was selected and built.
    void ProcessChange(int16_t nProcess);
    void LayerChange(int16_t nLayer);
    // The run phase changed (not for STARTUP and shutdown); carries the phase as it stands
    // once the phase's entry action has run.
    void PhaseChange(int16_t nPhase);

    // The windows' part of the setters, raised where the windows must follow. Connections
    // are direct: the handlers have run when the setter goes on.
    // The relay and input maps of the selected process are loaded (setup window's grids).
    void IOMapsChange(int16_t nProcess);
    // The graph settings of the selected process are loaded (graph menu captions).
    void GraphSettingsChange(int16_t nProcess);
    // Graph window Index is to be open (State) or closed; raised on every ShowGraph Let.
    void ShowGraphChange(int16_t Index, bool State);
    // A layer starts: the open graph windows start their charts afresh.
    void GraphRestart();
    // A status message was selected (never during shutdown).
    void StatusMsgChange(int16_t nMsgNum);
    // A channel asks for a manual ramp while no layer runs: the run is started as the
    // START button starts it.
    void RunStartRequest();
    // A wait for the recipe database began (its text) or ended (an empty text).
    void FileWaitChange(const QString& text);

private:
    // The start-up sequence (run by Phase 0) and the shutdown (run by Phase 99).
    void ApInitialize();
    void ApTerminate();
    // The setter's own work on entering a run phase: totals, filters, log lines, run number.
    // False: the phase is not entered (a start whose run record the file does not take).
    bool PhaseBookkeeping(int16_t nPhase);
    // Stores the active process as a run starts; false, told once, when it cannot be
    // stored (whatever the reason) or what the start checked no longer holds once the file
    // took it: the run does not start.
    bool SaveRunProcess();
    // Whether a run or a layer may start now; a refusal the operator must hear of is told
    // once.
    bool StartAllowed();

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
    int16_t StopLayer_ = 0;
    int16_t StatusMsg_ = 0;
    BoundedArray<bool, 0, 3> GraphShown_;
    QString FileWait_;
    bool SettingsSavedAtExit_ = false;
    int Stops_ = 0;
    int RunStarts_ = 0;
    int LayerStarts_ = 0;
    bool StartWaiting_ = false;
};
