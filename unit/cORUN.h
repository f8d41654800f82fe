#pragma once
// The program's link to the controller unit: the frames on the wire, one command in flight
// with a queue behind it, the reply time-out, the unit's data model kept from its replies,
// and the commands that change the unit. One instance, gORUN.
//
// Channels 0..7, sensors 0..3, outputs 0..7, relays 0..11 and inputs 0..12 are counted
// from 0 here and from 1 in the unit's command texts. The firmware version is kept
// times 100 (411 for 4.11).
#include "app/Globals.h"
#include "app/Ring.h"
#include "platform/BoundedArray.h"
#include "unit/FrameCollector.h"

#include <QObject>
#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>

// The reading states of the link (cORUN::RdgType): readings feed the channels' flux, or
// they measure one point of a channel's two-point calibration.
namespace RdgType {
constexpr int32_t Normal = 0;
constexpr int32_t HighPoint = 2;     // measuring at the high bias
constexpr int32_t LowPoint = 3;      // measuring at the low bias
constexpr int32_t AwaitingAck = 99;  // a bias was sent; its point starts with the unit's "C"
}  // namespace RdgType

// The link's time-outs and waits.
namespace OrunTiming {
constexpr int FirstReplyMs = 1000;     // from a command to the first reply time-out
constexpr int RepeatReplyMs = 2000;    // between time-outs while the unit stays silent
constexpr int IdentifiedMs = 5000;     // the reply timer once the unit has identified itself
constexpr int TcpConnectMs = 1000;     // the wait for a TCP connection to the unit
// The least time from one TCP connection attempt to the next: a peer that accepts and drops
// every connection (a rebooting unit, a device server without its serial side) is tried at
// this pace while the link shows its failure, not as fast as the loopback answers.
constexpr int ReconnectPaceMs = 1000;
// The shutdown's stop (zero powers, relay word, emission off) is sent again while its reply
// stays out this long, and given up only once the unit has been silent for a whole reply
// time-out and more.
constexpr int StopResendMs = 500;
constexpr int ShutdownStopMs = IdentifiedMs + 1000;
// The pace at which the relay word (and, while a run or a hand-set power needs them, the
// detector voltages and powers) are given to the unit again: a unit that restarted
// without a lost reply holds the program's state again within one reply time-out.
constexpr int ReassertMs = 2500;
constexpr int PmtOffSettleMs = 100;    // the wait after a PMT is switched off for calibration
constexpr float MissingReadingSeconds = 2.0f;  // an active channel without readings is in error
// The link's pace. A question of the poll (sensors, inputs, a new reading) that waits longer
// than SlowLinkMs for its answer while the unit answers marks the link slow: readings and
// inputs come late. The link is back at its pace once no question of the poll has waited
// longer than PaceBackMs for PaceBackForMs.
constexpr int SlowLinkMs = 1000;
constexpr int PaceBackMs = 500;
constexpr int PaceBackForMs = 2000;
// A reply that does not come is asked for again once the unit's own pace says it is
// overdue: a few times the replies' usual time, never sooner than AskAgainFloorMs nor later
// than AskAgainCeilingMs, each further ask of the same exchange AskAgainBackoff times later.
// The reply time-out still runs from the first send, so a unit that stays silent is
// declared lost as before.
constexpr int AskAgainFloorMs = 100;
constexpr int AskAgainCeilingMs = 2500;
constexpr double AskAgainBackoff = 1.5;
// The pace is judged by only once this many replies measured it.
constexpr int AskAgainAfterReplies = 16;
// After a lost reply the unit's readings show whether it kept its settings; a silence
// this long may hide a restart (a supply dip), and no power goes out until they show it.
constexpr int RestartSuspectMs = 250;
// Without a reading that can tell (no channel was given its measurement period), a
// silence this long is taken for a restart: random losses of a usable link rarely add up
// to it.
constexpr int RestartGuessMs = 1000;
// A silence this long is taken for a restart whatever the readings say.
constexpr int RestartSilenceMs = 2000;
// After the unit answers again, the readings have this long to show whether it kept its
// settings; without a reading that can tell, it did.
constexpr int RestartJudgeMs = 1000;
// Over about the last LossWindow commands a share of unanswered ones at or above
// LossTooPoor makes the link too poor to control the plant; it is fit again below
// LossFitAgain.
constexpr double LossWindow = 100.0;
constexpr double LossTooPoor = 0.25;
constexpr double LossFitAgain = 0.15;
// After a restart an output climbs from 0 at this rate (% per second) unless the run
// gives it its own.
constexpr double DefaultClimbRate = 5.0;
// ... and its powers go out again at this pace while nothing else sends them.
constexpr int ClimbStepMs = 90;
}  // namespace OrunTiming

