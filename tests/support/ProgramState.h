#pragma once
// Every global of the program back to its state at program start, in one place: the
// program objects released through their owner (the calls between modules registered
// again), the editor, setup and graph windows and the calibration objects closed, the
// recipe records, the channel values, the relay/input maps, the PID history, the phase
// machine's state and the settings globals cleared, the reading ring and trace queue
// emptied. Fixtures
// call it in SetUp and TearDown instead of keeping their own lists.
void ResetProgramState();

// ResetProgramState when made and again when it goes: for fixtures that hold program
// objects as reference members. Declare it after the folder and the dialog recorder and
// before the members made through ProgramObjects, so the objects go while both still exist.
struct FreshProgramState {
    FreshProgramState();
    ~FreshProgramState();
    FreshProgramState(const FreshProgramState&) = delete;
    FreshProgramState& operator=(const FreshProgramState&) = delete;
};

class cApp;

// ResetProgramState, then gApp made through its owner: for fixtures that hold the program
// objects as reference members (declare it after the folder and the dialog recorder, and
// call ResetProgramState in the destructor, so the objects go while both still exist).
cApp& FreshApp();