// The unit's codes of an analog output: 0 V at ZeroVolts, each 10 V of a full scale a span of
// Span codes above it. A full scale of OneToFive marks the "1-5" V mode (0 % at 1 V,
// 100 % at 5 V), whose hand-control code is HandCtrlOneToFive.
namespace OutputCode {
constexpr int32_t ZeroVolts = 32767;
constexpr double Span = 32767.0;
constexpr double HandCtrlSpan = 32768.0;  // the hand controller counts one code more per 10 V
constexpr double OneToFive = 50.0;
constexpr int32_t HandCtrlOneToFive = 49151;
// Values above it are PMT calibration values, at or below it PMT volts.
constexpr int32_t PmtCalThreshold = 65356;
}  // namespace OutputCode

class ccrpTimer;
class cErrHandler;
class SPort;
class Winsock;

class cORUN : public QObject {
    Q_OBJECT
public:
    explicit cORUN(QObject* parent = nullptr);
    ~cORUN() override;

    // ---- Link and transport ----
    // lPort 1..9: serial port "COMn" at 115200,N,8,1; 10: TCP through the given socket
    // (connects it to eAddr:ePort and waits 1000 ms; True without a socket, which keeps
    // the socket held from before); other: False. The socket is held until another one is
    // given, so a choice of no port or a serial port and back to TCP finds it again.
    // A connection is never attempted inside the wait of another (a failure raised there
    // asks for one) nor sooner than ReconnectPaceMs after the last attempt began: such a
    // call changes nothing and returns False, and the reply time-out tries again.
    bool CommInit(int lPort, int ePort, const QString& eAddr, Winsock* eCtrl = nullptr);
    // True while a wait of the link lets events run (the TCP connect, the PMT settling at
    // a calibration start): whoever would release the link waits for it to end.
    bool Waiting() const { return Waiting_ > 0; }
    // The shutdown's last exchange: the zero powers, the relay word as it now stands,
    // emission off and the hand control taken back from any output go first, ahead of what waits (the poll's requests are dropped), past a
    // reply still awaited, and again while their replies stay out; events run until the
    // unit has answered them all or ms have passed. A unit that answered nothing in that
    // time is given up, and that is written to the error report. A unit that never
    // answered since the start (none attached) is not waited for. True when all was
    // answered. Safe against the link being released meanwhile (False).
    bool FinishShutdown(int ms);
    // The shutdown gave the unit up: it never confirmed the stop.
    bool StopGivenUp() const { return StopGivenUp_; }
    int CommPort() const { return CommPort_; }
    int ePort() const { return ePort_; }
    QString EAddress() const { return EAddress_; }
    bool Enabled() const { return Enabled_; }
    void setEnabled(bool value);
    // 0 idle, 1 a reply is awaited, 2 the reply timed out.
    int CommStatus() const { return CommStatus_; }
    // Takes one received byte (serial receive event, the main window's socket handler).
    // Always returns an empty text.
    QString ParseResponse(uint8_t RcvByte);
    // The same for a run of received bytes, in order; stops when a reply handler releases
    // the link.
    void ParseResponses(QByteArrayView bytes);
    // The last command put on the wire, and the last reply text.
    QString Command() const { return Command_; }
    QString Response() const { return Response_; }

    // ---- Queue and shutdown ----
    // The oldest waiting command, left in the queue; False when it is empty text.
    bool Front(QString& varData) const;
    // Shutdown: sets every output's power to 0, every sensor's emission off and the hand
    // control to no output, and sends them at once, ahead of what waits and past a reply still awaited. The value is
    // ignored. From then on the link is terminating: every power set is held at 0, so
    // nothing powers a source again before the program ends; the poll's requests are no
    // longer sent; a command whose reply stays out is sent again every StopResendMs.
    void setTerminate(bool value);
    bool Terminating() const { return Terminating_; }

    // The relay word, and when asked the detector voltages of every channel the program
    // gave them to (not the channel under PMT calibration) and the powers, sent as the
    // program holds them: a unit that restarted holds them again.
    void ReassertUnit(bool detectors, bool powers);

    // ---- The poll's questions and the link's pace ----
    // The poll asks for the sensors ("D"), the digital inputs ("M") and whether a new
    // reading is ready ("F"); a reply "F1" asks for the reading ("G"). Each waits in the
    // queue at most once: it is not asked again while it waits or is on the wire ("F" not
    // while the reading is asked for), so at any pace of the unit's replies the questions
    // come round in turn, each within a few replies, in order with the commands before them.
    // Nor is a command that sets the unit queued again while the last waiting command that
    // sets the same (powers, relay word, a channel's detector volts...) sets it alike.
    //
    // True while the unit answers but the poll's questions wait long for their answers
    // (OrunTiming::SlowLinkMs): the window says so. Nothing acts on it.
    bool SlowLink() const { return SlowLink_; }

    // ---- Lost replies and restarts ----
    // A reply that does not come is a fault of that exchange: the command is asked again
    // (a reading request as "G", so no reading is taken twice) once the unit's measured
    // pace says the reply is overdue (OrunTiming::AskAgain*). A reply that comes for an
    // exchange already answered (the unit was slow, not deaf) is skipped by its letter.
    // The reply time-out still runs from the first send.
    // The unit's usual reply time (ms), as measured; 0 before the first.
    double ReplyPace() const { return ReplyPace_; }
    // The share of commands over about the last OrunTiming::LossWindow that got no reply.
    double LossShare() const;
    // The link loses too many replies to control the plant (LinkTooPoor raised).
    bool TooPoor() const { return TooPoor_; }
    // A lost reply is followed by the judgement whether the unit restarted; after a
    // silence that could hide a restart, powers are held back meanwhile.
    bool JudgingRestart() const { return Suspect_; }
    // After a restart each output climbs from 0 at most at its rate (% per second): the
    // power set is capped by the climb until the climb passes it.
    void setClimbRate(int o, double percentPerSecond);
    bool Climbing(int o) const;

    // ---- Unit data model and commands ----
    int32_t Version() const { return Version_; }

    int32_t OpMode() const { return OpMode_; }
    void setOpMode(int32_t value) { OpMode_ = value; }
    int32_t OutputError(int) const { return 0; }

    bool ChanActive(int ch) const;
    bool NoPMTs() const { return !AnyChanActive_; }
    int32_t ChanError(int ch) const;
    double ChanPeriod(int ch) const;
    int32_t ChanCounts(int ch, int Rdg) const;
    // How many readings of the channel the unit has delivered since the program started
    // (wraps round): a reading is new when the count moved on since it was last noted.
    uint32_t ReadingsTaken(int ch) const;

    int32_t ChanUpdate(int ch) const { return ChanUpdate_(ch); }
    void setChanUpdate(int ch, int32_t ms);
    int32_t PMTVolts(int ch) const { return PMTVolts_(ch); }
    // 0..1250 V, kept and sent to an active channel; a channel under detector calibration
    // gets them when the calibration ends.
    void setPMTVolts(int ch, int32_t volts);
    // The channel's detector was last sent these volts (not known after an identification
    // until they are sent again; 0 while a calibration has its PMT off).
    bool DetectorGiven(int ch, int32_t volts) const { return PMTVoltsSent_(ch) == volts; }
    int32_t PMTCal(int ch) const { return PMTCal_(ch); }
    void setPMTCal(int ch, int32_t value);
    int32_t SensorMap(int ch) const { return SensorMap_(ch); }
    void setSensorMap(int ch, int32_t value) { SensorMap_(ch) = value; }
    int32_t CalPackets(int ch) const { return CalPackets_(ch); }
    void setCalPackets(int ch, int32_t value) { CalPackets_(ch) = value; }

    int32_t EmissionOn(int s) const { return EmissionOn_(s); }
    void setEmissionOn(int s, int32_t value);
    double EmissionSetPt(int s) const { return EmissionSetPt_(s); }
    void setEmissionSetPt(int s, double value);
    double MaxLeakage(int s) const { return MaxLeakage_(s); }
    void setMaxLeakage(int s, double value);
    double GasCal(int s) const;
    void setGasCal(int s, double value);
    bool GasCalEnabled() const { return GasCalEnabled_; }
    void setGasCalEnabled(bool value) { GasCalEnabled_ = value; }
    void SensorParams(double LeakOffset, double LeakGain, double PowerGain);
    int16_t ORUNSensorOn(int s) const;
    double EmissionCurrent(int s) const;
    double LeakageCurrent(int s) const;
    double SensorPower(int s) const;
    double FilamentCurrent(int s) const;
    double BiasVoltage(int s) const;

    bool Relay(int n) const;
    void setRelay(int n, bool on);
    int16_t RelayReg() const { return RelayReg_; }
    void SendRelays();
    bool InputState(int n) const;
    int16_t InputReg() const { return InputReg_; }

    int32_t Filter(int n) const;
    void setFilter(int n, int32_t value);
    void SendFilter(int n);
    int32_t FilterStatus(int n) const { return FilterStatus_(n); }

    int HandCtrlOutput() const { return HandCtrlOutput_; }
    void setHandCtrlOutput(int o);
    double FullScale(int o) const { return FullScale_(o); }
    void setFullScale(int o, double volts);
    double MaxPower(int o) const { return MaxPower_(o); }
    void setMaxPower(int o, double percent);
    // The power set (after a restart, also while the climb still holds the unit below it).
    double Power(int o) const;
    void setPower(int o, double percent);
    void SendPower();
    // The power the unit has confirmed for output o: the one its last answered power
    // command carried (0 until one was answered). The power set in the program reaches the
    // unit only with a command the unit answers; until then the two differ.
    double PowerHeld(int o) const;
    // The unit holds the program's power on output o: it answered a power command that
    // carried it, no power command that would change it is on the wire or waiting, and the
    // link has not lapsed since (a reply time-out, an identification: a unit that may have
    // restarted holds nothing it acknowledged before).
    bool PowerConfirmed(int o) const;

    void SendString(const QString& sText);
    void SendGetVersion();
    void SendReadChannels();
    void SendReadSensors();
    void SendReadDigitalInputs();
    void SendCheckReading();
    void SendGetReading();

    // ---- Channel signals and calibration ----
    double I1_Total(int ch) const;
    double I2_Total(int ch) const;
    double I3_Bkg(int ch) const;
    double ChanFlux(int ch) const;
    double ChanPercent(int ch) const;
    double GasPercent(int ch) const;
    int32_t RdgType() const { return RdgType_; }
    int CalChan() const { return CalChan_; }
    // ch 0..7 starts the channel's calibration (not once the exit is confirmed); a negative
    // value ends it: the channel's detector gets its volts back, and a calibration that had
    // not finished leaves the channel the calibration it had before.
    void setCalChan(int ch);
    double CalHiBias() const { return CalHiBias_; }
    double CalLoBias() const { return CalLoBias_; }
    void setCalHiBias(double value);
    void setCalLoBias(double value);
    int32_t CalHiCounts(int ch, int integ) const { return CalHiCounts_(ch)(integ); }
    void setCalHiCounts(int ch, int integ, int32_t v) { CalHiCounts_(ch)(integ) = v; }
    int32_t CalLoCounts(int ch, int integ) const { return CalLoCounts_(ch)(integ); }
    void setCalLoCounts(int ch, int integ, int32_t v) { CalLoCounts_(ch)(integ) = v; }
    double CalSlope(int ch, int integ) const { return CalSlope_(ch)(integ); }
    void setCalSlope(int ch, int integ, double v) { CalSlope_(ch)(integ) = v; }
    double CalIntercept(int ch, int integ) const { return CalIntercept_(ch)(integ); }
    void setCalIntercept(int ch, int integ, double v) { CalIntercept_(ch)(integ) = v; }
    // Whether the channel's calibration can mean something: each integration's line is one
    // that a two-point measurement at the station's biases can give with the converter's
    // 32-bit counts (a slope of the bias span over a count difference of 1 up to the whole
    // count range, the intercept putting both points' counts within that range; or equal
    // counts at both biases, slope 0 and intercept the high bias, sound only for the
    // background, which then subtracts nothing), the signal integration follows the bias,
    // and no count of the converter's range takes the flux beyond a number. A slope of 0 on
    // the signal (a row no calibration ever wrote, a dead converter), a slope steeper than
    // one count per bias span, or an intercept no counts give, is no calibration.
    bool CalibrationSound(int ch) const;
    // The last calibration measured no such line: the channel kept the one it had.
    bool CalibrationRefused() const { return CalRefused_; }

signals:
    // A command was put on the wire (not when it was queued).
    void ORUNCommand(const QString& Command);
    // A good reply, after the model was updated and the next queued command sent.
    void ORUNResponse(const QString& Response);
    // 0/0 reply time-out (every 2000 ms while silent), 0/1 bad reply frame,
    // 20+ch/0 channel reported inactive, 20+ch/1 active channel without readings.
    void ORUNError(int ErrType, int ErrNum);
    // The link became slow (the poll's questions wait long for their answers), or is back
    // at its pace (SlowLink()).
    void LinkPaceChange(bool slow);
    // The unit restarted (relays off, detectors and outputs at 0 V): it identified itself
    // again after an earlier identification, lost the measurement periods it was given
    // after a silence, or stayed silent for OrunTiming::RestartSilenceMs. Raised before the
    // link's own restore of the unit goes out, so a handler can give each output its climb
    // rate (setClimbRate); the outputs climb from 0 from now on.
    void UnitRestarted();
    // The link lost so many replies that the plant cannot be controlled through it (true),
    // or is fit again (false).
    void LinkTooPoor(bool poor);

private:
    // ---- send path and queue ----
    void setCommand(QString T);  // the private send operation
    void Resend(const QString& T);  // the same, for a command whose reply came garbled
    // False when no transport took the frame.
    bool WriteFrame(const QString& T);
    void QueuePut(const QString& T);
    bool QueueTake(QString& T);
    void QueueEmpty();
    int QueueWaiting() const;
    // ---- the queue at the unit's pace (cORUN_Pace.cpp) ----
    // The question a command text is (kSensors, kInputs, kCheckReading), or -1.
    static int PollQuestion(const QString& T);
    // The poll's own requests, which only read the unit (the questions and the reading
    // request): none goes once the program ends.
    static bool ReadsOnly(const QString& T);
    // The command waits in the queue.
    bool Waits(const QString& T) const;
    // The reading request waits or is on the wire.
    bool ReadingAsked() const;
    // The questions' asks are forgotten (those dropped from the queue, and with keepOnWire
    // false the one on the wire too).
    void ForgetQuestions(bool keepOnWire);
    // A command asked while another is on the wire: True when it needs no queueing (a
    // question or reading request that waits already or is on the wire, a command that
    // sets what the last waiting one of its kind sets, alike); a question that goes into
    // the queue has its ask noted.
    bool AskedAlready(const QString& T);
    // The reply to the command on the wire came: the waits of the poll's questions decide
    // the link's pace.
    void NotePace();
    void setSlowLink(bool slow);
    // A reply time-out or an identification: nothing the unit acknowledged before counts.
    void ForgetHeldPowers();
    // ---- lost replies and restarts (cORUN_Recovery.cpp) ----
    // A command went on the wire (first send or ask).
    void NoteSent(bool ask);
    // A good reply came for the exchange on the wire: its pace, the loss count, and after
    // a silence that may hide a restart the verdict it already gives (-1 none yet, 0 the
    // unit kept its settings, 1 it restarted), acted on once the reply is handled.
    int NoteAnswered();
    // The reply is overdue: the command goes out again. Checked whenever a command is
    // issued while one is on the wire, so on a sound link the poll's own pace wakes it and
    // no timer runs for it; once a reply is late a timer wakes the link when it is due.
    void CheckOverdue();
    void AskAgain();
    void SetAskDue();
    // The link lapsed (a reply time-out, an identification under way) after the unit had
    // identified itself: what it holds is not known until it does again.
    bool UnitUnknown() const { return Identified_ && (CommStatus_ == 2 || Version_ == 0); }
    void StartAskTimer(int64_t ms);
    // A good reply that cannot answer the command on the wire, while replies of earlier
    // asks may still come: it is one of them.
    bool StaleReply(const QString& R);
    // The letter a reply to T starts with (0 for a command whose reply is not known).
    static QChar ReplyLetter(const QString& T);
    void NoteLoss(bool sent);
    // A reading reply: a channel whose measurement period changed without being given
    // tells a unit that lost its settings.
    void JudgePeriods(const int32_t (&periods)[8], const bool (&read)[8]);
    void EndSuspect(bool restarted);
    // The unit restarted: nothing it acknowledged counts, it gets the program's state
    // again, and every output climbs from 0.
    void TakeRestart(bool climb);
    double ClimbCap(int o) const;
    // While a climb holds an output below its power, the powers go out again as it rises.
    void FollowClimb();
    // The power codes as the program's powers and the climb give them.
    void ApplyPowers();
    // What the unit acknowledged, per value a command sets (SetsWhat).
    bool RepeatsAcknowledged(const QString& T) const;
    void NoteAcknowledged();
    // The last waiting command that sets what T sets, or null.
    QString* LastWaitingOfKind(const QString& T);
    // After an identification: the present relay word, powers, emission set points and
    // hand-control output go to the unit again (the channels' periods and PMT volts follow
    // the channel reply).
    void RestoreUnit();
    // ---- shutdown ----
    // The commands of the stop: zero powers, the relay word when given (>= 0), emission off
    // for every sensor, and the hand control taken back when asked.
    static QStringList StopCommands(int32_t relayWord, bool handControl);
    // The unit's last stop (platform/LastStop) is given the stop's frames (with the relay
    // word the shutdown would leave) and the link's descriptor as they now stand.
    void KeepLastStop(bool frames);
    // The stop goes to the head of the queue (powers, the relay word when asked for,
    // emission), replacing what waits of the same kinds; a command whose reply is awaited
    // is given up and the stop's first command written at once.
    void PutStopFirst(bool relays);
    // True, and the attempt noted, when a TCP connection may be attempted now: the last
    // one began at least ReconnectPaceMs ago.
    bool ConnectDue();
    // A reply that cannot be the answer to the stop command on the wire (another
    // command's, given up or sent twice): it is skipped.
    bool StaleStopReply(const QString& R) const;
    // The command on the wire again, over a transport brought back when it dropped.
    void ResendStop();
    void ReportStopGivenUp();
    bool CanWrite() const;
    // The TCP socket the link talks through; its close is a link failure.
    void HoldSocket(Winsock* socket);
    void Socket_Closed();
    void LinkLost();
    bool Idle() const { return CommStatus_ != 1 && QueueWaiting() == 0; }
    void DoResponse(QString R);
    void ORUNTimer_Timer();
    void CheckMissingReadings(float now);
    void FrameReceived();
    void LogBadFrame();
    void Port_RxData(int count);

    // ---- reply parsing ----
    void ProcessResponse(const QString& R);
    void ParseChannels(const QString& R);
    void ParseSensors(const QString& R);
    void ParseReading(const QString& R);
    void ParseInputs(const QString& R);
    void ParsePMTCal(const QString& R);
    int32_t PowerCode(int o, double percent) const;
    double PercentOfCode(int o, int32_t code) const;
    // The unit answered the power command on the wire ("K" outputs 1..6, "W" 7 and 8).
    void TakeHeldPowers(const QString& R);
    bool PowerOnItsWay(int o) const;
    void SendSetPoints();
    static int32_t VersionFromIdentification(const QString& R);

    // ---- channel signals and calibration ----
    void UpdateFlux(int ch);
    // The flux that counts c0 (main), c2 (background) and c4 (gas) give through the lines
    // of slopes s and intercepts b.
    double FluxOf(int ch, const BoundedArray<double, 0, 1>& s, const BoundedArray<double, 0, 1>& b, double c0, double c2,
                  double c4) const;
    bool LinesSound(int ch, const BoundedArray<double, 0, 1>& s, const BoundedArray<double, 0, 1>& b) const;
    // Whether one integration's line is one a two-point measurement can give.
    bool LineMeasurable(double slope, double intercept) const;
    void CalAcknowledge();
    void CalSlopeIntercept(int ch);
    // The channel's calibration as it stood when its calibration began, and that
    // calibration given back to it when the new one ends before it has finished.
    void KeepCalibration(int ch);
    void RestoreCalibration();

    // ---- the link's own error handler, for its trace ----
    cErrHandler& Err();
    bool Tracing();
    void setTracing(bool on);
    void TraceEntry(const QString& name);
    // The entry of a command put on the wire: "cORUN_Command_" and its text.
    void TraceCommand(const QString& T);
    void TraceLine(const QString& line);
    void TraceClear();
    // Reports the error in flight through the link's handler (inside a catch block),
    // naming the procedure when it is not already on the handler's stack.
    void ReportError(const char* procedure = nullptr);

    template <typename T>
    using PerChannel = BoundedArray<T, 0, 7>;
    template <typename T>
    using PerSensor = BoundedArray<T, 0, 3>;
    using PerIntegration = BoundedArray<double, 0, 1>;
    using CountsPerIntegration = BoundedArray<int32_t, 0, 1>;

    // link
    int32_t CommPort_ = 0;
    int32_t ePort_ = 0;
    QString EAddress_;
    bool Enabled_ = false;
    int32_t CommStatus_ = 0;
    QString Command_;
    QString Response_;
    SPort* Port_ = nullptr;
    QPointer<Winsock> Socket_;
    ccrpTimer* ORUNTimer_ = nullptr;
    FrameCollector Rx_;
    // Bad frames in a row for the command on the wire; at kBadFrameResends the link stops
    // asking again and leaves the command to its reply time-out.
    static constexpr int kBadFrameResends = 3;
    int BadFrames_ = 0;
    bool resending_ = false;
    bool asking_ = false;  // the command goes out again for an overdue reply
    bool linkLost_ = false;  // the unit closed the TCP connection; the failure is on its way
    bool Terminating_ = false;
    bool StopGivenUp_ = false;
    bool Answered_ = false;  // the unit has answered since the program started
    int Waiting_ = 0;
    bool Connecting_ = false;  // a TCP connect is waiting for its connection
    int64_t LastConnectTick_ = 0;
    bool AttemptedConnect_ = false;  // LastConnectTick_ holds an attempt
    cErrHandler* Err_ = nullptr;
    bool TraceStarted_ = false;  // the trace file was started by the first command
    int LastStopFd_ = -1;         // the descriptor last given to the unit's last stop
    uint8_t txFrame_[OrunFrame::kMaxText + OrunFrame::kOverhead] = {};
    char rxChunk_[512] = {};

    // queue: ring slots 0..99
    Ring<QString> Queue_{0, 100};
    // The poll's questions by kind, and the tick of each one's ask still unanswered
    // (waiting or on the wire), -1 none.
    static constexpr int kSensors = 0;
    static constexpr int kInputs = 1;
    static constexpr int kCheckReading = 2;
    BoundedArray<int64_t, 0, 2> QuestionAskedAt_;
    bool SlowLink_ = false;
    int64_t LastLateTick_ = 0;  // when a question last waited longer than PaceBackMs
    bool Identified_ = false;   // an identification reply came since the program started
    // lost replies and restarts
    int64_t AskDue_ = -1;         // when the reply on the wire is overdue, -1 never
    ccrpTimer* AskTimer_ = nullptr;
    int64_t ExchangeStart_ = 0;   // the first send of the exchange on the wire
    int64_t LastSent_ = 0;        // its last send
    int64_t LastTook_ = 0;        // the last answered exchange, from its first send to its reply
    int64_t LastAnswer_ = 0;      // the last good reply
    int Asks_ = 0;                // asks of the exchange on the wire
    int StaleAllowed_ = 0;        // replies of earlier asks that may still come
    double ReplyPace_ = 0.0;
    int PaceSamples_ = 0;         // replies the pace was measured on
    bool ChannelsKnown_ = false;  // a channel reply came
    double SentWeight_ = 0.0;     // decaying counts of commands sent and replies got
    double AnsweredWeight_ = 0.0;
    bool TooPoor_ = false;
    bool Suspect_ = false;        // a lost reply: whether the unit restarted is judged
    bool HoldingPowers_ = false;  // ... after a silence long enough to hide one: no power goes
    bool SilenceLong_ = false;    // ... and it lasted RestartSilenceMs
    int64_t SuspectAnswered_ = -1;  // when the unit answered again after it
    int64_t SuspectSilence_ = 0;    // how long it was silent
    bool PowersHeldBack_ = false;
    BoundedArray<int32_t, 0, 7> PeriodSeen_;  // the period each channel keeps since it was given, -1 unknown
    static constexpr int32_t kSettleReadings = 5;
    BoundedArray<int32_t, 0, 7> PeriodSettle_;  // readings still to settle after a "B"
    BoundedArray<bool, 0, 7> PeriodGiven_;      // the channel was given its period
    BoundedArray<double, 0, 7> Requested_;   // the power set (%), before the climb's cap
    BoundedArray<double, 0, 7> ClimbRate_;
    int64_t ClimbStart_ = -1;     // the restart the outputs climb from, -1 none
    int64_t LastClimbSend_ = 0;
    QHash<QString, QString> Acked_;

    // unit model
    int32_t Version_ = 0;
    int32_t OpMode_ = 0;
    bool AnyChanActive_ = false;
    PerChannel<int32_t> ChanErrorWord_;
    PerChannel<int32_t> ChanUpdate_;
    PerChannel<int32_t> PMTVolts_;
    PerChannel<int32_t> PMTVoltsSent_;
    PerChannel<int32_t> PMTCal_;
    PerChannel<BoundedArray<int32_t, 0, 5>> Reading_;
    PerChannel<double> LastReadingTime_;
    PerChannel<int32_t> SensorMap_;
    PerChannel<int32_t> CalPackets_;
    PerChannel<int32_t> FilterStatus_;
    BoundedArray<int32_t, 1, 7> Filter_;
    PerChannel<double> ChanFlux_;
    PerChannel<double> ChanPercent_;
    PerChannel<double> GasPercent_;
    PerChannel<CountsPerIntegration> CalHiCounts_;
    PerChannel<CountsPerIntegration> CalLoCounts_;
    PerChannel<PerIntegration> CalSlope_;
    PerChannel<PerIntegration> CalIntercept_;
    int CalChan_ = -1;
    struct KeptCalibration {
        int ch = -1;
        int32_t lo[2] = {}, hi[2] = {};
        double slope[2] = {}, intercept[2] = {};
    } CalKept_;
    int32_t RdgType_ = 0;
    int32_t CalNextState_ = 0;
    int32_t CalCount_ = 0;
    int32_t CalSum_[2] = {0, 0};
    bool CalRefused_ = false;
    int32_t CalHiBias_ = 2000;
    int32_t CalLoBias_ = 100;
    PerSensor<int32_t> EmissionOn_;
    PerSensor<double> EmissionSetPt_;
    PerSensor<double> MaxLeakage_;
    PerSensor<BoundedArray<double, 0, 4>> SensorRaw_;  // emission, leakage, power, filament, bias
    int32_t SensorStatus_ = 0;
    BoundedArray<double, 0, 1> GasCal_;
    bool GasCalEnabled_ = false;
    double LeakOffset_ = 0.0;
    double LeakGain_ = 0.0122;
    double PowerGain_ = 0.31;
    PerChannel<int32_t> PowerCode_;
    PerChannel<int32_t> HeldCode_;  // the codes of the last power command the unit answered
    PerChannel<bool> HeldKnown_;    // ... since the link last lapsed
    PerChannel<uint32_t> ReadingCount_;
    PerChannel<double> FullScale_;
    PerChannel<double> MaxPower_;
    int HandCtrlOutput_ = -1;
    int16_t RelayReg_ = 0;
    int16_t InputReg_ = 0;
};
